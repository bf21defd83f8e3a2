// The editor's second front end: the same session as the windows, from a terminal.
//   corvid-cli [--port PATH] [--emulator] [--json] [--verbose] COMMAND [ARGS]
// Exit status: 0 done, 1 the pedal or the link failed, 2 usage.
#include "CliArguments.h"

#include "base/RealClock.h"
#include "core/PlainViews.h"
#include "core/Session.h"
#include "devtools/CoefficientCalculator.h"
#include "emulator/EmulatedDriver.h"
#include "firmware/FirmwareUpgrade.h"
#include "link/HexMessage.h"
#include "link/SerialPortDriver.h"
#include "parameters/FXsettings.h"
#include "presets/Backup.h"
#include "presets/History.h"
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

using cli::kControlNames;
using cli::kDone;
using cli::kFailed;
using cli::kUsage;

// Every --json output carries it; it grows when a field changes meaning or goes away.
constexpr int kJsonFormatVersion = 1;

// An error on stderr: "corvid-cli: " and the text, or {"error": text} under --json.
void ErrorLine(const std::string& text, bool json) {
    if (json) {
        std::cerr << QJsonDocument(QJsonObject{{"error", QString::fromStdString(text)}})
                         .toJson(QJsonDocument::Compact)
                         .toStdString()
                  << '\n';
    } else {
        std::cerr << "corvid-cli: " << text << '\n';
    }
}

// Message boxes become lines on stderr. A command typed is the user's Yes to the step it names;
// a question about a risk is asked on a terminal and answered only by --yes elsewhere.
class CliDialogs : public Dialogs {
public:
    void ShowMessage(const std::string& text) override {
        if (beforeMessage) {
            beforeMessage();
        }
        if (json) {
            // Whether a message is an error is known only when the command ends.
            held.push_back(text);
        } else {
            ErrorLine(text, false);
        }
    }
    bool json = false;
    // Under --json: the messages shown so far, said once the command ends.
    std::vector<std::string> held;
    bool Confirm(const Question& question) override {
        return question.kind == QuestionKind::Confirm || Ask(question.text);
    }
    // Asks on a terminal; elsewhere only --yes says yes (refused off a terminal: a usage error).
    bool Ask(const std::string& question) {
        if (yes) {
            return true;
        }
        if (beforeMessage) {
            beforeMessage();
        }
        if (isatty(STDIN_FILENO) == 0) {
            ErrorLine(question + " Not on a terminal: add --yes to go on.", json);
            refusedOffTerminal = true;
            return false;
        }
        std::cerr << question << " [y/N] " << std::flush;
        std::string answer;
        std::getline(std::cin, answer);
        return answer == "y" || answer == "Y" || answer == "yes";
    }
    // The command's --yes.
    bool yes = false;
    // A question went unanswered for want of a terminal.
    bool refusedOffTerminal = false;
    // Ends a progress bar, so a message never runs on after it.
    std::function<void()> beforeMessage;
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

// "-" names standard input or output, as other tools take it.
bool IsStdio(const std::string& file) {
    return file == "-";
}

// A file's bytes, or standard input's for "-"; nullopt with the reason.
std::optional<std::string> ReadInput(const std::string& file, qint64 limit, std::string& error) {
    QFile in;
    const bool opened = IsStdio(file) ? in.open(stdin, QIODevice::ReadOnly)
                                      : (in.setFileName(QString::fromStdString(file)),
                                         in.open(QIODevice::ReadOnly));
    if (!opened) {
        error = in.errorString().toStdString();
        return std::nullopt;
    }
    return in.read(limit).toStdString();
}

// Writes the bytes to the file (atomically) or, for "-", to standard output.
bool WriteOutput(const std::string& file, const std::string& bytes, std::string& error) {
    if (IsStdio(file)) {
        std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        std::cout.flush();
        return true;
    }
    return WriteFileAtomically(file, bytes, error);
}

// The commands that need no pedal.
bool Offline(const std::string& command, const cli::Arguments& arguments) {
    const auto* history = std::get_if<cli::HistoryArguments>(&arguments);
    const auto* diff = std::get_if<cli::DiffArguments>(&arguments);
    return command == "version" || command == "coefficients" || command == "tuning-filters" ||
           (history != nullptr && history->verb != cli::HistoryArguments::Verb::Restore) ||
           (diff != nullptr && diff->a != "pedal" && diff->b != "pedal");
}

// One parameter as every --json output names it.
QJsonObject ParameterJson(std::size_t slot, std::uint32_t value) {
    return QJsonObject{{"slot", static_cast<int>(slot)},
                       {"name", parameterTable[slot].name},
                       {"value", QString::fromStdString(HexField(value, 8))},
                       {"terms", QString::fromStdString(ValueInControlTerms(slot, value))}};
}

// The controls as the pedal reported them: the backup's fields, and the list's entry.
QJsonArray ControlsJson(const PedalState& state) {
    QJsonArray controls;
    for (std::size_t k = 0; k < controlCount; ++k) {
        const int entry = state.assignment[k];
        QJsonObject control{{"control", kControlNames[k]},
                            {"assigned", state.ControlAssigned(k)},
                            {"parameter", entry == 0 ? QJsonValue(QJsonValue::Null)
                                                     : QJsonValue(QString::fromStdString(
                                                           AssignmentEntryText(k, entry)))}};
        if (state.deviceInfo) {
            control["address"] =
                QString::fromStdString(HexField(state.deviceInfo->controlWords[k], 4));
        }
        controls.append(control);
    }
    return controls;
}

const char* PressWord(bool bypass) {
    return bypass ? "bypass" : "preset";
}

QJsonObject FootswitchJson(std::uint8_t mode) {
    return QJsonObject{{"footswitchMode", mode},
                       {"shortPress", PressWord(ShortPressBypasses(mode))},
                       {"longPress", PressWord(LongPressBypasses(mode))}};
}

// The plain views, with the firmware run's progress drawn on stderr when it is a terminal.
class CliViews : public PlainViews {
public:
    void SetUpgradeProgress(int position, int maximum) override {
        PlainViews::SetUpgradeProgress(position, maximum);
        DrawBar("block", static_cast<std::size_t>(std::max(position, 0)),
                static_cast<std::size_t>(std::max(maximum, 0)));
    }
    void SetVerifyProgress(int position, int maximum) override {
        PlainViews::SetVerifyProgress(position, maximum);
        DrawBar("checked", static_cast<std::size_t>(std::max(position, 0)),
                static_cast<std::size_t>(std::max(maximum, 0)));
    }
    void ShowReadProgress(std::size_t received, std::size_t expected) override {
        PlainViews::ShowReadProgress(received, expected);
        DrawBar("value", received, expected);
    }
    // A restore's steps.
    void ShowSteps(std::size_t done, std::size_t total) { DrawBar("step", done, total); }
    // -q: no bars at all.
    bool quiet = false;

