#include "app/TformMain.h"

#include "algorithms/AlgorithmLibrary.h"
#include "app/TformPrint.h"
#include "core/Session.h"
#include "parameters/EditHistory.h"
#include "parameters/TformFXsettings.h"
#include "preferences/DataFolder.h"
#include "preferences/Look.h"
#include "preferences/MidiChannel.h"
#include "updates/EffectInfo.h"
#include "updates/TformNewVersionMsg.h"
#include "updates/tformFXInfo.h"
#include "widgets/WrapButton.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace corvid {

namespace {

QAction* AddItem(QMenu* menu, const char* name, const char* text) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}

QMenu* AddMenu(QMenuBar* bar, const char* name, const char* text) {
    QMenu* menu = bar->addMenu(text);
    menu->setObjectName(name);
    return menu;
}

template <typename W>
W* Place(W* widget, const char* name, int x, int y, int w, int h, double pointSize = 11) {
    widget->setObjectName(name);
    widget->setGeometry(x, y, w, h);
    QFont font("Arial");
    font.setPointSizeF(pointSize);
    widget->setFont(font);
    return widget;
}

} // namespace

TformMain::TformMain()
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint) {
    setObjectName("formMain");
    setWindowTitle("Corvid Editor");
    setFixedSize(354, 217);
    move(37, 31);
    BuildMenus();
    BuildControls();
}

TformMain::~TformMain() {
    qApp->removeEventFilter(this);
}

void TformMain::BuildMenus() {
    MenuBar1 = new QMenuBar(this);
    MenuBar1->setObjectName("MenuBar1");
    MenuBar1->setGeometry(0, 0, 354, 24);

    // Six menus in the designed width: their titles sit a little closer than the style's own.
    MenuBar1->setStyleSheet("QMenuBar { spacing: 0px; } QMenuBar::item { padding: 2px 3px; }");
    MenuBar1->ensurePolished();
    menuFile = AddMenu(MenuBar1, "menuFile", "&File");
    menuLoadPreset = AddItem(menuFile, "menuLoadPreset", "&Load Preset");
    menuSavePreset = AddItem(menuFile, "menuSavePreset", "&Save Preset");
    menuLoadPreset->setShortcut(QKeySequence::Open);
    menuSavePreset->setShortcut(QKeySequence::Save);
    menuRecentPresets = menuFile->addMenu("&Recent Presets");
    menuRecentPresets->setObjectName("menuRecentPresets");
    menuBackUpPedal = AddItem(menuFile, "menuBackUpPedal", "&Back Up Pedal\u2026");
    menuRestorePedal = AddItem(menuFile, "menuRestorePedal", "R&estore Pedal\u2026");
    menuHistory = AddItem(menuFile, "menuHistory", "&History\u2026");
    menuCompare = AddItem(menuFile, "menuCompare", "Co&mpare\u2026");
    menuLoadIR = AddItem(menuFile, "menuLoadIR", "Load &IR");
    menuLoadIR->setVisible(false);
    menuLoadIR->setEnabled(false);
    menuFile->addSeparator();
    menuQuit = AddItem(menuFile, "menuQuit", "&Quit");
    menuQuit->setShortcut(QKeySequence::Quit);

    menuEdit = AddMenu(MenuBar1, "menuEdit", "&Edit");
    menuUndo = AddItem(menuEdit, "menuUndo", "&Undo");
    menuUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    menuRedo = AddItem(menuEdit, "menuRedo", "&Redo");
    menuRedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});

    menuConnection = AddMenu(MenuBar1, "menuConnection", "&Connection");
    menuScan = AddItem(menuConnection, "menuScan", "&Scan");
    menuConnect = AddItem(menuConnection, "menuConnect", "&Connect");
    menuDisconnect = AddItem(menuConnection, "menuDisconnect", "&Disconnect");
    menuDisconnect->setEnabled(false);

    menuSettings = AddMenu(MenuBar1, "menuSettings", "&Settings");
    menuLook = menuSettings->addMenu("&Look");
    menuLook->setObjectName("menuLook");
    menuMIDI = menuSettings->addMenu("&MIDI");
    menuMIDI->setObjectName("menuMIDI");
    menuMIDIchannel = menuMIDI->addMenu("&Channel");
    menuMIDIchannel->setObjectName("menuMIDIchannel");
    menuEnableAllParameters =
        AddItem(menuSettings, "menuEnableAllParameters", "&Enable All Parameters");
    menuEnableAllParameters->setVisible(false);
    menuEnableAllParameters->setCheckable(true);
    menuUploadTuningsData = AddItem(menuSettings, "menuUploadTuningsData", "&Upload Tuning Data");
    menuNoteCut = AddItem(menuSettings, "menuNoteCut", "&Note Cut");
    menuTuningFilters = AddItem(menuSettings, "menuTuningFilters", "&Tuning Filters");

    menuFirmwareUpgrade = AddMenu(MenuBar1, "menuFirmwareUpgrade", "Firmware &Upgrade");
    menuFirmwareUpgradeMode =
        AddItem(menuFirmwareUpgrade, "menuFirmwareUpgradeMode", "Upgrade &Mode");
    menuFirmwareUpgradeMode->setCheckable(true);
    menuStartFirmwareUpgrade =
        AddItem(menuFirmwareUpgrade, "menuStartFirmwareUpgrade", "&Start Firmware Upgrade");
    menuStartFirmwareUpgrade->setEnabled(false);

    menuInfo = AddMenu(MenuBar1, "menuInfo", "&Info");
    menuQuickStart = AddItem(menuInfo, "menuQuickStart", "&Quick Start");
    menuQuickStart->setVisible(false);
    menuSupport = AddItem(menuInfo, "menuSupport", "&Support");
    menuAppVersion = AddItem(menuInfo, "menuAppVersion", "Editor Version: ");
    menuAppVersion->setEnabled(false);
    menuNewAppVersion = AddItem(menuInfo, "menuNewAppVersion", "New version available:");
    menuNewAppVersion->setEnabled(false);
    menuSerialNumber = AddItem(menuInfo, "menuSerialNumber", "Device Serial: ");
    menuSerialNumber->setEnabled(false);
    menuShowUpdateMsg = AddItem(menuInfo, "menuShowUpdateMsg", "Show &Update Message");
    menuShowUpdateMsg->setCheckable(true);
    menuConnectionDoctor = AddItem(menuInfo, "menuConnectionDoctor", "Connection &Doctor\u2026");
    menuSaveReport = AddItem(menuInfo, "menuSaveReport", "Save Diagnostic &Report\u2026");
}

