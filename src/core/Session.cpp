#include "core/Session.h"

namespace corvid {

Session::Session(SessionEnvironment environment, SessionViews views)
    : env(std::move(environment)), d2xx(env.driver, env.dialogs),
      dataFolder(env.documents, env.dialogs), algorithms(env.dialogs),
      communication(d2xx, env.log, env.dialogs, env.clock, views.connection),
      upload(communication, d2xx, algorithms, env.log, env.dialogs, env.clock, views.upload),
      fx(state, communication, env.log, env.dialogs, env.clock, views.parameters, views.commands),
      tunings(communication, env.log, env.dialogs, env.clock),
      noteCut(communication, env.log, env.clock), midi(communication, env.log),
      presets(dataFolder, fx, env.log, env.dialogs),
      backups(communication, fx, tunings, env.log, env.dialogs, env.clock),
      look(dataFolder, env.dialogs, views.look),
      bootloader(communication, d2xx, env.log, env.dialogs, env.clock, views.bootloader),
      firmware(bootloader, communication, env.log, env.dialogs, env.clock, views.bootloader,
               views.upgrade),
      updates(env.checkVersion ? env.webBase : std::string(), env.log, env.dialogs, env.clock,
              views.updates),
      eeprom(communication, env.log, env.dialogs, env.clock, views.eeprom),
      calculator(env.log, env.dialogs),
      impulseResponse(env.log, env.dialogs,
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
    const bool opened = communication.ConnectDevice();
    if (communication.firmwareUpgradeMode) {
        bootloader.BootloaderSync();
    }
    if (opened) {
        connectedOnce = true;
    }
    return opened;
}

bool Session::Disconnect() {
    return communication.DisconnectDevice();
}

void Session::SelectAlgorithm(std::string name) {
    algorithms.selectedEffectName = std::move(name);
    fx.LoadAlgorithmAddresses(algorithms);
}

bool Session::SetTuning() {
    return tunings.SetTuning(fx.state.selectedTuning);
}

} // namespace corvid
