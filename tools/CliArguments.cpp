#include "CliArguments.h"

#include "devtools/CoefficientCalculator.h"
#include "devtools/EepromTools.h"
#include "firmware/FirmwareUpgrade.h"
#include "link/HexMessage.h"
#include "link/ParameterModel.h"
#include "parameters/FXsettings.h"
#include "preferences/MidiChannel.h"
#include "updates/VersionCheck.h"

#include <algorithm>
#include <cctype>
#include <functional>

namespace corvid::cli {

const char* const kUsageText =
    "Usage: corvid-cli [--port PATH] [--emulator] [--json] [-v] [-q] [--] COMMAND [ARGS]\n"
    "\n"
    "Talks to a Corvid MK3 pedal as the editor does.\n"
    "\n"
    "Options:\n"
    "  --port PATH   list the serial port PATH as one more pedal (repeatable; also --port=PATH)\n"
    "  --emulator [bootloader]  use the built-in emulated pedal (in its bootloader)\n"
    "  --json        print the result as JSON\n"
    "  -v, --verbose print the debug console's lines on stderr\n"
    "  -q, --quiet   no progress bars\n"
    "  -h, --help    this text; COMMAND --help tells about one command\n"
    "  -V, --version the editor's version\n"
    "  --            the options end; the command follows\n"
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
      "(\"Standard EADGBE\") or none, standard, drop-d, dadgad, ebabdbgbbbeb. The pedal has only\n"
      "none and standard built in yet: the others are refused (exit 1) and nothing is sent."}},
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
     {"flash [IMAGE] [--verify] [--yes]",
      "Upgrades the pedal's firmware: connects in upgrade mode (the pedal must be in its\n"
      "bootloader), erases the flash, writes IMAGE (default: the built-in Firmware_5) in\n"
      "256-byte blocks, the version record (the version is the last digit of the image's\n"
      "name) and starts it. Every step must be acknowledged; the first that is not ends the\n"
      "run (exit 1). --verify reads every block back before the start and compares. It asks\n"
      "first on a terminal; elsewhere it needs --yes (exit 2 without)."}},
    {"version",
     {"version [--check]",
      "Prints the editor's version. --check asks the maker's web site for the newest one\n"
      "(CORVID_WEB_BASE overrides the site) and says whether it is newer; a failed check is\n"
      "reported on stderr and the exit status is 1."}},
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
     {"restore FILE [--yes]",
      "Checks the whole backup first (a bad or foreign file changes nothing), then sends its\n"
      "values, the stored values, the assignments, the footswitch mode and the tuning, reads\n"
      "the pedal back and reports any difference (exit 1). A backup of another algorithm\n"
      "version is restored only when the user says so: asked on a terminal, --yes elsewhere."}},
    {"report",
     {"report [FILE]",
      "Writes a diagnostic report (versions, system, serial ports, connection, settings and\n"
      "the log) to FILE, or prints it."}},
    {"send", {"send HEX", "Sends one raw hex message (two digits a byte) as it stands."}},
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