void TformMain::BuildControls() {
    lblDeviceName = Place(new QLabel("No device found", this), "lblDeviceName", 9, 32, 174, 17);
    lblFirmwareVersion =
        Place(new QLabel("Device Firmware Version: ", this), "lblFirmwareVersion", 9, 49, 174, 19);
    lblStatus = Place(new QLabel("Status: ", this), "lblStatus", 9, 68, 174, 17);
    btnUpload = Place(new WrapButton("Upload Selected", this), "btnUpload", 9, 87, 80, 33);
    btnRequest = Place(new QPushButton("Request", this), "btnRequest", 97, 87, 86, 33);
    btnSaveParameters =
        Place(new WrapButton("Save Parameters", this), "btnSaveParameters", 8, 128, 84, 33);
    btnAssign = Place(new QPushButton("Assign", this), "btnAssign", 97, 128, 86, 33);
    btnSetFootswitchMode = Place(new WrapButton("Set Footswitch Mode", this),
                                 "btnSetFootswitchMode", 9, 169, 80, 31, 10.5);
    btnSetTuning =
        Place(new QPushButton("Set Tuning", this), "btnSetTuning", 97, 169, 86, 31, 10.5);
    // Under the effect list, whose selection it explains; nothing else is there.
    btnGetFXInfo = Place(new QPushButton("?", this), "btnGetFXInfo", 323, 182, 22, 22);
    btnGetFXInfo->setCursor(Qt::WhatsThisCursor);
    btnGetFXInfo->setVisible(false);
    btnGetFXInfo->setEnabled(false);
    lstEffects = Place(new QListWidget(this), "lstEffects", 191, 32, 154, 146);
    lstEffects->setAccessibleName("Effects");
    chkFirmwareUpgradeMode = Place(new QCheckBox("Firmware Upgrade Mode", this),
                                   "chkFirmwareUpgradeMode", 9, 217, 174, 17);
    chkFirmwareUpgradeMode->setVisible(false);
}

