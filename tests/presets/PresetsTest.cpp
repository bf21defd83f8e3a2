#include "presets/Presets.h"
#include "link/HexMessage.h"
#include "parameters/TformFXsettings.h"
#include "support/Digest.h"
#include "support/Fixtures.h"
#include "widgets/RotaryDial.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <csignal>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace corvid::testing {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string kBom = "\xEF\xBB\xBF";

std::string Join(const Lines& lines, const std::string& separator) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += (i > 0 ? separator : "") + lines[i];
    }
    return text;
}

Lines NumberedLines(std::size_t count) {
    Lines lines;
    for (std::size_t i = 0; i < count; ++i) {
        lines.push_back("0000000" + std::string(1, static_cast<char>('0' + i % 10)));
    }
    return lines;
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(PresetFormat, AcceptsOnlyAPresetInEveryLineEnding) {
    Lines lines = NumberedLines(15);
    lines[0] = "00ABCDEF";
    lines[1] = "abcdef01";
    PresetValues expected{};
    for (std::size_t i = 0; i < 15; ++i) {
        expected[i] = static_cast<std::uint32_t>(std::stoul(lines[i], nullptr, 16));
    }
    EXPECT_EQ(expected[0], 0x00ABCDEFu);
    EXPECT_EQ(expected[1], 0xABCDEF01u);
    for (const std::string& file :
         {kBom + Join(lines, "\r"), Join(lines, "\n") + "\n", kBom + Join(lines, "\r\n") + "\r\n",
          Join(lines, "\r\n"), Join(lines, "\r") + "\r"}) {
        std::string error;
        EXPECT_EQ(ParsePreset(file, error), expected) << error;
    }

    Lines nine = NumberedLines(15);
    nine[0] = "000000000";
    Lines letter = NumberedLines(15);
    letter[6] = "0000G000";
    Lines blank = NumberedLines(15);
    blank[14] = "";
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"", "the file is empty"},
        {kBom, "the file is empty"},
        {Join(NumberedLines(3), "\r"), "the file has 3 lines, a preset has 15 (line 4 is missing)"},
        {Join(NumberedLines(14), "\r"),
         "the file has 14 lines, a preset has 15 (line 15 is missing)"},
        {Join(NumberedLines(16), "\r"), "line 16: a preset has 15 lines"},
        {Join(NumberedLines(15), "\r") + "\r\r", "line 16: a preset has 15 lines"},
        {Join(nine, "\r"), "line 1 has 9 characters, not 8: \"000000000\""},
        {Join(letter, "\n"), "line 7 is not 8 hexadecimal digits: \"0000G000\""},
        {Join(blank, "\r"), "the file has 14 lines, a preset has 15 (line 15 is missing)"},
        {Join(NumberedLines(15), "\r").replace(0, 1, " "),
         "line 1 is not 8 hexadecimal digits: \" 0000000\""},
    };
    for (const auto& [file, reason] : bad) {
        std::string error;
        EXPECT_FALSE(ParsePreset(file, error)) << reason;
        EXPECT_EQ(error, reason);
    }
}

// A saved preset's 137 bytes, pinned against a known file rather than rebuilt from the writer.
TEST(PresetFormat, ASavedPresetIsTheKnownBytes) {
    ParameterSet parameters;
    for (std::size_t slot = 0; slot < presetLineCount; ++slot) {
        parameters.Value(slot) = 0x01234567u + static_cast<std::uint32_t>(slot) * 0x00010001u;
    }
    QTemporaryDir folder;
    const fs::path file = fs::path(folder.path().toStdString()) / "known.txt";
    std::string error;
    ASSERT_TRUE(WritePresetBytes(file, BuildPresetText(parameters), error)) << error;
    const std::string bytes = ReadBytes(file);
    ASSERT_EQ(bytes.size(), 137u);
    EXPECT_EQ(bytes.substr(0, 14), kBom + "01234567\r01");
    EXPECT_EQ(Sha256(bytes), kPresetSha256);
}

TEST(PresetFormat, SwapHexBytesReversesTheGroupsThatAreThere) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"00ABCDEF", "EFCDAB00"}, {"12345678", "78563412"}, {"ABC", "CAB"}, {"", ""}};
    for (const auto& [field, swapped] : cases) {
        EXPECT_EQ(SwapHexBytes(field), swapped) << field;
    }
    ParameterSet parameters;
    ApplyPresetText(PresetLogText(PresetValues{0x00ABCDEF, 0xABCDEF01}), parameters);
    EXPECT_EQ(parameters.Value(0), 0x00ABCDEFu);
    EXPECT_EQ(parameters.Value(1), 0xABCDEF01u);
}

