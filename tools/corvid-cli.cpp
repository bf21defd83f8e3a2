// The editor's second front end: the same session as the windows, from a terminal.
//   corvid-cli [--port PATH] [--emulator] [--json] [--verbose] COMMAND [ARGS]
// Exit status: 0 done, 1 the pedal or the link failed, 2 usage.
#include "base/RealClock.h"
#include "core/DiagnosticReport.h"
#include "core/PlainViews.h"
#include "core/Session.h"
#include "emulator/EmulatedDriver.h"
#include "link/HexMessage.h"
#include "link/SerialPortDriver.h"
#include "presets/Presets.h"
#include "tunings/TuningResponse.h"

#include <QCoreApplication>
#include <QDate>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvid {
namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

const char* const kUsageText =
    "Usage: corvid-cli [--port PATH] [--emulator] [--json] [--verbose] COMMAND [ARGS]\n"
    "\n"
    "Talks to a Corvid MK3 pedal as the editor does.\n"
    "\n"
    "Options:\n"
    "  --port PATH   list the serial port PATH as one more pedal (repeatable)\n"
    "  --emulator [bootloader]  use the built-in emulated pedal (in its bootloader)\n"
    "  --json        print the result as JSON\n"
    "  --verbose     print the debug console's lines on stderr\n"
    "  --help        this text; COMMAND --help tells about one command\n"
    "  --version     the editor's version\n"
    "\n"
    "Commands:\n"
    "  list                    the FTDI bridges found\n"
    "  info                    versions, footswitch mode, tuning, assignments, parameters\n"
    "  upload [NAME]           upload an algorithm (default: the first of the list)\n"
    "  set PARAM VALUE         write one parameter live\n"
    "  store                   store the assignable parameters in the pedal\n"
    "  assign CONTROL PARAM    put a parameter on a control\n"
    "  footswitch SHORT LONG   what a short and a long press do\n"
    "  tuning-upload           upload the note filters' coefficient tables\n"
    "  set-tuning N|NAME       tell the pedal the guitar's tuning\n"
    "  note-cut [NOTE [NOTE]]  the notes the pedal cuts (none, one or two)\n"
    "  tuning-filters [TUNING] the cut each open string gets from the note filters\n"
    "  midi-channel CHANNEL    the MIDI channel: omni or 1-16\n"
    "  preset save|load FILE   the pedal's values to a preset file, or back\n"
    "  flash [IMAGE] [--verify]  upgrade the firmware through the bootloader\n"
    "  version [--check]       this editor's version; --check asks the maker's site\n"
    "  eeprom read|erase ...   read or erase a range of the pedal's EEPROM\n"
    "  coefficients NOTE ...   a note filter's coefficient table (no pedal needed)\n"
    "  backup [FILE]           everything the pedal holds, to a JSON file\n"
    "  restore FILE            put a backup back into the pedal, then check it\n"
    "  report [FILE]           a diagnostic report for a support mail\n"
    "  send HEX                send one raw hex message\n"
    "\n"
    "Exit status: 0 done, 1 the pedal or the link failed, 2 usage.\n";

struct CommandHelp {
    const char* usage;
    const char* text;
};

const std::map<std::string, CommandHelp> kCommands = {
    {"list", {"list", "Lists the FTDI bridges found: description, serial number and port."}},
    {"info",
     {"info", "Reads the pedal's device information: firmware and algorithm versions, effect\n"
              "number, footswitch mode, tuning, control assignments and the fifteen parameters\n"
              "(name, raw value, value in the control's terms)."}},
    {"upload",
     {"upload [NAME]", "Uploads the named algorithm (default: the first of the list) into the\n"
                       "pedal's DSP and prints the pedal's answer."}},
    {"set",
     {"set PARAM VALUE",
      "Writes one parameter live. PARAM is a name (\"Input Level\", input-level) or a slot\n"
      "0-14. VALUE is raw (0x00400000) or in the control's terms: a level 0-1023, a step\n"
      "0-N, a pitch -12..+12, on or off."}},
    {"store", {"store", "Stores the five assignable parameters in the pedal (Save Parameters)."}},
    {"assign",
     {"assign CONTROL PARAM",
      "Puts a parameter on a control and uploads the assignments. CONTROL is 1-4 (or I-IV)\n"
      "or remote; PARAM a parameter that control offers, bypass or preset for the remote\n"
      "footswitch, or none."}},
    {"footswitch",
     {"footswitch SHORT LONG", "Sets what a short and a long press do: each bypass or preset."}},
    {"tuning-upload",
     {"tuning-upload", "Uploads the 32 note filters' coefficient tables (640 bytes) after the\n"
                       "pre-upload message, as Settings > Upload Tuning Data does."}},
    {"set-tuning",
     {"set-tuning N|NAME",
      "Tells the pedal which tuning the guitar is in: 0-4, the name the parameter window shows\n"
      "(\"Standard EADGBE\") or none, standard, drop-d, dadgad, ebabdbgbbbeb."}},
    {"note-cut",
     {"note-cut [NOTE [NOTE]]",
      "Sets the notes the pedal cuts: none, one or two of A2 A#2 B2 C3 C#3 D3 D#3 E3.\n"
      "The lower note goes first, whatever the order given."}},
    {"tuning-filters",
     {"tuning-filters [N|NAME]",
      "For each group of note filters, the deepest cut each open string of the tuning gets\n"
      "(default: Standard EADGBE), computed from the bytes the pedal receives. No pedal needed."}},
    {"midi-channel",
     {"midi-channel CHANNEL", "Sets the MIDI channel the pedal listens to: omni or 1-16."}},
    {"preset",
     {"preset save|load FILE",
      "save: reads the pedal's fifteen values and writes them as a preset file (the editor's\n"
      "format; an existing file is replaced only once the new one is complete).\n"
      "load: checks the file, then writes each value exactly as the file holds it, one DSP\n"
      "write per parameter that has an address, in slot order. A file that is not a preset\n"
      "sends nothing."}},
    {"flash",
     {"flash [IMAGE] [--verify]",
      "Upgrades the pedal's firmware: connects in upgrade mode (the pedal must be in its\n"
      "bootloader), erases the flash, writes IMAGE (default: the built-in Firmware_5) in\n"
      "256-byte blocks, the version record (the version is the last digit of the image's\n"
      "name) and starts it. Every step must be acknowledged; the first that is not ends the\n"
      "run (exit 1). --verify reads every block back before the start and compares."}},
    {"version",
     {"version [--check]",
      "Prints the editor's version. --check asks the maker's web site for the newest one\n"
      "(CORVID_WEB_BASE overrides the site) and says whether it is newer; a failed check is\n"
      "reported on stderr, and the exit status is 0 either way."}},
    {"eeprom",
     {"eeprom read [--start N] [--end M] [-o FILE] | eeprom erase [--start N] [--end M] --yes",
      "read: reads addresses N to M (default 0 to 16383) and prints the console's labelled\n"
      "lines, or writes the bytes to FILE. erase: erases N to M; it asks for --yes, since it\n"
      "cannot be undone. N and M are whole numbers from 0 to 65535, N not after M."}},
    {"coefficients",
     {"coefficients NOTE [--q Q] [--gain DB]",
      "Prints the peaking filter on NOTE (A1 to G#5) as the console's calculator does:\n"
      "Q (default 11) and gain in dB (default -6; positive boosts)."}},
    {"backup",
     {"backup [FILE]",
      "Reads everything the editor can read from the pedal (versions, effect number,\n"
      "footswitch mode, assignments, tuning, the fifteen values) into a JSON backup, written\n"
      "atomically; the default name holds the pedal's serial number and the date."}},
    {"restore",
     {"restore FILE",
      "Checks the whole backup first (a bad or foreign file changes nothing), then sends its\n"
      "values, the stored values, the assignments, the footswitch mode and the tuning, reads\n"
      "the pedal back and reports any difference (exit 1)."}},
    {"report",
     {"report [FILE]",
      "Writes a diagnostic report (versions, system, serial ports, connection, settings and\n"
      "the log) to FILE, or prints it."}},
    {"send", {"send HEX", "Sends one raw hex message (two digits a byte) as it stands."}},
};