void TformMain::FormCreate(Session& session, Dialogs& dialogs, TformPrint& console,
                           TformFXsettings& parameters, TformNewVersionMsg& notice,
                           tformFXInfo& effectInfo,
                           std::function<void(const std::string&)> openUrl) {
    session_ = &session;
    dialogs_ = &dialogs;
    console_ = &console;
    parameters_ = &parameters;
    notice_ = &notice;
    effectInfo_ = &effectInfo;
    openUrl_ = std::move(openUrl);
    for (QPushButton* button : {btnRequest, btnAssign, btnSaveParameters, btnUpload,
                                btnSetFootswitchMode, btnSetTuning}) {
        button->setEnabled(false);
    }
    lstEffects->clear();
    if (session.Start()) {
        FillAlgorithmList();
    }
    session.PrepareDataFolder();
    FillRecentPresets();
    menuShowUpdateMsg->setChecked(session.settings().showUpdateMessage);
    session.StartVersionCheck();
    menuAppVersion->setText(menuAppVersion->text() + " " +
                            QString::fromStdString(session.EditorVersion()));
    BuildLookMenu();
    session.ApplySavedLook();
    BuildMidiChannelMenu();
    ConnectCommands();
}

void TformMain::ConnectCommands() {
    connect(menuScan, &QAction::triggered, this, [this] { menuScanClick(); });
    connect(menuQuit, &QAction::triggered, this, [this] { close(); });
    connect(menuUndo, &QAction::triggered, this, [this] { session_->Undo(); });
    connect(menuRedo, &QAction::triggered, this, [this] { session_->Redo(); });
    // The items name the steps they would take, as the menu opens.
    connect(menuEdit, &QMenu::aboutToShow, this, [this] {
        const EditHistory& history = session_->Edits();
        menuUndo->setText(QString::fromStdString("&" + history.UndoText()));
        menuRedo->setText(QString::fromStdString("&" + history.RedoText()));
        menuUndo->setEnabled(history.CanUndo());
        menuRedo->setEnabled(history.CanRedo());
    });
    // Closed again, the items answer their keys whatever the history holds.
    connect(menuEdit, &QMenu::aboutToHide, this, [this] {
        menuUndo->setEnabled(true);
        menuRedo->setEnabled(true);
    });
    connect(menuConnect, &QAction::triggered, this, [this] { ConnectOnClick(); });
    connect(menuDisconnect, &QAction::triggered, this, [this] { menuDisconnectClick(); });
    // The handler sets the tick from the state it toggles.
    connect(menuEnableAllParameters, &QAction::triggered, this,
            [this] { parameters_->OnClickEnableAllParameters(); });
    connect(menuShowUpdateMsg, &QAction::triggered, this,
            [this](bool checked) { session_->SetShowUpdateMessage(checked); });
    connect(lstEffects, &QListWidget::itemClicked, this, [this] { effetto_cliccato(); });
    connect(btnUpload, &QPushButton::clicked, this, [this] { btnUploadClick(); });
    connect(btnRequest, &QPushButton::clicked, this, [this] { btnRequestClick(); });
    connect(btnSaveParameters, &QPushButton::clicked, this, [this] { btnSaveParametersClick(); });
    connect(btnAssign, &QPushButton::clicked, this, [this] { btnAssignClick(); });
    connect(btnSetFootswitchMode, &QPushButton::clicked, this,
            [this] { btnSetFootswitchModeClick(); });
    connect(btnSetTuning, &QPushButton::clicked, this, [this] { btnSetTuningClick(); });
    connect(menuSavePreset, &QAction::triggered, this, [this] { menuSavePresetClick(); });
    connect(menuInfo, &QMenu::aboutToShow, this, [this] { menuInfoClick(); });
    connect(menuSupport, &QAction::triggered, this, [this] { menuSupportClick(); });
    connect(menuBackUpPedal, &QAction::triggered, this, [this] { menuBackUpPedalClick(); });
    connect(menuRestorePedal, &QAction::triggered, this, [this] { menuRestorePedalClick(); });
    connect(menuSaveReport, &QAction::triggered, this, [this] { menuSaveReportClick(); });
    connect(menuLoadIR, &QAction::triggered, this, [this] { session_->LoadImpulseResponse(); });
    connect(btnGetFXInfo, &QPushButton::clicked, this, [this] { btnGetFXInfoClick(); });
    connect(menuFirmwareUpgradeMode, &QAction::triggered, this,
            [this] { menuFirmwareUpgradeModeClick(); });
    connect(chkFirmwareUpgradeMode, &QCheckBox::toggled, this,
            [this] { chkFirmwareUpgradeModeChange(); });
    connect(menuLoadPreset, &QAction::triggered, this, [this] { menuLoadPresetClick(); });
    connect(menuRecentPresets, &QMenu::aboutToShow, this, [this] { FillRecentPresets(); });
    connect(menuUploadTuningsData, &QAction::triggered, this,
            [this] { menuUploadTuningsDataClick(); });
    // The console chord works wherever the focus is inside this window.
    qApp->installEventFilter(this);
}