// An editor with the effect clicked and the pedal connected, and a folder for preset files.
struct PresetsTest : ::testing::Test {
    TestEditor t;
    TformFXsettings& w = *t.editor->formFXsettings;
    FXsettings& fx = t.modules().fx;
    fs::path folder;

    void SetUp() override {
        QListWidget* list = t.main().lstEffects;
        list->setCurrentRow(0);
        emit list->itemClicked(list->item(0));
        t.Connect();
        t.pedal().ClearRecords();
        folder = fs::path(t.Documents()) / "KALVO" / "Corvid MK3" / "Preset";
    }
    PresetValues Values() const {
        PresetValues values{};
        for (std::size_t slot = 0; slot < values.size(); ++slot) {
            values[slot] = fx.state.parameters.Value(slot);
        }
        return values;
    }
    void Save(const fs::path& path) {
        t.dialogs.fileNames.push_back(path);
        t.main().menuSavePreset->trigger();
    }
    void Load(const fs::path& path) {
        t.dialogs.fileNames.push_back(path);
        t.main().menuLoadPreset->trigger();
    }
};

TEST_F(PresetsTest, SaveWritesTheFormatAndLoadBringsTheValuesBack) {
    w.dialInputLevel->setAngle(90);
    w.cmbVariableWavePitch->setCurrentIndex(5);
    const PresetValues saved = Values();
    const fs::path file = folder / "warm.txt";
    Save(file);

    ASSERT_EQ(t.dialogs.fileDialogs.size(), 1u);
    const FileDialogRequest& request = t.dialogs.fileDialogs.front();
    EXPECT_EQ(request.title, "Save Preset File");
    EXPECT_EQ(request.filter, "Preset files (*.txt)");
    EXPECT_EQ(request.defaultSuffix, "txt");
    EXPECT_EQ(request.folder, folder);
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(t.dialogs.messages.back(), "File saved successfully: " + file.string());
    const std::string bytes = ReadBytes(file);
    ASSERT_EQ(bytes.size(), 137u);
    EXPECT_EQ(bytes.substr(0, 3), kBom);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), 14);
    EXPECT_NE(bytes.back(), '\r');

    w.dialInputLevel->setAngle(-90);
    w.cmbVariableWavePitch->setCurrentIndex(0);
    const std::uint32_t turned = fx.state.parameters.Value(slot::InputLevel);
    t.pedal().ClearRecords();
    Load(file);
    EXPECT_EQ(t.dialogs.fileDialogs.back().title, "Open Preset File");
    EXPECT_EQ(t.dialogs.messages.back(), "File loaded successfully: " + file.string());
    EXPECT_EQ(Values(), saved);
    EXPECT_EQ(w.dialInputLevel->angle(), LevelToDialAngle(saved[slot::InputLevel], levelScale));
    EXPECT_EQ(w.cmbVariableWavePitch->currentIndex(), 5);
    // The controls send what they now show, as a user's change would.
    const auto writes = t.pedal().MessagesWithCommand(0x01, t.clock.NowMs());
    EXPECT_FALSE(writes.empty());
    EXPECT_EQ(t.pedal().state.values[slot::InputLevel], saved[slot::InputLevel]);

    const Lines log = t.LogLines();
    const auto text = std::find(log.begin(), log.end(), HexField(saved[0], 8));
    ASSERT_NE(text, log.end());
    EXPECT_EQ(*(text + 14), HexField(saved[14], 8));
    EXPECT_EQ(*(text + 15), ""); // every line of the loaded text ends with a line break
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "Input Level: " + HexField(turned, 8) + " \u2192 " +
                            HexField(saved[slot::InputLevel], 8)),
              log.end());
}

TEST_F(PresetsTest, AFileThatIsNotAPresetChangesNothing) {
    const std::vector<std::pair<std::string, std::string>> files = {
        {Join(NumberedLines(3), "\r"), "line 4 is missing"},
        {Join(NumberedLines(15), "\r").insert(0, "0"), "line 1 has 9 characters"},
        {Join(NumberedLines(15), "\r").replace(20, 1, "x"), "line 3 is not 8 hexadecimal digits"},
        {Join(NumberedLines(16), "\r"), "line 16: a preset has 15 lines"},
        {"", "the file is empty"},
    };
    w.dialInputLevel->setAngle(45);
    const PresetValues before = Values();
    for (const auto& [bytes, reason] : files) {
        const fs::path file = fs::path(t.Documents()) / "bad.txt";
        WriteBytes(file, bytes);
        t.pedal().ClearRecords();
        Load(file);
        ASSERT_FALSE(t.dialogs.messages.empty());
        EXPECT_EQ(t.dialogs.messages.back().rfind("Error loading file: ", 0), 0u);
        EXPECT_NE(t.dialogs.messages.back().find(reason), std::string::npos)
            << t.dialogs.messages.back();
        EXPECT_EQ(Values(), before) << reason;
        EXPECT_EQ(t.LogLines().back(), "");
    }
    // A file that is not there is reported the same way.
    Load(fs::path(t.Documents()) / "missing.txt");
    EXPECT_EQ(t.dialogs.messages.back().rfind("Error loading file: ", 0), 0u);
    EXPECT_EQ(Values(), before);
}

