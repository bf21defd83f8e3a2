#include "CliArguments.h"

#include "devtools/CoefficientCalculator.h"
#include "devtools/EepromTools.h"
#include "firmware/FirmwareUpgrade.h"
#include "link/HexMessage.h"
#include "link/ParameterModel.h"
#include "parameters/FXsettings.h"
#include "preferences/MidiChannel.h"
#include "updates/VersionCheck.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <functional>

namespace corvid::cli {

const std::map<std::string, CommandHelp> kCommands = {
    {"list",
     {"the FTDI bridges found",
      "Lists the FTDI bridges found: description, serial number and port."}},
    {"info",
     {"versions, footswitch mode, tuning, assignments, parameters",
      "Reads the pedal's device information: firmware and algorithm versions, effect\n"
      "number, footswitch mode, tuning, control assignments and the fifteen parameters\n"
      "(name, raw value, value in the control's terms)."}},
    {"upload",
     {"upload an algorithm (default: the first of the list)",
      "Uploads the named algorithm (default: the first of the list) into the\n"
      "pedal's DSP and prints the pedal's answer."}},
    {"set",
     {"write one parameter live",
      "Writes one parameter live. PARAM is a name (\"Input Level\", input-level) or a slot\n"
      "0-14. VALUE is raw (0x00400000) or in the control's terms: a level 0-1023, a step\n"
      "0-N, a pitch -12..+12, on or off."}},
    {"store",
     {"store the assignable parameters in the pedal",
      "Stores the five assignable parameters in the pedal (Save Parameters)."}},
    {"assign",
     {"put a parameter on a control",
      "Puts a parameter on a control and uploads the assignments. CONTROL is 1-4 (or I-IV)\n"
      "or remote; PARAM a parameter that control offers, bypass or preset for the remote\n"
      "footswitch, or none."}},
    {"footswitch",
     {"what a short and a long press do",
      "Sets what a short and a long press do: each bypass or preset."}},
    {"tuning-upload",
     {"upload the note filters' coefficient tables",
      "Uploads the 32 note filters' coefficient tables (640 bytes) after the\n"
      "pre-upload message, as Settings > Upload Tuning Data does."}},
    {"set-tuning",
     {"tell the pedal the guitar's tuning",
      "Tells the pedal which tuning the guitar is in: 0-4, the name the parameter window shows\n"
      "(\"Standard EADGBE\") or none, standard, drop-d, dadgad, ebabdbgbbbeb. The pedal has only\n"
      "none and standard built in yet: the others are refused (exit 1) and nothing is sent."}},
    {"note-cut",
     {"the notes the pedal cuts (none, one or two)",
      "Sets the notes the pedal cuts: none, one or two of A2 A#2 B2 C3 C#3 D3 D#3 E3.\n"
      "The lower note goes first, whatever the order given."}},
    {"tuning-filters",
     {"the cut each open string gets from the note filters",
      "For each group of note filters, the deepest cut each open string of the tuning gets\n"
      "(default: Standard EADGBE), computed from the bytes the pedal receives. No pedal needed."}},
    {"midi-channel",
     {"the MIDI channel: omni or 1-16",
      "Sets the MIDI channel the pedal listens to: omni or 1-16."}},
    {"preset",
     {"the pedal's values to a preset file, or back",
      "save: reads the pedal's fifteen values and writes them as a preset file (the editor's\n"
      "format; an existing file is replaced only once the new one is complete).\n"
      "load: checks the file, then writes each value exactly as the file holds it, one DSP\n"
      "write per parameter that has an address, in slot order. A file that is not a preset\n"
      "sends nothing."}},
    {"flash",
     {"upgrade the firmware through the bootloader",
      "Upgrades the pedal's firmware: connects in upgrade mode (the pedal must be in its\n"
      "bootloader), erases the flash, writes IMAGE (default: the built-in Firmware_5) in\n"
      "256-byte blocks, the version record (the version is the last digit of the image's\n"
      "name) and starts it. Every step must be acknowledged; the first that is not ends the\n"
      "run (exit 1). --verify reads every block back before the start and compares. When the\n"
      "port takes 8E1 and the bootloader answers Get, each step's bytes go in one write (the\n"
      "fast path); else 8N1 with a pause after every byte, as --paced asks. It asks first on\n"
      "a terminal; elsewhere it needs --yes (exit 2 without)."}},
    {"version",
     {"this editor's version; --check asks the maker's site",
      "Prints the editor's version. --check asks the maker's web site for the newest one\n"
      "(CORVID_WEB_BASE overrides the site) and says whether it is newer; a failed check is\n"
      "reported on stderr and the exit status is 1."}},
    {"eeprom",
     {"read or erase a range of the pedal's EEPROM",
      "read: reads addresses N to M (default 0 to 16383) and prints the console's labelled\n"
      "lines, or writes the bytes to FILE. erase: erases N to M; since it cannot be undone\n"
      "it asks first on a terminal, and elsewhere needs --yes (exit 2 without). N and M are\n"
      "whole numbers from 0 to 65535, N not after M."}},
    {"coefficients",
     {"a note filter's coefficient table (no pedal needed)",
      "Prints the peaking filter on NOTE (A1 to G#5) as the console's calculator does:\n"
      "Q (default 11) and gain in dB (default -6; positive boosts)."}},
    {"backup",
     {"everything the pedal holds, to a JSON file",
      "Reads everything the editor can read from the pedal (versions, effect number,\n"
      "footswitch mode, assignments, tuning, the fifteen values) into a JSON backup, written\n"
      "atomically; the default name holds the pedal's serial number and the date."}},
    {"restore",
     {"put a backup back into the pedal, then check it",
      "Checks the whole backup first (a bad or foreign file changes nothing), then sends its\n"
      "values, the stored values, the assignments, the footswitch mode and the tuning, reads\n"
      "the pedal back and reports any difference (exit 1). A backup of another algorithm\n"
      "version is restored only when the user says so: asked on a terminal, --yes elsewhere."}},
    {"report",
     {"a diagnostic report for a support mail",
      "Writes a diagnostic report (versions, system, serial ports, connection, settings and\n"
      "the log) to FILE, or prints it."}},
    {"send",
     {"send one raw hex message", "Sends one raw hex message (two digits a byte) as it stands."}},
    {"history",
     {"the pedal's states kept before each change",
      "Before Save Parameters, Assign, Set Footswitch Mode, Set Tuning, a restore or a firmware\n"
      "upgrade, the editor keeps the pedal's state as last read in that connection (the newest\n"
      "100, in the History folder beside the presets). list (the default) numbers them with\n"
      "their time, operation and what changed since the one before; show N prints entry N's\n"
      "backup; restore N puts it back into the pedal as restore does."}},
    {"diff",
     {"the parameters that differ between two states",
      "Compares the fifteen values of A and B, each pedal (read now) or a file: a preset, a\n"
      "backup or a history entry. Prints each parameter that differs, raw and in the control's\n"
      "terms. Exit status, as diff's: 0 the same, 1 they differ, 2 trouble (a side that cannot\n"
      "be read, or a usage error)."}},
};

const std::array<const char*, controlCount> kControlNames = {
    "Control I", "Control II", "Control III", "Control IV", "Remote Footswitch"};

namespace {

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

std::optional<std::size_t> ParseControl(const std::string& text) {
    static const std::map<std::string, std::size_t> names = {
        {"1", 0},  {"i", 0},  {"2", 1},
        {"ii", 1}, {"3", 2},  {"iii", 2},
        {"4", 3},  {"iv", 3}, {"remote", remoteControl}};
    const auto found = names.find(Lower(text));
    return found == names.end() ? std::nullopt : std::optional(found->second);
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
        error = std::string(info.name) + " takes " + RangeText(slot) + ": " + text;
        return std::nullopt;
    case Encoding::StepCount:
        if (n && *n >= 0 && *n <= static_cast<long>(info.scale)) {
            return static_cast<std::uint32_t>(*n);
        }
        error = std::string(info.name) + " takes " + RangeText(slot) + ": " + text;
        return std::nullopt;
    case Encoding::PitchTable:
        if (n && *n >= -12 && *n <= 12) {
            return pitchRatioTable[static_cast<std::size_t>(*n + 12)];
        }
        error = std::string(info.name) + " takes " + RangeText(slot) + ": " + text;
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

// A tuning by number, by the name the parameter window shows, or by a short name.
std::optional<int> ParseTuning(const std::string& text) {
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

using Parsed = std::optional<Arguments>;
using Args = std::vector<std::string>;

// Fails with the problem; the parsers read as "return Refuse(...)".
Parsed Refuse(std::string& problem, const std::string& text) {
    problem = text;
    return std::nullopt;
}

Parsed Set(const Args& args, std::string& problem) {
    if (args.size() != 2) {
        return Refuse(problem, "set takes a parameter and a value");
    }
    const std::optional<std::size_t> slot = FindParameter(args[0]);
    if (!slot) {
        return Refuse(problem, "no parameter named " + args[0]);
    }
    const std::optional<std::uint32_t> value = ParseValue(*slot, args[1], problem);
    if (!value) {
        return std::nullopt;
    }
    return SetArguments{*slot, *value};
}

Parsed Assign(const Args& args, std::string& problem) {
    if (args.size() != 2) {
        return Refuse(problem, "assign takes a control and a parameter");
    }
    const std::optional<std::size_t> control = ParseControl(args[0]);
    if (!control) {
        return Refuse(problem, "no control named " + args[0]);
    }
    const std::vector<std::string> entries = AssignmentEntries(*control);
    for (std::size_t i = entries.size(); i-- > 0;) {
        if (Folded(entries[i]) == Folded(args[1]) || (i == 0 && Lower(args[1]) == "none")) {
            return AssignArguments{*control, i};
        }
    }
    return Refuse(problem, std::string(kControlNames[*control]) + " does not offer " + args[1]);
}

Parsed Footswitch(const Args& args, std::string& problem) {
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
        return Refuse(problem, "footswitch takes two of bypass and preset");
    }
    return FootswitchArguments{*press(args[0]), *press(args[1])};
}

Parsed SetTuning(const Args& args, std::string& problem) {
    if (args.size() != 1) {
        return Refuse(problem, "set-tuning takes one tuning");
    }
    const std::optional<int> tuning = ParseTuning(args[0]);
    if (!tuning) {
        return Refuse(problem, "no tuning named " + args[0]);
    }
    return TuningArguments{*tuning};
}

Parsed TuningFilters(const Args& args, std::string& problem) {
    if (args.size() > 1) {
        return Refuse(problem, "tuning-filters takes at most one tuning");
    }
    const std::optional<int> tuning = args.empty() ? std::optional(1) : ParseTuning(args[0]);
    if (!tuning || *tuning == 0) {
        return Refuse(problem, "no tuning with open strings named " + args[0]);
    }
    return TuningArguments{*tuning};
}

Parsed NoteCutNotes(const Args& args, std::string& problem) {
    if (args.size() > maxCutNotes) {
        return Refuse(problem, "note-cut takes at most two notes");
    }
    NoteCutArguments notes;
    for (const std::string& name : args) {
        const std::optional<std::size_t> code = FindCutNote(name);
        if (!code) {
            return Refuse(problem, "no note named " + name + " (A2 to E3)");
        }
        if (notes.chosen[*code]) {
            return Refuse(problem, "the same note twice: " + name);
        }
        notes.chosen[*code] = true;
    }
    return notes;
}

Parsed MidiChannelItem(const Args& args, std::string& problem) {
    if (args.size() != 1) {
        return Refuse(problem, "midi-channel takes one channel");
    }
    const std::string caption = Lower(args[0]) == "omni" ? "OMNI" : args[0];
    if (!MidiChannelByteText(caption)) {
        return Refuse(problem, "a channel is omni or 1 to 16: " + args[0]);
    }
    return MidiChannelArguments{caption};
}

Parsed Send(const Args& args, std::string& problem) {
    if (args.size() != 1 || args.front().size() < 2) {
        return Refuse(problem, "send takes one message of at least one byte");
    }
    const std::string& hex = args.front();
    // A mistyped message is the user's slip: refused before the port is opened.
    if (hex.size() % 2 != 0 || !std::all_of(hex.begin(), hex.end(), [](unsigned char c) {
            return std::isxdigit(c) != 0;
        })) {
        return Refuse(problem, "send takes whole bytes of two hex digits each: " + hex);
    }
    return SendArguments{hex};
}

// What the library collects from the words, before it is checked and typed. Only one command
// runs, so the commands share the fields.
struct Collected {
    std::string first;
    std::string second;
    std::vector<std::string> many;
    bool verify = false;
    bool paced = false;
    bool yes = false;
    bool check = false;
    std::string start = "0";
    std::string end = std::to_string(EepromTools::kLastAddress);
    std::string output;
    std::string q;
    std::string gain;
    std::string emulator;
};

// The pieces of one command's grammar the typing step needs to look at again.
struct Grammar {
    CLI::App app{"Talks to a Corvid MK3 pedal as the editor does.", "corvid-cli"};
    Collected got;
    CLI::Option* emulator = nullptr;
    CLI::Option* ports = nullptr;
    CLI::Option* firstGiven = nullptr;
    CLI::Option* q = nullptr;
    CLI::Option* gain = nullptr;
};

void Describe(Grammar& g, Options& options) {
    CLI::App& app = g.app;
    Collected& got = g.got;
    // Global options are read after the command too ("info --json").
    app.fallthrough();
    app.allow_extras();
    app.require_subcommand(0, 1);
    app.set_help_flag("-h,--help", "this text; COMMAND --help tells about one command");
    app.set_version_flag("-V,--version", "corvid-cli " + ReleaseVersion(), "the editor's version");
    g.ports = app.add_option("--port", options.ports,
                             "list the serial port PATH as one more pedal (repeatable)")
                  ->type_name("PATH")
                  ->take_all();
    g.emulator = app.add_option("--emulator", got.emulator,
                                "use the built-in emulated pedal (in its bootloader)")
                     ->expected(0, 1)
                     ->type_name("[bootloader]")
                     ->check(CLI::Validator(
                         [](const std::string& mode) {
                             return mode == "bootloader"
                                        ? std::string()
                                        : "only bootloader may follow, not " + mode;
                         },
                         ""));
    app.add_flag("--json", options.json, "print the result as JSON");
    app.add_flag("-v,--verbose", options.verbose, "print the debug console's lines on stderr");
    app.add_flag("-q,--quiet", options.quiet, "no progress bars");
    app.footer("Exit status: 0 done, 1 the pedal, a file or the site failed, 2 usage.");
    app.get_formatter()->column_width(26);
    app.get_formatter()->label("SUBCOMMAND", "COMMAND");
    app.get_formatter()->label("OPTIONS", "OPTIONS");
    app.get_formatter()->label("REQUIRED", "");
    app.get_formatter()->label("TEXT", "");

    const auto command = [&app](const std::string& name) {
        const CommandHelp& help = kCommands.at(name);
        CLI::App* sub = app.add_subcommand(name, help.summary);
        sub->group("Commands");
        sub->set_help_flag("-h,--help", "this text");
        sub->footer(help.text);
        return sub;
    };
    const auto word = [](CLI::App* sub, const std::string& name, std::string& into,
                         const std::string& text, bool required) {
        CLI::Option* option = sub->add_option(name, into, text)->type_name("");
        if (required) {
            option->required();
        }
        return option;
    };
    for (const char* name : {"list", "info", "store", "tuning-upload"}) {
        command(name);
    }
    g.firstGiven = word(command("upload"), "NAME", got.first, "an algorithm of the list", false);
    CLI::App* set = command("set");
    word(set, "PARAM", got.first, "a parameter's name or slot", true);
    word(set, "VALUE", got.second, "raw, or in the control's terms", true);
    CLI::App* assign = command("assign");
    word(assign, "CONTROL", got.first, "1-4, I-IV or remote", true);
    word(assign, "PARAM", got.second, "a parameter the control offers, or none", true);
    CLI::App* footswitch = command("footswitch");
    word(footswitch, "SHORT", got.first, "bypass or preset", true);
    word(footswitch, "LONG", got.second, "bypass or preset", true);
    word(command("set-tuning"), "TUNING", got.first, "0-4 or a tuning's name", true);
    command("note-cut")->add_option("NOTE", got.many, "none, one or two notes")->type_name("");
    word(command("tuning-filters"), "TUNING", got.first, "default: Standard EADGBE", false);
    word(command("midi-channel"), "CHANNEL", got.first, "omni or 1-16", true);
    CLI::App* preset = command("preset");
    preset->require_subcommand(1);
    word(preset->add_subcommand("save", "the pedal's values to FILE")->group("Commands"), "FILE",
         got.first, "a preset file, or - for standard output", true);
    word(preset->add_subcommand("load", "FILE's values into the pedal")->group("Commands"), "FILE",
         got.first, "a preset file, or - for standard input", true);
    CLI::App* flash = command("flash");
    word(flash, "IMAGE", got.first, "a firmware image (default: the built-in one)", false);
    flash->add_flag("--verify", got.verify, "read every block back and compare");
    flash->add_flag("--paced", got.paced, "8N1 with a pause after every byte, never 8E1");
    flash->add_flag("-y,--yes", got.yes, "do not ask");
    command("version")->add_flag("--check", got.check, "ask the maker's site for the newest");
    CLI::App* eeprom = command("eeprom");
    eeprom->require_subcommand(1);
    CLI::App* read =
        eeprom->add_subcommand("read", "print or save addresses N to M")->group("Commands");
    CLI::App* erase = eeprom->add_subcommand("erase", "erase addresses N to M")->group("Commands");
    for (CLI::App* sub : {read, erase}) {
        sub->add_option("--start", got.start, "the first address (default 0)")->type_name("N");
        sub->add_option("--end", got.end, "the last address (default 16383)")->type_name("M");
    }
    read->add_option("-o,--output", got.output, "write the bytes to FILE (- for standard output)")
        ->type_name("FILE");
    erase->add_flag("-y,--yes", got.yes, "do not ask");
    CLI::App* coefficients = command("coefficients");
    word(coefficients, "NOTE", got.first, "A1 to G#5", true);
    g.q = coefficients->add_option("--q", got.q, "the filter's Q (default 11)")->type_name("Q");
    g.gain = coefficients->add_option("--gain", got.gain, "the gain in dB (default -6)")
                 ->type_name("DB");
    word(command("backup"), "FILE", got.first, "default: serial number and date; - for output",
         false);
    CLI::App* restore = command("restore");
    word(restore, "FILE", got.first, "a backup file, or - for standard input", true);
    restore->add_flag("-y,--yes", got.yes, "restore another algorithm version's backup too");
    word(command("report"), "FILE", got.first, "default: standard output", false);
    word(command("send"), "HEX", got.first, "two hex digits a byte", true);
    CLI::App* diff = command("diff");
    word(diff, "A", got.first, "pedal, or a preset, backup or history file", true);
    word(diff, "B", got.second, "pedal, or a preset, backup or history file", true);
    CLI::App* history = command("history");
    history->add_subcommand("list", "number the entries")->group("Commands");
    for (const std::string verb : {"show", "restore"}) {
        CLI::App* sub =
            history
                ->add_subcommand(verb, verb == "show" ? "print entry N's backup"
                                                      : "put entry N back into the pedal")
                ->group("Commands");
        word(sub, "N", got.first, "the entry's number in the list", true);
        if (verb == "restore") {
            sub->add_flag("-y,--yes", got.yes, "restore another algorithm version's state too");
        }
    }
}

// The chosen command's words, typed: nullopt with the problem.
Parsed Typed(const std::string& command, const std::string& verb, const Grammar& g,
             std::string& problem) {
    const Collected& got = g.got;
    const Args pair{got.first, got.second};
    const Args one{got.first};
    if (command == "upload") {
        return UploadArguments{g.firstGiven->count() > 0 ? std::optional(got.first) : std::nullopt};
    }
    if (command == "set") {
        return Set(pair, problem);
    }
    if (command == "assign") {
        return Assign(pair, problem);
    }
    if (command == "footswitch") {
        return Footswitch(pair, problem);
    }
    if (command == "set-tuning") {
        return SetTuning(one, problem);
    }
    if (command == "note-cut") {
        return NoteCutNotes(got.many, problem);
    }
    if (command == "tuning-filters") {
        return TuningFilters(got.first.empty() ? Args{} : one, problem);
    }
    if (command == "midi-channel") {
        return MidiChannelItem(one, problem);
    }
    if (command == "preset") {
        return PresetArguments{verb == "save", got.first};
    }
    if (command == "flash") {
        FlashArguments flash{.file = got.first.empty()
                                         ? std::nullopt
                                         : std::optional<std::filesystem::path>(got.first),
                             .name = {},
                             .verify = got.verify,
                             .paced = got.paced,
                             .yes = got.yes};
        flash.name =
            flash.file ? flash.file->stem().string() : FirmwareUpgrade::firmwareImages.front();
        if (flash.name.empty() ||
            std::isdigit(static_cast<unsigned char>(flash.name.back())) == 0) {
            return Refuse(problem, "the image's name must end in its version digit: " + flash.name);
        }
        return flash;
    }
    if (command == "version") {
        return VersionArguments{got.check};
    }
    if (command == "eeprom") {
        std::string error;
        const auto first = EepromTools::ParseAddress(got.start, "Start address", error);
        const auto last =
            first ? EepromTools::ParseAddress(got.end, "End address", error) : std::nullopt;
        if (!first || !last || *first > *last) {
            return Refuse(problem, error.empty() ? "Start address " + got.start +
                                                       " is after end address " + got.end
                                                 : error);
        }
        return EepromArguments{verb == "read", got.start, got.end, got.output, got.yes};
    }
    if (command == "coefficients") {
        const auto notes = NotePickerNames();
        const auto note = std::find_if(notes.begin(), notes.end(), [&](const std::string& name) {
            return Lower(name) == Lower(got.first);
        });
        if (note == notes.end()) {
            return Refuse(problem, "no note named " + got.first + " (A1 to G#5)");
        }
        CoefficientsArguments coefficients{static_cast<std::size_t>(note - notes.begin()), {}};
        if (g.q->count() > 0) {
            coefficients.settings.emplace_back("--q", got.q);
        }
        if (g.gain->count() > 0) {
            coefficients.settings.emplace_back("--gain", got.gain);
        }
        return coefficients;
    }
    if (command == "backup" || command == "report" || command == "restore") {
        return FileArguments{got.first.empty() ? std::nullopt : std::optional(got.first), got.yes};
    }
    if (command == "send") {
        return Send(one, problem);
    }
    if (command == "diff") {
        return DiffArguments{got.first, got.second};
    }
    if (command == "history") {
        using Verb = HistoryArguments::Verb;
        HistoryArguments history{.verb = verb == "show"      ? Verb::Show
                                         : verb == "restore" ? Verb::Restore
                                                             : Verb::List,
                                 .entry = 0,
                                 .yes = got.yes};
        if (history.verb != Verb::List) {
            const std::optional<long> n = WholeNumber(got.first);
            if (!n || *n < 1) {
                return Refuse(problem, "an entry is a number from 1: " + got.first);
            }
            history.entry = static_cast<std::size_t>(*n);
        }
        return history;
    }
    return NoArguments{};
}

} // namespace

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string ClosestCommand(const std::string& word) {
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
    for (const auto& [name, help] : kCommands) {
        const std::size_t d = distance(Lower(word), name);
        if (d < best) {
            best = d;
            closest = name;
        }
    }
    // Only a near miss is worth naming.
    return best <= std::max<std::size_t>(2, closest.size() / 3) ? closest : std::string();
}

CommandLine ParseCommandLine(const std::vector<std::string>& given) {
    CommandLine line;
    // One line and where to look, rather than the whole help for a slip of the keyboard.
    const auto slip = [&line](const std::string& problem, const std::string& command) {
        line.action = CommandLine::Action::Usage;
        line.text = "corvid-cli: " + problem + "; see corvid-cli " +
                    (command.empty() ? "" : command + " ") + "--help\n";
        return line;
    };
    // "--" before the command ends the global options; the library takes "--" only as the
    // start of a command's own words, so it is dropped here when a command follows it.
    std::vector<std::string> words = given;
    if (const auto marker = std::find(words.begin(), words.end(), "--");
        marker != words.end() && marker + 1 != words.end() && kCommands.contains(*(marker + 1))) {
        words.erase(marker);
    }
    const bool marked = std::find(words.begin(), words.end(), "--") != words.end();

    Grammar g;
    Describe(g, line.options);
    // The library wants the words last first, as it pops them.
    std::vector<std::string> reversed(words.rbegin(), words.rend());
    std::string command;
    std::string verb;
    const auto chosen = [&] {
        for (CLI::App* sub : g.app.get_subcommands()) {
            command = sub->get_name();
            for (CLI::App* inner : sub->get_subcommands()) {
                verb = inner->get_name();
            }
        }
    };
    try {
        g.app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        line.action = CommandLine::Action::Print;
        line.text = g.app.help();
        return line;
    } catch (const CLI::CallForVersion& version) {
        line.action = CommandLine::Action::Print;
        line.text = std::string(version.what()) + "\n";
        return line;
    } catch (const CLI::ParseError& error) {
        chosen();
        return slip(error.what(), command + (verb.empty() ? "" : " " + verb));
    }
    chosen();
    line.options.emulator = g.emulator->count() > 0;
    line.options.inBootloader = g.got.emulator == "bootloader";
    std::vector<std::string> extras = g.app.remaining();
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
        line.text = "corvid-cli: no command\n" + g.app.help();
        return line;
    }
    std::string problem;
    std::optional<Arguments> arguments = Typed(command, verb, g, problem);
    if (!arguments) {
        return slip(problem, command + (verb.empty() ? "" : " " + verb));
    }
    line.command = command;
    line.arguments = std::move(*arguments);
    return line;
}

} // namespace corvid::cli