    // Ends the bar's line, so what follows starts on a line of its own.
    void EndProgress() {
        if (std::exchange(drawn_, false)) {
            std::cerr << '\n';
        }
    }

private:
    // A bar on stderr when it is a terminal; nothing when piped.
    void DrawBar(const char* unit, std::size_t done, std::size_t total) {
        if (quiet || isatty(STDERR_FILENO) == 0 || total == 0) {
            return;
        }
        constexpr std::size_t width = 40;
        const std::size_t filled = std::min(done, total) * width / total;
        std::cerr << '\r' << unit << ' ' << done << " of " << total << " ["
                  << std::string(filled, '#') << std::string(width - filled, ' ') << ']'
                  << std::flush;
        drawn_ = true;
    }

    bool drawn_ = false;
};

// Everything a command needs: the arguments, the output and a session over the chosen driver.
class Cli {
public:
    Cli(bool json, bool verbose, std::unique_ptr<FtdiDriver> driver, RealClock& clock)
        : json_(json), log_(verbose), calculator_(log_, dialogs_), driver_(std::move(driver)),
          session_(SessionEnvironment{.driver = *driver_,
                                      .clock = clock,
                                      .dialogs = dialogs_,
                                      .log = log_,
                                      .documents = Documents(),
                                      .webBase = WebBase(),
                                      .checkVersion = true},
                   SessionViews{views_, views_, views_, views_, views_, views_, views_, views_,
                                views_}) {
        dialogs_.beforeMessage = [this] { views_.EndProgress(); };
        dialogs_.json = json;
    }

    int Run(const std::string& command, const cli::Arguments& arguments);
    void SetQuiet(bool quiet) { views_.quiet = quiet; }

private:
    static std::filesystem::path Documents() {
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
    }
    int Usage(const std::string& command, const std::string& problem) const;
    // Opens the pedal found; with `upgradeMode` it talks to the bootloader.
    bool Open(bool upgradeMode = false, bool pacedOnly = false);
    // Opens the pedal and reads its state, with the first algorithm's parameter addresses.
    bool OpenAndRead();
    void Print(QJsonObject json, const std::string& text) const;
    // A failure of this command, said once: returns the failure status.
    int Fail(const std::string& text) const {
        views_.EndProgress();
        ErrorLine(text, json_);
        return kFailed;
    }

