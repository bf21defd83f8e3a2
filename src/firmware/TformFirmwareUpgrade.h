#pragma once

#include "firmware/FirmwareUpgrade.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace corvid {

// The firmware upgrade window: choose an image, run the upgrade, watch the blocks go.
class TformFirmwareUpgrade : public QWidget, public FirmwareUpgradeView {
    Q_OBJECT
public:
    TformFirmwareUpgrade();

    // Connects the controls to the upgrade run.
    // `flash` runs the upgrade (the session's job).
    // `choose` hears the image list's choice; `flash` runs the upgrade with it.
    void FormCreate(std::function<void(const std::string& image)> choose,
                    std::function<void()> flash);
    void btnUpgradeFirmwareClick();

    // FirmwareUpgradeView
    void SetUpgradeProgress(int position, int maximum) override;
    void SetVerifyProgress(int position, int maximum) override;
    void ShowPath(const std::string& path) override;
    void SetUpgradeRunning(bool running) override;
    void ShowUpgradeFinished() override;

    QComboBox* cmbFirmwareChoose;
    QPushButton* btnUpgradeFirmware;
    QProgressBar* ProgressBar1;
    // Which path the run takes, under the bar.
    QLabel* lblPath;

private:
    std::function<void()> flash_;
};

} // namespace corvid