void TformMain::menuScanClick() {
    session_->Scan();
}

void TformMain::ConnectOnClick() {
    if (session_->Connect(upgradeMode_)) {
        parameters_->SetParameterControlsEnabled(true);
    }
}

void TformMain::menuDisconnectClick() {
    if (session_->Disconnect()) {
        parameters_->SetParameterControlsEnabled(false);
    }
}

void TformMain::FillAlgorithmList() {
    for (const std::string& line : session_->Algorithms()) {
        lstEffects->addItem(QString::fromStdString(line));
    }
}

void TformMain::effetto_cliccato() {
    Log& log = *console_;
    const int index = lstEffects->currentRow();
    log.PrintToConsole("efx index :" + std::to_string(index));
    const QListWidgetItem* item = lstEffects->item(index);
    const std::string name = item != nullptr ? item->text().toStdString() : std::string();
    log.PrintToConsole("selected effect name: " + name);
    session_->SelectAlgorithm(name);
    if (!name.empty()) {
        btnGetFXInfo->setEnabled(true);
    }
    // The "?" is there for an effect that has a page.
    btnGetFXInfo->setVisible(!name.empty() &&
                             EffectInfoPage(AlgorithmResourceName(name)).has_value());
    TformFXsettings& settings = *parameters_;
    if (settings.isVisible()) {
        settings.close();
    }
    const QRect frame = frameGeometry();
    settings.move(frame.x() + frame.width(), frame.y());
    settings.show();
    settings.setWindowTitle(QString::fromStdString(name));
    settings.SetParameterControlsEnabled(session_->link().connectedOnce);
}

bool TformMain::move_up_or_down(int key) {
    const int row = lstEffects->currentRow();
    if (key == Qt::Key_Up) {
        console_->PrintToConsole("arrow up pressed");
        if (row > 0) {
            lstEffects->setCurrentRow(row - 1);
        }
        return true;
    }
    if (key == Qt::Key_Down) {
        console_->PrintToConsole("arrow down pressed");
        if (row < lstEffects->count() - 1) {
            lstEffects->setCurrentRow(row + 1);
        }
        return true;
    }
    return false;
}

void TformMain::btnUploadClick() {
    session_->UploadAlgorithm(session_->SelectedAlgorithm());
}

void TformMain::btnRequestClick() {
    if (session_->ReadPedalState() || !session_->link().waitsInBootloader ||
        !dialogs_->Confirm({QuestionKind::Confirm, "Open the firmware upgrade now?"})) {
        return;
    }
    // The upgrade talks to the bootloader in a connection of its own.
    session_->Disconnect();
    menuFirmwareUpgradeMode->setChecked(true);
    upgradeMode_ = true;
    ConnectOnClick();
    if (menuStartFirmwareUpgrade->isEnabled()) {
        menuStartFirmwareUpgrade->trigger();
    }
}

void TformMain::btnSaveParametersClick() {
    session_->Store();
}