    int List();
    int Info();
    int Upload(const cli::UploadArguments& args);
    int Set(const cli::SetArguments& args);
    int Store();
    int Assign(const cli::AssignArguments& args);
    int Footswitch(const cli::FootswitchArguments& args);
    int TuningUpload();
    int SetTuning(const cli::TuningArguments& args);
    int NoteCutNotes(const cli::NoteCutArguments& args);
    int MidiChannelItem(const cli::MidiChannelArguments& args);
    int TuningFilters(const cli::TuningArguments& args);
    int Preset(const cli::PresetArguments& args);
    int Flash(const cli::FlashArguments& args);
    int Version(const cli::VersionArguments& args);
    int Eeprom(const cli::EepromArguments& args);
    int Coefficients(const cli::CoefficientsArguments& args);
    int Backup(const cli::FileArguments& args);
    int Restore(const cli::FileArguments& args);
    int Report(const cli::FileArguments& args);
    int Send(const cli::SendArguments& args);
    int History(const cli::HistoryArguments& args);
    int Diff(const cli::DiffArguments& args);
    // A side of a diff: the pedal's values (read now) or a file's; nullopt, said, when unread.
    std::optional<PresetValues> DiffSide(const std::string& side);

    bool json_;
    CliDialogs dialogs_;
    CliLog log_;
    CoefficientCalculator calculator_;
    mutable CliViews views_;
    std::unique_ptr<FtdiDriver> driver_;
    Session session_;
};

int Cli::Usage(const std::string& command, const std::string& problem) const {
    ErrorLine(problem + "; see corvid-cli " + command + " --help", json_);
    return kUsage;
}

void Cli::Print(QJsonObject json, const std::string& text) const {
    if (json_) {
        json["formatVersion"] = kJsonFormatVersion;
        std::cout << QJsonDocument(json).toJson(QJsonDocument::Indented).toStdString();
    } else {
        std::cout << text;
    }
}

bool Cli::Open(bool upgradeMode, bool pacedOnly) {
    if (!session_.link().deviceFound) {
        Fail("No device found");
        return false;
    }
    return session_.Connect(upgradeMode, pacedOnly).done;
}

bool Cli::OpenAndRead() {
    if (session_.Algorithms().empty()) {
        return false;
    }
    // The addresses come from the algorithm; what is assigned and the tuning from the pedal.
    session_.SelectAlgorithm(session_.Algorithms().front());
    return Open() && session_.ReadPedalState();
}

int Cli::Run(const std::string& command, const cli::Arguments& arguments) {
    if (!Offline(command, arguments)) {
        session_.Start();
    }
    // The command's --yes answers the questions about risks.
    std::visit(
        [this](const auto& args) {
            if constexpr (requires { args.yes; }) {
                dialogs_.yes = args.yes;
            }
        },
        arguments);
    const std::map<std::string, std::function<int()>> handlers = {
        {"list", [&] { return List(); }},
        {"info", [&] { return Info(); }},
        {"upload", [&] { return Upload(std::get<cli::UploadArguments>(arguments)); }},
        {"set", [&] { return Set(std::get<cli::SetArguments>(arguments)); }},
        {"store", [&] { return Store(); }},
        {"assign", [&] { return Assign(std::get<cli::AssignArguments>(arguments)); }},
        {"footswitch", [&] { return Footswitch(std::get<cli::FootswitchArguments>(arguments)); }},
        {"tuning-upload", [&] { return TuningUpload(); }},
        {"set-tuning", [&] { return SetTuning(std::get<cli::TuningArguments>(arguments)); }},
        {"note-cut", [&] { return NoteCutNotes(std::get<cli::NoteCutArguments>(arguments)); }},
        {"midi-channel",
         [&] { return MidiChannelItem(std::get<cli::MidiChannelArguments>(arguments)); }},
        {"tuning-filters",
         [&] { return TuningFilters(std::get<cli::TuningArguments>(arguments)); }},
        {"preset", [&] { return Preset(std::get<cli::PresetArguments>(arguments)); }},
        {"flash", [&] { return Flash(std::get<cli::FlashArguments>(arguments)); }},
        {"version", [&] { return Version(std::get<cli::VersionArguments>(arguments)); }},
        {"eeprom", [&] { return Eeprom(std::get<cli::EepromArguments>(arguments)); }},
        {"coefficients",
         [&] { return Coefficients(std::get<cli::CoefficientsArguments>(arguments)); }},
        {"backup", [&] { return Backup(std::get<cli::FileArguments>(arguments)); }},
        {"restore", [&] { return Restore(std::get<cli::FileArguments>(arguments)); }},
        {"report", [&] { return Report(std::get<cli::FileArguments>(arguments)); }},
        {"send", [&] { return Send(std::get<cli::SendArguments>(arguments)); }},
        {"history", [&] { return History(std::get<cli::HistoryArguments>(arguments)); }},
        {"diff", [&] { return Diff(std::get<cli::DiffArguments>(arguments)); }},
    };
    int status = handlers.at(command)();
    // A risk left unanswered off a terminal is a usage error, whatever the command.
    if (status != kDone && dialogs_.refusedOffTerminal) {
        status = kUsage;
    }
    // Under --json a failed command's messages are its error; a done one's are remarks.
    for (const std::string& text : std::exchange(dialogs_.held, {})) {
        if (status == kDone) {
            std::cerr << QJsonDocument(QJsonObject{{"message", QString::fromStdString(text)}})
                             .toJson(QJsonDocument::Compact)
                             .toStdString()
                      << '\n';
        } else {
            ErrorLine(text, true);
        }
    }
    return status;
}

int Cli::List() {
    const Result<std::vector<FoundDevice>> found = session_.ListDevices();
    if (!found) {
        return kFailed;
    }
    QJsonArray devices;
    std::string text;
    for (std::uint32_t index = 0; index < found.value.size(); ++index) {
        const std::string& serial = found.value[index].serialNumber;
        const std::string& description = found.value[index].description;
        const auto* serialDriver = dynamic_cast<const SerialPortDriver*>(driver_.get());
        const std::string port =
            serialDriver != nullptr ? serialDriver->PortName(index) : std::string("(emulated)");
        devices.append(QJsonObject{{"description", QString::fromStdString(description)},
                                   {"serialNumber", QString::fromStdString(serial)},
                                   {"port", QString::fromStdString(port)}});
        text += description + "\t" + serial + "\t" + port + "\n";
    }
    if (found.value.empty()) {
        text = "No device found\n";
    }
    Print(QJsonObject{{"devices", devices}}, text);
    return kDone;
}

int Cli::Info() {
    if (!OpenAndRead()) {
        return kFailed;
    }
    const PedalState& state = session_.state();
    const std::string shortPress = state.shortPressBypass ? "Bypass" : "Change Preset";
    const std::string longPress = state.longPressBypass ? "Bypass" : "Change Preset";
    const std::string tuning = state.selectedTuning < FXsettings::tuningCount
                                   ? FXsettings::tuningNames[state.selectedTuning]
                                   : "unknown";
    std::string text = "Firmware version: " + state.versions.firmware + "\n" +
                       "Algorithm version: " + state.versions.algorithm + "\n" +
                       "Effect number: " + state.versions.effect + "\n" +
                       "Footswitch mode: " + std::to_string(state.footswitchMode) +
                       " (short press " + shortPress + ", long press " + longPress + ")\n" +
                       "Tuning: " + std::to_string(state.selectedTuning) + " " + tuning + "\n";
    for (std::size_t k = 0; k < controlCount; ++k) {
        text += std::string(kControlNames[k]) + ": " + AssignmentEntryText(k, state.assignment[k]) +
                "\n";
    }
    text += "Parameters:\n";
    QJsonArray parameters;
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        const std::uint32_t value = state.parameters.Value(slot);
        char line[96];
        std::snprintf(line, sizeof line, "  %-20s0x%s  %s\n", parameterTable[slot].name,
                      HexField(value, 8).c_str(), ValueInControlTerms(slot, value).c_str());
        text += line;
        parameters.append(ParameterJson(slot, value));
    }
    QJsonObject json = FootswitchJson(state.footswitchMode);
    json["serialNumber"] = QString::fromStdString(state.serialNumber);
    if (state.deviceInfo) {
        json["firmwareVersion"] = state.deviceInfo->firmwareVersion;
        json["algorithmVersion"] = state.deviceInfo->algorithmVersion;
        json["effectNumber"] = state.deviceInfo->effectNumber;
    }
    json["tuning"] = state.selectedTuning;
    json["tuningName"] = QString::fromStdString(tuning);
    json["controls"] = ControlsJson(state);
    json["parameters"] = parameters;
    Print(json, text);
    return kDone;
}

