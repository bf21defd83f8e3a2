#include "devtools/CoefficientCalculator.h"
#include "devtools/ImpulseResponse.h"
#include "devtools/TformFilterResponse.h"
#include "link/HexMessage.h"
#include "support/Fixtures.h"
#include "tunings/Tunings.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

namespace corvid::testing {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

// A connected editor with the console's tools in reach.
struct ConsoleTest : ::testing::Test {
    TestEditor t;
    TformPrint& console = t.console();

    void SetUp() override {
        t.Connect();
        t.pedal().ClearRecords();
        console.btnClearClick();
    }
    std::vector<Bytes> Sent() {
        std::vector<Bytes> sent;
        for (const EmulatedPedal::Message& m : t.pedal().Messages(t.clock.NowMs())) {
            sent.push_back(m.bytes);
        }
        return sent;
    }
    void Range(const char* start, const char* end) {
        console.edtStartAddress->setText(start);
        console.edtEndAddress->setText(end);
    }
};

TEST_F(ConsoleTest, EraseAsksFirstAndSendsTheRange) {
    t.dialogs.answers = {false, true};
    console.btnEraseEeprom->click();
    EXPECT_TRUE(Sent().empty());
    t.pedal().state.eeprom[5] = 0x42;
    console.btnEraseEeprom->click();
    EXPECT_EQ(t.dialogs.questions, Lines(2, "Erase EEPROM addresses 0 to 16383?"));
    EXPECT_EQ(t.LogLines(), (Lines{"5", "0B00003FFF"}));
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x0B, 0x00, 0x00, 0x3F, 0xFF}}));
    EXPECT_EQ(t.pedal().state.eeprom[5], 0xFF);
    EXPECT_EQ(t.clock.pauses.back(), 100);
}

TEST_F(ConsoleTest, ReadLabelsTheLinesByAddressThenByIndexAgain) {
    for (std::size_t a = 256; a <= 259; ++a) {
        t.pedal().state.eeprom[a] = static_cast<std::uint8_t>(a - 250);
    }
    Range("256", "259");
    console.btnReadEEPROM->click();
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x0C, 0x01, 0x00, 0x01, 0x03}}));
    EXPECT_EQ(t.LogLines(), (Lines{"5", "0C01000103", "num of bytes received: 4", "256:    06",
                                   "257:    07", "258:    08", "259:    09"}));
    EXPECT_EQ(console.lblReadProgress->text(), "4/4");
    EXPECT_FALSE(t.modules().communication.replyLogWithAddress);
    t.main().btnRequest->click();
    const Lines log = t.LogLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "0:    05"), log.end());
}

// The whole EEPROM arrives in many pieces; all of it, in order, nothing stale.
TEST_F(ConsoleTest, AFullDumpArrivesWhole) {
    for (std::size_t a = 0; a < t.pedal().state.eeprom.size(); ++a) {
        t.pedal().state.eeprom[a] = static_cast<std::uint8_t>(a * 7 + a / 256);
    }
    t.pedal().Send({'9', '9', '\r', '\n'}, t.clock.NowMs()); // left over from before
    EXPECT_TRUE(t.modules().eeprom.ReadEeprom("0", "16383"));
    const Bytes& dump = t.modules().eeprom.dump;
    EXPECT_EQ(dump, t.pedal().state.eeprom);
    EXPECT_EQ(t.LogLines().back(), "16383:    " + HexField(dump.back(), 2));
    EXPECT_EQ(console.lblReadProgress->text(), "16384/16384");
    EXPECT_TRUE(t.dialogs.messages.empty());
}

TEST_F(ConsoleTest, AShortDumpIsReportedWithItsCount) {
    t.pedal().InjectFault(EmulatedPedal::Fault::ShortReply, 5 * 4); // four values' bytes
    EXPECT_FALSE(t.modules().eeprom.ReadEeprom("0", "9"));
    EXPECT_EQ(t.dialogs.messages, Lines{"Incomplete EEPROM read: 4 of 10 values"});
}

