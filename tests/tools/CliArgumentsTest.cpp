#include "CliArguments.h"
#include "updates/VersionCheck.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace corvid::testing {
namespace {

using Action = cli::CommandLine::Action;

// The command line as corvid-cli reads it, in process: what runs, what is printed, what is
// refused and with which one line.
TEST(CliArguments, OptionsAndCommandsAreReadOrRefusedInOneLine) {
    struct Case {
        std::vector<std::string> words;
        Action action;
        std::string text; // the start of what is printed
    };
    const std::vector<Case> cases = {
        {{"--emulator", "info"}, Action::Run, ""},
        {{"--port", "/dev/ttyUSB0", "--port", "/dev/ttyUSB1", "info"}, Action::Run, ""},
        {{"--version"}, Action::Print, "corvid-cli " + ReleaseVersion() + "\n"},
        {{"-V"}, Action::Print, "corvid-cli " + ReleaseVersion() + "\n"},
        {{"-v", "-q", "--", "info"}, Action::Run, ""},
        {{"--", "--version"}, Action::Usage, "corvid-cli: unknown command --version"},
        {{"--port=/dev/ttyUSB0", "info"}, Action::Run, ""},
        {{"inf"},
         Action::Usage,
         "corvid-cli: unknown command inf (did you mean info?); see corvid-cli --help\n"},
        {{"restroe", "x.json"},
         Action::Usage,
         "corvid-cli: unknown command restroe (did you mean restore?); see corvid-cli --help\n"},
        {{"Assign"},
         Action::Usage,
         "corvid-cli: unknown command Assign (did you mean assign?); see corvid-cli --help\n"},
        {{"xyzzy"}, Action::Usage, "corvid-cli: unknown command xyzzy; see corvid-cli --help\n"},
        {{"--emulator", "--port", "/dev/ttyUSB0", "info"},
         Action::Usage,
         "corvid-cli: --emulator and --port exclude each other; see corvid-cli --help\n"},
        {{"--jsn", "info"},
         Action::Usage,
         "corvid-cli: unknown option --jsn; see corvid-cli --help\n"},
        {{}, Action::Usage, "corvid-cli: no command\n"},
    };
    for (const Case& c : cases) {
        const cli::CommandLine line = cli::ParseCommandLine(c.words);
        std::string call;
        for (const std::string& word : c.words) {
            call += word + " ";
        }
        EXPECT_EQ(line.action, c.action) << call << ": " << line.text;
        if (c.action == Action::Usage && c.text.ends_with("--help\n")) {
            EXPECT_EQ(line.text, c.text) << call;
        } else {
            EXPECT_EQ(line.text.rfind(c.text, 0), 0u) << call << ": " << line.text;
        }
    }
}

// Options with values may be written with "=", and take effect as if separate.
TEST(CliArguments, EqualsJoinsAnOptionAndItsValue) {
    const cli::CommandLine line = cli::ParseCommandLine(
        {"--port=/dev/ttyUSB0", "-q", "eeprom", "read", "--start=16", "--end=31"});
    ASSERT_EQ(line.action, Action::Run) << line.text;
    EXPECT_EQ(line.options.ports, std::vector<std::string>{"/dev/ttyUSB0"});
    EXPECT_TRUE(line.options.quiet);
    std::string problem;
    const std::optional<cli::Arguments> arguments =
        cli::ParseArguments(line.command, line.args, problem);
    ASSERT_TRUE(arguments) << problem;
    const auto& eeprom = std::get<cli::EepromArguments>(*arguments);
    EXPECT_EQ(eeprom.start, "16");
    EXPECT_EQ(eeprom.end, "31");
}

// The manual page is written by hand: it must name every command the program knows.
TEST(CliArguments, TheManualPageNamesEveryCommand) {
    std::ifstream in(CORVID_SOURCE_DIR "/packaging/man/corvid-cli.1");
    ASSERT_TRUE(in);
    const std::string page{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    for (const auto& [name, help] : cli::kCommands) {
        const std::string command = std::string(name);
        const bool named = page.find(".B " + command) != std::string::npos ||
                           page.find(".BR " + command) != std::string::npos ||
                           page.find("\\fB" + command) != std::string::npos;
        EXPECT_TRUE(named) << command;
    }
}

} // namespace
} // namespace corvid::testing