int Cli::Upload(const cli::UploadArguments& args) {
    const std::vector<std::string>& list = session_.Algorithms();
    const auto listed = std::find_if(list.begin(), list.end(), [&](const std::string& entry) {
        return !args.name || cli::Lower(entry) == cli::Lower(*args.name);
    });
    if (listed == list.end()) {
        return Usage("upload",
                     args.name ? "no algorithm named " + *args.name : "no algorithm is listed");
    }
    const std::string name = *listed;
    if (!Open()) {
        return kFailed;
    }
    const Result<std::string> uploaded = session_.UploadAlgorithm(name);
    if (!uploaded) {
        return kFailed;
    }
    const std::string& answer = uploaded.value;
    Print(QJsonObject{{"algorithm", QString::fromStdString(name)},
                      {"answer",
                       QString::fromLatin1(answer.data(), static_cast<qsizetype>(answer.size()))}},
          answer + "\n");
    return kDone;
}

int Cli::Set(const cli::SetArguments& args) {
    const ParameterInfo& info = parameterTable[args.slot];
    if (!OpenAndRead() || !session_.SetParameter(args.slot, args.value)) {
        return kFailed;
    }
    const std::string terms = ValueInControlTerms(args.slot, args.value);
    Print(QJsonObject{{"parameters", QJsonArray{ParameterJson(args.slot, args.value)}}},
          std::string(info.name) + " = 0x" + HexField(args.value, 8) + " (" + terms + ")\n");
    return kDone;
}