// Message boxes become lines on stderr; the command itself was the user's Yes.
class CliDialogs : public Dialogs {
public:
    void ShowMessage(const std::string& text) override { std::cerr << text << '\n'; }
    bool Confirm(const std::string& /*text*/) override { return true; }
    // Files are named on the command line; no dialog ever opens.
    std::filesystem::path OpenFileName(const FileDialogRequest& /*request*/) override { return {}; }
    std::filesystem::path SaveFileName(const FileDialogRequest& /*request*/) override { return {}; }
};

class CliLog : public Log {
public:
    explicit CliLog(bool verbose) : verbose_(verbose) {}
    void PrintToConsole(const std::string& text) override { PlainLine(text); }
    void PlainLine(const std::string& text) override {
        lines += text + "\n";
        if (verbose_) {
            std::cerr << text << '\n';
        }
    }
    // Everything logged, for the diagnostic report.
    std::string lines;

private:
    bool verbose_;
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// "Input Level", "input-level" and "input_level" name the same parameter.
std::string Folded(const std::string& text) {
    std::string folded = Lower(text);
    std::replace(folded.begin(), folded.end(), '-', ' ');
    std::replace(folded.begin(), folded.end(), '_', ' ');
    return folded;
}

std::optional<long> WholeNumber(const std::string& text) {
    if (text.empty() || text.size() > 9) {
        return std::nullopt;
    }
    std::size_t at = text[0] == '+' || text[0] == '-' ? 1 : 0;
    if (at == text.size()) {
        return std::nullopt;
    }
    for (std::size_t i = at; i < text.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(text[i])) == 0) {
            return std::nullopt;
        }
    }
    return std::stol(text);
}

std::optional<std::size_t> FindParameter(const std::string& text) {
    if (const std::optional<long> n = WholeNumber(text);
        n && *n >= 0 && *n < static_cast<long>(parameterCount)) {
        return static_cast<std::size_t>(*n);
    }
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        if (Folded(parameterTable[slot].name) == Folded(text)) {
            return slot;
        }
    }
    return std::nullopt;
}

// A value in the control's terms, as the window would show it.
std::string ControlTerms(std::size_t slot, std::uint32_t value) {
    const ParameterInfo& info = parameterTable[slot];
    switch (info.encoding) {
    case Encoding::Level:
        return "level " + std::to_string(value >> 13) + "/1023";
    case Encoding::StepCount:
        return "step " + std::to_string(value) + "/" + std::to_string(info.scale);
    case Encoding::PitchTable:
        for (std::size_t i = 0; i < pitchRatioTable.size(); ++i) {
            if (pitchRatioTable[i] == value) {
                const int semitones = static_cast<int>(i) - 12;
                return (semitones > 0 ? "+" : "") + std::to_string(semitones);
            }
        }
        return "no pitch";
    case Encoding::WaveSwitch:
        return value == waveOnValue ? "on" : value == waveOffValue ? "off" : "unknown";
    case Encoding::SplitSwitch:
    case Encoding::NoteCutFlag:
        return value == 1 ? "on" : value == 0 ? "off" : "unknown";
    }
    return {};
}

