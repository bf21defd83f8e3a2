#pragma once

#include "algorithms/AlgorithmUpload.h"
#include "firmware/Bootloader.h"
#include "link/ConnectionView.h"
#include "parameters/FXsettings.h"
#include "preferences/Look.h"
#include "updates/VersionCheck.h"

#include <functional>

#include <QWidget>

#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;

namespace corvid {

class Session;
class TformFXsettings;
class TformNewVersionMsg;
class TformPrint;
class tformFXInfo;

// The main window: the connection, the algorithm list and the pedal commands.
class TformMain : public QWidget,
                  public ConnectionView,
                  public UploadView,
                  public ParameterCommandsView,
                  public LookView,
                  public BootloaderView,
                  public UpdateView {
    Q_OBJECT
public:
    TformMain();
    ~TformMain() override;

    // Runs the start-up sequence over the session and connects the commands to it; the console
    // and the parameter window are the windows this one opens.
    // The notice and the effect information window are opened from here; openUrl shows an
    // address in the user's browser.
    void FormCreate(Session& session, Dialogs& dialogs, TformPrint& console,
                    TformFXsettings& parameters, TformNewVersionMsg& notice,
                    tformFXInfo& effectInfo, std::function<void(const std::string&)> openUrl);

    void menuScanClick();
    void ConnectOnClick();
    void menuDisconnectClick();
    void FillAlgorithmList();
    void effetto_cliccato();
    // Moves the list's selection by one; true when the key was an arrow key.
    bool move_up_or_down(int key);
    void btnUploadClick();
    void btnRequestClick();
    void btnSaveParametersClick();
    void btnAssignClick();
    void btnSetFootswitchModeClick();
    void btnSetTuningClick();
    void menuSavePresetClick();
    void menuLoadPresetClick();
    // Fills "Recent Presets" from the list the data folder keeps.
    void FillRecentPresets();
    void menuUploadTuningsDataClick();
    // The look items "0" to "6", each applying its look and remembering it.
    void BuildLookMenu();
    // The MIDI channel items, "OMNI" then 1 to 16, each sending its channel.
    void BuildMidiChannelMenu();
    void menuMIDIchannelsClickItem(QAction* item);
    void menuFirmwareUpgradeModeClick();
    void chkFirmwareUpgradeModeChange();
    void menuInfoClick();
    // Back up, restore, the diagnostic report: each asks where through a file dialog.
    bool menuBackUpPedalClick();
    void menuRestorePedalClick();
    void menuSaveReportClick();
    void menuSupportClick();
    void btnGetFXInfoClick();

    // ConnectionView
    void SetDeviceLabel(const std::string& text) override;
    void ShowSerialNumbers(const std::string& serials) override;
    void SetFirmwareVersionLabel(const std::string& text) override;
    void ShowDeviceOpened() override;
    void ShowDeviceClosed() override;
    // UploadView
    void SetStatusLabel(const std::string& text) override;
    // ParameterCommandsView
    void ShowParametersRead() override;
    void SetAssignEnabled(bool enabled) override;
    // LookView
    void SetStyleSheet(const std::string& sheet) override;
    // BootloaderView
    void ShowBootloaderReady() override;
    void ShowUpgradeModeOff() override;
    // UpdateView
    void SetNewVersionText(const std::string& text) override;
    void ShowNewVersionNotice() override;

    QMenuBar* MenuBar1;
    QMenu* menuFile;
    QAction* menuLoadPreset;
    QAction* menuSavePreset;
    QMenu* menuRecentPresets;
    QAction* menuBackUpPedal;
    QAction* menuRestorePedal;
    QAction* menuHistory;
    QAction* menuCompare;
    QAction* menuLoadIR;
    QAction* menuQuit;
    // Edit: the last edit of the pedal's state taken back or done again (Ctrl+Z, Ctrl+Shift+Z
    // or Ctrl+Y); the parameter window answers the same keys.
    QMenu* menuEdit;
    QAction* menuUndo;
    QAction* menuRedo;
    QMenu* menuConnection;
    QAction* menuScan;
    QAction* menuConnect;
    QAction* menuDisconnect;
    QMenu* menuSettings;
    QMenu* menuLook;
    QMenu* menuMIDI;
    QMenu* menuMIDIchannel;
    QAction* menuEnableAllParameters;
    QAction* menuUploadTuningsData;
    QAction* menuNoteCut;
    QAction* menuTuningFilters;
    std::vector<QAction*> lookMenuItems;
    std::vector<QAction*> midiChannelItems;
    QMenu* menuFirmwareUpgrade;
    QAction* menuFirmwareUpgradeMode;
    QAction* menuStartFirmwareUpgrade;
    QMenu* menuInfo;
    QAction* menuQuickStart;
    QAction* menuSupport;
    QAction* menuAppVersion;
    QAction* menuNewAppVersion;
    QAction* menuSerialNumber;
    QAction* menuShowUpdateMsg;
    QAction* menuConnectionDoctor;
    QAction* menuSaveReport;

    QLabel* lblDeviceName;
    QLabel* lblFirmwareVersion;
    QLabel* lblStatus;
    QPushButton* btnUpload;
    QPushButton* btnRequest;
    QPushButton* btnSaveParameters;
    QPushButton* btnAssign;
    QPushButton* btnSetFootswitchMode;
    QPushButton* btnSetTuning;
    QPushButton* btnGetFXInfo;
    QListWidget* lstEffects;
    QCheckBox* chkFirmwareUpgradeMode;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildControls();
    void ConnectCommands();

    Session* session_ = nullptr;
    Dialogs* dialogs_ = nullptr;
    // Upgrade Mode's tick: the next Connect talks to the bootloader.
    bool upgradeMode_ = false;
    TformPrint* console_ = nullptr;
    TformFXsettings* parameters_ = nullptr;
    TformNewVersionMsg* notice_ = nullptr;
    tformFXInfo* effectInfo_ = nullptr;
    std::function<void(const std::string&)> openUrl_;
};

} // namespace corvid
