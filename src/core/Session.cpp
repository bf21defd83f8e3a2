#include "core/Session.h"

#include <QDateTime>

namespace corvid {

Session::Session(SessionEnvironment environment, SessionViews views)
    : env(std::move(environment)), dialogs(env.dialogs), d2xx(env.driver, dialogs),
      dataFolder(env.documents, dialogs), algorithms(dialogs),
      communication(d2xx, env.log, dialogs, env.clock, views.connection),
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
      updates(env.checkVersion ? env.webBase : std::string(), env.log, dialogs, env.clock,
              views.updates),
      eeprom(communication, env.log, dialogs, env.clock, views.eeprom),
      calculator(env.log, dialogs),
      impulseResponse(env.log, dialogs,
                      [this](const std::string& name) -> std::optional<std::string> {
                          if (!algorithms.LoadResourceLines(AlgorithmResourceName(name)) ||
                              algorithms.resourceLines.empty()) {
                              return std::nullopt;
                          }
                          return algorithms.resourceLines.front();
                      }) {
    Clock& clock = env.clock;
    env.driver.SetEventNotification([&clock] { clock.Wake(); });
    d2xx.onDeviceGone = [this] { communication.DeviceLost(); };
    backups.beforeOverwrite = [this] { RecordHistory("Restore"); };
    Log& log = env.log;
    env.driver.SetNoteSink([&log](const std::string& text) { log.PrintToConsole(text); });
    if (env.watchDevices) {
        watchTimer_ =
            clock.CreateTimer(kWatchIntervalMs, [this] { communication.WatchForDevice(); });
        watchTimer_->Start();
    }
}

Session::~Session() {
    env.driver.SetEventNotification({});
    env.driver.SetNoteSink({});
}

bool Session::Start() {
    communication.DetectDevice();
    communication.SetDefaultPortSettings();
    communication.firmwareUpgradeMode = false;
    return algorithms.LoadResourceLines("octave");
}

void Session::PrepareDataFolder() {
    dataFolder.CreateDataFolder(DataFolder::kDataFolderName);
    dataFolder.CreateDataSubfolder(DataFolder::kDataFolderName, DataFolder::deviceFolderName);
    dataFolder.ReadShowUpdateSetting();
}

void Session::StartVersionCheck() {
    updates.Start(dataFolder.showUpdateMessage);
}

bool Session::Connect() {
    const Communication::Job job(communication);
    state.readThisConnection = false;
    const bool opened = communication.ConnectDevice();
    if (communication.firmwareUpgradeMode && bootloader.BootloaderSync()) {
        bootloader.ChoosePath();
    }
    if (opened) {
        connectedOnce = true;
    }
    return opened;
}

bool Session::Disconnect() {
    // Another pedal may be connected next: its edits start afresh.
    fx.history.Clear();
    state.readThisConnection = false;
    return communication.DisconnectDevice();
}

void Session::SelectAlgorithm(std::string name) {
    algorithms.selectedEffectName = std::move(name);
    fx.LoadAlgorithmAddresses(algorithms);
}

void Session::Scan() {
    communication.ScanDevices();
}

JobResult Session::RunJob(const std::function<bool()>& work) {
    if (communication.Busy()) {
        return JobResult::Refused("another operation is talking to the pedal");
    }
    const Communication::Job job(communication);
    dialogs.lastMessage.clear();
    if (work()) {
        return JobResult::Done();
    }
    return JobResult::Refused(dialogs.lastMessage.empty() ? std::string("nothing was done")
                                                          : dialogs.lastMessage);
}

JobResult Session::ReadPedalState() {
    return RunJob([this] { return fx.ReadPedalState(); });
}

JobResult Session::UploadAlgorithm() {
    return RunJob([this] {
        const bool uploaded = upload.UploadSelected();
        // A new algorithm: the values edited were the old one's.
        if (uploaded) {
            fx.history.Clear();
        }
        return uploaded;
    });
}

JobResult Session::PeekPedalValues(PresetValues& values) {
    return RunJob([&] {
        if (!communication.RequestDeviceInfo()) {
            return false;
        }
        values = DecodeDeviceInfo(communication.replyBytes).values;
        return true;
    });
}

JobResult Session::Undo() {
    return RunJob([this] { return fx.Undo(); });
}

JobResult Session::Redo() {
    return RunJob([this] { return fx.Redo(); });
}

void Session::RecordHistory(const std::string& operation) {
    std::optional<PedalBackup> lastRead;
    if (state.readThisConnection && state.deviceInfo) {
        lastRead = BackupFromDeviceInfo(*state.deviceInfo);
        lastRead->serialNumber = communication.deviceSerialNumber;
    }
    history.Record(lastRead, operation,
                   QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toStdString());
}

JobResult Session::Store() {
    return RunJob([this] {
        RecordHistory("Save Parameters");
        return fx.StoreParameters();
    });
}

JobResult Session::Assign() {
    return RunJob([this] {
        RecordHistory("Assign");
        return fx.UploadAssignments();
    });
}

JobResult Session::AssignControl(std::size_t control, int index) {
    return RunJob([&] {
        if (fx.ChooseAssignment(control, index)) {
            return false;
        }
        RecordHistory("Assign");
        return fx.UploadAssignments();
    });
}

JobResult Session::SetFootswitch(bool shortPressBypass, bool longPressBypass) {
    return RunJob([&] {
        fx.FootswitchChosen(shortPressBypass, longPressBypass);
        RecordHistory("Set Footswitch Mode");
        return fx.SendFootswitchMode();
    });
}

JobResult Session::SetTuning() {
    return RunJob([this] {
        RecordHistory("Set Tuning");
        return tunings.SetTuning(state.selectedTuning);
    });
}

JobResult Session::SetTuning(int tuning) {
    return RunJob([&] {
        fx.TuningChosen(tuning);
        RecordHistory("Set Tuning");
        return tunings.SetTuning(state.selectedTuning);
    });
}

JobResult Session::UploadTuningData() {
    return RunJob([this] { return tunings.UploadTuningData(); });
}

JobResult Session::SaveNoteCut(const NoteCut::Choice& chosen) {
    return RunJob([&] { return noteCut.SaveNoteCut(chosen); });
}

JobResult Session::SetMidiChannel(const std::string& caption) {
    return RunJob([&] { return midi.SendMidiChannel(caption); });
}

JobResult Session::SetParameter(std::size_t slot, std::uint32_t value) {
    return RunJob([&] { return fx.SetParameter(slot, value); });
}

JobResult Session::LoadPreset() {
    return RunJob([this] { return presets.LoadPreset(); });
}

JobResult Session::LoadPresetFrom(const std::filesystem::path& file) {
    return RunJob([&] { return presets.LoadPresetFrom(file); });
}

JobResult Session::LoadPresetValues(const PresetValues& values, int* written) {
    return RunJob([&] {
        const std::optional<int> count = presets.LoadValues(values);
        if (count && written != nullptr) {
            *written = *count;
        }
        return count.has_value();
    });
}

JobResult Session::BackUp(const std::filesystem::path& file) {
    return RunJob([&] { return backups.BackUp(file); });
}

JobResult Session::BackUpText(std::string& text) {
    return RunJob([&] {
        const std::optional<std::string> read = backups.BackupText();
        text = read.value_or(std::string());
        return read.has_value();
    });
}

JobResult Session::Restore(const std::filesystem::path& file) {
    return RunJob([&] { return backups.Restore(file); });
}

JobResult Session::Restore(const PedalBackup& backup, const std::string& name) {
    return RunJob([&] { return backups.Restore(backup, name); });
}

JobResult Session::ReadEeprom(const std::string& startText, const std::string& endText) {
    return RunJob([&] { return eeprom.ReadEeprom(startText, endText); });
}

JobResult Session::EraseEeprom(const std::string& startText, const std::string& endText) {
    return RunJob([&] { return eeprom.EraseEeprom(startText, endText); });
}

JobResult Session::WriteRaw(const std::string& addressText, const std::string& dataText) {
    return RunJob([&] { return eeprom.WriteRaw(addressText, dataText); });
}

JobResult Session::FlashFirmware(const std::filesystem::path& file) {
    return RunJob([&] {
        RecordHistory("Firmware Upgrade");
        return firmware.UpgradeFirmware(file);
    });
}

JobResult Session::SendMessage(const std::string& hex) {
    return RunJob([&] { return communication.SendHexMessage(hex, hex.size() / 2); });
}

} // namespace corvid