// A value given in the control's terms or raw; nullopt with the reason when it is neither.
std::optional<std::uint32_t> ParseValue(std::size_t slot, const std::string& text,
                                        std::string& error) {
    const ParameterInfo& info = parameterTable[slot];
    if (text.size() > 2 && Lower(text.substr(0, 2)) == "0x") {
        const std::string digits = text.substr(2);
        std::uint8_t bytes[4] = {};
        if (digits.size() > 8 ||
            HexToBytes(std::string(8 - digits.size(), '0') + digits, bytes, 4) != 4) {
            error = "a raw value is 0x and at most 8 hexadecimal digits: " + text;
            return std::nullopt;
        }
        return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
               (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
    }
    const std::string word = Lower(text);
    const std::optional<long> n = WholeNumber(text);
    switch (info.encoding) {
    case Encoding::Level:
        if (n && *n >= 0 && *n <= 1023) {
            return static_cast<std::uint32_t>(*n) << 13;
        }
        error = std::string(info.name) + " takes a level from 0 to 1023: " + text;
        return std::nullopt;
    case Encoding::StepCount:
        if (n && *n >= 0 && *n <= static_cast<long>(info.scale)) {
            return static_cast<std::uint32_t>(*n);
        }
        error = std::string(info.name) + " takes a step from 0 to " + std::to_string(info.scale) +
                ": " + text;
        return std::nullopt;
    case Encoding::PitchTable:
        if (n && *n >= -12 && *n <= 12) {
            return pitchRatioTable[static_cast<std::size_t>(*n + 12)];
        }
        error = std::string(info.name) + " takes a pitch from -12 to +12: " + text;
        return std::nullopt;
    case Encoding::WaveSwitch:
    case Encoding::SplitSwitch:
    case Encoding::NoteCutFlag:
        if (word == "on" || word == "off") {
            const bool on = word == "on";
            if (info.encoding == Encoding::WaveSwitch) {
                return on ? waveOnValue : waveOffValue;
            }
            return on ? 1u : 0u;
        }
        error = std::string(info.name) + " is on or off: " + text;
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::size_t> ParseControl(const std::string& text) {
    static const std::map<std::string, std::size_t> names = {
        {"1", 0},  {"i", 0},  {"2", 1},
        {"ii", 1}, {"3", 2},  {"iii", 2},
        {"4", 3},  {"iv", 3}, {"remote", remoteControl}};
    const auto found = names.find(Lower(text));
    return found == names.end() ? std::nullopt : std::optional(found->second);
}

const std::array<const char*, controlCount> kControlNames = {
    "Control I", "Control II", "Control III", "Control IV", "Remote Footswitch"};

// The plain views, with the firmware run's progress drawn on stderr when it is a terminal.
class CliViews : public PlainViews {
public:
    void SetUpgradeProgress(int position, int maximum) override {
        PlainViews::SetUpgradeProgress(position, maximum);
        if (isatty(STDERR_FILENO) == 0 || maximum <= 0) {
            return;
        }
        constexpr int width = 40;
        const int filled = position * width / maximum;
        std::cerr << "\rblock " << position << " of " << maximum << " ["
                  << std::string(static_cast<std::size_t>(filled), '#')
                  << std::string(static_cast<std::size_t>(width - filled), ' ') << "]"
                  << std::flush;
        drawn_ = true;
    }
    // Ends the bar's line, so what follows starts on a line of its own.
    void EndProgress() {
        if (std::exchange(drawn_, false)) {
            std::cerr << '\n';
        }
    }

private:
    bool drawn_ = false;
};

// Everything a command needs: the arguments, the output and a session over the chosen driver.
class Cli {
public:
    Cli(bool json, bool verbose, std::unique_ptr<FtdiDriver> driver, RealClock& clock)
        : json_(json), log_(verbose), driver_(std::move(driver)),
          session_(
              SessionEnvironment{*driver_, clock, dialogs_, log_, Documents(), WebBase(), true},
              SessionViews{views_, views_, views_, views_, views_, views_, views_, views_,
                           views_}) {}

    int Run(const std::string& command, const std::vector<std::string>& args);

private:
    static std::filesystem::path Documents() {
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
    }
    int Usage(const std::string& command, const std::string& problem) const;
    bool Open();
    bool Request();
    // Opens the pedal and reads its state, with the first algorithm's parameter addresses.
    bool OpenAndRead();
    void Print(const QJsonObject& json, const std::string& text) const;

    int List();
    int Info();
    int Upload(const std::vector<std::string>& args);
    int Set(const std::vector<std::string>& args);
    int Store();
    int Assign(const std::vector<std::string>& args);
    int Footswitch(const std::vector<std::string>& args);
    int TuningUpload();
    int SetTuning(const std::vector<std::string>& args);
    int NoteCutNotes(const std::vector<std::string>& args);
    int MidiChannelItem(const std::vector<std::string>& args);
    int TuningFilters(const std::vector<std::string>& args);
    std::optional<int> ParseTuning(const std::string& text) const;
    int Preset(const std::vector<std::string>& args);
    int Flash(const std::vector<std::string>& args);
    int Version(const std::vector<std::string>& args);
    int Eeprom(const std::vector<std::string>& args);
    int Coefficients(const std::vector<std::string>& args);
    int Backup(const std::vector<std::string>& args);
    int Restore(const std::vector<std::string>& args);
    int Report(const std::vector<std::string>& args);
    int Send(const std::vector<std::string>& args);

    bool json_;
    CliDialogs dialogs_;
    CliLog log_;
    CliViews views_;
    std::unique_ptr<FtdiDriver> driver_;
    Session session_;
};

int Cli::Usage(const std::string& command, const std::string& problem) const {
    std::cerr << "corvid-cli: " << problem << '\n'
              << "Usage: corvid-cli [options] " << kCommands.at(command).usage << '\n';
    return kUsage;
}

void Cli::Print(const QJsonObject& json, const std::string& text) const {
    if (json_) {
        std::cout << QJsonDocument(json).toJson(QJsonDocument::Indented).toStdString();
    } else {
        std::cout << text;
    }
}

bool Cli::Open() {
    if (session_.communication.deviceSerialNumber.empty()) {
        std::cerr << "No device found\n";
        return false;
    }
    return session_.Connect();
}

bool Cli::OpenAndRead() {
    if (session_.algorithms.resourceLines.empty()) {
        return false;
    }
    // The addresses come from the algorithm; what is assigned and the tuning from the pedal.
    session_.SelectAlgorithm(session_.algorithms.resourceLines.front());
    return Open() && Request();
}

bool Cli::Request() {
    return session_.fx.ReadPedalState();
}

int Cli::Run(const std::string& command, const std::vector<std::string>& args) {
    if (command != "version" && command != "coefficients" && command != "tuning-filters") {
        session_.Start();
    }
    const std::map<std::string, std::function<int()>> handlers = {
        {"list", [&] { return args.empty() ? List() : Usage(command, "list takes no arguments"); }},
        {"info", [&] { return args.empty() ? Info() : Usage(command, "info takes no arguments"); }},
        {"upload", [&] { return Upload(args); }},
        {"set", [&] { return Set(args); }},
        {"store",
         [&] { return args.empty() ? Store() : Usage(command, "store takes no arguments"); }},
        {"assign", [&] { return Assign(args); }},
        {"footswitch", [&] { return Footswitch(args); }},
        {"tuning-upload",
         [&] {
             return args.empty() ? TuningUpload()
                                 : Usage(command, "tuning-upload takes no arguments");
         }},
        {"set-tuning", [&] { return SetTuning(args); }},
        {"note-cut", [&] { return NoteCutNotes(args); }},
        {"midi-channel", [&] { return MidiChannelItem(args); }},
        {"tuning-filters", [&] { return TuningFilters(args); }},
        {"preset", [&] { return Preset(args); }},
        {"flash", [&] { return Flash(args); }},
        {"version", [&] { return Version(args); }},
        {"eeprom", [&] { return Eeprom(args); }},
        {"coefficients", [&] { return Coefficients(args); }},
        {"backup", [&] { return Backup(args); }},
        {"restore", [&] { return Restore(args); }},
        {"report", [&] { return Report(args); }},
        {"send", [&] { return Send(args); }},
    };
    return handlers.at(command)();
}

int Cli::List() {
    D2XXUnit& unit = session_.d2xx;
    if (unit.GetFTDeviceCount() != ft::OK) {
        return kFailed;
    }
    QJsonArray devices;
    std::string text;
    for (std::uint32_t index = 0; index < unit.ftDeviceCount; ++index) {
        unit.GetFTDeviceSerialNo(index);
        const std::string serial = unit.ftDeviceString;
        unit.GetFTDeviceDescription(index);
        const std::string description = unit.ftDeviceString;
        const auto* serialDriver = dynamic_cast<const SerialPortDriver*>(driver_.get());
        const std::string port =
            serialDriver != nullptr ? serialDriver->PortName(index) : std::string("(emulated)");
        devices.append(QJsonObject{{"description", QString::fromStdString(description)},
                                   {"serialNumber", QString::fromStdString(serial)},
                                   {"port", QString::fromStdString(port)}});
        text += description + "\t" + serial + "\t" + port + "\n";
    }
    if (unit.ftDeviceCount == 0) {
        text = "No device found\n";
    }
    Print(QJsonObject{{"devices", devices}}, text);
    return kDone;
}

int Cli::Info() {
    if (!Open() || !Request()) {
        return kFailed;
    }
    const Communication& link = session_.communication;
    const FXsettings& fx = session_.fx;
    const std::string shortPress = views_.shortPressBypass ? "Bypass" : "Change Preset";
    const std::string longPress = views_.longPressBypass ? "Bypass" : "Change Preset";
    const std::string tuning = fx.selectedTuning < FXsettings::tuningCount
                                   ? FXsettings::tuningNames[fx.selectedTuning]
                                   : "unknown";
    std::string text = "Firmware version: " + link.firmwareVersionText + "\n" +
                       "Algorithm version: " + link.algorithmVersionText + "\n" +
                       "Effect number: " + link.effectNumberText + "\n" +
                       "Footswitch mode: " + std::to_string(fx.footswitchMode) + " (short press " +
                       shortPress + ", long press " + longPress + ")\n" +
                       "Tuning: " + std::to_string(fx.selectedTuning) + " " + tuning + "\n";
    QJsonArray assignments;
    for (std::size_t k = 0; k < controlCount; ++k) {
        const std::string entry = views_.AssignmentText(k);
        text += std::string(kControlNames[k]) + ": " + entry + "\n";
        assignments.append(QJsonObject{{"control", kControlNames[k]},
                                       {"assigned", QString::fromStdString(entry)}});
    }
    text += "Parameters:\n";
    QJsonArray parameters;
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        const std::uint32_t value = fx.parameters.Value(slot);
        const std::string name = parameterTable[slot].name;
        const std::string terms = ControlTerms(slot, value);
        char line[96];
        std::snprintf(line, sizeof line, "  %-20s0x%s  %s\n", name.c_str(),
                      HexField(value, 8).c_str(), terms.c_str());
        text += line;
        parameters.append(QJsonObject{{"slot", static_cast<int>(slot)},
                                      {"name", QString::fromStdString(name)},
                                      {"raw", QString::fromStdString("0x" + HexField(value, 8))},
                                      {"value", QString::fromStdString(terms)}});
    }
    Print(QJsonObject{{"firmwareVersion", QString::fromStdString(link.firmwareVersionText)},
                      {"algorithmVersion", QString::fromStdString(link.algorithmVersionText)},
                      {"effectNumber", QString::fromStdString(link.effectNumberText)},
                      {"footswitchMode", fx.footswitchMode},
                      {"shortPress", QString::fromStdString(shortPress)},
                      {"longPress", QString::fromStdString(longPress)},
                      {"tuning", fx.selectedTuning},
                      {"tuningName", QString::fromStdString(tuning)},
                      {"assignments", assignments},
                      {"parameters", parameters}},
          text);
    return kDone;
}

int Cli::Upload(const std::vector<std::string>& args) {
    if (args.size() > 1) {
        return Usage("upload", "upload takes at most one algorithm name");
    }
    const std::vector<std::string>& list = session_.algorithms.resourceLines;
    const auto listed = std::find_if(list.begin(), list.end(), [&](const std::string& entry) {
        return args.empty() || Lower(entry) == Lower(args.front());
    });
    if (listed == list.end()) {
        return Usage("upload", args.empty() ? "no algorithm is listed"
                                            : "no algorithm named " + args.front());
    }
    // Selecting reads the algorithm's own text over the list: keep the name.
    const std::string name = *listed;
    if (!Open()) {
        return kFailed;
    }
    session_.SelectAlgorithm(name);
    if (!session_.upload.UploadSelected()) {
        return kFailed;
    }
    const std::string& answer = session_.upload.lastAnswer;
    Print(QJsonObject{{"algorithm", QString::fromStdString(name)},
                      {"answer",
                       QString::fromLatin1(answer.data(), static_cast<qsizetype>(answer.size()))}},
          answer + "\n");
    return kDone;
}

int Cli::Set(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        return Usage("set", "set takes a parameter and a value");
    }
    const std::optional<std::size_t> slot = FindParameter(args[0]);
    if (!slot) {
        return Usage("set", "no parameter named " + args[0]);
    }
    std::string error;
    const std::optional<std::uint32_t> value = ParseValue(*slot, args[1], error);
    if (!value) {
        return Usage("set", error);
    }
    if (parameterTable[*slot].addressField == 0) {
        std::cerr << parameterTable[*slot].name << " has no DSP address and cannot be written\n";
        return kFailed;
    }
    if (!OpenAndRead() || !session_.fx.SetParameter(*slot, *value)) {
        return kFailed;
    }
    const std::string terms = ControlTerms(*slot, *value);
    Print(QJsonObject{{"name", parameterTable[*slot].name},
                      {"raw", QString::fromStdString("0x" + HexField(*value, 8))},
                      {"value", QString::fromStdString(terms)}},
          std::string(parameterTable[*slot].name) + " = 0x" + HexField(*value, 8) + " (" + terms +
              ")\n");
    return kDone;
}

int Cli::Store() {
    if (!Open() || !Request() || !session_.fx.StoreParameters()) {
        return kFailed;
    }
    Print(QJsonObject{{"stored", true}}, "Parameters stored\n");
    return kDone;
}

int Cli::Assign(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        return Usage("assign", "assign takes a control and a parameter");
    }
    const std::optional<std::size_t> control = ParseControl(args[0]);
    if (!control) {
        return Usage("assign", "no control named " + args[0]);
    }
    const std::vector<std::string> entries = PlainViews::Entries(*control);
    int index = -1;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (Folded(entries[i]) == Folded(args[1]) || (i == 0 && Lower(args[1]) == "none")) {
            index = static_cast<int>(i);
        }
    }
    if (index < 0) {
        return Usage("assign", std::string(kControlNames[*control]) + " does not offer " + args[1]);
    }
    if (!OpenAndRead()) {
        return kFailed;
    }
    // As the window's list does: the choice is made, then checked.
    views_.SelectAssignment(*control, index);
    if (session_.fx.AssignmentChanged(*control, index, entries[static_cast<std::size_t>(index)])) {
        return kFailed;
    }
    if (!session_.fx.UploadAssignments()) {
        return kFailed;
    }
    Print(
        QJsonObject{{"control", kControlNames[*control]},
                    {"assigned", QString::fromStdString(entries[static_cast<std::size_t>(index)])}},
        std::string(kControlNames[*control]) + ": " + entries[static_cast<std::size_t>(index)] +
            "\n");
    return kDone;
}