int Cli::Store() {
    if (!OpenAndRead() || !session_.Store()) {
        return kFailed;
    }
    Print(QJsonObject{{"stored", true}}, "Parameters stored\n");
    return kDone;
}

int Cli::Assign(const cli::AssignArguments& args) {
    const std::string entry = AssignmentEntryText(args.control, static_cast<int>(args.index));
    if (!OpenAndRead()) {
        return kFailed;
    }
    // As the window's list does: the choice is made, checked, then uploaded; then read back, so
    // the JSON says what the pedal holds.
    if (!session_.AssignControl(args.control, static_cast<int>(args.index)) ||
        (json_ && !session_.ReadPedalState())) {
        return kFailed;
    }
    Print(QJsonObject{{"controls", ControlsJson(session_.state())}},
          std::string(kControlNames[args.control]) + ": " + entry + "\n");
    return kDone;
}

int Cli::Footswitch(const cli::FootswitchArguments& args) {
    // Read first, so the pedal's history keeps what it held.
    if (!OpenAndRead() || !session_.SetFootswitch(args.shortPressBypass, args.longPressBypass)) {
        return kFailed;
    }
    const std::string shortPress = PressWord(args.shortPressBypass);
    const std::string longPress = PressWord(args.longPressBypass);
    Print(FootswitchJson(FootswitchMode(args.shortPressBypass, args.longPressBypass)),
          "Footswitch: short press " + shortPress + ", long press " + longPress + "\n");
    return kDone;
}

int Cli::TuningUpload() {
    if (!Open()) {
        return kFailed;
    }
    const Result<std::size_t> uploaded = session_.UploadTuningData();
    if (!uploaded) {
        return kFailed;
    }
    const std::size_t bytes = uploaded.value;
    Print(QJsonObject{{"tables", static_cast<int>(tuningTables.size())},
                      {"bytes", static_cast<int>(bytes)}},
          "Tuning data uploaded: " + std::to_string(tuningTables.size()) + " tables, " +
              std::to_string(bytes) + " bytes\n");
    return kDone;
}

int Cli::TuningFilters(const cli::TuningArguments& args) {
    std::string text;
    QJsonArray groups;
    for (const TableGroup& group : tableGroups) {
        text += std::string(group.title) + "\n";
        QJsonArray strings;
        for (const StringCut& cut : StringCuts(args.tuning, group)) {
            text += "  " + FormatStringCut(cut) + "\n";
            strings.append(QJsonObject{{"string", QString::fromStdString(cut.string.name)},
                                       {"hz", cut.hz},
                                       {"db", cut.cut.db},
                                       {"table", static_cast<int>(cut.cut.table)}});
        }
        groups.append(QJsonObject{{"group", group.title}, {"strings", strings}});
    }
    Print(QJsonObject{{"tuning", args.tuning}, {"groups", groups}}, text);
    return kDone;
}

int Cli::SetTuning(const cli::TuningArguments& args) {
    // Read first, so the pedal's history keeps what it held.
    if (!OpenAndRead() || !session_.SetTuning(args.tuning)) {
        return kFailed;
    }
    const std::string name = FXsettings::tuningNames[static_cast<std::size_t>(args.tuning)];
    Print(QJsonObject{{"tuning", args.tuning}, {"tuningName", QString::fromStdString(name)}},
          "Tuning: " + std::to_string(args.tuning) + " " + name + "\n");
    return kDone;
}

