#pragma once
// corvid-cli's commands, one table entry each: the name, the summary and help, what the command
// needs from the pedal, its words and options bound by CLI11 into the command's own arguments,
// and what it runs. The driver (corvid-cli.cpp) opens the port, answers the questions, prints
// and maps the outcome to the exit status; the shell completions are written from this table.

#include "link/ParameterModel.h"
#include "tunings/NoteCut.h"

#include <QJsonObject>

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace CLI {
class App;
}

namespace corvid {

class Dialogs;
class Log;
class Session;

namespace cli {

inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;
// Every --json output carries it; it grows when a field changes meaning or goes away.
inline constexpr int kJsonFormatVersion = 2;

struct Options {
    std::vector<std::string> ports;
    bool emulator = false;
    bool inBootloader = false;
    bool json = false;
    bool verbose = false;
    // No progress bars.
    bool quiet = false;
};

// What a command needs before it runs: nothing (it never touches the link), the session started
// (it opens the pedal itself, if at all), the pedal open, or its state read too (with the first
// algorithm's parameter addresses).
enum class Needs { Nothing, Link, Pedal, PedalRead };

// How a command ended: what it prints (JSON under --json, else the text), and a failure's line.
struct Outcome {
    int status = kDone;
    QJsonObject json = {};
    std::string text = {};
    // Said on stderr; empty when the core has shown why already.
    std::string error = {};
    // The command wrote its output itself (standard output as a file).
    bool printed = false;
};
Outcome Done(QJsonObject json, std::string text);
Outcome Failed(std::string error = {}, int status = kFailed);

// What a running command may use besides the session: the driver's port names, progress, the
// rule for questions about risks, the log.
class Context {
public:
    virtual ~Context() = default;
    virtual Session& session() = 0;
    virtual bool Json() const = 0;
    // Opens the pedal found; with `upgradeMode` it talks to the bootloader.
    virtual bool Open(bool upgradeMode = false, bool pacedOnly = false) = 0;
    virtual bool OpenAndRead() = 0;
    // Asked on a terminal; elsewhere only --yes says yes.
    virtual bool Ask(const std::string& question) = 0;
    virtual bool OnTerminal() const = 0;
    virtual void ShowSteps(std::size_t done, std::size_t total) = 0;
    virtual void EndProgress() = 0;
    virtual bool BootloaderReady() const = 0;
    virtual std::string PortName(std::size_t index) const = 0;
    // The first port named with --port (empty: none), and whether --emulator was given.
    virtual std::string NamedPort() const = 0;
    virtual bool Emulated() const = 0;
    virtual const std::string& LogText() const = 0;
    virtual Log& log() = 0;
    virtual Dialogs& dialogs() = 0;
};

// A command with its words typed: what it needs and what it runs.
class Bound {
public:
    virtual ~Bound() = default;
    virtual Needs WhatItNeeds() const = 0;
    // The command's --yes, which answers the questions about risks.
    virtual bool Yes() const = 0;
    virtual Outcome Run(Context& context) = 0;
};

// Arguments a test or the fuzzer looks at.
struct SetArguments {
    std::string parameter;
    std::string valueText;
    std::size_t slot = 0;
    std::uint32_t value = 0;
};
struct FlashArguments {
    std::string file;
    // The image's name: the file's stem, or the built-in image's.
    std::string name;
    bool verify = false;
    bool noVerify = false;
    // The version when the name has none.
    std::optional<int> version;
    // The compatible path (8N1, paced) even when the bootloader could go faster.
    bool paced = false;
    bool yes = false;
};
struct EepromArguments {
    bool read = true;
    std::string start;
    std::string end;
    std::string file;
    bool yes = false;
};
struct PresetArguments {
    bool save = false;
    std::string file;
    PresetValues values{};
};
struct CoefficientsArguments {
    std::string noteName;
    std::size_t note = 0;
    // "--q" then "--gain", each when given, with its text (the calculator checks the numbers).
    std::vector<std::pair<std::string, std::string>> settings;
    std::string q;
    std::string gain;
};

// What the words after the program's name ask for.
struct CommandLine {
    enum class Action {
        Run,   // run `command`
        Print, // print `text` on stdout and end (help, version)
        Usage, // print `text` on stderr and end with the usage status
    };
    Action action = Action::Run;
    Options options;
    std::string command;
    std::shared_ptr<Bound> bound;
    std::string text;
    // A usage error's one line, without the program's name (said as JSON under --json).
    std::string problem;

    // The typed arguments of the command chosen, when they are of type A.
    template <typename A> const A* Arguments() const;
};
CommandLine ParseCommandLine(const std::vector<std::string>& words);

// The commands' names and summaries, in the table's order.
std::vector<std::pair<std::string, std::string>> CommandSummaries();
// The completion script for "bash", "zsh" or "fish"; empty for another shell.
std::string CompletionScript(const std::string& shell);

std::string Lower(std::string text);
// The candidate a mistyped word most likely meant (case aside); empty when none is close.
std::string Closest(const std::string& word, const std::vector<std::string>& candidates);
// The command a mistyped word most likely meant; empty when none is close.
std::string ClosestCommand(const std::string& word);

// A bound command of arguments A.
template <typename A> class BoundAs : public Bound {
public:
    A args;
};
template <typename A> const A* CommandLine::Arguments() const {
    const auto* typed = dynamic_cast<const BoundAs<A>*>(bound.get());
    return typed == nullptr ? nullptr : &typed->args;
}

} // namespace cli
} // namespace corvid