int Cli::Footswitch(const std::vector<std::string>& args) {
    const auto press = [](const std::string& text) -> std::optional<bool> {
        if (Lower(text) == "bypass") {
            return true;
        }
        if (Lower(text) == "preset") {
            return false;
        }
        return std::nullopt;
    };
    if (args.size() != 2 || !press(args[0]) || !press(args[1])) {
        return Usage("footswitch", "footswitch takes two of bypass and preset");
    }
    views_.SetFootswitchRadios(*press(args[0]), *press(args[1]));
    if (!Open() || !session_.fx.SendFootswitchMode()) {
        return kFailed;
    }
    Print(QJsonObject{{"shortPress", QString::fromStdString(Lower(args[0]))},
                      {"longPress", QString::fromStdString(Lower(args[1]))}},
          "Footswitch: short press " + Lower(args[0]) + ", long press " + Lower(args[1]) + "\n");
    return kDone;
}

int Cli::TuningUpload() {
    if (!Open() || !session_.tunings.UploadTuningData()) {
        return kFailed;
    }
    const std::size_t bytes = session_.tunings.tuningData.size() / 2;
    Print(QJsonObject{{"tables", static_cast<int>(tuningTables.size())},
                      {"bytes", static_cast<int>(bytes)}},
          "Tuning data uploaded: " + std::to_string(tuningTables.size()) + " tables, " +
              std::to_string(bytes) + " bytes\n");
    return kDone;
}

