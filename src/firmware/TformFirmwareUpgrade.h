#pragma once

#include "firmware/FirmwareUpgrade.h"

#include <QWidget>

class QComboBox;
class QProgressBar;
class QPushButton;

namespace corvid {

// The firmware upgrade window: choose an image, run the upgrade, watch the blocks go.
class TformFirmwareUpgrade : public QWidget, public FirmwareUpgradeView {
    Q_OBJECT
public:
    TformFirmwareUpgrade();

    // Connects the controls to the upgrade run.
    void FormCreate(FirmwareUpgrade& upgrade);
    void btnUpgradeFirmwareClick();

    // FirmwareUpgradeView
    void SetUpgradeProgress(int position, int maximum) override;
    void SetUpgradeRunning(bool running) override;
    void ShowUpgradeFinished() override;

    QComboBox* cmbFirmwareChoose;
    QPushButton* btnUpgradeFirmware;
    QProgressBar* ProgressBar1;

private:
    FirmwareUpgrade* upgrade_ = nullptr;
};

} // namespace corvid
