#include "app/TformPrint.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace corvid {

TformPrint::TformPrint(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("formPrint");
    setWindowTitle("Debug Console");
    setFixedSize(506, 652);

    move(1075, 0);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setGeometry(8, 64, 489, 578);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);

    btnClear = new QPushButton("Clear", this);
    btnClear->setObjectName("btnClear");
    btnClear->setGeometry(8, 6, 49, 25);
    connect(btnClear, &QPushButton::clicked, this, [this] { btnClearClick(); });

    btnScrollTop = new QPushButton("UP", this);
    btnScrollTop->setObjectName("btnScrollTop");
    btnScrollTop->setGeometry(65, 8, 25, 23);
    connect(btnScrollTop, &QPushButton::clicked, this, [this] { btnScrollTopClick(); });

    CheckBox1 = new QCheckBox("scrollDOWN", this);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->setGeometry(98, 8, 89, 25);
    CheckBox1->setChecked(true);
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Change(); });

    // The controls' places were designed for Arial; 9 pt keeps the small ones' captions inside.
    // Set on each control: with a look's style sheet on, a window's font does not reach them.
    QFont designed("Arial");
    designed.setPointSizeF(9);
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setFont(designed);
    }

    // FormCreate
    consoleAutoScroll = true;
}

void TformPrint::AppendLine(const std::string& text) {
    // Append through the document so the view stays where it is unless we scroll it.
    QTextCursor cursor(Memo1->document());
    cursor.movePosition(QTextCursor::End);
    if (hasLines_) {
        cursor.insertBlock();
    }
    hasLines_ = true;
    // Every line break a caller's text holds (CR, LF or CR LF) starts a new line of the log.
    QString lines = QString::fromStdString(text);
    lines.replace("\r\n", "\n").replace('\r', '\n');
    cursor.insertText(lines);
}

void TformPrint::PrintToConsole(const std::string& text) {
    AppendLine(text);
    if (consoleAutoScroll) {
        QScrollBar* bar = Memo1->verticalScrollBar();
        bar->setValue(bar->maximum());
    }
}

void TformPrint::PlainLine(const std::string& text) {
    AppendLine(text);
}

void TformPrint::btnClearClick() {
    Memo1->clear();
    hasLines_ = false;
}

void TformPrint::btnScrollTopClick() {
    Memo1->verticalScrollBar()->setValue(0);
}

void TformPrint::CheckBox1Change() {
    consoleAutoScroll = CheckBox1->isChecked();
}

} // namespace corvid
