#pragma once

#include "base/Result.h"
#include "base/Services.h"
#include "link/PedalState.h"
#include "link/PortDoctor.h"
#include "preferences/Settings.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QJsonObject;

namespace corvid {

class FtdiDriver;
class ConnectionView;
class UploadView;
class ParameterView;
class ParameterCommandsView;
class LookView;
class BootloaderView;
class FirmwareUpgradeView;
class UpdateView;
class EepromView;
class EditHistory;
class PedalHistory;
class VersionCheck;
struct PedalBackup;

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

// The link as a front end may show it.
struct LinkStatus {
    // A bridge was found (by the detection, a scan or the watch) and can be connected.
    bool deviceFound = false;
    bool deviceOpen = false;
    // The open device went away and was not closed yet.
    bool deviceGone = false;
    // This connection talks to the bootloader.
    bool upgradeMode = false;
    // A pedal was connected at least once since the start.
    bool connectedOnce = false;
    // A job holds the link.
    bool busy = false;
    // The pedal did not answer its Request but its bootloader listened: an upgrade did not
    // finish, and a firmware upgrade is what it needs.
    bool waitsInBootloader = false;
    // The bridge's serial number, as found.
    std::string serialNumber;
};

// A bridge the driver lists.
struct FoundDevice {
    std::string description;
    std::string serialNumber;
};

// A firmware upgrade as the user asked for it.
struct FlashRequest {
    // The image's name ("Firmware_5"): a built-in image, or the name of `file`; empty: the one
    // chosen last.
    std::string image;
    // Read from this file instead of the program's resources.
    std::filesystem::path file = {};
    // Whether every block is read back before Go and compared: by default on the fast path
    // only, where it costs seconds (on the compatible path it would double a minute).
    enum class ReadBack { Default, Always, Never };
    ReadBack readBack = ReadBack::Default;
    // The version record's version when the image's name does not end in it (0-255).
    std::optional<int> version = std::nullopt;
};

// How a firmware upgrade went.
struct FlashReport {
    // "fast (8E1)" or "compatible (8N1, paced)".
    std::string path;
    std::uint32_t bytes = 0;
    int blocks = 0;
    int firmwareVersion = 0;
    bool verified = false;
    // The version the pedal reported after its restart.
    int runningVersion = 0;
};

// A range of the pedal's EEPROM as read.
struct EepromDump {
    std::uint16_t start = 0;
    std::uint16_t end = 0;
    std::vector<std::uint8_t> bytes;
};

// The answer to a version check.
struct VersionAnswer {
    // The newest version on the web site (empty when the site named none).
    std::string newest;
    bool newer = false;
};

// One editing session without windows: the link to the pedal, the state of every module and the
// log. The windows and the command-line tool are front ends over it: they reach it only through
// these operations and see its state only through the const views.
class Session {
public:
    static constexpr int kWatchIntervalMs = 1000;

    Session(SessionEnvironment environment, SessionViews views);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // ---- What a front end may read.
    // What the editor believes the pedal holds.
    const PedalState& state() const;
    // The user's settings, as read from the data folder and changed since.
    const Settings& settings() const;
    LinkStatus link() const;
    // The algorithms the program carries ("octave"), as the list shows them.
    const std::vector<std::string>& Algorithms() const;
    const std::string& SelectedAlgorithm() const;
    // The edits that can be taken back or done again.
    const EditHistory& Edits() const;
    // The pedal's states kept before each operation that overwrote them.
    const PedalHistory& History() const;
    const std::string& EditorVersion() const;
    const std::string& WebBase() const;
    std::filesystem::path DataFolderPath() const;
    std::filesystem::path DeviceFolder() const;
    std::filesystem::path PresetFolder() const;
    // Whether the pedal's state was read in this connection (the history can keep it).
    bool ReadThisConnection() const;
    // Whether the parameter window's "Enable All Parameters" is on.
    bool AllParametersEnabled() const;
    // Whether the note-cut window's box can be used, given whether it is ticked.
    bool CutNoteBoxEnabled(bool ticked) const;
    // The diagnostic report (text, or JSON in corvid-cli's vocabulary) with the console's text.
    std::string Report(const std::string& consoleText) const;
    QJsonObject ReportJson(const std::string& consoleText) const;

