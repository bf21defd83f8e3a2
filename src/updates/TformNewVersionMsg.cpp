#include "updates/TformNewVersionMsg.h"

#include "widgets/Accessibility.h"

#include <QCheckBox>
#include <QLabel>

namespace corvid {

TformNewVersionMsg::TformNewVersionMsg(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName("formNewVersionMsg");
    setWindowTitle("New Version");
    setFixedSize(268, 109);
    CloseOnEscape(*this);

    Label1 = new QLabel("A new version of the Corvid Editor is available", this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(8, 8, 233, 58);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    QFont label("Arial");
    label.setPointSizeF(13);
    Label1->setFont(label);

    CheckBox1 = new QCheckBox("Don't Show This Message Again", this);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->setGeometry(8, 82, 215, 19);
    // 13 pixels: at 13 points the caption would need 244 px of the box's 215.
    QFont box("Arial");
    box.setPixelSize(13);
    CheckBox1->setFont(box);
}

void TformNewVersionMsg::FormCreate(std::function<void(bool stop)> stopNotices) {
    connect(CheckBox1, &QCheckBox::toggled, this,
            [stop = std::move(stopNotices)](bool checked) { stop(checked); });
}

void TformNewVersionMsg::ShowCentredOn(const QWidget& window) {
    show();
    // Frame on frame, so the title bar is part of what is centred.
    QRect mine = frameGeometry();
    mine.moveCenter(window.frameGeometry().center());
    move(mine.topLeft());
    raise();
}

} // namespace corvid
