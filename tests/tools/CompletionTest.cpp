#include "CliCommands.h"
#include "link/ParameterModel.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <sstream>
#include <string>

namespace corvid::testing {
namespace {

// The script corvid-cli writes for a shell (the package installs the same), in a file a shell
// can source.
QString Script(const std::string& shell) {
    const QString path =
        QDir::temp().filePath("corvid-completion-test." + QString::fromStdString(shell));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray::fromStdString(cli::CompletionScript(shell)));
    return path;
}

// What a shell prints for a script, or nullopt when the shell is not installed.
std::optional<std::string> Shell(const QString& shell, const QStringList& arguments) {
    QProcess process;
    process.start(shell, arguments);
    if (!process.waitForStarted(5000)) {
        return std::nullopt;
    }
    EXPECT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().toStdString();
}

std::set<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::set<std::string> words;
    for (std::string word; in >> word;) {
        words.insert(word.substr(0, word.find('\t')));
    }
    return words;
}

// The names corvid-cli takes for the parameters, as the completions offer them.
std::set<std::string> ParameterWords() {
    std::set<std::string> names;
    for (const ParameterInfo& info : parameterTable) {
        std::string name = cli::Lower(info.name);
        std::replace(name.begin(), name.end(), ' ', '-');
        names.insert(name);
    }
    return names;
}

void ExpectOffers(const std::set<std::string>& offered, const std::set<std::string>& wanted,
                  const std::string& what) {
    for (const std::string& word : wanted) {
        EXPECT_TRUE(offered.contains(word)) << what << " lacks " << word;
    }
}

// bash: registered once sourced; completes a command, a control and every parameter.
TEST(Completion, BashCompletesCommandsControlsAndParameters) {
    // The first line is `complete -p`'s: how the script registered itself.
    const auto run = [](const QString& words) {
        const QString script = "source '" + Script("bash") +
                               "'; complete -p corvid-cli; COMP_WORDS=(" + words +
                               "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _corvid_cli; "
                               "printf '%s\\n' \"${COMPREPLY[@]}\"";
        return Shell("bash", {"-c", script}).value_or("");
    };
    const auto complete = [&run](const QString& words) {
        const std::string out = run(words);
        return out.substr(out.find('\n') + 1);
    };
    EXPECT_EQ(run("corvid-cli ''").rfind("complete -o filenames -F _corvid_cli corvid-cli\n", 0),
              0u);
    const std::string registered = complete("corvid-cli ''");
    std::set<std::string> commands;
    for (const auto& [name, summary] : cli::CommandSummaries()) {
        commands.insert(name);
    }
    ExpectOffers(Words(registered), commands, "the command list");
    EXPECT_EQ(Words(complete("corvid-cli inf")), std::set<std::string>({"info"}));
    EXPECT_EQ(Words(complete("corvid-cli --port /dev/ttyUSB0 assign re")),
              std::set<std::string>({"remote"}));
    ExpectOffers(Words(complete("corvid-cli set ''")), ParameterWords(), "set");
    EXPECT_EQ(Words(complete("corvid-cli set split ''")), std::set<std::string>({"on", "off"}));
    EXPECT_EQ(Words(complete("corvid-cli note-cut A2 'C#'")), std::set<std::string>({"C#3"}));
    // Verbs, then their own words and options; a value after its option is not a word.
    EXPECT_EQ(Words(complete("corvid-cli preset ''")), std::set<std::string>({"save", "load"}));
    EXPECT_EQ(Words(complete("corvid-cli midi-channel 1")),
              std::set<std::string>({"1", "10", "11", "12", "13", "14", "15", "16"}));
    EXPECT_EQ(Words(complete("corvid-cli --json eeprom read --start 5 --")),
              std::set<std::string>({"--start", "--end", "--output", "--help", "--version",
                                     "--port", "--emulator", "--json", "--verbose", "--quiet"}));
    EXPECT_EQ(Words(complete("corvid-cli --emulator bootloader history restore 1 --y")),
              std::set<std::string>({"--yes"}));
}

// fish answers `complete -C`; zsh is checked for its syntax and its command list.
TEST(Completion, FishAndZshKnowEveryCommand) {
    const std::optional<std::string> fish =
        Shell("fish", {"-c", "source '" + Script("fish") +
                                 "'; complete -C 'corvid-cli '; "
                                 "complete -C 'corvid-cli assign '"});
    const std::optional<std::string> zsh = Shell("zsh", {"-n", Script("zsh")});
    if (!fish || !zsh) {
        GTEST_SKIP() << "fish or zsh is not installed (scripts/install-deps installs both)";
    }
    std::set<std::string> commands;
    for (const auto& [name, summary] : cli::CommandSummaries()) {
        commands.insert(name);
    }
    ExpectOffers(Words(*fish), commands, "fish");
    ExpectOffers(Words(*fish), ParameterWords(), "fish assign");
    ExpectOffers(Words(*fish), {"remote", "iv"}, "fish assign");
    const std::string text = cli::CompletionScript("zsh");
    for (const std::string& command : commands) {
        EXPECT_NE(text.find("'" + command + ":"), std::string::npos) << "zsh lacks " << command;
    }
}

} // namespace
} // namespace corvid::testing