TEST_F(ConsoleTest, BadRangesAreRefusedAndNothingIsSent) {
    struct Case {
        const char* start;
        const char* end;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"70000", "70001", "Start address must be a whole number from 0 to 65535: 70000"},
        {"0", "65536", "End address must be a whole number from 0 to 65535: 65536"},
        {"-1", "3", "Start address must be a whole number from 0 to 65535: -1"},
        {"x", "3", "Start address must be a whole number from 0 to 65535: x"},
        {"", "3", "Start address must be a whole number from 0 to 65535: "},
        {"300", "200", "Start address 300 is after end address 200"},
    };
    for (const Case& c : cases) {
        Range(c.start, c.end);
        console.btnEraseEeprom->click();
        console.btnReadEEPROM->click();
        EXPECT_EQ(t.dialogs.messages, Lines(2, c.message)) << c.start;
        t.dialogs.messages.clear();
    }
    EXPECT_TRUE(t.dialogs.questions.empty());
    EXPECT_TRUE(Sent().empty());
    // The last accepted values at the edge.
    Range("65535", "65535");
    console.btnEraseEeprom->click();
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x0B, 0xFF, 0xFF, 0xFF, 0xFF}}));
}

TEST_F(ConsoleTest, TheRawWriteSendsOnlyAWholeMessage) {
    console.edtAddress->setText("0010");
    console.edtData->setText("0000FFFF");
    console.btnSend->click();
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x01, 0x00, 0x10, 0x00, 0x00, 0xFF, 0xFF}}));
    EXPECT_EQ(t.LogLines(), Lines{"0100100000FFFF"});
    const std::vector<std::pair<const char*, const char*>> bad = {
        {"addr", "data"}, {"00100", "000FFFF"}, {"001", "0000FFFF"}, {"0010", "0000FFFG"}};
    t.pedal().ClearRecords();
    for (const auto& [address, data] : bad) {
        console.edtAddress->setText(address);
        console.edtData->setText(data);
        console.btnSend->click();
        const std::string refused =
            "Not a valid hexadecimal message: 01" + std::string(address) + data;
        EXPECT_EQ(t.dialogs.messages.back(), refused);
        EXPECT_EQ(t.LogLines().back(), refused); // logged like every refused message
    }
    EXPECT_TRUE(Sent().empty());
}

// The calculator's printed lines, exactly.
TEST(Calculator, PrintsTheTableOfTheChosenFilter) {
    RecordingLog log;
    ScriptedDialogs dialogs;
    CoefficientCalculator calculator(log, dialogs);
    calculator.ChooseNote(0);
    ASSERT_TRUE(calculator.ComputeCoefficients());
    EXPECT_DOUBLE_EQ(calculator.noteFrequency, 55.0);
    EXPECT_EQ(log.lines,
              (Lines{"A1_6db_cut_Q11 : array[0..19] of string =", "('00', '7F', 'F8', '73', ",
                     "'FF', '00', '1F', 'FA', ", "'00', '7F', 'E9', '46', ",
                     "'00', 'FF', 'E0', '06', ", "'FF', '80', '1E', '48');"}));

    // D#2 with the tuning tables' first group: table 1, byte for byte.
    log.lines.clear();
    calculator.ChooseNote(6);
    ASSERT_TRUE(calculator.ComputeCoefficients());
    std::string printed;
    for (std::size_t i = 1; i < log.lines.size(); ++i) {
        for (char c : log.lines[i]) {
            printed += std::isxdigit(static_cast<unsigned char>(c)) != 0 ? std::string(1, c) : "";
        }
    }
    // D#2 is table 1's note: its published row.
    EXPECT_EQ(printed, "007FF552FF002E35007FDFDD00FFD1CBFF802AD0");

    log.lines.clear();
    calculator.ChooseNote(12);
    ASSERT_TRUE(calculator.SetQ("1.41"));
    ASSERT_TRUE(calculator.SetGain("0"));
    ASSERT_TRUE(calculator.ComputeCoefficients());
    EXPECT_EQ(log.lines,
              (Lines{"Q: 1.41", "boost: 0",
                     "A2_0db_boost_Q1.41 : array[0..19] of string =", "('00', '80', '00', '00', ",
                     "'FF', '01', '53', 'AD', ", "'00', '7E', 'B3', '15', ",
                     "'00', 'FE', 'AC', '53', ", "'FF', '81', '4C', 'EB');"}));
    log.lines.clear();
    ASSERT_TRUE(calculator.SetGain("6"));
    ASSERT_TRUE(calculator.ComputeCoefficients());
    EXPECT_EQ(log.lines[1], "A2_6db_boost_Q1.41 : array[0..19] of string =");
}

