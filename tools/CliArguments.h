#pragma once
// corvid-cli's command line, checked and typed before any command runs: the options, the
// command and its arguments. CLI11 reads the words; the names and numbers in them are then
// checked here, so every usage error is found before a port is opened. Plain functions over
// strings, so they can be tested and fuzzed without a pedal.

#include "link/ParameterModel.h"
#include "tunings/NoteCut.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace corvid::cli {

inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

struct CommandHelp {
    const char* summary;
    const char* text;
};
// Every command with its line in the command list and its help text.
extern const std::map<std::string, CommandHelp> kCommands;
// The controls as corvid-cli names them in its output and messages.
extern const std::array<const char*, controlCount> kControlNames;

struct Options {
    std::vector<std::string> ports;
    bool emulator = false;
    bool inBootloader = false;
    bool json = false;
    bool verbose = false;
    // No progress bars.
    bool quiet = false;
};

struct NoArguments {};
struct UploadArguments {
    std::optional<std::string> name;
};
struct SetArguments {
    std::size_t slot = 0;
    std::uint32_t value = 0;
};
struct AssignArguments {
    std::size_t control = 0;
    std::size_t index = 0;
};
struct FootswitchArguments {
    bool shortPressBypass = true;
    bool longPressBypass = true;
};
struct TuningArguments {
    int tuning = 0;
};
struct NoteCutArguments {
    NoteCut::Choice chosen{};
};
struct MidiChannelArguments {
    std::string caption;
};
struct PresetArguments {
    bool save = false;
    std::filesystem::path file;
};
struct FlashArguments {
    std::optional<std::filesystem::path> file;
    // The image's name: the file's stem, or the built-in image's.
    std::string name;
    bool verify = false;
    // The compatible path (8N1, paced) even when the bootloader could go faster.
    bool paced = false;
    // Given --yes: no question is asked.
    bool yes = false;
};
struct VersionArguments {
    bool check = false;
};
struct EepromArguments {
    bool read = true;
    std::string start;
    std::string end;
    std::string file;
    // erase's --yes: erased without asking.
    bool yes = false;
};
struct CoefficientsArguments {
    std::size_t note = 0;
    // "--q" then "--gain", each when given, with its text (the calculator checks the numbers).
    std::vector<std::pair<std::string, std::string>> settings;
};
struct FileArguments {
    std::optional<std::string> file;
    // restore's --yes: a backup of another algorithm version is restored without asking.
    bool yes = false;
};
struct SendArguments {
    std::string hex;
};
struct DiffArguments {
    // Each "pedal" or a file: a preset, a backup or a history entry ("-" standard input).
    std::string a;
    std::string b;
};
struct HistoryArguments {
    enum class Verb { List, Show, Restore };
    Verb verb = Verb::List;
    // The entry as listed, from 1.
    std::size_t entry = 0;
    // restore's --yes.
    bool yes = false;
};

using Arguments =
    std::variant<NoArguments, UploadArguments, SetArguments, AssignArguments, FootswitchArguments,
                 TuningArguments, NoteCutArguments, MidiChannelArguments, PresetArguments,
                 FlashArguments, VersionArguments, EepromArguments, CoefficientsArguments,
                 FileArguments, SendArguments, HistoryArguments, DiffArguments>;

// What the words after the program's name ask for.
struct CommandLine {
    enum class Action {
        Run,   // run `command` with `arguments`
        Print, // print `text` on stdout and end (help, version)
        Usage, // print `text` on stderr and end with the usage status
    };
    Action action = Action::Run;
    Options options;
    std::string command;
    Arguments arguments;
    std::string text;
};
CommandLine ParseCommandLine(const std::vector<std::string>& words);

std::string Lower(std::string text);
// The command a mistyped word most likely meant; empty when none is close.
std::string ClosestCommand(const std::string& word);

} // namespace corvid::cli
