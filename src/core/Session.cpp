#include "core/Session.h"

#include "core/DiagnosticReport.h"
#include "core/SessionModules.h"
#include "link/HexMessage.h"

#include <QDateTime>
#include <QEventLoop>

namespace corvid {

Session::Modules::Modules(SessionEnvironment environment, SessionViews views)
    : env(std::move(environment)), views(views), dialogs(env.dialogs), d2xx(env.driver, dialogs),
      dataFolder(env.documents, settings, dialogs), algorithms(dialogs),
      communication(d2xx, env.log, dialogs, env.clock, views.connection, state),
      upload(communication, d2xx, algorithms, env.log, dialogs, env.clock, views.upload),
      fx(state, communication, env.log, dialogs, env.clock, views.parameters, views.commands),
      tunings(communication, env.log, dialogs, env.clock),
      noteCut(communication, env.log, env.clock), midi(communication, env.log),
      presets(dataFolder, fx, env.log, dialogs),
      backups(communication, fx, tunings, env.log, dialogs, env.clock),
      history(dataFolder.DeviceFolder() / PedalHistory::kFolderName, env.log, dialogs),
      look(dataFolder, dialogs, views.look),
      bootloader(communication, d2xx, env.log, dialogs, env.clock, views.bootloader),
      firmware(bootloader, communication, env.log, dialogs, env.clock, views.bootloader,
               views.upgrade),
      updates(env.checkVersion ? env.webBase : std::string(), settings, env.log, dialogs, env.clock,
              views.updates),
      eeprom(communication, env.log, dialogs, env.clock, views.eeprom),
      impulseResponse(env.log, dialogs,
                      [this](const std::string& name) -> std::optional<std::string> {
                          if (!algorithms.LoadResourceLines(AlgorithmResourceName(name)) ||
                              algorithms.resourceLines.empty()) {
                              return std::nullopt;
                          }
                          return algorithms.resourceLines.front();
                      }) {}

Session::Session(SessionEnvironment environment, SessionViews views)
    : m_(std::make_unique<Modules>(std::move(environment), views)) {
    Modules& m = *m_;
    Clock& clock = m.env.clock;
    m.env.driver.SetEventNotification([&clock] { clock.Wake(); });
    m.d2xx.onDeviceGone = [&m] { m.communication.DeviceLost(); };
    m.backups.beforeOverwrite = [this] { RecordHistory("Restore"); };
    Log& log = m.env.log;
    m.env.driver.SetNoteSink([&log](const std::string& text) { log.PrintToConsole(text); });
    if (m.env.watchDevices) {
        m.watchTimer =
            clock.CreateTimer(kWatchIntervalMs, [&m] { m.communication.WatchForDevice(); });
        m.watchTimer->Start();
    }
}

Session::~Session() {
    m_->env.driver.SetEventNotification({});
    m_->env.driver.SetNoteSink({});
}

// ---- Views.

const PedalState& Session::state() const {
    return m_->state;
}

const Settings& Session::settings() const {
    return m_->settings;
}

LinkStatus Session::link() const {
    const Modules& m = *m_;
    return {.deviceFound = !m.communication.deviceSerialNumber.empty(),
            .deviceOpen = m.d2xx.deviceOpen,
            .deviceGone = m.d2xx.deviceGone,
            .upgradeMode = m.communication.firmwareUpgradeMode,
            .connectedOnce = m.connectedOnce,
            .busy = m.communication.Busy(),
            .waitsInBootloader = m.waitsInBootloader,
            .serialNumber = m.communication.deviceSerialNumber};
}

const std::vector<std::string>& Session::Algorithms() const {
    return m_->algorithmList;
}

const std::string& Session::SelectedAlgorithm() const {
    return m_->algorithms.selectedEffectName;
}

const EditHistory& Session::Edits() const {
    return m_->fx.history;
}

const PedalHistory& Session::History() const {
    return m_->history;
}

const std::string& Session::EditorVersion() const {
    return m_->updates.editorVersion;
}

const std::string& Session::WebBase() const {
    return m_->env.webBase;
}

std::filesystem::path Session::DataFolderPath() const {
    return m_->dataFolder.DataFolderPath();
}

std::filesystem::path Session::DeviceFolder() const {
    return m_->dataFolder.DeviceFolder();
}

std::filesystem::path Session::PresetFolder() const {
    return m_->presets.PresetFolder();
}

bool Session::ReadThisConnection() const {
    return m_->state.readThisConnection;
}

bool Session::AllParametersEnabled() const {
    return m_->fx.allParametersEnabled;
}

bool Session::CutNoteBoxEnabled(bool ticked) const {
    return m_->noteCut.NoteBoxEnabled(ticked);
}

std::string Session::Report(const std::string& consoleText) const {
    return DiagnosticReport(*this, consoleText);
}

QJsonObject Session::ReportJson(const std::string& consoleText) const {
    return DiagnosticReportJson(*this, consoleText);
}

// ---- Start-up.

Result<> Session::Start() {
    Modules& m = *m_;
    m.communication.DetectDevice();
    m.communication.SetDefaultPortSettings();
    m.communication.firmwareUpgradeMode = false;
    return Attempt([&m] {
        if (!m.algorithms.LoadResourceLines("octave")) {
            return false;
        }
        m.algorithmList = m.algorithms.resourceLines;
        return true;
    });
}

void Session::PrepareDataFolder() {
    Modules& m = *m_;
    m.dataFolder.CreateDataFolder(DataFolder::kDataFolderName);
    m.dataFolder.CreateDataSubfolder(DataFolder::kDataFolderName, DataFolder::deviceFolderName);
    m.dataFolder.ReadShowUpdateSetting();
    m.presets.ReadRecentPresets();
}

void Session::ApplySavedLook() {
    m_->look.ApplySavedLook();
}

void Session::StartVersionCheck() {
    m_->updates.Start();
}

Result<VersionAnswer> Session::CheckVersion() {
    VersionCheck& check = m_->updates;
    QEventLoop wait;
    check.OnFinished([&wait] { wait.quit(); });
    check.checkmostrecentversiononwebsite();
    if (!check.finished) {
        wait.exec();
    }
    // A check that could not check has failed: it must not read as "up to date".
    if (check.outcome == VersionCheck::Outcome::Failed) {
        return Result<VersionAnswer>::Refused(check.failure);
    }
    return Result<VersionAnswer>::Done(
        {.newest = check.webVersion, .newer = check.outcome == VersionCheck::Outcome::Newer});
}

// ---- The link.

Result<> Session::Connect(bool upgradeMode, bool pacedOnly) {
    Modules& m = *m_;
    const Communication::Job job(m.communication);
    m.state.readThisConnection = false;
    m.waitsInBootloader = false;
    m.communication.firmwareUpgradeMode = upgradeMode;
    m.bootloader.pacedOnly = pacedOnly;
    return Attempt(
        [&] {
            const bool opened = m.communication.ConnectDevice();
            if (upgradeMode && m.bootloader.BootloaderSync()) {
                m.bootloader.ChoosePath();
            }
            if (opened) {
                m.connectedOnce = true;
                m.state.serialNumber = m.communication.deviceSerialNumber;
            }
            return opened;
        },
        "Device not opened");
}

Result<> Session::Disconnect() {
    Modules& m = *m_;
    // Another pedal may be connected next: its edits start afresh.
    m.fx.history.Clear();
    m.state.readThisConnection = false;
    m.waitsInBootloader = false;
    return Attempt([&m] { return m.communication.DisconnectDevice(); });
}

Result<std::vector<FoundDevice>> Session::ListDevices() {
    D2XXUnit& unit = m_->d2xx;
    if (unit.GetFTDeviceCount() != ft::OK) {
        return Result<std::vector<FoundDevice>>::Refused("The bridges cannot be listed");
    }
    std::vector<FoundDevice> found;
    for (std::uint32_t index = 0; index < unit.ftDeviceCount; ++index) {
        unit.GetFTDeviceSerialNo(index);
        const std::string serial = unit.ftDeviceString;
        unit.GetFTDeviceDescription(index);
        found.push_back({unit.ftDeviceString, serial});
    }
    return Result<std::vector<FoundDevice>>::Done(std::move(found));
}

std::vector<DoctorCheck> Session::Doctor(const std::string& port, const SystemView& system,
                                         bool emulated) {
    std::vector<DoctorCheck> checks;
    // Why the line is not tried (empty: it is).
    std::string notTried;
    if (emulated) {
        checks.push_back({"Bridge", DoctorCheck::Status::Pass, "The built-in emulated pedal"});
    } else if (system.List("/proc").empty()) {
        // No /proc, no /sys (Windows): what the driver lists is all there is to see.
        const Result<std::vector<FoundDevice>> found = ListDevices();
        std::string listed;
        for (const FoundDevice& device : found.value) {
            listed += (listed.empty() ? "" : ", ") + device.description + " (serial " +
                      device.serialNumber + ")";
        }
        if (listed.empty()) {
            checks.push_back({"Bridge", DoctorCheck::Status::Fail, "No FTDI bridge is plugged in",
                              "Plug the pedal in with a USB data cable (some cables carry only "
                              "power); the FTDI driver (VCP or D2XX) must be installed"});
            notTried = "Not tried: no pedal was found";
        } else {
            checks.push_back({"Bridge", DoctorCheck::Status::Pass, "FTDI bridges: " + listed});
        }
    } else {
        checks = CheckSystem(system, port, notTried);
    }
    checks.push_back(notTried.empty() ? CheckLine()
                                      : DoctorCheck{"Line", DoctorCheck::Status::Fail, notTried,
                                                    "Mend what failed above first"});
    m_->lastDoctor = checks;
    return checks;
}

DoctorCheck Session::CheckLine() {
    Modules& m = *m_;
    using Status = DoctorCheck::Status;
    if (m.communication.firmwareUpgradeMode && m.d2xx.deviceOpen) {
        return {"Line", Status::Warn, "Connected in upgrade mode: the bootloader has the line",
                "Finish the upgrade, or untick Upgrade Mode, Disconnect and Connect"};
    }
    struct Quiet {
        RememberingDialogs& dialogs;
        ~Quiet() { dialogs.quiet = false; }
    } quiet{m.dialogs};
    m.dialogs.quiet = true;
    const bool wasOpen = m.d2xx.deviceOpen && !m.d2xx.deviceGone;
    if (!wasOpen) {
        if (!link().deviceFound) {
            return {"Line", Status::Fail, "Not tried: no pedal was found to open",
                    "Plug the pedal in (see the checks above)"};
        }
        if (const Result<> opened = Connect(); !opened) {
            return {"Line", Status::Fail, "The port does not open: " + opened.reason,
                    "See the checks above"};
        }
    }
    bool bootloader = false;
    const Result<> asked = RunJob([&m, &bootloader] {
        if (m.communication.RequestDeviceInfo()) {
            return true;
        }
        bootloader = m.bootloader.WaitsInBootloader(m.communication.lastReplyRaw);
        return false;
    });
    const std::optional<std::vector<std::uint8_t>> raw = m.communication.lastReplyRaw;
    if (!wasOpen) {
        Disconnect();
    }
    if (asked) {
        const PedalVersions& versions = m.state.versions;
        return {"Line", Status::Pass,
                "Opens at 115,200 8N1 and the pedal answers: firmware " + versions.firmware +
                    ", algorithm " + versions.algorithm};
    }
    if (bootloader) {
        return {"Line", Status::Warn,
                "The bootloader answers instead of the pedal: it waits for a firmware upgrade",
                "corvid-cli flash " + FirmwareUpgrade::firmwareImages.back() +
                    ", or Firmware Upgrade in the window"};
    }
    if (!raw) {
        return {"Line", Status::Fail, "The request could not be sent: " + asked.reason,
                "See the checks above"};
    }
    if (raw->empty()) {
        return {"Line", Status::Fail,
                "The pedal takes bytes but does not answer: is it powered, is the algorithm "
                "uploaded?",
                "Power the pedal, then upload the algorithm: corvid-cli upload"};
    }
    const std::size_t shown = std::min<std::size_t>(raw->size(), 8);
    return {"Line", Status::Fail,
            "Garbage comes back (another device, or another speed): " +
                BytesToHex(raw->data(), shown, " ") + (raw->size() > shown ? " …" : ""),
            "Check that the port is the pedal's and that nothing else changed its speed"};
}

void Session::Scan() {
    m_->communication.ScanDevices();
}

// ---- Settings.

void Session::ChooseLook(int look) {
    m_->look.ChooseLook(look);
}

bool Session::ApplyLook(int look) {
    return m_->look.ApplyStyle(look);
}

void Session::SetShowUpdateMessage(bool show) {
    m_->dataFolder.SetShowUpdateMessage(show);
}

void Session::StopUpdateNotices(bool stop) {
    m_->dataFolder.StopUpdateNotices(stop);
}

// ---- Jobs.

Result<> Session::RunJob(const std::function<bool()>& work) {
    Modules& m = *m_;
    if (m.communication.Busy()) {
        return Result<>::Refused("another operation is talking to the pedal");
    }
    Result<> result;
    {
        const Communication::Job job(m.communication);
        result = Attempt(work);
    }
    SendPendingEdits();
    return result;
}

Result<> Session::Attempt(const std::function<bool()>& work, const std::string& silentFailure) {
    std::string& shown = m_->dialogs.lastMessage;
    shown.clear();
    if (work()) {
        return Result<>::Done();
    }
    return Result<>::Refused(shown.empty() ? silentFailure : shown);
}

Result<> Session::Refuse(const std::string& why) {
    m_->dialogs.ShowMessage(why);
    return Result<>::Refused(why);
}

void Session::SendPendingEdits() {
    Modules& m = *m_;
    while (!m.pendingEdits.empty() && !m.communication.Busy()) {
        const std::function<void()> send = std::move(m.pendingEdits.begin()->second);
        m.pendingEdits.erase(m.pendingEdits.begin());
        const Communication::Job job(m.communication);
        send();
    }
}

// ---- Live edits.

Result<> Session::SelectAlgorithm(const std::string& name) {
    Modules& m = *m_;
    return Attempt([&] {
        m.algorithms.selectedEffectName = name;
        m.fx.LoadAlgorithmAddresses(m.algorithms);
        // Reading the addresses says what went wrong, and carries on.
        return m.dialogs.lastMessage.empty();
    });
}

Result<int> Session::TurnDial(std::size_t slot, int angle) {
    Modules& m = *m_;
    if (m.communication.Busy()) {
        // Kept for when the job ends; the dial shows what was turned meanwhile.
        m.pendingEdits["dial " + std::to_string(slot)] = [&m, slot, angle] {
            if (const std::optional<int> snapped = m.fx.DialTurned(slot, angle)) {
                m.views.parameters.SetDialAngle(slot, *snapped);
            }
        };
        return Result<int>::Done(angle);
    }
    return RunJobFor<int>([&] { return m.fx.DialTurned(slot, angle); });
}

Result<> Session::ChoosePitch(int index) {
    Modules& m = *m_;
    if (m.communication.Busy()) {
        m.pendingEdits["pitch"] = [&m, index] { m.fx.PitchChosen(index); };
        return Result<>::Done();
    }
    return RunJob([&] {
        m.fx.PitchChosen(index);
        return m.dialogs.lastMessage.empty();
    });
}

Result<bool> Session::TickNoteCut(std::size_t slot, bool ticked) {
    Modules& m = *m_;
    if (m.communication.Busy()) {
        m.pendingEdits["note cut " + std::to_string(slot)] = [&m, slot, ticked] {
            if (const std::optional<bool> shown = m.fx.NoteCutTicked(slot, ticked)) {
                m.views.parameters.SetNoteCutBox(slot, *shown);
            }
        };
        return Result<bool>::Done(ticked);
    }
    return RunJobFor<bool>([&] { return m.fx.NoteCutTicked(slot, ticked); });
}

void Session::ChooseTuning(int tuning) {
    m_->fx.TuningChosen(tuning);
}

Result<> Session::ChooseAssignment(std::size_t control, int index) {
    Modules& m = *m_;
    return Attempt([&] { return !m.fx.ChooseAssignment(control, index); });
}

void Session::ChooseFootswitch(bool shortPressBypass, bool longPressBypass) {
    m_->fx.FootswitchChosen(shortPressBypass, longPressBypass);
}

bool Session::ToggleAllParameters() {
    m_->fx.allParametersEnabled = !m_->fx.allParametersEnabled;
    return m_->fx.allParametersEnabled;
}

void Session::TickCutNote(bool ticked) {
    m_->noteCut.NoteTicked(ticked);
}

void Session::ChooseFirmwareImage(const std::string& image) {
    m_->firmware.FirmwareSelect(image);
}

// ---- Operations on the pedal.

void Session::RecordHistory(const std::string& operation, bool sinceStart) {
    Modules& m = *m_;
    std::optional<PedalBackup> lastRead;
    const bool samePedal = m.state.deviceInfoSerialNumber == m.state.serialNumber;
    if (m.state.deviceInfo && (m.state.readThisConnection || (sinceStart && samePedal))) {
        lastRead = BackupFromDeviceInfo(*m.state.deviceInfo);
        lastRead->serialNumber = m.state.serialNumber;
    }
    m.history.Record(lastRead, operation,
                     QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toStdString());
}

Result<> Session::ReadPedalState() {
    Modules& m = *m_;
    return RunJob([&m] {
        if (m.fx.ReadPedalState()) {
            return true;
        }
        // Not in upgrade mode the link is at the pedal's own framing, which is the bootloader's
        // compatible one: a bootloader left by a cut upgrade can be asked here.
        if (!m.communication.firmwareUpgradeMode &&
            m.bootloader.WaitsInBootloader(m.communication.lastReplyRaw)) {
            m.waitsInBootloader = true;
            m.dialogs.ShowMessage(FirmwareUpgrade::kWaitsInBootloader);
        }
        return false;
    });
}

Result<std::string> Session::UploadAlgorithm(const std::string& name) {
    Modules& m = *m_;
    if (name != m.algorithms.selectedEffectName) {
        if (const Result<> selected = SelectAlgorithm(name); !selected) {
            return Result<std::string>::Refused(selected.reason);
        }
    }
    return RunJobFor<std::string>([&m]() -> std::optional<std::string> {
        if (!m.upload.UploadSelected()) {
            return std::nullopt;
        }
        // A new algorithm: the values edited were the old one's.
        m.fx.history.Clear();
        return m.upload.lastAnswer;
    });
}

Result<> Session::Store() {
    return RunJob([this] {
        RecordHistory("Save Parameters");
        return m_->fx.StoreParameters();
    });
}

Result<> Session::Assign() {
    return RunJob([this] {
        RecordHistory("Assign");
        return m_->fx.UploadAssignments();
    });
}

Result<> Session::AssignControl(std::size_t control, int index) {
    Modules& m = *m_;
    if (control >= controlCount || index < 0 ||
        static_cast<std::size_t>(index) >= AssignmentEntries(control).size()) {
        return Refuse("This control does not offer that assignment");
    }
    return RunJob([&] {
        if (m.fx.ChooseAssignment(control, index)) {
            return false;
        }
        RecordHistory("Assign");
        return m.fx.UploadAssignments();
    });
}

Result<> Session::SetFootswitch(bool shortPressBypass, bool longPressBypass) {
    return RunJob([&] {
        m_->fx.FootswitchChosen(shortPressBypass, longPressBypass);
        RecordHistory("Set Footswitch Mode");
        return m_->fx.SendFootswitchMode();
    });
}

bool Session::SendHeldTuning() {
    Modules& m = *m_;
    RecordHistory("Set Tuning");
    if (!m.tunings.SetTuning(m.state.selectedTuning)) {
        return false;
    }
    m.state.tuning = Origin::Pedal;
    return true;
}

Result<> Session::SetTuning() {
    // The window only warns when it is chosen; what the pedal lacks is never sent as if set.
    if (!FXsettings::TuningImplemented(m_->state.selectedTuning)) {
        return Refuse(FXsettings::kTuningNotImplemented);
    }
    return RunJob([this] { return SendHeldTuning(); });
}

Result<> Session::SetTuning(int tuning) {
    if (!FXsettings::TuningImplemented(tuning)) {
        return Refuse(FXsettings::kTuningNotImplemented);
    }
    return RunJob([this, tuning] {
        m_->fx.TuningChosen(tuning);
        return SendHeldTuning();
    });
}

Result<std::size_t> Session::UploadTuningData() {
    Modules& m = *m_;
    return RunJobFor<std::size_t>([&m]() -> std::optional<std::size_t> {
        if (!m.tunings.UploadTuningData()) {
            return std::nullopt;
        }
        return m.tunings.tuningData.size() / 2;
    });
}

Result<> Session::SaveNoteCut(const NoteCutChoice& chosen) {
    Modules& m = *m_;
    return RunJob([&] {
        if (!m.noteCut.SaveNoteCut(chosen)) {
            return false;
        }
        // The lower chosen note first, then the higher; none left as FF.
        std::array<std::uint8_t, 2> notes{0xFF, 0xFF};
        std::size_t next = 0;
        for (std::size_t code = 0; code < chosen.size() && next < notes.size(); ++code) {
            if (chosen[code]) {
                notes[next++] = static_cast<std::uint8_t>(code);
            }
        }
        m.state.noteCut = notes;
        m.state.noteCutNotes = Origin::Pedal;
        return true;
    });
}

Result<> Session::SetMidiChannel(const std::string& caption) {
    Modules& m = *m_;
    const std::optional<std::string> channel = MidiChannelByteText(caption);
    if (!channel) {
        return Refuse("No MIDI channel " + caption);
    }
    return RunJob([&] {
        if (!m.midi.SendMidiChannel(caption)) {
            return false;
        }
        m.state.midiChannel = static_cast<std::uint8_t>(std::stoi(*channel, nullptr, 16));
        m.state.midi = Origin::Pedal;
        return true;
    });
}

Result<> Session::SetParameter(std::size_t slot, std::uint32_t value) {
    Modules& m = *m_;
    if (slot >= parameterCount) {
        return Refuse("No parameter in slot " + std::to_string(slot));
    }
    const ParameterInfo& info = parameterTable[slot];
    if (info.addressField == 0) {
        return Refuse(std::string(info.name) + " has no DSP address and cannot be written");
    }
    if (!ValueInRange(slot, value)) {
        return Refuse(std::string(info.name) + " takes " + RangeText(slot) + ": 0x" +
                      HexField(value, 8));
    }
    return RunJob([&] { return m.fx.SetParameter(slot, value); });
}

Result<> Session::SavePreset() {
    return RunJob([this] { return m_->presets.SavePreset(); });
}

Result<> Session::LoadPreset() {
    return RunJob([this] { return m_->presets.LoadPreset(); });
}

Result<> Session::LoadPresetFrom(const std::filesystem::path& file) {
    return RunJob([&] { return m_->presets.LoadPresetFrom(file); });
}

Result<int> Session::LoadPresetValues(const PresetValues& values) {
    return RunJobFor<int>([&] { return m_->presets.LoadValues(values); });
}

Result<std::filesystem::path> Session::BackUpToChosenFile(const std::string& date) {
    Modules& m = *m_;
    const std::filesystem::path folder = m.dataFolder.DeviceFolder() / "Backups";
    if (const Result<> created =
            Attempt([&] { return m.dataFolder.CreateFolder(folder, "Error creating folder: "); });
        !created) {
        return Result<std::filesystem::path>::Refused(created.reason);
    }
    const std::filesystem::path file =
        m.dialogs.SaveFileName({"Back Up Pedal", "Backup files (*.json)", "json",
                                folder / DefaultBackupName(m.state.serialNumber, date)});
    if (file.empty()) {
        return Result<std::filesystem::path>::Refused("nothing was done");
    }
    if (const Result<> written = BackUp(file); !written) {
        return Result<std::filesystem::path>::Refused(written.reason);
    }
    return Result<std::filesystem::path>::Done(file);
}

Result<> Session::BackUp(const std::filesystem::path& file, JobProgress progress) {
    m_->backups.progress = std::move(progress);
    const Result<> written = RunJob([&] { return m_->backups.BackUp(file); });
    m_->backups.progress = nullptr;
    return written;
}

Result<std::string> Session::BackUpText() {
    return RunJobFor<std::string>([this] { return m_->backups.BackupText(); });
}

Result<std::filesystem::path> Session::RestoreFromChosenFile() {
    Modules& m = *m_;
    const std::filesystem::path file =
        m.dialogs.OpenFileName({"Restore Pedal", "Backup files (*.json)", "json",
                                m.dataFolder.DeviceFolder() / "Backups"});
    if (file.empty()) {
        return Result<std::filesystem::path>::Refused("nothing was done");
    }
    if (const Result<> restored = Restore(file); !restored) {
        return Result<std::filesystem::path>::Refused(restored.reason);
    }
    return Result<std::filesystem::path>::Done(file);
}

Result<> Session::Restore(const std::filesystem::path& file) {
    return RunJob([&] { return m_->backups.Restore(file); });
}

Result<> Session::Restore(const PedalBackup& backup, const std::string& name,
                          JobProgress progress) {
    m_->backups.progress = std::move(progress);
    const Result<> restored = RunJob([&] { return m_->backups.Restore(backup, name); });
    m_->backups.progress = nullptr;
    return restored;
}

Result<EepromDump> Session::ReadEeprom(const std::string& startText, const std::string& endText) {
    EepromTools& eeprom = m_->eeprom;
    return RunJobFor<EepromDump>([&]() -> std::optional<EepromDump> {
        if (!eeprom.ReadEeprom(startText, endText)) {
            return std::nullopt;
        }
        return EepromDump{eeprom.startAddress, eeprom.endAddress, eeprom.dump};
    });
}

Result<EepromDump> Session::EraseEeprom(const std::string& startText, const std::string& endText) {
    EepromTools& eeprom = m_->eeprom;
    return RunJobFor<EepromDump>([&]() -> std::optional<EepromDump> {
        if (!eeprom.EraseEeprom(startText, endText)) {
            return std::nullopt;
        }
        return EepromDump{eeprom.startAddress, eeprom.endAddress, {}};
    });
}

Result<> Session::WriteRaw(const std::string& addressText, const std::string& dataText) {
    return RunJob([&] { return m_->eeprom.WriteRaw(addressText, dataText); });
}

Result<std::uint32_t> Session::CheckFirmwareImage(const FlashRequest& request) const {
    std::string reason;
    const std::optional<QByteArray> image =
        FirmwareUpgrade::ReadImage(request.image, request.file, reason);
    if (!image) {
        return Result<std::uint32_t>::Refused(reason);
    }
    return Result<std::uint32_t>::Done(static_cast<std::uint32_t>(image->size()));
}

Result<FlashReport> Session::FlashFirmware(const FlashRequest& request) {
    Modules& m = *m_;
    return RunJobFor<FlashReport>([&]() -> std::optional<FlashReport> {
        if (request.version) {
            m.firmware.ChooseImage(request.image, *request.version);
        } else if (!request.image.empty() && request.image != m.firmware.firmwareResourceName) {
            m.firmware.FirmwareSelect(request.image);
        }
        using ReadBack = FlashRequest::ReadBack;
        m.firmware.verifyAfterWrite =
            request.readBack == ReadBack::Always ||
            (request.readBack == ReadBack::Default && m.bootloader.path == BootloaderPath::Fast);
        // The pedal's settings are kept first; when nothing was read from this pedal since the
        // editor started, that is said and asked.
        if ((!m.state.deviceInfo || m.state.deviceInfoSerialNumber != m.state.serialNumber) &&
            !m.dialogs.Confirm({QuestionKind::Risk, FirmwareUpgrade::kSettingsNotKept})) {
            return std::nullopt;
        }
        RecordHistory("Firmware Upgrade", true);
        if (!m.firmware.UpgradeFirmware(request.file)) {
            return std::nullopt;
        }
        return FlashReport{.path = PathText(m.bootloader.path),
                           .bytes = m.firmware.firmwareSize,
                           .blocks = m.firmware.chunkCount,
                           .firmwareVersion = m.firmware.firmwareVersion,
                           .verified = m.firmware.verifyAfterWrite,
                           .runningVersion = m.firmware.runningVersion.value_or(0)};
    });
}

Result<> Session::SendMessage(const std::string& hex) {
    return RunJob([&] { return m_->communication.SendHexMessage(hex, hex.size() / 2); });
}

Result<PresetValues> Session::PeekPedalValues() {
    Modules& m = *m_;
    return RunJobFor<PresetValues>([&m]() -> std::optional<PresetValues> {
        if (!m.communication.RequestDeviceInfo()) {
            return std::nullopt;
        }
        return DecodeDeviceInfo(m.communication.replyBytes).values;
    });
}

Result<> Session::Undo() {
    return RunJob([this] { return m_->fx.Undo(); });
}

Result<> Session::Redo() {
    return RunJob([this] { return m_->fx.Redo(); });
}

Result<> Session::LoadImpulseResponse() {
    Modules& m = *m_;
    return Attempt(
        [&m] { return m.impulseResponse.LoadImpulseResponse(m.algorithms.selectedEffectName); });
}

} // namespace corvid