std::optional<int> Cli::ParseTuning(const std::string& text) const {
    static const std::map<std::string, int> shortNames = {
        {"none", 0}, {"standard", 1}, {"drop d", 2}, {"dadgad", 3}, {"ebabdbgbbbeb", 4}};
    std::optional<int> tuning;
    if (const std::optional<long> n = WholeNumber(text);
        n && *n >= 0 && *n < FXsettings::tuningCount) {
        tuning = static_cast<int>(*n);
    }
    for (int i = 0; i < FXsettings::tuningCount; ++i) {
        if (Folded(FXsettings::tuningNames[static_cast<std::size_t>(i)]) == Folded(text)) {
            tuning = i;
        }
    }
    if (const auto known = shortNames.find(Folded(text)); known != shortNames.end()) {
        tuning = known->second;
    }
    return tuning;
}

int Cli::TuningFilters(const std::vector<std::string>& args) {
    if (args.size() > 1) {
        return Usage("tuning-filters", "tuning-filters takes at most one tuning");
    }
    const std::optional<int> tuning = args.empty() ? std::optional(1) : ParseTuning(args[0]);
    if (!tuning || *tuning == 0) {
        return Usage("tuning-filters", "no tuning with open strings named " + args[0]);
    }
    std::string text;
    QJsonArray groups;
    for (const TableGroup& group : tableGroups) {
        text += std::string(group.title) + "\n";
        QJsonArray strings;
        for (const StringCut& cut : StringCuts(*tuning, group)) {
            text += "  " + FormatStringCut(cut) + "\n";
            strings.append(QJsonObject{{"string", QString::fromStdString(cut.string.name)},
                                       {"hz", cut.hz},
                                       {"db", cut.cut.db},
                                       {"table", static_cast<int>(cut.cut.table)}});
        }
        groups.append(QJsonObject{{"group", group.title}, {"strings", strings}});
    }
    Print(QJsonObject{{"tuning", *tuning}, {"groups", groups}}, text);
    return kDone;
}

