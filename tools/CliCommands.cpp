#include "CliCommands.h"

#include "core/Session.h"
#include "devtools/CoefficientCalculator.h"
#include "devtools/EepromTools.h"
#include "firmware/FirmwareUpgrade.h"
#include "link/HexMessage.h"
#include "parameters/FXsettings.h"
#include "preferences/DataFolder.h"
#include "preferences/MidiChannel.h"
#include "presets/Backup.h"
#include "presets/History.h"
#include "presets/Presets.h"
#include "tunings/TuningResponse.h"
#include "updates/VersionCheck.h"

#include <CLI/CLI.hpp>

#include <QDate>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <map>
#include <set>

namespace corvid::cli {

Outcome Done(QJsonObject json, std::string text) {
    return Outcome{.status = kDone, .json = std::move(json), .text = std::move(text), .error = {}};
}

Outcome Failed(std::string error, int status) {
    return Outcome{.status = status, .json = {}, .text = {}, .error = std::move(error)};
}

namespace {

// ---- Words as the user types them.

// "Input Level", "input-level" and "input_level" name the same parameter.
std::string Folded(const std::string& text) {
    std::string folded = Lower(text);
    std::replace(folded.begin(), folded.end(), '-', ' ');
    std::replace(folded.begin(), folded.end(), '_', ' ');
    return folded;
}

// The name a shell offers for a name with spaces ("input-level").
std::string Dashed(const std::string& name) {
    std::string dashed = Lower(name);
    std::replace(dashed.begin(), dashed.end(), ' ', '-');
    return dashed;
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

// The controls by number, Roman numeral or "remote".
const std::map<std::string, std::size_t>& ControlWords() {
    static const std::map<std::string, std::size_t> names = {
        {"1", 0},   {"2", 1},  {"3", 2},
        {"4", 3},   {"i", 0},  {"ii", 1},
        {"iii", 2}, {"iv", 3}, {"remote", remoteControl}};
    return names;
}

// A value given in the control's terms or raw; empty with the reason when it is neither.

const std::map<std::string, int>& TuningShortNames() {
    static const std::map<std::string, int> names = {
        {"none", 0}, {"standard", 1}, {"drop-d", 2}, {"dadgad", 3}, {"ebabdbgbbbeb", 4}};
    return names;
}

// A tuning by number, by the name the parameter window shows, or by a short name.
std::optional<int> ParseTuning(const std::string& text) {
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
    for (const auto& [name, number] : TuningShortNames()) {
        tuning = Folded(name) == Folded(text) ? std::optional(number) : tuning;
    }
    return tuning;
}

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
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        std::fflush(stdout);
        return true;
    }
    return WriteFileAtomically(file, bytes, error);
}

// ---- What the output names.

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QJsonObject ValueJson(std::size_t slot, std::uint32_t value) {
    return QJsonObject{{"value", Q(HexField(value, 8))},
                       {"terms", Q(ValueInControlTerms(slot, value))}};
}

// One parameter as every --json output names it.
QJsonObject ParameterJson(std::size_t slot, std::uint32_t value) {
    QJsonObject json = ValueJson(slot, value);
    json["slot"] = static_cast<int>(slot);
    json["name"] = parameterTable[slot].name;
    return json;
}

// The controls as the pedal reported them: the backup's fields, and the list's entry.
QJsonArray ControlsJson(const PedalState& state) {
    QJsonArray controls;
    for (std::size_t k = 0; k < controlCount; ++k) {
        const int entry = state.assignment[k];
        QJsonObject control{{"control", controlNames[k]},
                            {"assigned", state.ControlAssigned(k)},
                            {"parameter", entry == 0
                                              ? QJsonValue(QJsonValue::Null)
                                              : QJsonValue(Q(AssignmentEntryText(k, entry)))}};
        if (state.deviceInfo) {
            control["address"] = Q(HexField(state.deviceInfo->controlWords[k], 4));
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

QJsonArray Strings(const std::vector<std::string>& lines) {
    QJsonArray array;
    for (const std::string& line : lines) {
        array.append(Q(line));
    }
    return array;
}

// ---- The grammar: CLI11's description of every command, and what a shell may offer.

// What a shell offers for a word: names, file names, or nothing (a number is typed).
struct Offer {
    std::vector<std::string> words;
    bool files = false;
};

struct Grammar {
    CLI::App app{"Talks to a Corvid MK3 pedal as the editor does.", "corvid-cli"};
    std::map<const CLI::Option*, Offer> offers;
    std::string emulator;

    // A word of the command's, in its place: its name, what it is, what a shell offers.
    CLI::Option* Word(CLI::App& sub, const std::string& name, std::string& into,
                      const std::string& text, bool required, Offer offer = {}) {
        CLI::Option* option = sub.add_option(name, into, text)->type_name("");
        if (required) {
            option->required();
        }
        if (offer.files) {
            option->check(CLI::Validator(
                [](const std::string& file) {
                    return file.empty() ? std::string("a file name cannot be empty")
                                        : std::string();
                },
                ""));
        }
        offers[option] = std::move(offer);
        return option;
    }
    CLI::Option* Valued(CLI::App& sub, const std::string& names, std::string& into,
                        const std::string& text, const std::string& type, Offer offer = {}) {
        CLI::Option* option = sub.add_option(names, into, text)->type_name(type);
        offers[option] = std::move(offer);
        return option;
    }
    // A verb of a command that has them ("preset save"), recorded in `verb` when given.
    CLI::App& Verb(CLI::App& sub, const std::string& name, const std::string& summary,
                   std::string* verb = nullptr) {
        CLI::App* inner = sub.add_subcommand(name, summary)->group("Commands");
        if (verb != nullptr) {
            inner->callback([verb, name] { *verb = name; });
        }
        return *inner;
    }
};

const Offer kFiles{{}, true};

// The parameters by slot with what each takes, for set --help.
std::string ParameterList() {
    std::string text = "Parameters, by slot:\n";
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        const std::string number = std::to_string(slot);
        text += "  " + std::string(3 - number.size(), ' ') + number + "  " +
                parameterTable[slot].name + "\n";
    }
    text.pop_back();
    return text;
}

std::vector<std::string> ParameterWords() {
    std::vector<std::string> words;
    for (const ParameterInfo& info : parameterTable) {
        words.push_back(Dashed(info.name));
    }
    return words;
}

std::vector<std::string> Keys(const auto& map) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : map) {
        keys.push_back(key);
    }
    return keys;
}

// One command's description, typed by its arguments A.
template <typename A> struct Definition {
    Needs needs = Needs::Nothing;
    std::function<void(Grammar&, CLI::App&, A&)> bind = nullptr;
    // After parsing: the arguments typed, or a usage problem.
    std::function<std::string(A&)> check = nullptr;
    // Before the pedal is opened (files read, questions asked): a failure ends the command.
    std::function<std::optional<Outcome>(Context&, A&)> prepare = nullptr;
    std::function<Outcome(Context&, A&)> run = nullptr;
    // The status when the pedal cannot be opened or read.
    int unopened = kFailed;
};

// A command with its arguments of type A, bound to the words of one parse.
template <typename A> class Entry final : public BoundAs<A> {
public:
    explicit Entry(const Definition<A>& definition) : definition_(definition) {}
    std::string Check() {
        return definition_.check ? definition_.check(this->args) : std::string();
    }
    Needs WhatItNeeds() const override {
        if constexpr (requires(const A& a) { a.WhatItNeeds(); }) {
            return this->args.WhatItNeeds();
        }
        return definition_.needs;
    }
    bool Yes() const override {
        if constexpr (requires(const A& a) { a.yes; }) {
            return this->args.yes;
        }
        return false;
    }
    Outcome Run(Context& context) override {
        if (definition_.prepare) {
            if (std::optional<Outcome> failed = definition_.prepare(context, this->args)) {
                return *failed;
            }
        }
        const Needs needs = WhatItNeeds();
        if ((needs == Needs::Pedal && !context.Open()) ||
            (needs == Needs::PedalRead && !context.OpenAndRead())) {
            return Failed({}, definition_.unopened);
        }
        return definition_.run(context, this->args);
    }

private:
    Definition<A> definition_;
};

// A table entry: the name and texts, and how to bind a fresh set of arguments for one parse.
struct Command {
    std::string name;
    std::string summary;
    std::string help;
    std::function<std::shared_ptr<Bound>(Grammar&, CLI::App&, std::string& problem,
                                         std::function<void()>& check)>
        bind;
};

template <typename A>
Command Make(std::string name, std::string summary, std::string help, Definition<A> definition) {
    return Command{std::move(name), std::move(summary), std::move(help),
                   [definition = std::move(definition)](
                       Grammar& grammar, CLI::App& sub, std::string& problem,
                       std::function<void()>& check) -> std::shared_ptr<Bound> {
                       auto entry = std::make_shared<Entry<A>>(definition);
                       if (definition.bind) {
                           definition.bind(grammar, sub, entry->args);
                       }
                       check = [entry, &problem] { problem = entry->Check(); };
                       return entry;
                   }};
}

// ---- The commands' arguments.

struct NoArguments {};
struct TextArguments {
    std::string text;
    bool given = false;
};
struct AssignArguments {
    std::string controlText;
    std::string entryText;
    std::size_t control = 0;
    int index = 0;
};
struct FootswitchArguments {
    std::string shortText;
    std::string longText;
};
struct TuningArguments {
    std::string text;
    int tuning = 1;
};
struct NoteCutArguments {
    std::vector<std::string> names;
    NoteCut::Choice chosen{};
};
struct FileArguments {
    std::string file;
    bool yes = false;
    PedalBackup backup{};
};
struct DiffArguments {
    std::string a;
    std::string b;
    std::array<PresetValues, 2> values{};
    Needs WhatItNeeds() const {
        return a == "pedal" || b == "pedal" ? Needs::PedalRead : Needs::Nothing;
    }
};
struct HistoryArguments {
    std::string verb = "list";
    std::string entryText;
    bool yes = false;
    FileArguments restore;
    Needs WhatItNeeds() const { return verb == "restore" ? Needs::Pedal : Needs::Nothing; }
};

// A backup checked before the pedal is opened: a bad file sends nothing. The addresses come
// from the first algorithm.
std::optional<Outcome> ReadBackup(Context& context, FileArguments& args) {
    std::string reason;
    const std::optional<std::string> bytes = ReadInput(args.file, 1 << 20, reason);
    std::optional<PedalBackup> backup = bytes ? ParseBackup(*bytes, reason) : std::nullopt;
    if (!backup) {
        return Failed("Error loading file " + args.file + ": " + reason);
    }
    args.backup = std::move(*backup);
    Session& session = context.session();
    if (session.Algorithms().empty()) {
        return Failed();
    }
    session.SelectAlgorithm(session.Algorithms().front());
    return std::nullopt;
}

Outcome Restore(Context& context, FileArguments& args) {
    const bool restored = context.session()
                              .Restore(args.backup, args.file,
                                       [&context](std::size_t done, std::size_t total) {
                                           context.ShowSteps(done, total);
                                       })
                              .done;
    context.EndProgress();
    if (!restored) {
        return Failed();
    }
    return Done(QJsonObject{{"file", Q(args.file)}}, "Pedal restored from " + args.file + "\n");
}

// A side of a diff that is a file: a preset, a backup or a history entry.
std::optional<Outcome> ReadSide(const std::string& side, PresetValues& values) {
    if (side == "pedal") {
        return std::nullopt;
    }
    std::string error;
    const std::optional<std::string> bytes = ReadInput(side, 1 << 20, error);
    const std::optional<PresetValues> read =
        bytes ? ValuesOfStateFile(*bytes, error) : std::nullopt;
    if (!read) {
        // As diff: 2 when a side cannot be read.
        return Failed("Error loading file " + side + ": " + error, kUsage);
    }
    values = *read;
    return std::nullopt;
}

std::vector<Command> MakeTable() {
    std::vector<Command> table;
    table.push_back(Make<NoArguments>(
        "list", "the FTDI bridges found",
        "Lists the FTDI bridges found: description, serial number and port.",
        {.needs = Needs::Link, .run = [](Context& context, NoArguments&) {
             const Result<std::vector<FoundDevice>> found = context.session().ListDevices();
             if (!found) {
                 return Failed();
             }
             QJsonArray devices;
             std::string text = found.value.empty() ? "No device found\n" : "";
             for (std::size_t index = 0; index < found.value.size(); ++index) {
                 const FoundDevice& device = found.value[index];
                 const std::string port = context.PortName(index);
                 devices.append(QJsonObject{{"description", Q(device.description)},
                                            {"serialNumber", Q(device.serialNumber)},
                                            {"port", Q(port)}});
                 text += device.description + "\t" + device.serialNumber + "\t" + port + "\n";
             }
             return Done(QJsonObject{{"devices", devices}}, text);
         }}));
    table.push_back(Make<NoArguments>(
        "doctor", "why the pedal cannot be reached, and the fix",
        "Checks the connection step by step and says for each check pass, warn or fail,\n"
        "its cause and its fix: the USB bridges, the port and who may open it, the udev\n"
        "rule, programs holding the port (ModemManager, brltty, a terminal), the bridge's\n"
        "latency timer, and a Request over the line. Exit 1 when a check fails.",
        {.needs = Needs::Nothing, .run = [](Context& context, NoArguments&) {
             // The doctor runs when nothing else would: the port is not checked before it.
             Session& session = context.session();
             session.Start();
             const std::vector<DoctorCheck> checks =
                 session.Doctor(context.NamedPort(), SystemView::ThisMachine(), context.Emulated());
             QJsonArray list;
             bool failed = false;
             for (const DoctorCheck& check : checks) {
                 failed = failed || check.status == DoctorCheck::Status::Fail;
                 QJsonObject entry{{"name", Q(check.name)},
                                   {"status", Q(StatusWord(check.status))},
                                   {"cause", Q(check.cause)}};
                 if (!check.fix.empty()) {
                     entry["fix"] = Q(check.fix);
                 }
                 list.append(entry);
             }
             Outcome outcome = Done(QJsonObject{{"checks", list}}, FindingsText(checks));
             if (failed) {
                 outcome.status = kFailed;
             }
             return outcome;
         }}));
    table.push_back(Make<NoArguments>(
        "info", "versions, footswitch mode, tuning, assignments, parameters",
        "Reads the pedal's device information: firmware and algorithm versions, effect\n"
        "number, footswitch mode, tuning, control assignments and the fifteen parameters\n"
        "(name, raw value, value in the control's terms).",
        {.needs = Needs::PedalRead, .run = [](Context& context, NoArguments&) {
             const PedalState& state = context.session().state();
             const auto press = [](bool bypass) { return bypass ? "Bypass" : "Change Preset"; };
             const std::string tuning = state.selectedTuning < FXsettings::tuningCount
                                            ? FXsettings::tuningNames[state.selectedTuning]
                                            : "unknown";
             std::string text =
                 // A port named by its path has no serial number: the path is said instead.
                 (state.serialNumber.starts_with('/') ? "Port: " : "Serial number: ") +
                 state.serialNumber + "\nFirmware version: " + state.versions.firmware +
                 "\nAlgorithm version: " + state.versions.algorithm +
                 "\nEffect number: " + state.versions.effect +
                 "\nFootswitch mode: " + std::to_string(state.footswitchMode) + " (short press " +
                 press(state.shortPressBypass) + ", long press " + press(state.longPressBypass) +
                 ")\nTuning: " + std::to_string(state.selectedTuning) + " " + tuning + "\n";
             for (std::size_t k = 0; k < controlCount; ++k) {
                 text += std::string(controlNames[k]) + ": " +
                         AssignmentEntryText(k, state.assignment[k]) + "\n";
             }
             text += "Parameters:\n";
             QJsonArray parameters;
             for (std::size_t slot = 0; slot < parameterCount; ++slot) {
                 const std::uint32_t value = state.parameters.Value(slot);
                 char line[96];
                 std::snprintf(line, sizeof line, "  %-20s0x%s  %s\n", parameterTable[slot].name,
                               HexField(value, 8).c_str(),
                               ValueInControlTerms(slot, value).c_str());
                 text += line;
                 parameters.append(ParameterJson(slot, value));
             }
             QJsonObject json = FootswitchJson(state.footswitchMode);
             json["serialNumber"] = Q(state.serialNumber);
             if (state.deviceInfo) {
                 json["firmwareVersion"] = state.deviceInfo->firmwareVersion;
                 json["algorithmVersion"] = state.deviceInfo->algorithmVersion;
                 json["effectNumber"] = state.deviceInfo->effectNumber;
             }
             json["tuning"] = state.selectedTuning;
             json["tuningName"] = Q(tuning);
             json["controls"] = ControlsJson(state);
             json["parameters"] = parameters;
             return Done(json, text);
         }}));
    table.push_back(Make<TextArguments>(
        "upload", "upload an algorithm (default: the first of the list)",
        "Uploads the named algorithm (default: the first of the list) into the\n"
        "pedal's DSP and prints the pedal's answer.",
        {.needs = Needs::Link,
         .bind =
             [](Grammar& g, CLI::App& sub, TextArguments& a) {
                 g.Word(sub, "NAME", a.text, "an algorithm of the list", false);
             },
         .run =
             [](Context& context, TextArguments& a) {
                 Session& session = context.session();
                 const std::vector<std::string>& list = session.Algorithms();
                 const auto listed = std::find_if(list.begin(), list.end(), [&](const auto& entry) {
                     return a.text.empty() || Lower(entry) == Lower(a.text);
                 });
                 if (listed == list.end()) {
                     return Failed((a.text.empty() ? "no algorithm is listed"
                                                   : "no algorithm named " + a.text) +
                                       "; see corvid-cli upload --help",
                                   kUsage);
                 }
                 const std::string name = *listed;
                 const Result<std::string> uploaded = context.Open()
                                                          ? session.UploadAlgorithm(name)
                                                          : Result<std::string>::Refused("");
                 if (!uploaded) {
                     return Failed();
                 }
                 const std::string& answer = uploaded.value;
                 return Done(QJsonObject{{"algorithm", Q(name)},
                                         {"answer",
                                          QString::fromLatin1(answer.data(), static_cast<qsizetype>(
                                                                                 answer.size()))}},
                             answer + "\n");
             }}));
    table.push_back(Make<SetArguments>(
        "set", "write one parameter live",
        "Writes one parameter live. PARAM is a name (\"Input Level\", input-level) or a slot\n"
        "0-14. VALUE is raw (0x00400000) or in the control's terms: a level 0-1023, a step\n"
        "0-N, a pitch -12..+12, on or off.\n\n" +
            ParameterList(),
        {.needs = Needs::PedalRead,
         .bind =
             [](Grammar& g, CLI::App& sub, SetArguments& a) {
                 g.Word(sub, "PARAM", a.parameter, "a parameter's name or slot", true,
                        {ParameterWords()});
                 g.Word(sub, "VALUE", a.valueText, "raw, or in the control's terms", true,
                        {{"on", "off"}});
             },
         .check =
             [](SetArguments& a) {
                 const std::optional<std::size_t> slot = FindParameter(a.parameter);
                 a.slot = slot.value_or(0);
                 if (slot) {
                     return ParseValueText(*slot, a.valueText, a.value);
                 }
                 std::vector<std::string> names;
                 for (const ParameterInfo& info : parameterTable) {
                     names.emplace_back(info.name);
                 }
                 const std::string closest = Closest(a.parameter, names);
                 return "no parameter named " + a.parameter +
                        (closest.empty() ? std::string() : " (did you mean " + closest + "?)");
             },
         .run =
             [](Context& context, SetArguments& a) {
                 // An assigned parameter follows its control: say which, and how to free it.
                 const PedalState& state = context.session().state();
                 for (std::size_t k = 0; k < controlGroups.size(); ++k) {
                     const std::vector<std::size_t> offered = AssignableSlots(k);
                     const int entry = state.assignment[k];
                     if (entry > 0 && static_cast<std::size_t>(entry) <= offered.size() &&
                         offered[static_cast<std::size_t>(entry) - 1] == a.slot) {
                         return Failed(std::string(parameterTable[a.slot].name) + " is on " +
                                       controlNames[k] + ": free it with `corvid-cli assign " +
                                       std::to_string(k + 1) + " none`");
                     }
                 }
                 if (!context.session().SetParameter(a.slot, a.value)) {
                     return Failed();
                 }
                 return Done(
                     QJsonObject{{"parameters", QJsonArray{ParameterJson(a.slot, a.value)}}},
                     std::string(parameterTable[a.slot].name) + " = 0x" + HexField(a.value, 8) +
                         " (" + ValueInControlTerms(a.slot, a.value) + ")\n");
             }}));
    table.push_back(Make<NoArguments>(
        "store", "store the assignable parameters in the pedal",
        "Stores the five assignable parameters in the pedal (Save Parameters).",
        {.needs = Needs::PedalRead, .run = [](Context& context, NoArguments&) {
             return context.session().Store()
                        ? Done(QJsonObject{{"stored", true}}, "Parameters stored\n")
                        : Failed();
         }}));
    table.push_back(Make<AssignArguments>(
        "assign", "put a parameter on a control",
        "Puts a parameter on a control and uploads the assignments. CONTROL is 1-4 (or I-IV)\n"
        "or remote; PARAM a parameter that control offers, bypass or preset for the remote\n"
        "footswitch, or none.",
        {.needs = Needs::PedalRead,
         .bind =
             [](Grammar& g, CLI::App& sub, AssignArguments& a) {
                 g.Word(sub, "CONTROL", a.controlText, "1-4, I-IV or remote", true,
                        {Keys(ControlWords())});
                 std::vector<std::string> entries = ParameterWords();
                 entries.insert(entries.begin(), {"none", "bypass", "preset"});
                 g.Word(sub, "PARAM", a.entryText, "a parameter the control offers, or none", true,
                        {entries});
             },
         .check =
             [](AssignArguments& a) {
                 const auto control = ControlWords().find(Lower(a.controlText));
                 if (control == ControlWords().end()) {
                     return "no control named " + a.controlText;
                 }
                 a.control = control->second;
                 const std::vector<std::string> entries = AssignmentEntries(a.control);
                 for (std::size_t i = entries.size(); i-- > 0;) {
                     if (Folded(entries[i]) == Folded(a.entryText) ||
                         (i == 0 && Lower(a.entryText) == "none")) {
                         a.index = static_cast<int>(i);
                         return std::string();
                     }
                 }
                 return std::string(controlNames[a.control]) + " does not offer " + a.entryText;
             },
         .run =
             [](Context& context, AssignArguments& a) {
                 // As the window's list does: the choice is made, checked, then uploaded; then read
                 // back, so the JSON says what the pedal holds.
                 Session& session = context.session();
                 if (!session.AssignControl(a.control, a.index) ||
                     (context.Json() && !session.ReadPedalState())) {
                     return Failed();
                 }
                 return Done(QJsonObject{{"controls", ControlsJson(session.state())}},
                             std::string(controlNames[a.control]) + ": " +
                                 AssignmentEntryText(a.control, a.index) + "\n");
             }}));
    table.push_back(Make<FootswitchArguments>(
        "footswitch", "what a short and a long press do",
        "Sets what a short and a long press do: each bypass or preset.",
        {.needs = Needs::PedalRead,
         .bind =
             [](Grammar& g, CLI::App& sub, FootswitchArguments& a) {
                 g.Word(sub, "SHORT", a.shortText, "bypass or preset", true,
                        {{"bypass", "preset"}});
                 g.Word(sub, "LONG", a.longText, "bypass or preset", true, {{"bypass", "preset"}});
             },
         .check =
             [](FootswitchArguments& a) {
                 const auto press = [](const std::string& text) {
                     return Lower(text) == "bypass" || Lower(text) == "preset";
                 };
                 return press(a.shortText) && press(a.longText)
                            ? std::string()
                            : std::string("footswitch takes two of bypass and preset");
             },
         .run =
             [](Context& context, FootswitchArguments& a) {
                 // Read first, so the pedal's history keeps what it held.
                 const bool shortBypass = Lower(a.shortText) == "bypass";
                 const bool longBypass = Lower(a.longText) == "bypass";
                 if (!context.session().SetFootswitch(shortBypass, longBypass)) {
                     return Failed();
                 }
                 return Done(FootswitchJson(FootswitchMode(shortBypass, longBypass)),
                             std::string("Footswitch: short press ") + PressWord(shortBypass) +
                                 ", long press " + PressWord(longBypass) + "\n");
             }}));
    table.push_back(Make<NoArguments>(
        "tuning-upload", "upload the note filters' coefficient tables",
        "Uploads the 32 note filters' coefficient tables (640 bytes) after the\n"
        "pre-upload message, as Settings > Upload Tuning Data does.",
        {.needs = Needs::Pedal, .run = [](Context& context, NoArguments&) {
             const Result<std::size_t> uploaded = context.session().UploadTuningData();
             if (!uploaded) {
                 return Failed();
             }
             const auto tables = static_cast<int>(tuningTables.size());
             return Done(
                 QJsonObject{{"tables", tables}, {"bytes", static_cast<int>(uploaded.value)}},
                 "Tuning data uploaded: " + std::to_string(tables) + " tables, " +
                     std::to_string(uploaded.value) + " bytes\n");
         }}));
    const auto tuningWord = [](bool required, const char* text) {
        return [required, text](Grammar& g, CLI::App& sub, TuningArguments& a) {
            g.Word(sub, "TUNING", a.text, text, required, {Keys(TuningShortNames())});
        };
    };
    table.push_back(Make<TuningArguments>(
        "set-tuning", "tell the pedal the guitar's tuning",
        "Tells the pedal which tuning the guitar is in: 0-4, the name the parameter window shows\n"
        "(\"Standard EADGBE\") or none, standard, drop-d, dadgad, ebabdbgbbbeb. The pedal has "
        "only\n"
        "none and standard built in yet: the others are refused (exit 1) and nothing is sent.",
        {.needs = Needs::PedalRead,
         .bind = tuningWord(true, "0-4 or a tuning's name"),
         .check =
             [](TuningArguments& a) {
                 a.tuning = ParseTuning(a.text).value_or(-1);
                 return a.tuning < 0 ? "no tuning named " + a.text : std::string();
             },
         .run =
             [](Context& context, TuningArguments& a) {
                 // Read first, so the pedal's history keeps what it held.
                 if (!context.session().SetTuning(a.tuning)) {
                     return Failed();
                 }
                 const std::string name =
                     FXsettings::tuningNames[static_cast<std::size_t>(a.tuning)];
                 return Done(QJsonObject{{"tuning", a.tuning}, {"tuningName", Q(name)}},
                             "Tuning: " + std::to_string(a.tuning) + " " + name + "\n");
             }}));
    table.push_back(Make<NoteCutArguments>(
        "note-cut", "the notes the pedal cuts (none, one or two)",
        "Sets the notes the pedal cuts: none, one or two of A2 A#2 B2 C3 C#3 D3 D#3 E3.\n"
        "The lower note goes first, whatever the order given.",
        {.needs = Needs::Pedal,
         .bind =
             [](Grammar& g, CLI::App& sub, NoteCutArguments& a) {
                 CLI::Option* notes =
                     sub.add_option("NOTE", a.names, "none, one or two notes")->type_name("");
                 g.offers[notes] = {{noteCutNames.begin(), noteCutNames.end()}};
             },
         .check =
             [](NoteCutArguments& a) {
                 if (a.names.size() > maxCutNotes) {
                     return std::string("note-cut takes at most two notes");
                 }
                 for (const std::string& name : a.names) {
                     const std::optional<std::size_t> code = FindCutNote(name);
                     if (!code || a.chosen[*code]) {
                         return code ? "the same note twice: " + name
                                     : "no note named " + name + " (A2 to E3)";
                     }
                     a.chosen[*code] = true;
                 }
                 return std::string();
             },
         .run =
             [](Context& context, NoteCutArguments& a) {
                 if (!context.session().SaveNoteCut(a.chosen)) {
                     return Failed();
                 }
                 QJsonArray notes;
                 std::string text;
                 for (std::size_t code = 0; code < a.chosen.size(); ++code) {
                     if (a.chosen[code]) {
                         notes.append(noteCutNames[code]);
                         text += std::string(text.empty() ? "" : " ") + noteCutNames[code];
                     }
                 }
                 return Done(QJsonObject{{"notes", notes}},
                             "Note cut: " + (text.empty() ? std::string("none") : text) + "\n");
             }}));
    table.push_back(Make<TuningArguments>(
        "tuning-filters", "the cut each open string gets from the note filters",
        "For each group of note filters, the deepest cut each open string of the tuning gets\n"
        "(default: Standard EADGBE), computed from the bytes the pedal receives. No pedal needed.",
        {.needs = Needs::Nothing,
         .bind = tuningWord(false, "default: Standard EADGBE"),
         .check =
             [](TuningArguments& a) {
                 a.tuning = a.text.empty() ? 1 : ParseTuning(a.text).value_or(0);
                 return a.tuning == 0 ? "no tuning with open strings named " + a.text
                                      : std::string();
             },
         .run =
             [](Context&, TuningArguments& a) {
                 std::string text;
                 QJsonArray groups;
                 for (const TableGroup& group : tableGroups) {
                     text += std::string(group.title) + "\n";
                     QJsonArray strings;
                     for (const StringCut& cut : StringCuts(a.tuning, group)) {
                         text += "  " + FormatStringCut(cut) + "\n";
                         strings.append(QJsonObject{{"string", Q(cut.string.name)},
                                                    {"hz", cut.hz},
                                                    {"db", cut.cut.db},
                                                    {"table", static_cast<int>(cut.cut.table)}});
                     }
                     groups.append(QJsonObject{{"group", group.title}, {"strings", strings}});
                 }
                 return Done(QJsonObject{{"tuning", a.tuning}, {"groups", groups}}, text);
             }}));
    table.push_back(Make<TextArguments>(
        "midi-channel", "the MIDI channel: omni or 1-16",
        "Sets the MIDI channel the pedal listens to: omni or 1-16.",
        {.needs = Needs::Pedal,
         .bind =
             [](Grammar& g, CLI::App& sub, TextArguments& a) {
                 std::vector<std::string> channels{"omni"};
                 for (int channel = 1; channel <= 16; ++channel) {
                     channels.push_back(std::to_string(channel));
                 }
                 g.Word(sub, "CHANNEL", a.text, "omni or 1-16", true, {channels});
             },
         .check =
             [](TextArguments& a) {
                 const std::string given = a.text;
                 a.text = Lower(a.text) == "omni" ? "OMNI" : a.text;
                 return MidiChannelByteText(a.text) ? std::string()
                                                    : "a channel is omni or 1 to 16: " + given;
             },
         .run =
             [](Context& context, TextArguments& a) {
                 // A number for a channel; Omni is none.
                 const bool omni = a.text == "OMNI";
                 return context.session().SetMidiChannel(a.text)
                            ? Done(
                                  QJsonObject{{"midiChannel", omni ? QJsonValue(QJsonValue::Null)
                                                                   : QJsonValue(std::stoi(a.text))},
                                              {"omni", omni}},
                                  "MIDI channel: " + a.text + "\n")
                            : Failed();
             }}));
    table.push_back(Make<PresetArguments>(
        "preset", "the pedal's values to a preset file, or back",
        "save: reads the pedal's fifteen values and writes them as a preset file (the editor's\n"
        "format; an existing file is replaced only once the new one is complete).\n"
        "load: checks the file, then writes each value exactly as the file holds it, one DSP\n"
        "write per parameter that has an address, in slot order. A file that is not a preset\n"
        "sends nothing.",
        {.needs = Needs::PedalRead,
         .bind =
             [](Grammar& g, CLI::App& sub, PresetArguments& a) {
                 sub.require_subcommand(1);
                 CLI::App& save = g.Verb(sub, "save", "the pedal's values to FILE");
                 g.Word(save, "FILE", a.file, "a preset file, or - for standard output", true,
                        kFiles);
                 save.callback([&a] { a.save = true; });
                 CLI::App& load = g.Verb(sub, "load", "FILE's values into the pedal");
                 g.Word(load, "FILE", a.file, "a preset file, or - for standard input", true,
                        kFiles);
             },
         .prepare = [](Context&, PresetArguments& a) -> std::optional<Outcome> {
             if (a.save) {
                 return std::nullopt;
             }
             // Anything much longer than 15 lines is not a preset; no need to read all of it.
             std::string error;
             const std::optional<std::string> bytes = ReadInput(a.file, 4096, error);
             const std::optional<PresetValues> values =
                 bytes ? ParsePreset(*bytes, error) : std::nullopt;
             if (!values) {
                 return Failed("Error loading file " + a.file + ": " + error);
             }
             a.values = *values;
             return std::nullopt;
         },
         .run =
             [](Context& context, PresetArguments& a) {
                 Session& session = context.session();
                 std::string error;
                 if (a.save) {
                     if (!WriteOutput(a.file,
                                      PresetFileBytes(BuildPresetText(session.state().parameters)),
                                      error)) {
                         return Failed("Error saving file " + a.file + ": " + error);
                     }
                     // Standard output carries the preset itself.
                     Outcome saved =
                         Done(QJsonObject{{"file", Q(a.file)}}, "Preset saved: " + a.file + "\n");
                     saved.printed = IsStdio(a.file);
                     return saved;
                 }
                 // Read first, as Request does, so an assigned parameter keeps its value.
                 const Result<int> loaded = session.LoadPresetValues(a.values);
                 if (!loaded) {
                     return Failed();
                 }
                 return Done(QJsonObject{{"file", Q(a.file)}, {"written", loaded.value}},
                             "Preset loaded: " + a.file + " (" + std::to_string(loaded.value) +
                                 " parameters written)\n");
             }}));
    table.push_back(Make<FlashArguments>(
        "flash", "upgrade the firmware through the bootloader",
        "Upgrades the pedal's firmware: connects in upgrade mode (the pedal must be in its\n"
        "bootloader), erases the flash, writes IMAGE (default: the built-in Firmware_5) in\n"
        "256-byte blocks, the version record (the version is the last digit of the image's\n"
        "name, or --firmware-version) and starts it. IMAGE is raw (.bin) or Intel HEX (.hex);\n"
        "one that is not a program for the pedal's chip, or a bootloader of another chip, is\n"
        "refused before anything is erased. Every step must be acknowledged; the first that is\n"
        "not ends the run (exit 1). When the port takes 8E1 and the bootloader answers Get, each\n"
        "step's bytes go in one write (the fast path) and every block is read back before the\n"
        "start (--no-verify skips it); else 8N1 with a pause after every byte, as --paced asks,\n"
        "read back only with --verify. It asks first on a terminal; elsewhere it needs --yes\n"
        "(exit 2 without).",
        {.needs = Needs::Link,
         .bind =
             [](Grammar& g, CLI::App& sub, FlashArguments& a) {
                 g.Word(sub, "IMAGE", a.file, "a firmware image (default: the built-in one)", false,
                        kFiles);
                 CLI::Option* verify =
                     sub.add_flag("--verify", a.verify, "read every block back and compare");
                 sub.add_flag("--no-verify", a.noVerify, "do not read the blocks back")
                     ->excludes(verify);
                 sub.add_option("--firmware-version", a.version,
                                "the version when IMAGE's name does not end in it")
                     ->type_name("N")
                     ->check(CLI::Range(0, 255));
                 sub.add_flag("--paced", a.paced, "8N1 with a pause after every byte, never 8E1");
                 sub.add_flag("-y,--yes", a.yes, "do not ask");
             },
         .check =
             [](FlashArguments& a) {
                 a.name = a.file.empty() ? FirmwareUpgrade::firmwareImages.front()
                                         : std::filesystem::path(a.file).stem().string();
                 return !a.version && (a.name.empty() ||
                                       std::isdigit(static_cast<unsigned char>(a.name.back())) == 0)
                            ? "the image's name must end in its version digit (or add "
                              "--firmware-version N): " +
                                  a.name
                            : std::string();
             },
         .run =
             [](Context& context, FlashArguments& a) {
                 using ReadBack = FlashRequest::ReadBack;
                 const FlashRequest request{.image = a.name,
                                            .file = a.file,
                                            .readBack = a.verify     ? ReadBack::Always
                                                        : a.noVerify ? ReadBack::Never
                                                                     : ReadBack::Default,
                                            .version = a.version};
                 Session& session = context.session();
                 // A file that cannot be flashed is said before the pedal is touched.
                 if (const Result<std::uint32_t> image = session.CheckFirmwareImage(request);
                     !image) {
                     return Failed(image.reason);
                 }
                 // The pedal's firmware is replaced: asked before the bootloader is even spoken to.
                 if (!context.Ask("Upgrade the pedal's firmware with " + a.name + "?")) {
                     return Failed({}, context.OnTerminal() ? kFailed : kUsage);
                 }
                 context.Open(true, a.paced);
                 const Result<FlashReport> flashed = context.BootloaderReady()
                                                         ? session.FlashFirmware(request)
                                                         : Result<FlashReport>::Refused("");
                 context.EndProgress();
                 if (!flashed) {
                     return Failed();
                 }
                 const FlashReport& report = flashed.value;
                 return Done(QJsonObject{{"image", Q(a.name)},
                                         {"path", Q(report.path)},
                                         {"bytes", static_cast<int>(report.bytes)},
                                         {"blocks", report.blocks},
                                         {"firmwareVersion", report.firmwareVersion},
                                         {"verified", report.verified},
                                         {"runningVersion", report.runningVersion}},
                             a.name + " written: " + std::to_string(report.bytes) + " bytes in " +
                                 std::to_string(report.blocks) + " blocks, version " +
                                 std::to_string(report.firmwareVersion) +
                                 (report.verified ? ", verified" : "") + "\n");
             }}));
    table.push_back(Make<TextArguments>(
        "version", "this editor's version; --check asks the maker's site",
        "Prints the editor's version. --check asks the maker's web site for the newest one\n"
        "(CORVID_WEB_BASE overrides the site) and says whether it is newer; a failed check is\n"
        "reported on stderr and the exit status is 1.",
        {.needs = Needs::Nothing,
         .bind =
             [](Grammar&, CLI::App& sub, TextArguments& a) {
                 sub.add_flag("--check", a.given, "ask the maker's site for the newest");
             },
         .run =
             [](Context& context, TextArguments& a) {
                 Outcome outcome = Done(QJsonObject{{"version", Q(ReleaseVersion())}},
                                        "Corvid Editor " + ReleaseVersion() + "\n");
                 if (!a.given) {
                     return outcome;
                 }
                 const Result<VersionAnswer> answer = context.session().CheckVersion();
                 // A check that could not check has failed: a script must not read it as "up to
                 // date".
                 if (!answer) {
                     outcome.status = kFailed;
                     outcome.error = "Version check failed: " + answer.reason;
                 } else if (const std::string& newest = answer.value.newest; !newest.empty()) {
                     outcome.json["newest"] = Q(newest);
                     outcome.json["newer"] = answer.value.newer;
                     outcome.text += answer.value.newer
                                         ? "New version available: " + newest + "\n"
                                         : "No update available (newest: " + newest + ")\n";
                 }
                 return outcome;
             }}));
    table.push_back(Make<EepromArguments>(
        "eeprom", "read or erase a range of the pedal's EEPROM",
        "read: reads addresses N to M (default 0 to 16383) and prints the console's labelled\n"
        "lines, or writes the bytes to FILE. erase: erases N to M; since it cannot be undone\n"
        "it asks first on a terminal, and elsewhere needs --yes (exit 2 without). N and M are\n"
        "whole numbers from 0 to 65535, N not after M.",
        {.needs = Needs::Pedal,
         .bind =
             [](Grammar& g, CLI::App& sub, EepromArguments& a) {
                 sub.require_subcommand(1);
                 a.start = "0";
                 a.end = std::to_string(EepromTools::kLastAddress);
                 CLI::App& read = g.Verb(sub, "read", "print or save addresses N to M");
                 CLI::App& erase = g.Verb(sub, "erase", "erase addresses N to M");
                 erase.callback([&a] { a.read = false; });
                 for (CLI::App* verbApp : {&read, &erase}) {
                     g.Valued(*verbApp, "--start", a.start, "the first address (default 0)", "N");
                     g.Valued(*verbApp, "--end", a.end, "the last address (default 16383)", "M");
                 }
                 g.Valued(read, "-o,--output", a.file,
                          "write the bytes to FILE (- for standard output)", "FILE", kFiles);
                 erase.add_flag("-y,--yes", a.yes, "do not ask");
             },
         .check =
             [](EepromArguments& a) {
                 std::string error;
                 const auto first = EepromTools::ParseAddress(a.start, "Start address", error);
                 const auto last =
                     first ? EepromTools::ParseAddress(a.end, "End address", error) : std::nullopt;
                 if (first && last && *first > *last) {
                     error = "Start address " + a.start + " is after end address " + a.end;
                 }
                 return error;
             },
         .prepare = [](Context& context, EepromArguments& a) -> std::optional<Outcome> {
             // Erasing cannot be undone: asked on a terminal (the core's question), refused
             // elsewhere without --yes before the port is opened.
             if (!a.read && !a.yes && !context.OnTerminal()) {
                 return Failed("erasing cannot be undone: add --yes to erase addresses " + a.start +
                                   " to " + a.end,
                               kUsage);
             }
             return std::nullopt;
         },
         .run =
             [](Context& context, EepromArguments& a) {
                 Session& session = context.session();
                 if (!a.read) {
                     const Result<EepromDump> erased = session.EraseEeprom(a.start, a.end);
                     return erased
                                ? Done(QJsonObject{{"start", erased.value.start},
                                                   {"end", erased.value.end}},
                                       "Erased EEPROM addresses " + a.start + " to " + a.end + "\n")
                                : Failed();
                 }
                 const Result<EepromDump> read = session.ReadEeprom(a.start, a.end);
                 context.EndProgress();
                 if (!read) {
                     return Failed();
                 }
                 const EepromDump& eeprom = read.value;
                 if (!a.file.empty()) {
                     const std::string bytes(eeprom.bytes.begin(), eeprom.bytes.end());
                     std::string error;
                     if (!WriteOutput(a.file, bytes, error)) {
                         return Failed("Error saving file " + a.file + ": " + error);
                     }
                     Outcome written = Done(QJsonObject{{"file", Q(a.file)},
                                                        {"bytes", static_cast<int>(bytes.size())}},
                                            "Read " + std::to_string(bytes.size()) +
                                                " bytes into " + a.file + "\n");
                     written.printed = IsStdio(a.file);
                     return written;
                 }
                 std::string text;
                 QJsonArray values;
                 for (std::size_t k = 0; k < eeprom.bytes.size(); ++k) {
                     text += std::to_string(eeprom.start + k) + ":    " +
                             HexField(eeprom.bytes[k], 2) + "\n";
                     values.append(eeprom.bytes[k]);
                 }
                 return Done(QJsonObject{{"start", eeprom.start}, {"values", values}}, text);
             }}));
    table.push_back(Make<CoefficientsArguments>(
        "coefficients", "a note filter's coefficient table (no pedal needed)",
        "Prints the peaking filter on NOTE (A1 to G#5) as the console's calculator does:\n"
        "Q (default 11) and gain in dB (default -6; positive boosts).",
        {.needs = Needs::Nothing,
         .bind =
             [](Grammar& g, CLI::App& sub, CoefficientsArguments& a) {
                 const auto notes = NotePickerNames();
                 g.Word(sub, "NOTE", a.noteName, "A1 to G#5", true, {{notes.begin(), notes.end()}});
                 // In the order given, so the calculator sees them as the user typed them.
                 g.Valued(sub, "--q", a.q, "the filter's Q (default 11)", "Q")
                     ->each([&a](const std::string& q) { a.settings.emplace_back("--q", q); });
                 g.Valued(sub, "--gain", a.gain, "the gain in dB (default -6)", "DB")
                     ->each([&a](const std::string& db) { a.settings.emplace_back("--gain", db); });
             },
         .check =
             [](CoefficientsArguments& a) {
                 const auto notes = NotePickerNames();
                 const auto note = std::find_if(notes.begin(), notes.end(), [&](const auto& n) {
                     return Lower(n) == Lower(a.noteName);
                 });
                 a.note = static_cast<std::size_t>(note - notes.begin());
                 if (note == notes.end()) {
                     return "no note named " + a.noteName + " (A1 to G#5)";
                 }
                 for (const auto& [option, text] : a.settings) {
                     const QString number = QString::fromStdString(text).trimmed();
                     bool ok = false;
                     number.toDouble(&ok);
                     if (!ok) {
                         return option + " takes a number" +
                                (option == "--gain" ? std::string(" of dB") : std::string()) +
                                ": " + text;
                     }
                 }
                 return std::string();
             },
         .run =
             [](Context& context, CoefficientsArguments& a) {
                 CoefficientCalculator calculator(context.log(), context.dialogs());
                 calculator.ChooseNote(static_cast<int>(a.note));
                 for (const auto& [option, text] : a.settings) {
                     // The calculator shows why a number is refused.
                     if (!(option == "--q" ? calculator.SetQ(text) : calculator.SetGain(text))) {
                         return Failed({}, kUsage);
                     }
                 }
                 std::string reason;
                 const auto lines = calculator.CoefficientLines(calculator.NoteFrequency(), reason);
                 if (!lines) {
                     // Only the numbers given can make it fail: a usage error.
                     return Failed("Cannot compute the filter: " + reason, kUsage);
                 }
                 std::string text;
                 for (const std::string& line : *lines) {
                     text += line + "\n";
                 }
                 return Done(QJsonObject{{"lines", Strings(*lines)}}, text);
             }}));
    table.push_back(Make<FileArguments>(
        "backup", "everything the pedal holds, to a JSON file",
        "Reads everything the editor can read from the pedal (versions, effect number,\n"
        "footswitch mode, assignments, tuning, the fifteen values) into a JSON backup, written\n"
        "atomically; the default name holds the pedal's serial number and the date.",
        {.needs = Needs::PedalRead,
         .bind =
             [](Grammar& g, CLI::App& sub, FileArguments& a) {
                 g.Word(sub, "FILE", a.file, "default: serial number and date; - for output", false,
                        kFiles);
             },
         .run =
             [](Context& context, FileArguments& a) {
                 Session& session = context.session();
                 const std::string name =
                     DefaultBackupName(session.state().serialNumber,
                                       QDate::currentDate().toString(Qt::ISODate).toStdString());
                 // A folder gets the default name inside it.
                 std::error_code error;
                 const std::string file = a.file.empty() ? name
                                          : std::filesystem::is_directory(a.file, error)
                                              ? (std::filesystem::path(a.file) / name).string()
                                              : a.file;
                 if (IsStdio(file)) {
                     const Result<std::string> text = session.BackUpText();
                     std::string error;
                     Outcome written = Done({}, {});
                     written.printed = true;
                     return text && WriteOutput(file, text.value, error) ? written : Failed();
                 }
                 return session.BackUp(file)
                            ? Done(QJsonObject{{"file", Q(file)}}, "Backup written: " + file + "\n")
                            : Failed();
             }}));
    table.push_back(Make<FileArguments>(
        "restore", "put a backup back into the pedal, then check it",
        "Checks the whole backup first (a bad or foreign file changes nothing), then sends its\n"
        "values, the stored values, the assignments, the footswitch mode and the tuning, reads\n"
        "the pedal back and reports any difference (exit 1). A backup of another algorithm\n"
        "version is restored only when the user says so: asked on a terminal, --yes elsewhere.",
        {.needs = Needs::Pedal,
         .bind =
             [](Grammar& g, CLI::App& sub, FileArguments& a) {
                 g.Word(sub, "FILE", a.file, "a backup file, or - for standard input", true,
                        kFiles);
                 sub.add_flag("-y,--yes", a.yes, "restore another algorithm version's backup too");
             },
         .prepare = ReadBackup,
         .run = Restore}));
    table.push_back(Make<TextArguments>(
        "report", "a diagnostic report for a support mail",
        "Writes a diagnostic report (versions, system, serial ports, connection, the\n"
        "connection doctor's findings, what the pedal answered, settings and the log) to\n"
        "FILE, or prints it.",
        {.needs = Needs::Link,
         .bind =
             [](Grammar& g, CLI::App& sub, TextArguments& a) {
                 g.Word(sub, "FILE", a.text, "default: standard output", false, kFiles);
             },
         .run =
             [](Context& context, TextArguments& a) {
                 // The doctor first: its findings go in, and its Request reads what the pedal
                 // says, if there is one, without a word on the screen.
                 Session& session = context.session();
                 session.Doctor(context.NamedPort(), SystemView::ThisMachine(), context.Emulated());
                 // Under --json the report itself is JSON, wherever it goes.
                 QJsonObject json = session.ReportJson(context.LogText());
                 json["formatVersion"] = kJsonFormatVersion;
                 const std::string report = context.Json()
                                                ? QJsonDocument(json).toJson().toStdString()
                                                : session.Report(context.LogText());
                 std::string error;
                 if (!WriteOutput(a.text.empty() ? "-" : a.text, report, error)) {
                     return Failed("Error saving file " + a.text + ": " + error);
                 }
                 Outcome written = Done({}, "Report written: " + a.text + "\n");
                 written.printed = a.text.empty() || IsStdio(a.text) || context.Json();
                 return written;
             }}));
    table.push_back(Make<TextArguments>(
        "send", "send one raw hex message",
        "Sends one raw hex message (two digits a byte) as it stands.",
        {.needs = Needs::Pedal,
         .bind =
             [](Grammar& g, CLI::App& sub, TextArguments& a) {
                 g.Word(sub, "HEX", a.text, "two hex digits a byte", true);
             },
         .check =
             [](TextArguments& a) {
                 // A mistyped message is the user's slip: refused before the port is opened.
                 const bool whole = a.text.size() >= 2 && a.text.size() % 2 == 0 &&
                                    std::all_of(a.text.begin(), a.text.end(), [](unsigned char c) {
                                        return std::isxdigit(c) != 0;
                                    });
                 return whole ? std::string()
                              : "send takes whole bytes of two hex digits each: " + a.text;
             },
         .run =
             [](Context& context, TextArguments& a) {
                 return context.session().SendMessage(a.text)
                            ? Done(QJsonObject{{"sent", Q(a.text)}},
                                   "Sent " + std::to_string(a.text.size() / 2) + " bytes\n")
                            : Failed();
             }}));
    table.push_back(Make<HistoryArguments>(
        "history", "the pedal's states kept before each change",
        "Before Save Parameters, Assign, Set Footswitch Mode, Set Tuning, a restore or a firmware\n"
        "upgrade, the editor keeps the pedal's state as last read in that connection (the newest\n"
        "100, in the History folder beside the presets). list (the default) numbers them with\n"
        "their time, operation and what changed since the one before; show N prints entry N's\n"
        "backup; restore N puts it back into the pedal as restore does.",
        {.needs = Needs::Nothing,
         .bind =
             [](Grammar& g, CLI::App& sub, HistoryArguments& a) {
                 g.Verb(sub, "list", "number the entries", &a.verb);
                 CLI::App& show = g.Verb(sub, "show", "print entry N's backup", &a.verb);
                 CLI::App& restore =
                     g.Verb(sub, "restore", "put entry N back into the pedal", &a.verb);
                 for (CLI::App* verb : {&show, &restore}) {
                     g.Word(*verb, "N", a.entryText, "the entry's number in the list", true);
                 }
                 restore.add_flag("-y,--yes", a.yes,
                                  "restore another algorithm version's state too");
             },
         .check =
             [](HistoryArguments& a) {
                 const std::optional<long> n = WholeNumber(a.entryText);
                 return a.verb == "list" || (n && *n >= 1)
                            ? std::string()
                            : "an entry is a number from 1: " + a.entryText;
             },
         .prepare = [](Context& context, HistoryArguments& a) -> std::optional<Outcome> {
             const std::vector<HistoryEntry> entries = context.session().History().Entries();
             const std::size_t n = a.verb == "list" ? 0 : std::stoul(a.entryText);
             if (n > entries.size()) {
                 return Failed("no entry " + std::to_string(n) + " (there are " +
                                   std::to_string(entries.size()) +
                                   "); see corvid-cli history --help",
                               kUsage);
             }
             a.restore = FileArguments{n == 0 ? "" : entries[n - 1].file.string(), a.yes, {}};
             return a.verb == "restore" ? ReadBackup(context, a.restore) : std::nullopt;
         },
         .run =
             [](Context& context, HistoryArguments& a) {
                 if (a.verb == "restore") {
                     return Restore(context, a.restore);
                 }
                 std::string error;
                 if (a.verb == "show") {
                     const std::optional<std::string> text =
                         ReadInput(a.restore.file, 1 << 20, error);
                     if (!text || !WriteOutput("-", *text, error)) {
                         return Failed("Error loading file " + a.restore.file + ": " + error);
                     }
                     Outcome shown = Done({}, {});
                     shown.printed = true;
                     return shown;
                 }
                 // The first algorithm's addresses name what a control holds.
                 Session& session = context.session();
                 if (session.Algorithms().empty() && session.Start()) {
                     session.SelectAlgorithm(session.Algorithms().front());
                 }
                 const PedalHistory& history = session.History();
                 const std::vector<HistoryEntry> entries = history.Entries();
                 std::string text;
                 QJsonArray list;
                 for (std::size_t i = 0; i < entries.size(); ++i) {
                     const std::vector<std::string> changes =
                         history.Changes(i, session.state().parameters);
                     list.append(QJsonObject{{"entry", static_cast<int>(i + 1)},
                                             {"time", Q(entries[i].time)},
                                             {"operation", Q(entries[i].operation)},
                                             {"file", Q(entries[i].file.string())},
                                             {"changes", Strings(changes)}});
                     text += std::to_string(i + 1) + "  " + entries[i].time + "  " +
                             entries[i].operation +
                             (i == 0 ? std::string()
                                     : "  (" + std::to_string(changes.size()) +
                                           (changes.size() == 1 ? " change)" : " changes)")) +
                             "\n";
                 }
                 if (entries.empty()) {
                     text = "No history yet: " + history.Folder().string() + " is empty\n";
                 }
                 return Done(QJsonObject{{"entries", list}}, text);
             }}));
    table.push_back(Make<DiffArguments>(
        "diff", "the parameters that differ between two states",
        "Compares the fifteen values of A and B, each pedal (read now) or a file: a preset, a\n"
        "backup or a history entry. Prints each parameter that differs, raw and in the control's\n"
        "terms. Exit status, as diff's: 0 the same, 1 they differ, 2 trouble (a side that cannot\n"
        "be read, or a usage error).",
        {.needs = Needs::Nothing,
         .bind =
             [](Grammar& g, CLI::App& sub, DiffArguments& a) {
                 const Offer side{{"pedal"}, true};
                 g.Word(sub, "A", a.a, "pedal, or a preset, backup or history file", true, side);
                 g.Word(sub, "B", a.b, "pedal, or a preset, backup or history file", true, side);
             },
         .prepare = [](Context&, DiffArguments& a) -> std::optional<Outcome> {
             std::optional<Outcome> failed = ReadSide(a.a, a.values[0]);
             return failed ? failed : ReadSide(a.b, a.values[1]);
         },
         .run =
             [](Context& context, DiffArguments& a) {
                 for (std::size_t side = 0; side < 2; ++side) {
                     if ((side == 0 ? a.a : a.b) == "pedal") {
                         a.values[side] = context.session().state().parameters.Values();
                     }
                 }
                 std::string text;
                 QJsonArray parameters;
                 for (std::size_t slot = 0; slot < parameterCount; ++slot) {
                     const std::uint32_t first = a.values[0][slot];
                     const std::uint32_t second = a.values[1][slot];
                     if (first == second) {
                         continue;
                     }
                     text += std::string(parameterTable[slot].name) + ": 0x" + HexField(first, 8) +
                             " (" + ValueInControlTerms(slot, first) + ") | 0x" +
                             HexField(second, 8) + " (" + ValueInControlTerms(slot, second) + ")\n";
                     parameters.append(QJsonObject{{"slot", static_cast<int>(slot)},
                                                   {"name", parameterTable[slot].name},
                                                   {"a", ValueJson(slot, first)},
                                                   {"b", ValueJson(slot, second)}});
                 }
                 Outcome outcome = Done(QJsonObject{{"a", Q(a.a)},
                                                    {"b", Q(a.b)},
                                                    {"equal", parameters.isEmpty()},
                                                    {"parameters", parameters}},
                                        text);
                 outcome.status = parameters.isEmpty() ? kDone : kFailed;
                 return outcome;
             },
         // As diff: 2 when a side cannot be read.
         .unopened = kUsage}));
    table.push_back(Make<TextArguments>(
        "completion", "the completion script for a shell",
        "Prints the completion script for bash, zsh or fish, as the package installs it:\n"
        "source <(corvid-cli completion bash).",
        {.needs = Needs::Nothing,
         .bind =
             [](Grammar& g, CLI::App& sub, TextArguments& a) {
                 g.Word(sub, "SHELL", a.text, "bash, zsh or fish", true, {{"bash", "zsh", "fish"}})
                     ->check(CLI::IsMember({"bash", "zsh", "fish"}));
             },
         .run =
             [](Context&, TextArguments& a) {
                 Outcome script = Done({}, CompletionScript(a.text));
                 std::fwrite(script.text.data(), 1, script.text.size(), stdout);
                 script.printed = true;
                 return script;
             }}));
    return table;
}

const std::vector<Command>& Table() {
    static const std::vector<Command> table = MakeTable();
    return table;
}

// The whole grammar of one parse: the global options and every command's.
struct Parser {
    Grammar g;
    std::map<std::string, std::shared_ptr<Bound>> bound;
    std::map<std::string, std::function<void()>> checks;
    std::string problem;
    CLI::Option* emulator = nullptr;

