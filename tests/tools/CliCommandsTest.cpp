#include "CliCommands.h"
#include "updates/VersionCheck.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace corvid::testing {
namespace {

using Action = cli::CommandLine::Action;

// The command line as corvid-cli reads it, in process: what runs, what is printed, and what
// is refused with which one line; limits at their edges, the last accepted beside the first
// refused.
TEST(CliCommands, OptionsAndCommandsAreReadOrRefusedInOneLine) {
    struct Case {
        std::vector<std::string> words;
        Action action;
        std::string text; // the start of what is printed; a usage line whole
    };
    const std::string version = "corvid-cli " + ReleaseVersion() + "\n";
    const auto see = [](const std::string& problem, const std::string& command = {}) {
        return "corvid-cli: " + problem + "; see corvid-cli " +
               (command.empty() ? "" : command + " ") + "--help\n";
    };
    const std::vector<Case> cases = {
        // Slips a new user makes: each said in one line with what was likely meant.
        {{"--emulator", "inof"}, Action::Usage, see("unknown command inof (did you mean info?)")},
        {{"--port", "x", "inof"}, Action::Usage, see("unknown command inof (did you mean info?)")},
        {{"set", "Input Levl", "3"},
         Action::Usage,
         see("no parameter named Input Levl (did you mean Input Level?)", "set")},
        {{"set", "volume", "3"}, Action::Usage, see("no parameter named volume", "set")},
        {{"help"}, Action::Print, "Talks to a Corvid MK3 pedal"},
        {{"--emulator", "help", "set"}, Action::Print, "write one parameter live"},
        {{"coefficients", "A1", "--gain", "abc"},
         Action::Usage,
         see("--gain takes a number of dB: abc", "coefficients")},
        {{"coefficients", "A1", "--q", "x1"},
         Action::Usage,
         see("--q takes a number: x1", "coefficients")},
        {{"preset", "load", ""},
         Action::Usage,
         see("FILE: a file name cannot be empty", "preset load")},
        {{"doctor"}, Action::Run, ""},
        // Options before or after the command, with "=" or without, "--" before the command.
        {{"--emulator", "info"}, Action::Run, ""},
        {{"info", "--emulator", "--json", "-v"}, Action::Run, ""},
        {{"--port", "/dev/ttyUSB0", "--port", "/dev/ttyUSB1", "info"}, Action::Run, ""},
        {{"--port=/dev/ttyUSB0", "info"}, Action::Run, ""},
        {{"-v", "-q", "--", "info"}, Action::Run, ""},
        {{"--emulator", "bootloader", "flash", "--yes"}, Action::Run, ""},
        {{"--emulator=bootloader", "flash", "-y"}, Action::Run, ""},
        {{"--version"}, Action::Print, version},
        {{"-V"}, Action::Print, version},
        {{"info", "-V"}, Action::Print, version},
        {{"--help"}, Action::Print, "Talks to a Corvid MK3 pedal"},
        {{"eeprom", "read", "--help"}, Action::Print, "print or save addresses N to M\n"},
        // Slips: one line and where to look.
        {{"--", "--version"},
         Action::Usage,
         see("unknown command --version (did you mean version?)")},
        {{"inf"}, Action::Usage, see("unknown command inf (did you mean info?)")},
        {{"restroe", "x.json"},
         Action::Usage,
         see("unknown command restroe (did you mean restore?)")},
        {{"Assign"}, Action::Usage, see("unknown command Assign (did you mean assign?)")},
        {{"xyzzy"}, Action::Usage, see("unknown command xyzzy")},
        {{"--emulator", "--port", "/dev/ttyUSB0", "info"},
         Action::Usage,
         see("--emulator and --port exclude each other")},
        {{"--jsn", "info"}, Action::Usage, see("unknown option --jsn", "info")},
        {{"info", "--bogus"}, Action::Usage, see("unknown option --bogus", "info")},
        {{"info", "extra"}, Action::Usage, see("info does not take extra", "info")},
        {{"--emulator", "usb", "info"},
         Action::Usage,
         see("--emulator: only bootloader may follow, not usb", "info")},
        {{}, Action::Usage, "corvid-cli: no command\n"},
        {{"set", "Input Level"}, Action::Usage, see("VALUE is required", "set")},
        {{"preset"}, Action::Usage, see("A subcommand is required", "preset")},
        {{"preset", "open", "x.txt"}, Action::Usage, see("A subcommand is required", "preset")},
        // Values at their limits.
        {{"set", "Input Level", "1023"}, Action::Run, ""},
        {{"set", "Input Level", "1024"},
         Action::Usage,
         see("Input Level takes a level from 0 to 1023: 1024", "set")},
        {{"set", "input-level", "0xFFFFFFFF"}, Action::Run, ""},
        {{"set", "input_level", "0"}, Action::Run, ""},
        {{"set", "input level", "0"}, Action::Run, ""},
        {{"set", "Input Level", "0x100000000"},
         Action::Usage,
         see("a raw value is 0x and at most 8 hexadecimal digits: 0x100000000", "set")},
        {{"set", "Low Pass", "24"}, Action::Run, ""},
        {{"set", "Low Pass", "25"},
         Action::Usage,
         see("Low Pass takes a step from 0 to 24: 25", "set")},
        {{"set", "1st Harmonic Pitch", "-12"}, Action::Run, ""},
        {{"set", "1st Harmonic Pitch", "-13"},
         Action::Usage,
         see("1st Harmonic Pitch takes a pitch from -12 to +12: -13", "set")},
        {{"set", "14", "on"}, Action::Run, ""},
        {{"set", "15", "on"}, Action::Usage, see("no parameter named 15", "set")},
        {{"assign", "iv", "none"}, Action::Run, ""},
        {{"assign", "5", "Wave Clip"}, Action::Usage, see("no control named 5", "assign")},
        {{"assign", "3", "Wave Clip"},
         Action::Usage,
         see("Control III does not offer Wave Clip", "assign")},
        {{"footswitch", "bypass", "preset"}, Action::Run, ""},
        {{"footswitch", "bypass", "mute"},
         Action::Usage,
         see("footswitch takes two of bypass and preset", "footswitch")},
        {{"set-tuning", "4"}, Action::Run, ""},
        {{"set-tuning", "5"}, Action::Usage, see("no tuning named 5", "set-tuning")},
        {{"note-cut", "A2", "B2"}, Action::Run, ""},
        {{"note-cut", "A2", "B2", "C3"},
         Action::Usage,
         see("note-cut takes at most two notes", "note-cut")},
        {{"note-cut", "F3"}, Action::Usage, see("no note named F3 (A2 to E3)", "note-cut")},
        {{"note-cut", "B2", "b2"}, Action::Usage, see("the same note twice: b2", "note-cut")},
        {{"midi-channel", "16"}, Action::Run, ""},
        {{"midi-channel", "17"},
         Action::Usage,
         see("a channel is omni or 1 to 16: 17", "midi-channel")},
        {{"midi-channel", "0"},
         Action::Usage,
         see("a channel is omni or 1 to 16: 0", "midi-channel")},
        {{"midi-channel", "01"},
         Action::Usage,
         see("a channel is omni or 1 to 16: 01", "midi-channel")},
        {{"flash", "image.bin"},
         Action::Usage,
         see("the image's name must end in its version digit (or add --firmware-version N): "
             "image",
             "flash")},
        {{"flash", "image.hex", "--firmware-version", "255", "--yes"}, Action::Run, ""},
        {{"flash", "image.hex", "--firmware-version", "256"},
         Action::Usage,
         see("--firmware-version: Value 256 not in range 0 to 255", "flash")},
        {{"flash", "--verify", "--no-verify"},
         Action::Usage,
         see("--verify excludes --no-verify", "flash")},
        {{"flash", "a_1.bin", "b_2.bin"},
         Action::Usage,
         see("flash does not take b_2.bin", "flash")},
        {{"eeprom", "read", "--start", "65535", "--end", "65535"}, Action::Run, ""},
        {{"eeprom", "read", "--end", "65536"},
         Action::Usage,
         see("End address must be a whole number from 0 to 65535: 65536", "eeprom read")},
        {{"eeprom", "read", "--start", "9", "--end", "8"},
         Action::Usage,
         see("Start address 9 is after end address 8", "eeprom read")},
        {{"eeprom", "erase", "--end", "3"}, Action::Run, ""},
        {{"eeprom", "erase", "--yes"}, Action::Run, ""},
        {{"coefficients", "G#5"}, Action::Run, ""},
        {{"coefficients", "H2"},
         Action::Usage,
         see("no note named H2 (A1 to G#5)", "coefficients")},
        {{"tuning-filters", "4"}, Action::Run, ""},
        {{"tuning-filters", "0"},
         Action::Usage,
         see("no tuning with open strings named 0", "tuning-filters")},
        {{"send", "0200"}, Action::Run, ""},
        {{"history"}, Action::Run, ""},
        {{"diff", "pedal", "a.txt"}, Action::Run, ""},
        {{"diff", "pedal"}, Action::Usage, see("B is required", "diff")},
        {{"history", "restore", "1", "--yes"}, Action::Run, ""},
        {{"history", "show", "0"},
         Action::Usage,
         see("an entry is a number from 1: 0", "history show")},
        {{"send", "020"},
         Action::Usage,
         see("send takes whole bytes of two hex digits each: 020", "send")},
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

// What the words say reaches the command typed: options wherever they stand, "-" as a file.
TEST(CliCommands, WordsAreTypedWhereverTheOptionsStand) {
    const cli::CommandLine eeprom = cli::ParseCommandLine(
        {"--port=/dev/ttyUSB0", "eeprom", "read", "-q", "--start=16", "--end", "31", "-o", "-"});
    ASSERT_EQ(eeprom.action, Action::Run) << eeprom.text;
    EXPECT_EQ(eeprom.options.ports, std::vector<std::string>{"/dev/ttyUSB0"});
    EXPECT_TRUE(eeprom.options.quiet);
    const auto& range = *eeprom.Arguments<cli::EepromArguments>();
    EXPECT_EQ(range.start, "16");
    EXPECT_EQ(range.end, "31");
    EXPECT_EQ(range.file, "-");

    const cli::CommandLine preset = cli::ParseCommandLine({"preset", "save", "-", "--json"});
    ASSERT_EQ(preset.action, Action::Run) << preset.text;
    EXPECT_TRUE(preset.options.json);
    EXPECT_TRUE(preset.Arguments<cli::PresetArguments>()->save);
    EXPECT_EQ(preset.Arguments<cli::PresetArguments>()->file, "-");

    const cli::CommandLine set = cli::ParseCommandLine({"set", "--", "1st Harmonic Pitch", "-3"});
    ASSERT_EQ(set.action, Action::Run) << set.text;
    EXPECT_EQ(set.Arguments<cli::SetArguments>()->value, pitchRatioTable[9]);
    // The switches in their own terms: the wave switch's two words, the others' 1 and 0.
    for (const auto& [words, value] :
         std::vector<std::pair<std::vector<std::string>, std::uint32_t>>{
             {{"set", "dry", "0x00123456"}, 0x00123456u},
             {{"set", "wave", "on"}, waveOnValue},
             {{"set", "Wave", "OFF"}, waveOffValue},
             {{"set", "split", "on"}, 1u},
             {{"set", "high-notes-cut", "off"}, 0u}}) {
        const cli::CommandLine line = cli::ParseCommandLine(words);
        ASSERT_EQ(line.action, Action::Run) << line.text;
        EXPECT_EQ(line.Arguments<cli::SetArguments>()->value, value) << words[1];
    }

    const cli::CommandLine flash =
        cli::ParseCommandLine({"--emulator", "bootloader", "flash", "Firmware_4.bin", "--verify"});
    ASSERT_EQ(flash.action, Action::Run) << flash.text;
    EXPECT_TRUE(flash.options.emulator && flash.options.inBootloader);
    EXPECT_EQ(flash.Arguments<cli::FlashArguments>()->name, "Firmware_4");
    EXPECT_TRUE(flash.Arguments<cli::FlashArguments>()->verify);
    EXPECT_FALSE(flash.Arguments<cli::FlashArguments>()->yes);

    const cli::CommandLine q =
        cli::ParseCommandLine({"coefficients", "A2", "--gain=3", "--q", "5"});
    ASSERT_EQ(q.action, Action::Run) << q.text;
    const auto& settings = q.Arguments<cli::CoefficientsArguments>()->settings;
    ASSERT_EQ(settings.size(), 2u);
    EXPECT_EQ(settings[0], std::make_pair(std::string("--q"), std::string("5")));
    EXPECT_EQ(settings[1], std::make_pair(std::string("--gain"), std::string("3")));
}

// The manual page is written by hand: it names every command the program knows, and no other.
TEST(CliCommands, TheManualPageNamesEveryCommandAndNoOther) {
    std::ifstream in(CORVID_SOURCE_DIR "/packaging/man/corvid-cli.1.scd");
    ASSERT_TRUE(in);
    const std::string page{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::set<std::string> known;
    for (const auto& [name, summary] : cli::CommandSummaries()) {
        known.insert(name);
    }
    // A definition line of the COMMANDS section starts "*set*" or "*preset save*".
    const std::size_t from = page.find("# COMMANDS");
    const std::size_t to = page.find("# EXIT STATUS");
    ASSERT_LT(from, to);
    std::set<std::string> named;
    std::istringstream section(page.substr(from, to - from));
    for (std::string line; std::getline(section, line);) {
        if (line.starts_with('*')) {
            named.insert(line.substr(1, line.find_first_of("* ", 1) - 1));
        }
    }
    EXPECT_EQ(named, known);
}

} // namespace
} // namespace corvid::testing