int Cli::SetTuning(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        return Usage("set-tuning", "set-tuning takes one tuning");
    }
    const std::optional<int> tuning = ParseTuning(args[0]);
    if (!tuning) {
        return Usage("set-tuning", "no tuning named " + args[0]);
    }
    // As the parameter window's list does: the choice (with its notice), then the message.
    session_.fx.TuningChosen(*tuning);
    if (!Open() || !session_.SetTuning()) {
        return kFailed;
    }
    const std::string name = FXsettings::tuningNames[static_cast<std::size_t>(*tuning)];
    Print(QJsonObject{{"tuning", *tuning}, {"tuningName", QString::fromStdString(name)}},
          "Tuning: " + std::to_string(*tuning) + " " + name + "\n");
    return kDone;
}

int Cli::NoteCutNotes(const std::vector<std::string>& args) {
    if (args.size() > maxCutNotes) {
        return Usage("note-cut", "note-cut takes at most two notes");
    }
    NoteCut::Choice chosen{};
    for (const std::string& name : args) {
        const std::optional<std::size_t> code = FindCutNote(name);
        if (!code) {
            return Usage("note-cut", "no note named " + name + " (A2 to E3)");
        }
        if (chosen[*code]) {
            return Usage("note-cut", "the same note twice: " + name);
        }
        chosen[*code] = true;
    }
    if (!Open() || !session_.noteCut.SaveNoteCut(chosen)) {
        return kFailed;
    }
    QJsonArray notes;
    std::string text;
    for (std::size_t code = 0; code < chosen.size(); ++code) {
        if (chosen[code]) {
            notes.append(noteCutNames[code]);
            text += std::string(text.empty() ? "" : " ") + noteCutNames[code];
        }
    }
    Print(QJsonObject{{"notes", notes}},
          "Note cut: " + (text.empty() ? std::string("none") : text) + "\n");
    return kDone;
}

int Cli::MidiChannelItem(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        return Usage("midi-channel", "midi-channel takes one channel");
    }
    const std::string caption = Lower(args[0]) == "omni" ? "OMNI" : args[0];
    if (!MidiChannelByteText(caption)) {
        return Usage("midi-channel", "a channel is omni or 1 to 16: " + args[0]);
    }
    if (!Open() || !session_.midi.SendMidiChannel(caption)) {
        return kFailed;
    }
    Print(QJsonObject{{"midiChannel", QString::fromStdString(caption)}},
          "MIDI channel: " + caption + "\n");
    return kDone;
}

int Cli::Preset(const std::vector<std::string>& args) {
    if (args.size() != 2 || (args[0] != "save" && args[0] != "load")) {
        return Usage("preset", "preset takes save or load and a file");
    }
    const std::filesystem::path file = args[1];
    std::string error;
    if (args[0] == "save") {
        if (!Open() || !Request()) {
            return kFailed;
        }
        if (!WritePresetBytes(file, BuildPresetText(session_.fx.parameters), error)) {
            std::cerr << "Error saving file: " << error << '\n';
            return kFailed;
        }
        Print(QJsonObject{{"saved", QString::fromStdString(file.string())}},
              "Preset saved: " + file.string() + "\n");
        return kDone;
    }
    const std::optional<PresetValues> values = ReadPresetValues(file, error);
    if (!values) {
        std::cerr << "Error loading file: " << error << '\n';
        return kFailed;
    }
    if (session_.algorithms.resourceLines.empty()) {
        return kFailed;
    }
    session_.SelectAlgorithm(session_.algorithms.resourceLines.front());
    if (!Open()) {
        return kFailed;
    }
    int written = 0;
    for (std::size_t slot = 0; slot < values->size(); ++slot) {
        if (parameterTable[slot].addressField == 0) {
            continue;
        }
        if (!session_.fx.SendParameterValue(slot, (*values)[slot])) {
            return kFailed;
        }
        session_.fx.parameters.Value(slot) = (*values)[slot];
        ++written;
    }
    Print(QJsonObject{{"loaded", QString::fromStdString(file.string())}, {"written", written}},
          "Preset loaded: " + file.string() + " (" + std::to_string(written) +
              " parameters written)\n");
    return kDone;
}