    // ---- Start-up.
    // The start-up steps of the link: silent detection, port defaults, and the algorithm list
    // ("octave"). Refused when the list is missing (already shown).
    Result<> Start();
    // The user's data folder and the settings kept in it (update message, recent presets).
    void PrepareDataFolder();
    // Applies the look the data folder keeps.
    void ApplySavedLook();
    // Arms the check for a newer editor (a second from now).
    void StartVersionCheck();
    // Checks the web site for a newer editor now, waiting for the answer.
    Result<VersionAnswer> CheckVersion();

    // ---- The link.
    // Connect and Disconnect. With `upgradeMode` Connect ends with the bootloader
    // synchronisation, even when the open failed, and the choice of path (`pacedOnly`: always the
    // compatible one, 8N1 and paced).
    Result<> Connect(bool upgradeMode = false, bool pacedOnly = false);
    Result<> Disconnect();
    void Scan();
    // The bridges the driver lists now, without opening any.
    Result<std::vector<FoundDevice>> ListDevices();
    // The connection doctor: the machine's checks (the bridges, the port and who may open it,
    // the udev rule, programs holding the port, ModemManager, brltty, the latency timer), then
    // the line's: a Request, its values not taken. `port` as the user named it (empty: the
    // pedal's bridge); `emulated`: the built-in pedal, with no port to check.
    std::vector<DoctorCheck> Doctor(const std::string& port, const SystemView& system,
                                    bool emulated = false);

    // ---- Settings.
    void ChooseLook(int look);
    // Applies a look for this run only, without keeping it (the screenshots).
    bool ApplyLook(int look);
    // The Info menu's "Show Update Message".
    void SetShowUpdateMessage(bool show);
    // The notice's "Don't Show This Message Again".
    void StopUpdateNotices(bool stop);

    // ---- Live edits, as the parameter window's controls make them. Each is a job of its own; a
    // turn that comes while another job runs is kept and sent when that job ends (the latest
    // value wins).
    // Chooses an algorithm of the list by name and reads its parameter addresses.
    Result<> SelectAlgorithm(const std::string& name);
    // A dial of a level slot turned to `angle`: the angle the dial must show (snapped out of the
    // dead zone); refused while the parameter is assigned.
    Result<int> TurnDial(std::size_t slot, int angle);
    // The pitch list's entry `index`.
    Result<> ChoosePitch(int index);
    // A note-cut box ticked or cleared: what the box must show.
    Result<bool> TickNoteCut(std::size_t slot, bool ticked);
    // The tuning list's choice (not sent: Set Tuning sends it).
    void ChooseTuning(int tuning);
    // Entry `index` of a control's list (not sent: Assign sends it). Refused, with the list back
    // at "Not Assigned", when it needs a tuning first.
    Result<> ChooseAssignment(std::size_t control, int index);
    // The footswitch choice for the next Set Footswitch Mode.
    void ChooseFootswitch(bool shortPressBypass, bool longPressBypass);
    // "Enable All Parameters" toggled: whether it is on now.
    bool ToggleAllParameters();
    // A box of the note-cut window ticked or cleared.
    void TickCutNote(bool ticked);
    // The upgrade window's image list: its name, and the version from the name's last digit.
    void ChooseFirmwareImage(const std::string& image);