Parsed None(const std::string& command, const Args& args, std::string& problem) {
    return args.empty() ? Parsed(NoArguments{}) : Refuse(problem, command + " takes no arguments");
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

Parsed Preset(const Args& args, std::string& problem) {
    if (args.size() != 2 || (args[0] != "save" && args[0] != "load")) {
        return Refuse(problem, "preset takes save or load and a file");
    }
    return PresetArguments{args[0] == "save", args[1]};
}

Parsed Flash(const Args& args, std::string& problem) {
    FlashArguments flash;
    for (const std::string& arg : args) {
        if (arg == "--verify") {
            flash.verify = true;
        } else if (arg == "--yes") {
            flash.yes = true;
        } else if (!flash.file) {
            flash.file = arg;
        } else {
            return Refuse(problem, "flash takes at most one image");
        }
    }
    flash.name = flash.file ? flash.file->stem().string() : FirmwareUpgrade::firmwareImages.front();
    if (flash.name.empty() || std::isdigit(static_cast<unsigned char>(flash.name.back())) == 0) {
        return Refuse(problem, "the image's name must end in its version digit: " + flash.name);
    }
    return flash;
}

Parsed Version(const Args& args, std::string& problem) {
    if (args.size() > 1 || (args.size() == 1 && args.front() != "--check")) {
        return Refuse(problem, "version takes only --check");
    }
    return VersionArguments{!args.empty()};
}

Parsed Eeprom(const Args& args, std::string& problem) {
    if (args.empty() || (args[0] != "read" && args[0] != "erase")) {
        return Refuse(problem, "eeprom takes read or erase");
    }
    EepromArguments eeprom{args[0] == "read", "0", std::to_string(EepromTools::kLastAddress), {}};
    bool yes = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const bool valued = i + 1 < args.size();
        if (args[i] == "--start" && valued) {
            eeprom.start = args[++i];
        } else if (args[i] == "--end" && valued) {
            eeprom.end = args[++i];
        } else if (args[i] == "-o" && valued && eeprom.read) {
            eeprom.file = args[++i];
        } else if (args[i] == "--yes" && !eeprom.read) {
            yes = true;
        } else {
            return Refuse(problem, "unknown or incomplete option " + args[i]);
        }
    }
    std::string error;
    const auto first = EepromTools::ParseAddress(eeprom.start, "Start address", error);
    const auto last =
        first ? EepromTools::ParseAddress(eeprom.end, "End address", error) : std::nullopt;
    if (!first || !last || *first > *last) {
        return Refuse(problem, error.empty() ? "Start address " + eeprom.start +
                                                   " is after end address " + eeprom.end
                                             : error);
    }
    if (!eeprom.read && !yes) {
        return Refuse(problem, "erasing cannot be undone: add --yes to erase addresses " +
                                   eeprom.start + " to " + eeprom.end);
    }
    return eeprom;
}

Parsed Coefficients(const Args& args, std::string& problem) {
    if (args.empty()) {
        return Refuse(problem, "coefficients takes a note");
    }
    const auto notes = NotePickerNames();
    const auto note = std::find_if(notes.begin(), notes.end(), [&](const std::string& name) {
        return Lower(name) == Lower(args[0]);
    });
    if (note == notes.end()) {
        return Refuse(problem, "no note named " + args[0] + " (A1 to G#5)");
    }
    CoefficientsArguments coefficients{static_cast<std::size_t>(note - notes.begin()), {}};
    for (std::size_t i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size() || (args[i] != "--q" && args[i] != "--gain")) {
            return Refuse(problem, "unknown or incomplete option " + args[i]);
        }
        coefficients.settings.emplace_back(args[i], args[i + 1]);
    }
    return coefficients;
}

