// The editor's second front end: the same session as the windows, from a terminal.
//   corvid-cli [--port PATH] [--emulator] [--json] [--verbose] COMMAND [ARGS]
// Exit status: 0 done, 1 the pedal or the link failed, 2 usage.
#include "CliCommands.h"

#include "base/RealClock.h"
#include "core/PlainViews.h"
#include "core/Session.h"
#include "emulator/EmulatedDriver.h"
#include "firmware/FirmwareUpgrade.h"
#include "link/PortDoctor.h"
#include "link/SerialPortDriver.h"
#include "updates/VersionCheck.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace corvid {
namespace {

using cli::kDone;
using cli::kUsage;

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
        const bool said = answer == "y" || answer == "Y" || answer == "yes";
        declined = declined || !said;
        return said;
    }
    // The command's --yes.
    bool yes = false;
    // A question went unanswered for want of a terminal.
    bool refusedOffTerminal = false;
    // The user said no at a prompt.
    bool declined = false;
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
            std::cerr << Shortened(text) << '\n';
        }
    }
    // A long run of hex (an algorithm image, the tuning tables) as its first and last bytes and
    // its length: a terminal line, not thousands of characters. The report keeps it whole.
    static std::string Shortened(const std::string& text) {
        constexpr std::size_t kLongest = 96;
        constexpr std::size_t kShown = 16;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = start;
            while (end < text.size() && std::isxdigit(static_cast<unsigned char>(text[end])) != 0) {
                ++end;
            }
            if (end - start > kLongest) {
                return text.substr(0, start + kShown) + "…" + text.substr(end - kShown, kShown) +
                       " (" + std::to_string((end - start) / 2) + " bytes)" + text.substr(end);
            }
            start = end + 1;
        }
        return text;
    }
    // Everything logged, for the diagnostic report.
    std::string lines;

private:
    bool verbose_;
};

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

// A session over the chosen driver, and what a command may use besides it.
class Cli final : public cli::Context {
public:
    Cli(const cli::Options& options, std::unique_ptr<FtdiDriver> driver, RealClock& clock)
        : json_(options.json), log_(options.verbose),
          namedPort_(options.ports.empty() ? std::string() : options.ports.front()),
          emulated_(options.emulator), driver_(std::move(driver)),
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
        dialogs_.json = json_;
        views_.quiet = options.quiet;
    }

    // Runs the command: the session started when it talks to the pedal, the questions
    // answered by the rule, the outcome printed; the exit status.
    int Run(cli::Bound& command);

    Session& session() override { return session_; }
    bool Json() const override { return json_; }
    bool Open(bool upgradeMode, bool pacedOnly) override {
        if (!session_.link().deviceFound) {
            ErrorLine("No device found", json_);
            return false;
        }
        return session_.Connect(upgradeMode, pacedOnly).done;
    }
    // The addresses come from the algorithm; what is assigned and the tuning from the pedal.
    bool OpenAndRead() override {
        return !session_.Algorithms().empty() &&
               session_.SelectAlgorithm(session_.Algorithms().front()) && Open(false, false) &&
               session_.ReadPedalState();
    }
    bool Ask(const std::string& question) override { return dialogs_.Ask(question); }
    bool OnTerminal() const override { return isatty(STDIN_FILENO) != 0; }
    void ShowSteps(std::size_t done, std::size_t total) override { views_.ShowSteps(done, total); }
    void EndProgress() override { views_.EndProgress(); }
    bool BootloaderReady() const override { return views_.bootloaderReady; }
    std::string PortName(std::size_t index) const override {
        const auto* serial = dynamic_cast<const SerialPortDriver*>(driver_.get());
        return serial != nullptr ? serial->PortName(static_cast<std::uint32_t>(index))
                                 : std::string("(emulated)");
    }
    std::string NamedPort() const override { return namedPort_; }
    bool Emulated() const override { return emulated_; }
    const std::string& LogText() const override { return log_.lines; }
    Log& log() override { return log_; }
    Dialogs& dialogs() override { return dialogs_; }

private:
    static std::filesystem::path Documents() {
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
    }

    bool json_;
    CliDialogs dialogs_;
    CliLog log_;
    CliViews views_;
    std::string namedPort_;
    bool emulated_;
    std::unique_ptr<FtdiDriver> driver_;
    Session session_;
};

int Cli::Run(cli::Bound& command) {
    if (command.WhatItNeeds() != cli::Needs::Nothing) {
        session_.Start();
    }
    // The command's --yes answers the questions about risks.
    dialogs_.yes = command.Yes();
    const cli::Outcome outcome = command.Run(*this);
    int status = outcome.status;
    views_.EndProgress();
    // A risk left unanswered off a terminal is a usage error, whatever the command.
    if (status != kDone && dialogs_.refusedOffTerminal) {
        status = kUsage;
    }
    if (!outcome.error.empty()) {
        ErrorLine(outcome.error, json_);
    }
    if (status != kDone && dialogs_.declined) {
        ErrorLine("Nothing done.", json_);
    }
    if (!outcome.printed && (!outcome.json.isEmpty() || !outcome.text.empty())) {
        if (json_) {
            QJsonObject json = outcome.json;
            json["formatVersion"] = cli::kJsonFormatVersion;
            std::cout << QJsonDocument(json).toJson(QJsonDocument::Indented).toStdString();
        } else {
            std::cout << outcome.text;
        }
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
    if (status != kDone && session_.link().waitsInBootloader) {
        ErrorLine("`corvid-cli flash " + FirmwareUpgrade::firmwareImages.back() +
                      "` (or flash FILE) will take it",
                  json_);
    }
    return status;
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
            ErrorLine(line.problem, true);
        } else {
            std::cerr << line.text;
        }
        return cli::kUsage;
    }
    // A port named on the command line that cannot be used is said plainly, before anything;
    // the doctor is there to look into exactly that.
    const bool offline = line.bound->WhatItNeeds() == cli::Needs::Nothing;
    for (const std::string& path : offline ? std::vector<std::string>{} : line.options.ports) {
        if (const std::optional<DoctorCheck> refused =
                RefusedPort(SystemView::ThisMachine(), path)) {
            ErrorLine(refused->cause, json);
            ErrorLine("fix: " + refused->fix, json);
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
    Cli cli(line.options, std::move(driver), clock);
    return cli.Run(*line.bound);
}