TEST(Calculator, RefusesWhatItCannotCompute) {
    RecordingLog log;
    ScriptedDialogs dialogs;
    CoefficientCalculator calculator(log, dialogs);
    EXPECT_FALSE(calculator.SetQ("1.4x"));
    EXPECT_EQ(dialogs.messages.back(), "'1.4x' is not a valid floating point value");
    EXPECT_EQ(calculator.filterQ, 11.0);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0", "Cannot compute the filter: Q must be greater than 0: 0"},
        {"-2", "Cannot compute the filter: Q must be greater than 0: -2"},
    };
    for (const auto& [q, message] : cases) {
        ASSERT_TRUE(calculator.SetQ(q));
        log.lines.clear();
        EXPECT_FALSE(calculator.ComputeCoefficients());
        EXPECT_EQ(dialogs.messages.back(), message);
        EXPECT_TRUE(log.lines.empty());
    }
    ASSERT_TRUE(calculator.SetQ("11"));
    ASSERT_TRUE(calculator.SetGain("1000"));
    log.lines.clear();
    EXPECT_FALSE(calculator.ComputeCoefficients());
    EXPECT_EQ(dialogs.messages.back(),
              "Cannot compute the filter: the filter cannot be held in 32 bits with gain 1000 dB "
              "and Q 11");
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(ConsoleTest, TheCalculatorFieldsShowWhatIsInEffect) {
    EXPECT_EQ(console.edtQ->text(), "11");
    EXPECT_EQ(console.edtBoost->text(), "-6");
    EXPECT_EQ(console.cmbNotePicker->count(), 48);
    EXPECT_EQ(console.cmbNotePicker->itemText(12), "A2");
    EXPECT_EQ(console.cmbNotePicker->itemText(47), "G#5");
    console.btnGetNoteFrequency->click();
    EXPECT_EQ(t.LogLines().front(), "A1_6db_cut_Q11 : array[0..19] of string =");
    // The filter is plotted beside the table, its note marked.
    ASSERT_TRUE(console.formFilterResponse->isVisible());
    const QChart* chart = console.formFilterResponse->chartView->chart();
    EXPECT_EQ(chart->title(), "A1, Q 11, -6 dB");
    EXPECT_EQ(chart->series().size(), 2);
    EXPECT_EQ(chart->series().back()->name(), "A1");
}

// A canonical mono 24-bit WAV: the RIFF header, "fmt " and "data".
std::string Wav(const std::string& samples, int bits = 24, const std::string& before = "") {
    const auto le32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8),
                           static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
    };
    const auto le16 = [](std::uint16_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8)};
    };
    const std::string fmt = "fmt " + le32(16) + le16(1) + le16(1) + le32(48000) +
                            le32(48000 * bits / 8) + le16(static_cast<std::uint16_t>(bits / 8)) +
                            le16(static_cast<std::uint16_t>(bits));
    const std::string data = "data" + le32(static_cast<std::uint32_t>(samples.size())) + samples;
    const std::string body = "WAVE" + before + fmt + data;
    return "RIFF" + le32(static_cast<std::uint32_t>(body.size())) + body;
}

TEST(ImpulseResponse, SamplesBecomeSignExtendedWords) {
    RecordingLog log;
    EXPECT_EQ(ConvertIRSamples("000080FFFF7F", 24, 2, log), "FF800000007FFFFF");
    EXPECT_EQ(ConvertIRSamples("11223384", 32, 1, log), "FF843322");
    EXPECT_EQ(ConvertIRSamples("0000", 16, 1, log), "");
    EXPECT_EQ(log.lines, (Lines{"FF800000", "007FFFFF", "FF843322"}));

    const IrAlgorithm& plain = *FindIrAlgorithm("Plain Hollow Box");
    const std::string image(9000, 'A');
    const std::string words(912 * 8, 'B');
    const std::string spliced = SpliceImpulseResponse(image, words, plain);
    EXPECT_EQ(spliced.size(), image.size());
    EXPECT_EQ(spliced.substr(0, 460), image.substr(0, 460));
    EXPECT_EQ(spliced.substr(460, 7296), words); // characters 461-7756
    EXPECT_EQ(spliced.substr(7756), image.substr(7756));
}