    // ---- Operations on the pedal. Each runs as a job holding the link from start to end; none
    // starts while another job runs. The core refuses what the pedal cannot take.
    Result<> ReadPedalState();
    // Uploads the named algorithm (selected first when it is not the selected one). The pedal's
    // answer.
    Result<std::string> UploadAlgorithm(const std::string& name);
    Result<> Store();
    // Uploads the assignments held (the window's lists).
    Result<> Assign();
    // Puts entry `index` of its list on `control`, checked as the list checks it, and uploads.
    Result<> AssignControl(std::size_t control, int index);
    Result<> SetFootswitch(bool shortPressBypass, bool longPressBypass);
    // Sends the tuning held (chosen in the parameter window or read from the pedal).
    Result<> SetTuning();
    // Chooses a tuning, as the tuning list does, and sends it; refused when the pedal does not
    // have it built in.
    Result<> SetTuning(int tuning);
    // The bytes of tuning data sent.
    Result<std::size_t> UploadTuningData();
    Result<> SaveNoteCut(const std::array<bool, noteCutNoteCount>& chosen);
    // A channel as the MIDI menu names it ("Omni", "1" ... "16").
    Result<> SetMidiChannel(const std::string& caption);
    // A value written as a control would write it: refused for a parameter without a DSP
    // address, one assigned to a control, a value outside its control's range, a note cut
    // without a tuning.
    Result<> SetParameter(std::size_t slot, std::uint32_t value);
    // Save Preset: to a file the user chooses.
    Result<> SavePreset();
    Result<> LoadPreset();
    Result<> LoadPresetFrom(const std::filesystem::path& file);
    // A preset's values already read: how many writes went out.
    Result<int> LoadPresetValues(const PresetValues& values);
    // Back Up Pedal: the pedal's state to a file the user chooses (the folder and the name
    // offered from the serial number and `date`).
    Result<std::filesystem::path> BackUpToChosenFile(const std::string& date);
    Result<> BackUp(const std::filesystem::path& file, JobProgress progress = nullptr);
    // The backup's JSON text, not written to a file.
    Result<std::string> BackUpText();
    // Restore Pedal from a file the user chooses: the file.
    Result<std::filesystem::path> RestoreFromChosenFile();
    Result<> Restore(const std::filesystem::path& file);
    // A backup already read and checked; `name` says where from.
    Result<> Restore(const PedalBackup& backup, const std::string& name,
                     JobProgress progress = nullptr);
    Result<EepromDump> ReadEeprom(const std::string& startText, const std::string& endText);
    Result<EepromDump> EraseEeprom(const std::string& startText, const std::string& endText);
    Result<> WriteRaw(const std::string& addressText, const std::string& dataText);
    // Checks a firmware image without touching the pedal: its size, or the reason it is refused.
    Result<std::uint32_t> CheckFirmwareImage(const FlashRequest& request) const;
    Result<FlashReport> FlashFirmware(const FlashRequest& request);
    // One raw message of hex text.
    Result<> SendMessage(const std::string& hex);
    // The pedal's fifteen values, read without taking them: the editor's stay as they are.
    Result<PresetValues> PeekPedalValues();
    // The last edit taken back, or done again (Edits() names them).
    Result<> Undo();
    Result<> Redo();
    // Load IR: a file the user chooses, checked against the selected algorithm.
    Result<> LoadImpulseResponse();

private:
    friend struct SessionInternals;
    struct Modules;

    // Keeps the pedal's state as last read in this connection before `operation` changes it.
    // `sinceStart`: a state read from the same pedal in an earlier connection counts too (an
    // upgrade runs in a connection of its own, to the bootloader, where nothing can be read).
    void RecordHistory(const std::string& operation, bool sinceStart = false);
    // Runs `work` as a job: refused at once while another job holds the link; otherwise its
    // result, with the last message shown as the reason when it did not complete. Live edits
    // kept while it ran are sent when it ends.
    Result<> RunJob(const std::function<bool()>& work);
    // Runs `work` (not as a job): done, or refused with the last message shown meanwhile, or
    // `silentFailure` when none was.
    Result<> Attempt(const std::function<bool()>& work,
                     const std::string& silentFailure = "nothing was done");
    // The same for work that yields a value: nullopt when it did not complete.
    template <typename T> Result<T> RunJobFor(const std::function<std::optional<T>()>& work) {
        std::optional<T> value;
        const Result<> ended = RunJob([&] {
            value = work();
            return value.has_value();
        });
        return value ? Result<T>::Done(std::move(*value)) : Result<T>::Refused(ended.reason);
    }
    // Sends the live edits kept while a job ran.
    void SendPendingEdits();
    // Sends the tuning held, the pedal's state kept first; true when the pedal took it.
    bool SendHeldTuning();
    // The doctor's line check: opens the port unless open, asks for the device information and
    // says what came back; closes what it opened.
    DoctorCheck CheckLine();
    // Shows why the pedal cannot take what was asked, and refuses it: nothing is sent.
    Result<> Refuse(const std::string& why);

    std::unique_ptr<Modules> m_;
};

} // namespace corvid