    explicit Parser(Options& options) {
        CLI::App& app = g.app;
        // Global options are read after the command too ("info --json").
        app.fallthrough();
        app.allow_extras();
        app.require_subcommand(0, 1);
        app.set_help_flag("-h,--help", "this text; COMMAND --help tells about one command");
        app.set_version_flag("-V,--version", "corvid-cli " + ReleaseVersion(),
                             "the editor's version");
        CLI::Option* ports =
            app.add_option("--port", options.ports,
                           "list the serial port PATH as one more pedal (repeatable)")
                ->type_name("PATH")
                ->take_all();
        g.offers[ports] = kFiles;
        emulator = app.add_option("--emulator", g.emulator,
                                  "use the built-in emulated pedal (in its bootloader); it starts "
                                  "afresh every run")
                       ->expected(0, 1)
                       ->type_name("[bootloader]")
                       ->check(CLI::Validator(
                           [](const std::string& mode) {
                               return mode == "bootloader"
                                          ? std::string()
                                          : "only bootloader may follow, not " + mode;
                           },
                           ""));
        g.offers[emulator] = {{"bootloader"}};
        app.add_flag("--json", options.json, "print the result as JSON");
        app.add_flag("-v,--verbose", options.verbose, "print the debug console's lines on stderr");
        app.add_flag("-q,--quiet", options.quiet, "no progress bars");
        app.footer("Exit status: 0 done, 1 the pedal, a file or the site failed, 2 usage.");
        app.get_formatter()->column_width(26);
        app.get_formatter()->label("SUBCOMMAND", "COMMAND");
        app.get_formatter()->label("OPTIONS", "OPTIONS");
        app.get_formatter()->label("REQUIRED", "");
        app.get_formatter()->label("TEXT", "");
        for (const Command& command : Table()) {
            CLI::App* sub = app.add_subcommand(command.name, command.summary);
            sub->group("Commands");
            sub->set_help_flag("-h,--help", "this text");
            sub->footer(command.help);
            bound[command.name] = command.bind(g, *sub, problem, checks[command.name]);
        }
    }
};

} // namespace

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::vector<std::pair<std::string, std::string>> CommandSummaries() {
    std::vector<std::pair<std::string, std::string>> summaries;
    for (const Command& command : Table()) {
        summaries.emplace_back(command.name, command.summary);
    }
    return summaries;
}

