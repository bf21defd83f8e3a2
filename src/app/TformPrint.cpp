#include "app/TformPrint.h"

#include "core/Session.h"
#include "devtools/TformFilterResponse.h"
#include "widgets/Placement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
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
    Memo1->setAccessibleName("Log");

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

    const auto button = [this](const char* name, const char* text, QRect place) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setGeometry(place);
        return b;
    };
    const auto field = [this](const char* name, const char* text, const char* tip, QRect place) {
        auto* f = new QLineEdit(text, this);
        f->setObjectName(name);
        f->setGeometry(place);
        f->setToolTip(tip);
        f->setAccessibleName(tip);
        return f;
    };
    btnEraseEeprom = button("btnEraseEeprom", "Erase EEPROM", {189, 7, 87, 24});
    btnReadEEPROM = button("btnReadEEPROM", "Read E2P", {280, 7, 64, 24});
    edtStartAddress = field("edtStartAddress", "0", "EEPROM start address", {348, 8, 70, 22});
    edtEndAddress = field("edtEndAddress", "16383", "EEPROM end address", {422, 8, 76, 22});
    edtAddress = field("edtAddress", "addr", "DSP address, 4 hex digits", {8, 36, 46, 22});
    edtData = field("edtData", "data", "DSP value, 8 hex digits", {58, 36, 76, 22});
    btnSend = button("btnSend", "Send", {138, 35, 46, 24});
    cmbNotePicker = new QComboBox(this);
    cmbNotePicker->setObjectName("cmbNotePicker");
    cmbNotePicker->setGeometry(192, 36, 62, 22);
    cmbNotePicker->setAccessibleName("Note");
    // The values in effect, so the first calculation is the one the fields show.
    edtQ = field("edtQ", "", "Q", {258, 36, 42, 22});
    edtBoost = field("edtBoost", "", "Gain in dB (negative cuts)", {304, 36, 42, 22});
    btnGetNoteFrequency = button("btnGetNoteFrequency", "Calc Coeff.", {350, 35, 76, 24});
    lblReadProgress = new QLabel(this);
    lblReadProgress->setObjectName("lblReadProgress");
    lblReadProgress->setGeometry(430, 38, 68, 18);
    formFilterResponse = new TformFilterResponse(this);
    // The log is read last: Tab goes through the tools' rows first.
    setTabOrder(btnGetNoteFrequency, Memo1);

    // The controls' places were designed for Arial; 9 pt keeps the small ones' captions inside.
    // Set on each control: with a look's style sheet on, a window's font does not reach them.
    QFont designed("Arial");
    designed.setPointSizeF(9);
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setFont(designed);
    }
    QFont small = designed;
    small.setPointSizeF(8);
    btnEraseEeprom->setFont(small);
    lblReadProgress->setFont(small);

    // FormCreate
    consoleAutoScroll = true;
    for (const std::string& note : NotePickerNames()) {
        cmbNotePicker->addItem(QString::fromStdString(note));
    }
    cmbNotePicker->setCurrentIndex(0);
}

void TformPrint::FormCreate(Session& session, Dialogs& dialogs) {
    session_ = &session;
    calculator_ = std::make_unique<CoefficientCalculator>(*this, dialogs);
    CoefficientCalculator& calculator = *calculator_;
    edtQ->setText(QString::fromStdString(CoefficientCalculator::Shortest(calculator.filterQ)));
    edtBoost->setText(
        QString::fromStdString(CoefficientCalculator::Shortest(calculator.filterGainDb)));
    connect(btnEraseEeprom, &QPushButton::clicked, this, [this] { btnEraseEepromClick(); });
    connect(btnReadEEPROM, &QPushButton::clicked, this, [this] { btnReadEEPROMClick(); });
    connect(btnSend, &QPushButton::clicked, this, [this] { btnSendClick(); });
    connect(cmbNotePicker, &QComboBox::currentIndexChanged, this,
            [&calculator](int index) { calculator.ChooseNote(index); });
    // A field takes effect when its edit is done (Enter or leaving it), not at every keystroke:
    // "-" on the way to "-6" is no number yet.
    connect(edtQ, &QLineEdit::editingFinished, this, [this, &calculator] {
        if (edtQ->isModified()) {
            edtQ->setModified(false);
            calculator.SetQ(edtQ->text().toStdString());
        }
    });
    connect(edtBoost, &QLineEdit::editingFinished, this, [this, &calculator] {
        if (edtBoost->isModified()) {
            edtBoost->setModified(false);
            calculator.SetGain(edtBoost->text().toStdString());
        }
    });
    connect(btnGetNoteFrequency, &QPushButton::clicked, this,
            [this] { btnGetNoteFrequencyClick(); });
    // Return in a field presses its row's button, once the field's own edit has taken effect.
    const auto pressOnReturn = [this](QLineEdit* field, QPushButton* button) {
        connect(field, &QLineEdit::returnPressed, button, &QPushButton::click,
                Qt::QueuedConnection);
    };
    pressOnReturn(edtStartAddress, btnReadEEPROM);
    pressOnReturn(edtEndAddress, btnReadEEPROM);
    pressOnReturn(edtAddress, btnSend);
    pressOnReturn(edtData, btnSend);
    pressOnReturn(edtQ, btnGetNoteFrequency);
    pressOnReturn(edtBoost, btnGetNoteFrequency);
}

void TformPrint::btnEraseEepromClick() {
    session_->EraseEeprom(edtStartAddress->text().toStdString(),
                          edtEndAddress->text().toStdString());
}

void TformPrint::btnReadEEPROMClick() {
    session_->ReadEeprom(edtStartAddress->text().toStdString(),
                         edtEndAddress->text().toStdString());
}

void TformPrint::btnSendClick() {
    session_->WriteRaw(edtAddress->text().toStdString(), edtData->text().toStdString());
}

void TformPrint::btnGetNoteFrequencyClick() {
    CoefficientCalculator& calculator = *calculator_;
    if (!calculator.ComputeCoefficients() || !calculator.lastFilter) {
        return;
    }
    const bool first = !formFilterResponse->isVisible();
    formFilterResponse->ShowFilter(
        QString("%1, Q %2, %3 dB")
            .arg(cmbNotePicker->currentText())
            .arg(QString::fromStdString(CoefficientCalculator::Shortest(calculator.filterQ)))
            .arg(QString::fromStdString(CoefficientCalculator::Shortest(calculator.filterGainDb))),
        *calculator.lastFilter, cmbNotePicker->currentText(), calculator.noteFrequency);
    if (first) {
        PlaceBeside(*formFilterResponse, *this);
    }
}

void TformPrint::ShowReadProgress(std::size_t received, std::size_t expected) {
    lblReadProgress->setText(QString("%1/%2").arg(received).arg(expected));
    lblReadProgress->setToolTip(
        QString("EEPROM values received: %1 of %2").arg(received).arg(expected));
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
