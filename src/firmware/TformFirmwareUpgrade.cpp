#include "firmware/TformFirmwareUpgrade.h"

#include "widgets/Accessibility.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace corvid {

TformFirmwareUpgrade::TformFirmwareUpgrade()
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("formFirmwareUpgrade");
    setWindowTitle("Firmware Upgrade");
    // The designed 141 pixels, and a line under the bar for the path the run takes.
    setFixedSize(196, 163);

    cmbFirmwareChoose = new QComboBox(this);
    cmbFirmwareChoose->setObjectName("cmbFirmwareChoose");
    cmbFirmwareChoose->setGeometry(8, 8, 179, 32);
    cmbFirmwareChoose->setAccessibleName("Firmware image");
    for (const std::string& image : FirmwareUpgrade::firmwareImages) {
        cmbFirmwareChoose->addItem(QString::fromStdString(image));
    }
    // Nothing is chosen when the window opens.
    cmbFirmwareChoose->setCurrentIndex(-1);
    cmbFirmwareChoose->setPlaceholderText("Choose the firmware");

    btnUpgradeFirmware = new QPushButton("Upgrade Firmware", this);
    btnUpgradeFirmware->setObjectName("btnUpgradeFirmware");
    btnUpgradeFirmware->setGeometry(8, 48, 179, 33);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(8, 94, 179, 35);
    ProgressBar1->setRange(0, 0);
    ProgressBar1->setMaximum(1);
    ProgressBar1->setValue(0);
    ProgressBar1->setFormat("block %v of %m");
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAccessibleName("Blocks written");

    lblPath = new QLabel(this);
    lblPath->setObjectName("lblPath");
    lblPath->setGeometry(8, 136, 179, 20);
    lblPath->setAccessibleName("Bootloader path");
    lblPath->setToolTip("How the upgrade talks to the bootloader");
    CloseOnEscape(*this);
}

void TformFirmwareUpgrade::FormCreate(std::function<void(const std::string& image)> choose,
                                      std::function<void()> flash) {
    flash_ = std::move(flash);
    connect(cmbFirmwareChoose, &QComboBox::currentTextChanged, this,
            [this, choose = std::move(choose)](const QString& text) {
                if (cmbFirmwareChoose->currentIndex() >= 0) {
                    choose(text.toStdString());
                }
            });
    connect(btnUpgradeFirmware, &QPushButton::clicked, this, [this] { btnUpgradeFirmwareClick(); });
}

void TformFirmwareUpgrade::btnUpgradeFirmwareClick() {
    flash_();
}

void TformFirmwareUpgrade::SetUpgradeProgress(int position, int maximum) {
    ProgressBar1->setFormat("block %v of %m");
    ProgressBar1->setAccessibleName("Blocks written");
    ProgressBar1->setMaximum(maximum);
    ProgressBar1->setValue(position);
    ProgressBar1->setTextVisible(true);
}

void TformFirmwareUpgrade::SetVerifyProgress(int position, int maximum) {
    ProgressBar1->setFormat("checked %v of %m");
    ProgressBar1->setAccessibleName("Blocks checked");
    ProgressBar1->setMaximum(maximum);
    ProgressBar1->setValue(position);
    ProgressBar1->setTextVisible(true);
}

void TformFirmwareUpgrade::ShowPath(const std::string& path) {
    lblPath->setText(QString::fromStdString(path));
}

void TformFirmwareUpgrade::SetUpgradeRunning(bool running) {
    btnUpgradeFirmware->setEnabled(!running);
    cmbFirmwareChoose->setEnabled(!running);
}

void TformFirmwareUpgrade::ShowUpgradeFinished() {
    hide();
}

} // namespace corvid