void TformMain::btnAssignClick() {
    session_->Assign();
}

void TformMain::btnSetFootswitchModeClick() {
    session_->SetFootswitch(parameters_->chkBypassShortPress->isChecked(),
                            parameters_->chkBypassLongPress->isChecked());
}

void TformMain::btnSetTuningClick() {
    session_->SetTuning();
}

void TformMain::menuSavePresetClick() {
    session_->SavePreset();
}

void TformMain::menuLoadPresetClick() {
    session_->LoadPreset();
}

void TformMain::FillRecentPresets() {
    menuRecentPresets->clear();
    int number = 1;
    for (const std::filesystem::path& path : session_->settings().recentPresets) {
        const QString full = QString::fromStdU16String(path.u16string());
        QAction* item = menuRecentPresets->addAction(QString("&%1 %2").arg(number++).arg(
            QString::fromStdU16String(path.filename().u16string())));
        item->setStatusTip(full);
        item->setToolTip(full);
        connect(item, &QAction::triggered, this, [this, path] { session_->LoadPresetFrom(path); });
    }
    if (session_->settings().recentPresets.empty()) {
        menuRecentPresets->addAction("No recent presets")->setEnabled(false);
    }
}

void TformMain::menuUploadTuningsDataClick() {
    session_->UploadTuningData();
}

void TformMain::menuFirmwareUpgradeModeClick() {
    // The item ticks itself; the next Connect follows the tick.
    upgradeMode_ = menuFirmwareUpgradeMode->isChecked();
    // An upgrade resets the pedal: offer to keep its settings while it can still be read.
    if (upgradeMode_ && session_->link().deviceOpen &&
        dialogs_->Confirm({QuestionKind::Confirm, "Back up the pedal's settings first?"})) {
        menuBackUpPedalClick();
    }
}

bool TformMain::menuBackUpPedalClick() {
    const std::string date = QDate::currentDate().toString(Qt::ISODate).toStdString();
    const Result<std::filesystem::path> written = session_->BackUpToChosenFile(date);
    if (!written) {
        return false;
    }
    dialogs_->ShowMessage("File saved successfully: " + written.value.string());
    return true;
}

void TformMain::menuRestorePedalClick() {
    if (const Result<std::filesystem::path> restored = session_->RestoreFromChosenFile()) {
        dialogs_->ShowMessage("Pedal restored from: " + restored.value.string());
    }
}

void TformMain::menuSaveReportClick() {
    Dialogs& dialogs = *dialogs_;
    const std::string date = QDate::currentDate().toString(Qt::ISODate).toStdString();
    const std::filesystem::path file =
        dialogs.SaveFileName({"Save Diagnostic Report", "Text files (*.txt)", "txt",
                              session_->DataFolderPath() / ("corvid-report-" + date + ".txt")});
    if (file.empty()) {
        return;
    }
    std::string error;
    if (!WriteFileAtomically(file, session_->Report(console_->Memo1->toPlainText().toStdString()),
                             error)) {
        dialogs.ShowMessage("Error saving file: " + error);
        return;
    }
    dialogs.ShowMessage("File saved successfully: " + file.string());
}

void TformMain::chkFirmwareUpgradeModeChange() {
    upgradeMode_ = chkFirmwareUpgradeMode->isChecked();
}

void TformMain::menuInfoClick() {
    // The notice's own box may have changed the setting since.
    menuShowUpdateMsg->setChecked(session_->settings().showUpdateMessage);
    console_->PrintToConsole("current app version: " + session_->EditorVersion());
}

void TformMain::menuSupportClick() {
    openUrl_(ContactAddress(session_->WebBase()));
}

void TformMain::btnGetFXInfoClick() {
    const std::string& name = session_->SelectedAlgorithm();
    if (const std::optional<std::string> page = EffectInfoPage(AlgorithmResourceName(name))) {
        effectInfo_->ShowPage(name, *page);
    }
}

void TformMain::SetNewVersionText(const std::string& text) {
    menuNewAppVersion->setText(QString::fromStdString(text));
}

void TformMain::ShowNewVersionNotice() {
    notice_->ShowCentredOn(*this);
}