int Cli::Flash(const std::vector<std::string>& args) {
    std::optional<std::filesystem::path> file;
    bool verify = false;
    for (const std::string& arg : args) {
        if (arg == "--verify") {
            verify = true;
        } else if (!file) {
            file = arg;
        } else {
            return Usage("flash", "flash takes at most one image");
        }
    }
    FirmwareUpgrade& firmware = session_.firmware;
    const std::string name = file ? file->stem().string() : FirmwareUpgrade::firmwareImages.front();
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name.back())) == 0) {
        return Usage("flash", "the image's name must end in its version digit: " + name);
    }
    firmware.FirmwareSelect(name);
    firmware.verifyAfterWrite = verify;
    session_.communication.firmwareUpgradeMode = true;
    Open();
    if (!views_.bootloaderReady) {
        return kFailed;
    }
    if (!firmware.btnUpgradeFirmwareClick(file.value_or(std::filesystem::path()))) {
        views_.EndProgress();
        return kFailed;
    }
    views_.EndProgress();
    Print(QJsonObject{{"image", QString::fromStdString(name)},
                      {"bytes", static_cast<int>(firmware.firmwareSize)},
                      {"blocks", firmware.chunkCount},
                      {"version", firmware.firmwareVersion},
                      {"verified", verify}},
          name + " written: " + std::to_string(firmware.firmwareSize) + " bytes in " +
              std::to_string(firmware.chunkCount) + " blocks, version " +
              std::to_string(firmware.firmwareVersion) + (verify ? ", verified" : "") + "\n");
    return kDone;
}

int Cli::Version(const std::vector<std::string>& args) {
    if (args.size() > 1 || (args.size() == 1 && args.front() != "--check")) {
        return Usage("version", "version takes only --check");
    }
    VersionCheck& check = session_.updates;
    QJsonObject json{{"version", QString::fromStdString(check.editorVersion)}};
    std::string text = "Corvid Editor " + check.editorVersion + "\n";
    if (!args.empty()) {
        QEventLoop wait;
        check.OnFinished([&wait] { wait.quit(); });
        check.checkmostrecentversiononwebsite();
        if (!check.finished) {
            wait.exec();
        }
        if (check.outcome.starts_with("failed: ")) {
            std::cerr << "Version check failed: " << check.outcome.substr(8) << '\n';
        } else if (!check.webVersion.empty()) {
            json["newest"] = QString::fromStdString(check.webVersion);
            json["newer"] = check.outcome.starts_with("newer");
            text += check.outcome.starts_with("newer")
                        ? "New version available: " + check.webVersion + "\n"
                        : "No update available (newest: " + check.webVersion + ")\n";
        }
    }
    Print(json, text);
    return kDone;
}

int Cli::Eeprom(const std::vector<std::string>& args) {
    if (args.empty() || (args[0] != "read" && args[0] != "erase")) {
        return Usage("eeprom", "eeprom takes read or erase");
    }
    const bool read = args[0] == "read";
    std::string start = "0";
    std::string end = std::to_string(EepromTools::kLastAddress);
    std::string file;
    bool yes = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const bool valued = i + 1 < args.size();
        if (args[i] == "--start" && valued) {
            start = args[++i];
        } else if (args[i] == "--end" && valued) {
            end = args[++i];
        } else if (args[i] == "-o" && valued && read) {
            file = args[++i];
        } else if (args[i] == "--yes" && !read) {
            yes = true;
        } else {
            return Usage("eeprom", "unknown or incomplete option " + args[i]);
        }
    }
    std::string error;
    const auto first = EepromTools::ParseAddress(start, "Start address", error);
    const auto last = first ? EepromTools::ParseAddress(end, "End address", error) : std::nullopt;
    if (!first || !last || *first > *last) {
        return Usage("eeprom", error.empty()
                                   ? "Start address " + start + " is after end address " + end
                                   : error);
    }
    if (!read && !yes) {
        return Usage("eeprom", "erasing cannot be undone: add --yes to erase addresses " + start +
                                   " to " + end);
    }
    if (!Open()) {
        return kFailed;
    }
    EepromTools& eeprom = session_.eeprom;
    if (!read) {
        if (!eeprom.btnEraseEepromClick(start, end)) {
            return kFailed;
        }
        Print(QJsonObject{{"erased", QString::fromStdString(start + "-" + end)}},
              "Erased EEPROM addresses " + start + " to " + end + "\n");
        return kDone;
    }
    if (!eeprom.btnReadEEPROMClick(start, end)) {
        return kFailed;
    }
    if (!file.empty()) {
        const std::string bytes(eeprom.dump.begin(), eeprom.dump.end());
        if (!WriteFileAtomically(file, bytes, error)) {
            std::cerr << "Cannot write " << file << ": " << error << '\n';
            return kFailed;
        }
        Print(QJsonObject{{"file", QString::fromStdString(file)},
                          {"bytes", static_cast<int>(bytes.size())}},
              "Read " + std::to_string(bytes.size()) + " bytes into " + file + "\n");
        return kDone;
    }
    std::string text;
    QJsonArray values;
    for (std::size_t k = 0; k < eeprom.dump.size(); ++k) {
        text +=
            std::to_string(eeprom.startAddress + k) + ":    " + HexField(eeprom.dump[k], 2) + "\n";
        values.append(eeprom.dump[k]);
    }
    Print(QJsonObject{{"start", eeprom.startAddress}, {"values", values}}, text);
    return kDone;
}