int Cli::NoteCutNotes(const cli::NoteCutArguments& args) {
    const NoteCutChoice& chosen = args.chosen;
    if (!Open() || !session_.SaveNoteCut(chosen)) {
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

int Cli::MidiChannelItem(const cli::MidiChannelArguments& args) {
    const std::string& caption = args.caption;
    if (!Open() || !session_.SetMidiChannel(caption)) {
        return kFailed;
    }
    Print(QJsonObject{{"midiChannel", QString::fromStdString(caption)}},
          "MIDI channel: " + caption + "\n");
    return kDone;
}

int Cli::Preset(const cli::PresetArguments& args) {
    const std::string file = args.file.string();
    std::string error;
    if (args.save) {
        if (!OpenAndRead()) {
            return kFailed;
        }
        if (!WriteOutput(file, PresetFileBytes(BuildPresetText(session_.state().parameters)),
                         error)) {
            return Fail("Error saving file " + file + ": " + error);
        }
        // Standard output carries the preset itself.
        if (!IsStdio(file)) {
            Print(QJsonObject{{"file", QString::fromStdString(file)}},
                  "Preset saved: " + file + "\n");
        }
        return kDone;
    }
    // Anything much longer than 15 lines is not a preset; no need to read all of it.
    const std::optional<std::string> bytes = ReadInput(file, 4096, error);
    const std::optional<PresetValues> values =
        bytes ? ParsePreset(*bytes, error) : std::optional<PresetValues>();
    if (!values) {
        return Fail("Error loading file " + file + ": " + error);
    }
    // Read first, as Request does, so an assigned parameter keeps its value.
    if (!OpenAndRead()) {
        return kFailed;
    }
    const Result<int> loaded = session_.LoadPresetValues(*values);
    if (!loaded) {
        return kFailed;
    }
    const int written = loaded.value;
    Print(QJsonObject{{"file", QString::fromStdString(file)}, {"written", written}},
          "Preset loaded: " + file + " (" + std::to_string(written) + " parameters written)\n");
    return kDone;
}

int Cli::Flash(const cli::FlashArguments& args) {
    const std::string& name = args.name;
    const FlashRequest request{
        .image = name, .file = args.file.value_or(std::filesystem::path()), .verify = args.verify};
    // A file that cannot be flashed is said before the pedal is touched.
    if (const Result<std::uint32_t> image = session_.CheckFirmwareImage(request); !image) {
        return Fail(image.reason);
    }
    // The pedal's firmware is replaced: asked before the bootloader is even spoken to.
    if (!dialogs_.Ask("Upgrade the pedal's firmware with " + name + "?")) {
        return isatty(STDIN_FILENO) == 0 ? kUsage : kFailed;
    }
    Open(true, args.paced);
    if (!views_.bootloaderReady) {
        return kFailed;
    }
    const Result<FlashReport> flashed = session_.FlashFirmware(request);
    views_.EndProgress();
    if (!flashed) {
        return kFailed;
    }
    const FlashReport& report = flashed.value;
    Print(QJsonObject{{"image", QString::fromStdString(name)},
                      {"path", QString::fromStdString(report.path)},
                      {"bytes", static_cast<int>(report.bytes)},
                      {"blocks", report.blocks},
                      {"firmwareVersion", report.firmwareVersion},
                      {"verified", report.verified}},
          name + " written: " + std::to_string(report.bytes) + " bytes in " +
              std::to_string(report.blocks) + " blocks, version " +
              std::to_string(report.firmwareVersion) + (report.verified ? ", verified" : "") +
              "\n");
    return kDone;
}

int Cli::Version(const cli::VersionArguments& args) {
    QJsonObject json{{"version", QString::fromStdString(ReleaseVersion())}};
    std::string text = "Corvid Editor " + ReleaseVersion() + "\n";
    if (args.check) {
        const Result<VersionAnswer> answer = session_.CheckVersion();
        // A check that could not check has failed: a script must not read it as "up to date".
        if (!answer) {
            Fail("Version check failed: " + answer.reason);
            Print(json, text);
            return kFailed;
        }
        if (const std::string& newest = answer.value.newest; !newest.empty()) {
            json["newest"] = QString::fromStdString(newest);
            json["newer"] = answer.value.newer;
            text += answer.value.newer ? "New version available: " + newest + "\n"
                                       : "No update available (newest: " + newest + ")\n";
        }
    }
    Print(json, text);
    return kDone;
}

int Cli::Eeprom(const cli::EepromArguments& args) {
    const std::string& start = args.start;
    const std::string& end = args.end;
    const std::string& file = args.file;
    // Erasing cannot be undone: asked on a terminal (the core's question), refused elsewhere
    // without --yes before the port is opened.
    if (!args.read && !args.yes && isatty(STDIN_FILENO) == 0) {
        ErrorLine("erasing cannot be undone: add --yes to erase addresses " + start + " to " + end,
                  json_);
        return kUsage;
    }
    if (!Open()) {
        return kFailed;
    }
    if (!args.read) {
        const Result<EepromDump> erased = session_.EraseEeprom(start, end);
        if (!erased) {
            return kFailed;
        }
        Print(QJsonObject{{"start", erased.value.start}, {"end", erased.value.end}},
              "Erased EEPROM addresses " + start + " to " + end + "\n");
        return kDone;
    }
    const Result<EepromDump> read = session_.ReadEeprom(start, end);
    views_.EndProgress();
    if (!read) {
        return kFailed;
    }
    const EepromDump& eeprom = read.value;
    if (!file.empty()) {
        const std::string bytes(eeprom.bytes.begin(), eeprom.bytes.end());
        std::string error;
        if (!WriteOutput(file, bytes, error)) {
            return Fail("Error saving file " + file + ": " + error);
        }
        if (IsStdio(file)) {
            return kDone;
        }
        Print(QJsonObject{{"file", QString::fromStdString(file)},
                          {"bytes", static_cast<int>(bytes.size())}},
              "Read " + std::to_string(bytes.size()) + " bytes into " + file + "\n");
        return kDone;
    }
    std::string text;
    QJsonArray values;
    for (std::size_t k = 0; k < eeprom.bytes.size(); ++k) {
        text += std::to_string(eeprom.start + k) + ":    " + HexField(eeprom.bytes[k], 2) + "\n";
        values.append(eeprom.bytes[k]);
    }
    Print(QJsonObject{{"start", eeprom.start}, {"values", values}}, text);
    return kDone;
}

int Cli::Coefficients(const cli::CoefficientsArguments& args) {
    CoefficientCalculator& calculator = calculator_;
    calculator.ChooseNote(static_cast<int>(args.note));
    for (const auto& [option, text] : args.settings) {
        // The calculator shows why a number is refused.
        if (!(option == "--q" ? calculator.SetQ(text) : calculator.SetGain(text))) {
            return kUsage;
        }
    }
    std::string reason;
    const auto lines = calculator.CoefficientLines(calculator.NoteFrequency(), reason);
    if (!lines) {
        return Fail("Cannot compute the filter: " + reason);
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

int Cli::Backup(const cli::FileArguments& args) {
    if (!OpenAndRead()) {
        return kFailed;
    }
    const std::string file = args.file.value_or(DefaultBackupName(
        session_.state().serialNumber, QDate::currentDate().toString(Qt::ISODate).toStdString()));
    if (IsStdio(file)) {
        const Result<std::string> text = session_.BackUpText();
        std::string error;
        return text && WriteOutput(file, text.value, error) ? kDone : kFailed;
    }
    if (!session_.BackUp(file)) {
        return kFailed;
    }
    Print(QJsonObject{{"file", QString::fromStdString(file)}}, "Backup written: " + file + "\n");
    return kDone;
}

int Cli::Restore(const cli::FileArguments& args) {
    const std::string& name = *args.file;
    std::string reason;
    const std::optional<std::string> bytes = ReadInput(name, 1 << 20, reason);
    // Checked before the pedal is even opened: a bad file sends nothing.
    const std::optional<PedalBackup> backup =
        bytes ? ParseBackup(*bytes, reason) : std::optional<PedalBackup>();
    if (!backup) {
        return Fail("Error loading file " + name + ": " + reason);
    }
    if (session_.Algorithms().empty()) {
        return kFailed;
    }
    session_.SelectAlgorithm(session_.Algorithms().front());
    const bool restored =
        Open() && session_.Restore(*backup, name, [this](std::size_t done, std::size_t total) {
            views_.ShowSteps(done, total);
        });
    views_.EndProgress();
    if (!restored) {
        return kFailed;
    }
    Print(QJsonObject{{"file", QString::fromStdString(name)}},
          "Pedal restored from " + name + "\n");
    return kDone;
}

int Cli::Report(const cli::FileArguments& args) {
    // Under --json the report itself is JSON, wherever it goes.
    QJsonObject json = session_.ReportJson(log_.lines);
    json["formatVersion"] = kJsonFormatVersion;
    const std::string report =
        json_ ? QJsonDocument(json).toJson().toStdString() : session_.Report(log_.lines);
    if (!args.file || IsStdio(*args.file)) {
        std::cout << report;
        return kDone;
    }
    std::string error;
    if (!WriteFileAtomically(*args.file, report, error)) {
        return Fail("Error saving file " + *args.file + ": " + error);
    }
    if (!json_) {
        std::cout << "Report written: " << *args.file << '\n';
    }
    return kDone;
}

int Cli::History(const cli::HistoryArguments& args) {
    using Verb = cli::HistoryArguments::Verb;
    const PedalHistory& history = session_.History();
    const std::vector<HistoryEntry> entries = history.Entries();
    if (args.verb != Verb::List) {
        if (args.entry > entries.size()) {
            return Usage("history", "no entry " + std::to_string(args.entry) + " (there are " +
                                        std::to_string(entries.size()) + ")");
        }
        const HistoryEntry& entry = entries[args.entry - 1];
        if (args.verb == Verb::Restore) {
            return Restore(cli::FileArguments{entry.file.string(), args.yes});
        }
        std::string error;
        const std::optional<std::string> text = ReadInput(entry.file.string(), 1 << 20, error);
        if (!text) {
            return Fail("Error loading file " + entry.file.string() + ": " + error);
        }
        std::cout << *text;
        return kDone;
    }
    std::string text;
    QJsonArray list;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::vector<std::string> changes = history.Changes(i);
        QJsonArray changed;
        for (const std::string& line : changes) {
            changed.append(QString::fromStdString(line));
        }
        list.append(QJsonObject{{"entry", static_cast<int>(i + 1)},
                                {"time", QString::fromStdString(entries[i].time)},
                                {"operation", QString::fromStdString(entries[i].operation)},
                                {"file", QString::fromStdString(entries[i].file.string())},
                                {"changes", changed}});
        text += std::to_string(i + 1) + "  " + entries[i].time + "  " + entries[i].operation +
                (i == 0 ? std::string()
                        : "  (" + std::to_string(changes.size()) +
                              (changes.size() == 1 ? " change)" : " changes)")) +
                "\n";
    }
    if (entries.empty()) {
        text = "No history yet: " + history.Folder().string() + " is empty\n";
    }
    Print(QJsonObject{{"entries", list}}, text);
    return kDone;
}

std::optional<PresetValues> Cli::DiffSide(const std::string& side) {
    if (side == "pedal") {
        if (!OpenAndRead()) {
            return std::nullopt;
        }
        return session_.state().parameters.Values();
    }
    std::string error;
    const std::optional<std::string> bytes = ReadInput(side, 1 << 20, error);
    if (!bytes) {
        Fail("Error loading file " + side + ": " + error);
        return std::nullopt;
    }
    std::optional<PresetValues> values = ValuesOfStateFile(*bytes, error);
    if (!values) {
        Fail("Error loading file " + side + ": " + error);
    }
    return values;
}

int Cli::Diff(const cli::DiffArguments& args) {
    // As diff: 2 when a side cannot be read.
    const std::optional<PresetValues> a = DiffSide(args.a);
    const std::optional<PresetValues> b = a ? DiffSide(args.b) : std::nullopt;
    if (!a || !b) {
        return kUsage;
    }
    const auto value = [](std::size_t slot, std::uint32_t raw) {
        return QJsonObject{{"value", QString::fromStdString(HexField(raw, 8))},
                           {"terms", QString::fromStdString(ValueInControlTerms(slot, raw))}};
    };
    std::string text;
    QJsonArray parameters;
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        if ((*a)[slot] == (*b)[slot]) {
            continue;
        }
        const std::uint32_t first = (*a)[slot];
        const std::uint32_t second = (*b)[slot];
        text += std::string(parameterTable[slot].name) + ": 0x" + HexField(first, 8) + " (" +
                ValueInControlTerms(slot, first) + ") | 0x" + HexField(second, 8) + " (" +
                ValueInControlTerms(slot, second) + ")\n";
        parameters.append(QJsonObject{{"slot", static_cast<int>(slot)},
                                      {"name", parameterTable[slot].name},
                                      {"a", value(slot, first)},
                                      {"b", value(slot, second)}});
    }
    Print(QJsonObject{{"a", QString::fromStdString(args.a)},
                      {"b", QString::fromStdString(args.b)},
                      {"equal", parameters.isEmpty()},
                      {"parameters", parameters}},
          text);
    return parameters.isEmpty() ? kDone : kFailed;
}

int Cli::Send(const cli::SendArguments& args) {
    const std::string& text = args.hex;
    if (!Open() || !session_.SendMessage(text)) {
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

    const std::vector<std::string> words(argv + 1, argv + argc);
    const cli::CommandLine line = cli::ParseCommandLine(words);
    if (line.action == cli::CommandLine::Action::Print) {
        std::cout << line.text;
        return cli::kDone;
    }
    const bool json = std::find(words.begin(), words.end(), "--json") != words.end();
    if (line.action == cli::CommandLine::Action::Usage) {
        if (json) {
            // The first line without the program's name: the problem and where to look.
            const std::string problem = line.text.substr(0, line.text.find('\n'));
            ErrorLine(problem.substr(problem.find(": ") + 2), true);
        } else {
            std::cerr << line.text;
        }
        return cli::kUsage;
    }
    // A port named on the command line that cannot be used is said plainly, before anything.
    const bool offline = Offline(line.command, line.arguments);
    for (const std::string& path : offline ? std::vector<std::string>{} : line.options.ports) {
        if (::access(path.c_str(), F_OK) != 0) {
            ErrorLine("No such port: " + path, json);
            return cli::kFailed;
        }
        if (::access(path.c_str(), R_OK | W_OK) != 0) {
            ErrorLine("Permission denied on " + path +
                          ": add yourself to the dialout group or install the udev rule (see "
                          "README)",
                      json);
            return cli::kFailed;
        }
    }

    RealClock clock;
    std::unique_ptr<FtdiDriver> driver;
    if (line.options.emulator) {
        auto emulated = std::make_unique<EmulatedDriver>(clock);
        emulated->pedal.state.inBootloader = line.options.inBootloader;
        // At the line's speed, so an upgrade takes as long as on a pedal.
        if (line.options.inBootloader) {
            emulated->Pace(115200);
        }
        driver = std::move(emulated);
    } else {
        driver = std::make_unique<SerialPortDriver>(clock, line.options.ports);
    }
    Cli cli(line.options.json, line.options.verbose, std::move(driver), clock);
    cli.SetQuiet(line.options.quiet);
    return cli.Run(line.command, line.arguments);
}