void TformMain::ShowBootloaderReady() {
    menuStartFirmwareUpgrade->setEnabled(true);
    btnRequest->setEnabled(false);
    btnUpload->setEnabled(false);
}

void TformMain::ShowUpgradeModeOff() {
    upgradeMode_ = false;
    menuFirmwareUpgradeMode->setChecked(false);
    btnRequest->setEnabled(true);
    btnUpload->setEnabled(true);
}

void TformMain::BuildLookMenu() {
    menuLook->setToolTipsVisible(true);
    for (int n = 0; n < Look::menuLookCount; ++n) {
        QAction* item = menuLook->addAction(QString::number(n));
        item->setCheckable(true);
        const QString name = Look::lookNames[static_cast<std::size_t>(n)];
        item->setStatusTip(name);
        item->setToolTip(name);
        connect(item, &QAction::triggered, this, [this, n] { session_->ChooseLook(n); });
        lookMenuItems.push_back(item);
    }
    // The look in use carries the check mark as the menu opens.
    connect(menuLook, &QMenu::aboutToShow, this, [this] {
        for (std::size_t n = 0; n < lookMenuItems.size(); ++n) {
            lookMenuItems[n]->setChecked(static_cast<int>(n) == session_->settings().look);
        }
    });
}

void TformMain::SetStyleSheet(const std::string& sheet) {
    qApp->setStyleSheet(QString::fromStdString(sheet));
}

void TformMain::BuildMidiChannelMenu() {
    for (const char* caption : midiChannelCaptions) {
        QAction* item = menuMIDIchannel->addAction(caption);
        connect(item, &QAction::triggered, this, [this, item] { menuMIDIchannelsClickItem(item); });
        midiChannelItems.push_back(item);
    }
}

void TformMain::menuMIDIchannelsClickItem(QAction* item) {
    session_->SetMidiChannel(item->text().toStdString());
}

void TformMain::SetDeviceLabel(const std::string& text) {
    lblDeviceName->setText(QString::fromStdString(text));
}

void TformMain::ShowSerialNumbers(const std::string& serials) {
    menuSerialNumber->setText("Device Serial: " + QString::fromStdString(serials));
}

void TformMain::SetFirmwareVersionLabel(const std::string& text) {
    lblFirmwareVersion->setText(QString::fromStdString(text));
}

void TformMain::SetStatusLabel(const std::string& text) {
    // The pedal's answer is 8-bit text.
    lblStatus->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void TformMain::ShowParametersRead() {
    for (QPushButton* button : {btnAssign, btnSaveParameters, btnSetFootswitchMode, btnSetTuning}) {
        button->setEnabled(true);
    }
}

void TformMain::SetAssignEnabled(bool enabled) {
    btnAssign->setEnabled(enabled);
}

void TformMain::ShowDeviceClosed() {
    menuScan->setEnabled(true);
    menuConnect->setEnabled(true);
    menuDisconnect->setEnabled(false);
    for (QPushButton* button :
         {btnUpload, btnRequest, btnAssign, btnSaveParameters, btnSetFootswitchMode}) {
        button->setEnabled(false);
    }
}

void TformMain::ShowDeviceOpened() {
    btnUpload->setEnabled(true);
    btnRequest->setEnabled(true);
    chkFirmwareUpgradeMode->setEnabled(false);
    menuScan->setEnabled(false);
    menuConnect->setEnabled(false);
    menuDisconnect->setEnabled(true);
}

bool TformMain::eventFilter(QObject* watched, QEvent* event) {
    // The list's own arrow handling would move a second step; ours moves exactly one.
    if (event->type() == QEvent::KeyPress && watched == lstEffects &&
        move_up_or_down(static_cast<QKeyEvent*>(event)->key())) {
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers held = key->modifiers();
        if (key->key() == Qt::Key_P && held.testFlag(Qt::ControlModifier) &&
            held.testFlag(Qt::ShiftModifier)) {
            console_->show();
            console_->raise();
            // A developer tool: reachable once the console has been opened.
            menuLoadIR->setVisible(true);
            menuLoadIR->setEnabled(true);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TformMain::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program, whatever other windows are open.
    event->accept();
    QApplication::quit();
}

} // namespace corvid