// At most one file (backup, report), or exactly one (restore).
Parsed File(Args args, bool required, bool takesYes, const std::string& problemText,
            std::string& problem) {
    FileArguments file;
    if (takesYes && std::erase(args, "--yes") > 0) {
        file.yes = true;
    }
    if (args.size() > 1 || (required && args.empty())) {
        return Refuse(problem, problemText);
    }
    file.file = args.empty() ? std::nullopt : std::optional(args.front());
    return file;
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
    // "--port=PATH" is "--port PATH", for every option that takes a value.
    std::vector<std::string> words;
    for (const std::string& word : given) {
        const std::size_t equals = word.find('=');
        const std::string name = word.substr(0, equals);
        if (equals != std::string::npos && (name == "--port" || name == "--start" ||
                                            name == "--end" || name == "--q" || name == "--gain")) {
            words.push_back(name);
            words.push_back(word.substr(equals + 1));
        } else {
            words.push_back(word);
        }
    }
    CommandLine line;
    const auto refuse = [&line](const std::string& problem) {
        line.action = CommandLine::Action::Usage;
        line.text = "corvid-cli: " + problem + "\n" + kUsageText;
        return line;
    };
    // One line and where to look, rather than the whole help for a slip of the keyboard.
    const auto slip = [&line](const std::string& problem) {
        line.action = CommandLine::Action::Usage;
        line.text = "corvid-cli: " + problem + "; see corvid-cli --help\n";
        return line;
    };
    std::size_t at = 0;
    for (; at < words.size() && words[at].starts_with('-'); ++at) {
        const std::string& option = words[at];
        if (option == "--help" || option == "-h") {
            line.action = CommandLine::Action::Print;
            line.text = kUsageText;
            return line;
        }
        if (option == "--") {
            // The options end here; the command follows.
            ++at;
            break;
        }
        if (option == "--version" || option == "-V") {
            line.action = CommandLine::Action::Print;
            line.text = "corvid-cli " + ReleaseVersion() + "\n";
            return line;
        }
        if (option == "--port" && at + 1 < words.size()) {
            line.options.ports.push_back(words[++at]);
        } else if (option == "--emulator") {
            line.options.emulator = true;
            if (at + 1 < words.size() && words[at + 1] == "bootloader") {
                line.options.inBootloader = true;
                ++at;
            }
        } else if (option == "--json") {
            line.options.json = true;
        } else if (option == "--verbose" || option == "-v") {
            line.options.verbose = true;
        } else if (option == "--quiet" || option == "-q") {
            line.options.quiet = true;
        } else {
            return slip("unknown option " + option);
        }
    }
    if (line.options.emulator && !line.options.ports.empty()) {
        return slip("--emulator and --port exclude each other");
    }
    if (at == words.size()) {
        return refuse("no command");
    }
    line.command = words[at++];
    const auto known = kCommands.find(line.command);
    if (known == kCommands.end()) {
        const std::string closest = ClosestCommand(line.command);
        return slip("unknown command " + line.command +
                    (closest.empty() ? std::string() : " (did you mean " + closest + "?)"));
    }
    line.args.assign(words.begin() + static_cast<std::ptrdiff_t>(at), words.end());
    if (std::find(line.args.begin(), line.args.end(), "--help") != line.args.end()) {
        line.action = CommandLine::Action::Print;
        line.text = std::string("Usage: corvid-cli [options] ") + known->second.usage + "\n\n" +
                    known->second.text + "\n";
    }
    return line;
}

std::optional<Arguments> ParseArguments(const std::string& command, const Args& args,
                                        std::string& problem) {
    using Parser = std::function<Parsed()>;
    const std::map<std::string, Parser> parsers = {
        {"list", [&] { return None(command, args, problem); }},
        {"info", [&] { return None(command, args, problem); }},
        {"upload",
         [&] {
             return args.size() > 1
                        ? Refuse(problem, "upload takes at most one algorithm name")
                        : Parsed(UploadArguments{args.empty() ? std::nullopt
                                                              : std::optional(args.front())});
         }},
        {"set", [&] { return Set(args, problem); }},
        {"store", [&] { return None(command, args, problem); }},
        {"assign", [&] { return Assign(args, problem); }},
        {"footswitch", [&] { return Footswitch(args, problem); }},
        {"tuning-upload", [&] { return None(command, args, problem); }},
        {"set-tuning", [&] { return SetTuning(args, problem); }},
        {"note-cut", [&] { return NoteCutNotes(args, problem); }},
        {"midi-channel", [&] { return MidiChannelItem(args, problem); }},
        {"tuning-filters", [&] { return TuningFilters(args, problem); }},
        {"preset", [&] { return Preset(args, problem); }},
        {"flash", [&] { return Flash(args, problem); }},
        {"version", [&] { return Version(args, problem); }},
        {"eeprom", [&] { return Eeprom(args, problem); }},
        {"coefficients", [&] { return Coefficients(args, problem); }},
        {"backup",
         [&] { return File(args, false, false, "backup takes at most one file", problem); }},
        {"restore", [&] { return File(args, true, true, "restore takes a backup file", problem); }},
        {"report",
         [&] { return File(args, false, false, "report takes at most one file", problem); }},
        {"send", [&] { return Send(args, problem); }},
    };
    const auto parser = parsers.find(command);
    if (parser == parsers.end()) {
        return Refuse(problem, "unknown command " + command);
    }
    return parser->second();
}

} // namespace corvid::cli