std::string Closest(const std::string& word, const std::vector<std::string>& candidates) {
    // Edit distance: a letter added, dropped or changed counts one.
    const auto distance = [](const std::string& a, const std::string& b) {
        std::vector<std::size_t> row(b.size() + 1);
        for (std::size_t j = 0; j <= b.size(); ++j) {
            row[j] = j;
        }
        for (std::size_t i = 1; i <= a.size(); ++i) {
            std::size_t diagonal = row[0];
            row[0] = i;
            for (std::size_t j = 1; j <= b.size(); ++j) {
                const std::size_t above = row[j];
                row[j] = std::min(
                    {row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
                diagonal = above;
            }
        }
        return row[b.size()];
    };
    std::string closest;
    std::size_t best = std::string::npos;
    for (const std::string& candidate : candidates) {
        const std::size_t d = distance(Lower(word), Lower(candidate));
        if (d < best) {
            best = d;
            closest = candidate;
        }
    }
    // Only a near miss is worth naming.
    return best <= std::max<std::size_t>(2, closest.size() / 3) ? closest : std::string();
}

std::string ClosestCommand(const std::string& word) {
    std::vector<std::string> names;
    for (const Command& command : Table()) {
        names.push_back(command.name);
    }
    return Closest(word, names);
}

CommandLine ParseCommandLine(const std::vector<std::string>& given) {
    CommandLine line;
    // One line and where to look, rather than the whole help for a slip of the keyboard.
    const auto slip = [&line](const std::string& problem, const std::string& command) {
        line.action = CommandLine::Action::Usage;
        line.problem =
            problem + "; see corvid-cli " + (command.empty() ? "" : command + " ") + "--help";
        line.text = "corvid-cli: " + line.problem + "\n";
        return line;
    };
    const auto known = [](const std::string& word) {
        const auto& table = Table();
        return std::any_of(table.begin(), table.end(),
                           [&](const Command& command) { return command.name == word; });
    };
    // "--" before the command ends the global options; the library takes "--" only as the
    // start of a command's own words, so it is dropped here when a command follows it.
    std::vector<std::string> words = given;
    if (const auto marker = std::find(words.begin(), words.end(), "--");
        marker != words.end() && marker + 1 != words.end() && known(*(marker + 1))) {
        words.erase(marker);
    }
    const bool marked = std::find(words.begin(), words.end(), "--") != words.end();
    // The command's place: the first word that is neither an option nor an option's value.
    std::size_t at = 0;
    while (at < words.size() && words[at].starts_with('-') && words[at] != "--") {
        at += words[at] == "--port" || (words[at] == "--emulator" && at + 1 < words.size() &&
                                        words[at + 1] == "bootloader")
                  ? 2
                  : 1;
    }
    // "help" and "help COMMAND" as the --help of either.
    if (at < words.size() && words[at] == "help") {
        words.erase(words.begin() + static_cast<long>(at));
        words.insert(words.begin() + static_cast<long>(std::min(at + 1, words.size())), "--help");
    }
    // A mistyped command is said as one, also where --emulator (which takes "bootloader" or
    // nothing) or --port (which takes every path up to a command) would swallow it.
    if (at < words.size() && !known(words[at]) && !words[at].starts_with('-') &&
        std::none_of(words.begin() + static_cast<long>(at) + 1, words.end(), known)) {
        const std::string closest = ClosestCommand(words[at]);
        return slip("unknown command " + words[at] +
                        (closest.empty() ? std::string() : " (did you mean " + closest + "?)"),
                    {});
    }

    Parser parser(line.options);
    CLI::App& app = parser.g.app;
    // The library wants the words last first, as it pops them.
    std::vector<std::string> reversed(words.rbegin(), words.rend());
    std::string command;
    std::string verb;
    const auto chosen = [&] {
        for (CLI::App* sub : app.get_subcommands()) {
            command = sub->get_name();
            for (CLI::App* inner : sub->get_subcommands()) {
                verb = inner->get_name();
            }
        }
        return command + (verb.empty() ? "" : " " + verb);
    };
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        line.action = CommandLine::Action::Print;
        line.text = app.help();
        return line;
    } catch (const CLI::CallForVersion& version) {
        line.action = CommandLine::Action::Print;
        line.text = std::string(version.what()) + "\n";
        return line;
    } catch (const CLI::ParseError& error) {
        return slip(error.what(), chosen());
    }
    const std::string where = chosen();
    line.options.emulator = parser.emulator->count() > 0;
    line.options.inBootloader = parser.g.emulator == "bootloader";
    std::vector<std::string> extras = app.remaining();
    std::erase(extras, "--");
    if (!extras.empty()) {
        const std::string& extra = extras.front();
        if (extra.starts_with('-') && extra != "-" && !marked) {
            return slip("unknown option " + extra, command);
        }
        if (command.empty()) {
            const std::string closest = ClosestCommand(extra);
            return slip("unknown command " + extra +
                            (closest.empty() ? std::string() : " (did you mean " + closest + "?)"),
                        {});
        }
        return slip(command + " does not take " + extra, command);
    }
    if (line.options.emulator && !line.options.ports.empty()) {
        return slip("--emulator and --port exclude each other", {});
    }
    if (command.empty()) {
        line.action = CommandLine::Action::Usage;
        line.problem = "no command";
        line.text = "corvid-cli: no command\n" + app.help();
        return line;
    }
    parser.checks.at(command)();
    if (!parser.problem.empty()) {
        return slip(parser.problem, where);
    }
    line.command = command;
    line.bound = parser.bound.at(command);
    return line;
}

// ---- The completion scripts, written from the grammar.

namespace {

std::string Joined(const std::vector<std::string>& words, const char* between = " ") {
    std::string joined;
    for (const std::string& word : words) {
        joined += (joined.empty() ? "" : between) + word;
    }
    return joined;
}

// An option's names as typed: "-o --output".
std::vector<std::string> Names(const CLI::Option& option) {
    std::vector<std::string> names;
    for (const std::string& name : option.get_snames()) {
        names.push_back("-" + name);
    }
    for (const std::string& name : option.get_lnames()) {
        names.push_back("--" + name);
    }
    return names;
}

// A command's level: its options, its words in order, and its verbs.
struct Level {
    std::string key; // "set", "preset save"
    std::vector<const CLI::Option*> options;
    std::vector<const CLI::Option*> words;
    std::vector<const CLI::App*> verbs;
};

std::vector<Level> Levels(const CLI::App& app) {
    std::vector<Level> levels;
    const std::function<void(const CLI::App&, const std::string&)> walk =
        [&](const CLI::App& at, const std::string& key) {
            Level level{key, {}, {}, {}};
            for (const CLI::Option* option : at.get_options()) {
                if (option->get_positional()) {
                    level.words.push_back(option);
                } else if (!Names(*option).empty()) {
                    level.options.push_back(option);
                }
            }
            for (const CLI::App* sub : at.get_subcommands({})) {
                level.verbs.push_back(sub);
            }
            levels.push_back(level);
            for (const CLI::App* sub : level.verbs) {
                walk(*sub, (key.empty() ? "" : key + " ") + sub->get_name());
            }
        };
    walk(app, "");
    return levels;
}

std::string Bash(const Grammar& g) {
    const std::vector<Level> levels = Levels(g.app);
    std::vector<std::string> valued;
    for (const Level& level : levels) {
        for (const CLI::Option* option : level.options) {
            if (option->get_expected_min() > 0) {
                for (const std::string& name : Names(*option)) {
                    valued.push_back(name);
                }
            }
        }
    }
    std::sort(valued.begin(), valued.end());
    valued.erase(std::unique(valued.begin(), valued.end()), valued.end());
    std::string out =
        "# bash completion for corvid-cli (corvid-cli completion bash)   -*- shell-script -*-\n\n"
        "_corvid_cli() {\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}\n"
        "    local key=\"\" position=0 i word words=\"\" files=\"\"\n"
        "    # The options that take a value, with what they offer.\n"
        "    case $prev in\n";
    std::set<std::string> said;
    for (const Level& level : levels) {
        for (const CLI::Option* option : level.options) {
            const Offer& offer = g.offers.count(option) ? g.offers.at(option) : Offer{};
            if (option->get_expected_min() > 0 && said.insert(Joined(Names(*option))).second) {
                out += "    " + Joined(Names(*option), " | ") + ")\n        " +
                       (offer.files ? "COMPREPLY=($(compgen -f -- \"$cur\"))\n        " : "") +
                       "return ;;\n";
            }
        }
    }
    out += "    esac\n"
           "    # The command, its verb and the place of the word being completed.\n"
           "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
           "        word=${COMP_WORDS[i]}\n"
           "        case $word in\n"
           "        " +
           Joined(valued, " | ") +
           ") ((i++)) ;;\n"
           "        -*) ;;\n"
           "        *)\n"
           "            [ \"${COMP_WORDS[i - 1]}\" = --emulator ] && [ \"$word\" = bootloader ] "
           "&& continue\n"
           "            case \"${key:-_}:$position\" in\n";
    for (const Level& level : levels) {
        if (!level.verbs.empty()) {
            std::vector<std::string> names;
            for (const CLI::App* verb : level.verbs) {
                names.push_back(verb->get_name());
            }
            out += "            \"" + (level.key.empty() ? "_" : level.key) + ":0\")\n" +
                   "                case $word in " + Joined(names, " | ") +
                   ") key=\"${key:+$key }$word\" position=0; continue ;; esac ;;\n";
        }
    }
    out += "            esac\n"
           "            ((position++))\n"
           "            ;;\n"
           "        esac\n"
           "    done\n"
           "    if [[ $cur == -* && ! $cur =~ ^-[0-9] ]]; then\n"
           "        case $key in\n";
    for (const Level& level : levels) {
        // A command takes the global options too; each name once.
        std::vector<std::string> names;
        for (const Level* at : {&levels.front(), &level}) {
            for (const CLI::Option* option : at->options) {
                for (const std::string& name : Names(*option)) {
                    if (std::find(names.begin(), names.end(), name) == names.end()) {
                        names.push_back(name);
                    }
                }
            }
        }
        out += "        \"" + level.key + "\") words=\"" + Joined(names) + "\" ;;\n";
    }
    out += "        esac\n"
           "        COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
           "        return\n"
           "    fi\n"
           "    case \"$key:$position\" in\n";
    for (const Level& level : levels) {
        std::vector<std::string> verbs;
        for (const CLI::App* verb : level.verbs) {
            verbs.push_back(verb->get_name());
        }
        if (!verbs.empty()) {
            out += "    \"" + level.key + ":0\") words=\"" + Joined(verbs) + "\" ;;\n";
            continue;
        }
        for (std::size_t at = 0; at < level.words.size(); ++at) {
            const Offer& offer =
                g.offers.count(level.words[at]) ? g.offers.at(level.words[at]) : Offer{};
            if (offer.words.empty() && !offer.files) {
                continue;
            }
            // A word taken many times ("note-cut A2 B2") is offered at every place after.
            const std::string place =
                level.words[at]->get_expected_max() > 1 ? "\"*" : std::to_string(at) + "\"";
            out += "    \"" + level.key + ":" + place + ") words=\"" + Joined(offer.words) + "\"" +
                   (offer.files ? " files=1" : "") + " ;;\n";
        }
    }
    out += "    esac\n"
           "    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
           "    [ -n \"$files\" ] && COMPREPLY+=($(compgen -f -- \"$cur\"))\n"
           "}\n"
           "complete -o filenames -F _corvid_cli corvid-cli\n";
    return out;
}

// zsh's and fish's texts quote with single quotes.
std::string Quoted(const std::string& text) {
    std::string quoted;
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted;
}

std::string Zsh(const Grammar& g) {
    const std::vector<Level> levels = Levels(g.app);
    const auto offered = [&g](const CLI::Option* option) {
        const Offer& offer = g.offers.count(option) ? g.offers.at(option) : Offer{};
        return offer.files && offer.words.empty()
                   ? std::string("_files")
                   : "(" + Joined(offer.words) + ")" + (offer.files ? "' '*:file:_files" : "");
    };
    std::string out = "#compdef corvid-cli\n"
                      "# zsh completion for corvid-cli (corvid-cli completion zsh).\n\n";
    for (const Level& level : levels) {
        std::string name = "_corvid_cli" + (level.key.empty() ? "" : "_" + level.key);
        std::replace(name.begin(), name.end(), ' ', '_');
        std::replace(name.begin(), name.end(), '-', '_');
        out += name + "() {\n    _arguments -C";
        for (const CLI::Option* option : level.options) {
            const std::vector<std::string> names = Names(*option);
            const std::string what = Quoted(option->get_description());
            for (const std::string& each : names) {
                out += " \\\n        '" + each + "[" + what + "]" +
                       (option->get_expected_min() > 0 ? ":value:" + offered(option) : "") + "'";
            }
        }
        for (std::size_t at = 0; at < level.words.size(); ++at) {
            out += " \\\n        '" +
                   (level.words[at]->get_expected_max() > 1 ? "*" : std::to_string(at + 1)) + ":" +
                   Lower(level.words[at]->get_name()) + ":" + offered(level.words[at]) + "'";
        }
        if (!level.verbs.empty()) {
            out += " \\\n        '1:command:->command' '*::argument:->argument'\n"
                   "    case $state in\n    command)\n        local -a commands=(\n";
            for (const CLI::App* verb : level.verbs) {
                out += "            '" + verb->get_name() + ":" + Quoted(verb->get_description()) +
                       "'\n";
            }
            out += "        )\n        _describe -t commands command commands ;;\n"
                   "    argument)\n        case $line[1] in\n";
            for (const CLI::App* verb : level.verbs) {
                std::string inner = name + "_" + verb->get_name();
                std::replace(inner.begin(), inner.end(), '-', '_');
                out += "        " + verb->get_name() + ") " + inner + " ;;\n";
            }
            out += "        esac ;;\n    esac";
        }
        out += "\n}\n";
    }
    out += "\n_corvid_cli \"$@\"\n";
    return out;
}

std::string Fish(const Grammar& g) {
    const std::vector<Level> levels = Levels(g.app);
    std::string out = "# fish completion for corvid-cli (corvid-cli completion fish).\n\n"
                      "complete -c corvid-cli -f\n";
    std::vector<std::string> commands;
    for (const CLI::App* sub : levels.front().verbs) {
        commands.push_back(sub->get_name());
    }
    for (const Level& level : levels) {
        const std::string seen =
            level.key.empty()
                ? "not __fish_seen_subcommand_from " + Joined(commands)
                : "__fish_seen_subcommand_from " + level.key.substr(level.key.rfind(' ') + 1);
        const std::string head = "complete -c corvid-cli -n '" + seen + "'";
        for (const CLI::Option* option : level.options) {
            const Offer& offer = g.offers.count(option) ? g.offers.at(option) : Offer{};
            std::string line = head;
            for (const std::string& name : option->get_snames()) {
                line += " -s " + name;
            }
            for (const std::string& name : option->get_lnames()) {
                line += " -l " + name;
            }
            if (option->get_expected_min() > 0) {
                line += offer.files ? " -r -F" : " -x";
            }
            out += line + " -d '" + Quoted(option->get_description()) + "'\n";
        }
        for (const CLI::App* verb : level.verbs) {
            out += head + " -a " + verb->get_name() + " -d '" + Quoted(verb->get_description()) +
                   "'\n";
        }
        for (const CLI::Option* word : level.words) {
            const Offer& offer = g.offers.count(word) ? g.offers.at(word) : Offer{};
            if (!offer.words.empty() || offer.files) {
                out += head + (offer.words.empty() ? "" : " -a '" + Joined(offer.words) + "'") +
                       (offer.files ? " -F" : "") + "\n";
            }
        }
    }
    return out;
}

} // namespace

std::string CompletionScript(const std::string& shell) {
    Options options;
    const Parser parser(options);
    if (shell == "bash") {
        return Bash(parser.g);
    }
    if (shell == "zsh") {
        return Zsh(parser.g);
    }
    return shell == "fish" ? Fish(parser.g) : std::string();
}

} // namespace corvid::cli