TEST_F(PresetsTest, CancellingEitherDialogWritesAndShowsNothing) {
    const std::size_t lines = t.LogLines().size();
    t.main().menuSavePreset->trigger();
    EXPECT_TRUE(fs::is_empty(folder));
    const PresetValues before = Values();
    t.main().menuLoadPreset->trigger();
    EXPECT_TRUE(t.dialogs.messages.empty());
    EXPECT_EQ(Values(), before);
    // Loading still logs the (empty) text and shows the values again.
    EXPECT_EQ(t.LogLines().size(), lines + 1);
    EXPECT_EQ(t.LogLines().back(), "");
}

// A write that fails half way (here: a file size limit, as a full disk would) leaves the
// preset that was there as it was.
TEST_F(PresetsTest, AFailedSaveLeavesTheOldFileAlone) {
    const fs::path file = folder / "keep.txt";
    Save(file);
    const std::string old = ReadBytes(file);
    w.dialInputLevel->setAngle(120);

#ifdef _WIN32
    GTEST_SKIP() << "a file size limit is POSIX's";
#else
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tiny = saved;
    tiny.rlim_cur = 16;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &tiny);
    Save(file);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(t.dialogs.messages.back().rfind("Error saving file: ", 0), 0u)
        << t.dialogs.messages.back();
    EXPECT_EQ(ReadBytes(file), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
#endif
}

TEST_F(PresetsTest, APresetFolderThatCannotBeMadeIsReported) {
    fs::remove_all(folder);
    WriteBytes(folder, "in the way");
    t.main().menuSavePreset->trigger();
    t.main().menuLoadPreset->trigger();
    EXPECT_TRUE(t.dialogs.fileDialogs.empty());
    ASSERT_EQ(t.dialogs.messages.size(), 2u);
    EXPECT_EQ(t.dialogs.messages[0].rfind("Error creating folder: ", 0), 0u);
}

TEST_F(PresetsTest, RecentPresetsAreKeptAndLoadFromTheMenu) {
    for (int i = 1; i <= 6; ++i) {
        Save(folder / ("p" + std::to_string(i) + ".txt"));
    }
    Load(folder / "p2.txt");
    t.main().menuRecentPresets->aboutToShow();
    QStringList captions;
    for (QAction* item : t.main().menuRecentPresets->actions()) {
        captions << item->text();
    }
    EXPECT_EQ(captions,
              (QStringList{"&1 p2.txt", "&2 p6.txt", "&3 p5.txt", "&4 p4.txt", "&5 p3.txt"}));

    // The next start finds the same list, and an item loads its file.
    TestEditor next([&](TestEditor& e) {
        fs::copy(fs::path(t.Documents()) / "KALVO", fs::path(e.Documents()) / "KALVO",
                 fs::copy_options::recursive);
    });
    next.main().menuRecentPresets->aboutToShow();
    QAction* first = next.main().menuRecentPresets->actions().front();
    EXPECT_EQ(first->text(), "&1 p2.txt");
    first->trigger();
    EXPECT_EQ(next.dialogs.messages.back(),
              "File loaded successfully: " + (folder / "p2.txt").string());
}

TEST_F(PresetsTest, AFileDroppedOnAWindowLoads) {
    w.dialInputLevel->setAngle(90);
    const fs::path file = folder / "dropped.txt";
    Save(file);
    w.dialInputLevel->setAngle(0);

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    QApplication::processEvents();
    // Named in the system's own separators.
    EXPECT_EQ(t.dialogs.messages.back(),
              "File loaded successfully: " + fs::path(file).make_preferred().string());
    EXPECT_EQ(fx.state.parameters.Value(slot::InputLevel), DialAngleToValue(90));

    QMimeData two;
    two.setUrls({QUrl::fromLocalFile("/a.txt"), QUrl::fromLocalFile("/b.txt")});
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &two, Qt::LeftButton, Qt::NoModifier);
    refused.ignore();
    QApplication::sendEvent(&t.main(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

} // namespace
} // namespace corvid::testing