int Cli::Coefficients(const std::vector<std::string>& args) {
    if (args.empty()) {
        return Usage("coefficients", "coefficients takes a note");
    }
    const auto notes = NotePickerNames();
    const auto note = std::find_if(notes.begin(), notes.end(), [&](const std::string& name) {
        return Lower(name) == Lower(args[0]);
    });
    if (note == notes.end()) {
        return Usage("coefficients", "no note named " + args[0] + " (A1 to G#5)");
    }
    CoefficientCalculator& calculator = session_.calculator;
    calculator.cmbNotePickerChange(static_cast<int>(note - notes.begin()));
    for (std::size_t i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size() || (args[i] != "--q" && args[i] != "--gain")) {
            return Usage("coefficients", "unknown or incomplete option " + args[i]);
        }
        const bool ok = args[i] == "--q" ? calculator.edtQChange(args[i + 1])
                                         : calculator.edtBoostChange(args[i + 1]);
        if (!ok) {
            return kUsage;
        }
    }
    std::string reason;
    const auto lines = calculator.CoefficientLines(calculator.NoteFrequency(), reason);
    if (!lines) {
        std::cerr << "Cannot compute the filter: " << reason << '\n';
        return kFailed;
    }
    std::string text;
    QJsonArray json;
    for (const std::string& line : *lines) {
        text += line + "\n";
        json.append(QString::fromStdString(line));
    }
    Print(QJsonObject{{"lines", json}}, text);
    return kDone;
}

int Cli::Backup(const std::vector<std::string>& args) {
    if (args.size() > 1) {
        return Usage("backup", "backup takes at most one file");
    }
    if (!OpenAndRead()) {
        return kFailed;
    }
    const std::string file =
        args.empty() ? DefaultBackupName(session_.communication.deviceSerialNumber,
                                         QDate::currentDate().toString(Qt::ISODate).toStdString())
                     : args.front();
    if (!session_.backups.BackUp(file)) {
        return kFailed;
    }
    Print(QJsonObject{{"backup", QString::fromStdString(file)}}, "Backup written: " + file + "\n");
    return kDone;
}

int Cli::Restore(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        return Usage("restore", "restore takes a backup file");
    }
    std::string reason;
    QFile file(QString::fromStdString(args.front()));
    if (!file.open(QIODevice::ReadOnly)) {
        std::cerr << "Error loading file: " << file.errorString().toStdString() << '\n';
        return kFailed;
    }
    // Checked before the pedal is even opened: a bad file sends nothing.
    if (!ParseBackup(file.read(1 << 20).toStdString(), reason)) {
        std::cerr << "Error loading file: " << reason << '\n';
        return kFailed;
    }
    if (session_.algorithms.resourceLines.empty()) {
        return kFailed;
    }
    session_.SelectAlgorithm(session_.algorithms.resourceLines.front());
    if (!Open() || !session_.backups.Restore(args.front())) {
        return kFailed;
    }
    Print(QJsonObject{{"restored", QString::fromStdString(args.front())}},
          "Pedal restored from " + args.front() + "\n");
    return kDone;
}

int Cli::Report(const std::vector<std::string>& args) {
    if (args.size() > 1) {
        return Usage("report", "report takes at most one file");
    }
    const std::string report = DiagnosticReport(session_, log_.lines);
    if (args.empty()) {
        std::cout << report;
        return kDone;
    }
    std::string error;
    if (!WriteFileAtomically(args.front(), report, error)) {
        std::cerr << "Error saving file: " << error << '\n';
        return kFailed;
    }
    std::cout << "Report written: " << args.front() << '\n';
    return kDone;
}

int Cli::Send(const std::vector<std::string>& args) {
    if (args.size() != 1 || args.front().size() < 2) {
        return Usage("send", "send takes one message of at least one byte");
    }
    const std::string& text = args.front();
    if (!Open() || !session_.communication.SendHexMessage(text, text.size() / 2)) {
        return kFailed;
    }
    Print(QJsonObject{{"sent", QString::fromStdString(text.substr(0, text.size() / 2 * 2))}},
          "Sent " + std::to_string(text.size() / 2) + " bytes\n");
    return kDone;
}

} // namespace
} // namespace corvid

int main(int argc, char* argv[]) {
    using namespace corvid;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("corvid-cli");

    std::vector<std::string> ports;
    bool emulator = false;
    bool inBootloader = false;
    bool json = false;
    bool verbose = false;
    int at = 1;
    for (; at < argc && argv[at][0] == '-'; ++at) {
        const std::string option = argv[at];
        if (option == "--help" || option == "-h") {
            std::cout << kUsageText;
            return kDone;
        }
        if (option == "--version") {
            std::cout << "corvid-cli " << GetEditorVersion() << '\n';
            return kDone;
        }
        if (option == "--port" && at + 1 < argc) {
            ports.emplace_back(argv[++at]);
        } else if (option == "--emulator") {
            emulator = true;
            if (at + 1 < argc && std::string(argv[at + 1]) == "bootloader") {
                inBootloader = true;
                ++at;
            }
        } else if (option == "--json") {
            json = true;
        } else if (option == "--verbose") {
            verbose = true;
        } else {
            std::cerr << "corvid-cli: unknown option " << option << "\n" << kUsageText;
            return kUsage;
        }
    }
    if (at == argc) {
        std::cerr << "corvid-cli: no command\n" << kUsageText;
        return kUsage;
    }
    const std::string command = argv[at++];
    const auto known = kCommands.find(command);
    if (known == kCommands.end()) {
        std::cerr << "corvid-cli: unknown command " << command << "\n" << kUsageText;
        return kUsage;
    }
    const std::vector<std::string> args(argv + at, argv + argc);
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
        std::cout << "Usage: corvid-cli [options] " << known->second.usage << "\n\n"
                  << known->second.text << "\n";
        return kDone;
    }

    RealClock clock;
    std::unique_ptr<FtdiDriver> driver;
    if (emulator) {
        auto emulated = std::make_unique<EmulatedDriver>(clock);
        emulated->pedal.state.inBootloader = inBootloader;
        driver = std::move(emulated);
    } else {
        driver = std::make_unique<SerialPortDriver>(clock, ports);
    }
    Cli cli(json, verbose, std::move(driver), clock);
    return cli.Run(command, args);
}