TEST(ImpulseResponse, OnlyAWavFileIsRead) {
    std::string reason;
    const std::string good = Wav(std::string(12, '\x01'));
    const std::optional<WavFile> wav = ParseWav(good, reason);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->bitsPerSample, 24);
    EXPECT_EQ(wav->dataOffset, 44u);
    const std::string listed =
        Wav(std::string(12, '\x01'), 24, "LIST" + std::string("\x04\0\0\0", 4) + "INFO");
    ASSERT_TRUE(ParseWav(listed, reason));
    EXPECT_EQ(ParseWav(listed, reason)->dataOffset, 56u);

    std::string noFormat = good;
    noFormat.replace(12, 4, "junk");
    std::string pastEnd = good;
    pastEnd[40] = '\x7F'; // the data chunk claims more than there is
    // An odd-sized chunk and its pad byte before "fmt ".
    const std::string padded =
        Wav(std::string(12, '\x01'), 24, "junk" + std::string("\x03\0\0\0", 4) + "abc" + '\0');
    ASSERT_TRUE(ParseWav(padded, reason)) << reason;
    EXPECT_EQ(ParseWav(padded, reason)->dataOffset, 56u);
    for (char more = 1; more <= 8; ++more) {
        std::string claims = good;
        claims[40] = static_cast<char>(12 + more);
        EXPECT_FALSE(ParseWav(claims, reason)) << int{more};
    }
    const std::vector<std::pair<std::string, std::string>> bad = {
        {good.substr(0, 10), "it does not begin with RIFF and WAVE"},
        {"RIFX" + good.substr(4), "it does not begin with RIFF and WAVE"},
        {good.substr(0, 40), "there is no \"data\" chunk"},
        {pastEnd, "the \"data\" chunk's size (127) runs past the end of the file"},
        {noFormat, "the \"data\" chunk comes before the \"fmt \" chunk"},
    };
    for (const auto& [file, why] : bad) {
        EXPECT_FALSE(ParseWav(file, reason)) << why;
        EXPECT_EQ(reason, why);
    }
}

TEST(ImpulseResponse, LoadIRIsThereOnceTheConsoleWasOpened) {
    TestEditor t;
    EXPECT_FALSE(t.main().menuLoadIR->isVisible());
    QTest::keyClick(&t.main(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(t.main().menuLoadIR->isVisible());
    EXPECT_TRUE(t.main().menuLoadIR->isEnabled());

    QTemporaryDir folder;
    const fs::path file = fs::path(folder.path().toStdString()) / "box.wav";
    std::string samples;
    for (int i = 0; i < 912; ++i) {
        samples += std::string("\x00\x00\x80", 3);
    }
    std::ofstream(file, std::ios::binary)
        << Wav(samples, 24, "LIST" + std::string("\x04\0\0\0", 4) + "INFO");
    t.modules().algorithms.selectedEffectName = "Plain Hollow Box";
    t.dialogs.fileNames.push_back(file);
    t.main().menuLoadIR->trigger();
    EXPECT_EQ(t.dialogs.fileDialogs.back().filter, "Wave Files (*.wav)");
    const Lines log = t.LogLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "Subchunk ID: LIST"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "Sample_Rate: 48000"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "Bits_per_sample: 24"), log.end());
    EXPECT_EQ(std::count(log.begin(), log.end(), "FF800000"), 912);
    // The known algorithm's image is not carried: the splice ends there, shown.
    EXPECT_EQ(t.dialogs.messages.back(), "Resource Plain_Hollow_Box not found");

    // A broken file changes nothing.
    const std::string before = t.modules().impulseResponse.irData;
    std::ofstream(file, std::ios::binary) << "RIFF";
    t.dialogs.fileNames.push_back(file);
    t.main().menuLoadIR->trigger();
    EXPECT_EQ(t.dialogs.messages.back(),
              "Not a valid WAV file: it does not begin with RIFF and WAVE");
    EXPECT_EQ(t.modules().impulseResponse.irData, before);

    // Too few samples for the algorithm's space: refused, nothing spliced.
    std::ofstream(file, std::ios::binary) << Wav(samples.substr(0, 300 * 3));
    t.dialogs.fileNames.push_back(file);
    t.main().menuLoadIR->trigger();
    EXPECT_EQ(t.dialogs.messages.back(),
              "Too few samples: the file has 300, Plain Hollow Box takes 912");
    EXPECT_EQ(t.modules().impulseResponse.irData, before);
    EXPECT_TRUE(t.modules().impulseResponse.irAlgorithmText.empty());
}

TEST(ImpulseResponse, TheEditorsOwnAlgorithmConvertsNothing) {
    TestEditor t;
    QListWidget* list = t.main().lstEffects;
    list->setCurrentRow(0);
    emit list->itemClicked(list->item(0));
    QTemporaryDir folder;
    const fs::path file = fs::path(folder.path().toStdString()) / "ir.wav";
    std::ofstream(file, std::ios::binary) << Wav(std::string(30, '\x10'));
    ASSERT_TRUE(t.modules().impulseResponse.LoadFile(file, "Corvid MK3 0008"));
    const Lines log = t.LogLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "irdata: "), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "irdata swapped endianess: "), log.end());
    EXPECT_EQ(t.dialogs.messages.back(),
              "Selected file data:\r\nName: ir.wav\r\nSize: 74\r\nSample rate: 48000\r\nBits per "
              "sample: 24");
}

} // namespace
} // namespace corvid::testing
