#pragma once

#include "algorithms/AlgorithmLibrary.h"
#include "algorithms/AlgorithmUpload.h"
#include "base/Services.h"
#include "devtools/CoefficientCalculator.h"
#include "devtools/EepromTools.h"
#include "devtools/ImpulseResponse.h"
#include "firmware/Bootloader.h"
#include "firmware/FirmwareUpgrade.h"
#include "link/Communication.h"
#include "link/D2XXUnit.h"
#include "parameters/FXsettings.h"
#include "preferences/DataFolder.h"
#include "preferences/Look.h"
#include "preferences/MidiChannel.h"
#include "presets/Backup.h"
#include "presets/History.h"
#include "presets/Presets.h"
#include "tunings/NoteCut.h"
#include "tunings/Tunings.h"
#include "updates/VersionCheck.h"

#include <filesystem>
#include <functional>

namespace corvid {

// What the outside world gives a session: the driver (a real pedal or the emulated one), the
// clock, the dialogs, the user's Documents folder, where log lines go, and the maker's web site
// (empty: no version check).
struct SessionEnvironment {
    FtdiDriver& driver;
    Clock& clock;
    Dialogs& dialogs;
    Log& log;
    std::filesystem::path documents = {};
    std::string webBase = {};
    // Whether start-up checks for a newer editor (tests that are not about it leave it off).
    bool checkVersion = false;
    // Whether the serial ports are watched for the pedal coming and going.
    bool watchDevices = false;
};

// What a session shows, given by the front end that owns it.
struct SessionViews {
    ConnectionView& connection;
    UploadView& upload;
    ParameterView& parameters;
    ParameterCommandsView& commands;
    LookView& look;
    BootloaderView& bootloader;
    FirmwareUpgradeView& upgrade;
    UpdateView& updates;
    EepromView& eeprom;
};

// The front end's dialogs, remembering the last message shown, so that a job that stops can
// say why.
class RememberingDialogs : public Dialogs {
public:
    explicit RememberingDialogs(Dialogs& shown) : shown_(shown) {}
    void ShowMessage(const std::string& text) override {
        lastMessage = text;
        shown_.ShowMessage(text);
    }
    bool Confirm(const std::string& text) override { return shown_.Confirm(text); }
    std::filesystem::path OpenFileName(const FileDialogRequest& request) override {
        return shown_.OpenFileName(request);
    }
    std::filesystem::path SaveFileName(const FileDialogRequest& request) override {
        return shown_.SaveFileName(request);
    }

    std::string lastMessage;

private:
    Dialogs& shown_;
};

// One editing session without windows: the link to the pedal and the state of every module.
// The windows and the command-line tool are two front ends over it.
class Session {
public:
    static constexpr int kWatchIntervalMs = 1000;

    Session(SessionEnvironment environment, SessionViews views);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The start-up steps of the link: silent detection, port defaults, upgrade mode off, and
    // the algorithm list ("octave") read into algorithms.resourceLines. False when the list is
    // missing (already shown).
    bool Start();
    // The user's data folder and the update setting.
    void PrepareDataFolder();
    // Arms the check for a newer editor (a second from now).
    void StartVersionCheck();

    // Connect and Disconnect; true when the device was opened or closed. In upgrade mode
    // Connect ends with the bootloader synchronisation, even when the open failed.
    bool Connect();
    bool Disconnect();
    void Scan();
    // Chooses an algorithm of the list by name and reads its parameter addresses.
    void SelectAlgorithm(std::string name);

    // The operations the front ends call with the user's choices as arguments. Each runs as a
    // job holding the link from start to end; none starts while another job runs.
    JobResult ReadPedalState();
    JobResult UploadAlgorithm();
    JobResult Store();
    // Uploads the assignments held (the window's lists).
    JobResult Assign();
    // Puts entry `index` of its list on `control`, checked as the list checks it, and uploads.
    JobResult AssignControl(std::size_t control, int index);
    JobResult SetFootswitch(bool shortPressBypass, bool longPressBypass);
    // Sends the tuning held (chosen in the parameter window or read from the pedal).
    JobResult SetTuning();
    // Chooses a tuning, as the tuning list does, and sends it.
    JobResult SetTuning(int tuning);
    JobResult UploadTuningData();
    JobResult SaveNoteCut(const NoteCut::Choice& chosen);
    JobResult SetMidiChannel(const std::string& caption);
    // A value written as a control would write it (not while assigned; a note cut needs a tuning).
    JobResult SetParameter(std::size_t slot, std::uint32_t value);
    JobResult LoadPreset();
    JobResult LoadPresetFrom(const std::filesystem::path& file);
    // A preset's values already read; `written` hears how many writes went out.
    JobResult LoadPresetValues(const PresetValues& values, int* written = nullptr);
    JobResult BackUp(const std::filesystem::path& file);
    // The backup's JSON text into `text`, not into a file.
    JobResult BackUpText(std::string& text);
    JobResult Restore(const std::filesystem::path& file);
    // A backup already read and checked; `name` says where from.
    JobResult Restore(const PedalBackup& backup, const std::string& name);
    JobResult ReadEeprom(const std::string& startText, const std::string& endText);
    JobResult EraseEeprom(const std::string& startText, const std::string& endText);
    JobResult WriteRaw(const std::string& addressText, const std::string& dataText);
    JobResult FlashFirmware(const std::filesystem::path& file = {});
    // One raw message of hex text.
    JobResult SendMessage(const std::string& hex);
    // The pedal's fifteen values, read without taking them: the editor's stay as they are.
    JobResult PeekPedalValues(PresetValues& values);
    // The last edit taken back, or done again (fx.history names them).
    JobResult Undo();
    JobResult Redo();

    SessionEnvironment env;
    RememberingDialogs dialogs;
    // What the editor believes the pedal holds; every operation reads and records it here.
    PedalState state;
    D2XXUnit d2xx;
    DataFolder dataFolder;
    AlgorithmLibrary algorithms;
    Communication communication;
    AlgorithmUpload upload;
    FXsettings fx;
    Tunings tunings;
    NoteCut noteCut;
    MidiChannel midi;
    Presets presets;
    PedalBackups backups;
    // The pedal's state as last read, kept before each operation that overwrites it.
    PedalHistory history;
    Look look;
    Bootloader bootloader;
    FirmwareUpgrade firmware;
    VersionCheck updates;
    EepromTools eeprom;
    CoefficientCalculator calculator;
    ImpulseResponseLoader impulseResponse;
    bool connectedOnce = false;

private:
    // Keeps the pedal's state as last read in this connection before `operation` changes it.
    void RecordHistory(const std::string& operation);
    // Runs `work` as a job: refused at once while another job holds the link; otherwise its
    // result, with the last message shown as the reason when it did not complete.
    JobResult RunJob(const std::function<bool()>& work);

    std::unique_ptr<ClockTimer> watchTimer_;
};

} // namespace corvid
