#include "presets/Backup.h"
#include "core/DiagnosticReport.h"
#include "core/PlainViews.h"
#include "core/Session.h"
#include "support/CoreFixture.h"
#include "support/Fixtures.h"

#include <QAction>
#include <QDate>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace corvid::testing {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// A session over its own emulated pedal, connected, as the command line runs one.
struct PedalSession : CoreSession {
    PedalSession() { Connect(); }
};

void Configure(EmulatedPedal::State& s) {
    for (std::size_t slot = 0; slot < s.values.size(); ++slot) {
        s.values[slot] = 0x00010000u * static_cast<std::uint32_t>(slot + 1) + 0x55;
    }
    s.values[slot::Range] = 0; // no DSP address: it cannot be written, so both pedals agree
    s.footswitchMode = 2;
    s.tuning = 1;
    s.controlFlags = {1, 0, 1, 0, 1};
    s.controlWords = {0x0038, 0xFFFF, 0x0044, 0xFFFF, 0xFFFE};
}

TEST(Backup, RestoringOnePedalsBackupMakesAnotherEqual) {
    PedalSession from;
    Configure(from.driver.pedal.state);
    QTemporaryDir folder;
    const fs::path file = fs::path(folder.path().toStdString()) / "a.json";
    ASSERT_TRUE(from.modules().backups.BackUp(file));

    PedalSession to;
    ASSERT_TRUE(to.modules().backups.Restore(file))
        << (to.dialogs.messages.empty() ? "" : to.dialogs.messages.back());
    EXPECT_TRUE(to.modules().backups.differences.empty());
    const EmulatedPedal::State& a = from.driver.pedal.state;
    const EmulatedPedal::State& b = to.driver.pedal.state;
    EXPECT_EQ(b.values, a.values);
    EXPECT_EQ(b.footswitchMode, a.footswitchMode);
    EXPECT_EQ(b.tuning, a.tuning);
    EXPECT_EQ(b.controlFlags, a.controlFlags);
    EXPECT_EQ(b.controlWords, a.controlWords);
    EXPECT_TRUE(to.driver.pedal.Unexpected(to.clock.NowMs()).empty());
}

TEST(Backup, ABadFileIsRefusedAndNothingIsSent) {
    PedalSession source;
    QTemporaryDir folder;
    const fs::path good = fs::path(folder.path().toStdString()) / "good.json";
    ASSERT_TRUE(source.modules().backups.BackUp(good));
    std::ifstream in(good);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto changed = [&](const std::string& from, const std::string& to) {
        std::string copy = text;
        const std::size_t at = copy.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return copy.replace(at, from.size(), to);
    };
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"{ not json", "not a backup: "},
        {"[1, 2]", "not a backup: no JSON object"},
        {changed("corvid-mk3-backup", "something-else"), "not a Corvid MK3 backup"},
        {changed("\"formatVersion\": 1", "\"formatVersion\": 2"),
         "format version 2 is not known to this editor (it reads version 1)"},
        {changed("\"footswitchMode\": 0", "\"footswitchMode\": 4"),
         "footswitchMode must be a whole number from 0 to 3"},
        {changed("\"tuning\": 0", "\"tuningX\": 0"), "tuning is missing"},
        {changed("\"name\": \"Dry\"", "\"name\": \"Wet\""),
         "parameter 1 must be \"Dry\" with a value of 8 hex digits"},
        {changed("\"value\": \"00000000\"", "\"value\": \"0000000G\""),
         "parameter 1 must be \"Dry\" with a value of 8 hex digits"},
    };
    PedalSession target;
    for (const auto& [content, reason] : cases) {
        const fs::path file = fs::path(folder.path().toStdString()) / "bad.json";
        std::ofstream(file) << content;
        target.driver.pedal.ClearRecords();
        EXPECT_FALSE(target.modules().backups.Restore(file)) << reason;
        ASSERT_FALSE(target.dialogs.messages.empty());
        EXPECT_EQ(target.dialogs.messages.back().rfind("Error loading file: " + reason, 0), 0u)
            << target.dialogs.messages.back();
        EXPECT_TRUE(target.driver.pedal.ReceivedBytes().empty()) << reason;
    }
}

TEST(Backup, ADifferentAlgorithmVersionIsAskedAbout) {
    PedalSession from;
    QTemporaryDir folder;
    const fs::path file = fs::path(folder.path().toStdString()) / "a.json";
    ASSERT_TRUE(from.modules().backups.BackUp(file));
    PedalSession to;
    to.driver.pedal.state.algorithmVersion = 0x0009;
    to.dialogs.answers = {false};
    EXPECT_FALSE(to.modules().backups.Restore(file));
    EXPECT_EQ(to.dialogs.questions.back(),
              "The backup was made with algorithm version 0008; the pedal has 0009. Restore "
              "anyway?");
    EXPECT_TRUE(to.driver.pedal.MessagesWithCommand(0x01, to.clock.NowMs()).empty());
}

// Info -> Save Diagnostic Report writes the report where the user chose, or says why not.
TEST(Backup, TheReportIsSavedOrTheFailureSaid) {
    TestEditor t;
    const fs::path saved = fs::path(t.Documents()) / "report.txt";
    const fs::path nowhere = fs::path(t.Documents()) / "missing" / "report.txt";
    for (const fs::path& file : {saved, nowhere}) {
        t.dialogs.fileNames.push_back(file);
        t.main().menuSaveReport->trigger();
    }
    ASSERT_EQ(t.dialogs.messages.size(), 2u);
    EXPECT_EQ(t.dialogs.messages[0], "File saved successfully: " + saved.string());
    std::ifstream in(saved);
    const std::string report((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(report.rfind("Corvid Editor diagnostic report\nWritten: ", 0), 0u);
    EXPECT_EQ(t.dialogs.messages[1].rfind("Error saving file: ", 0), 0u) << t.dialogs.messages[1];
    EXPECT_FALSE(fs::exists(nowhere));
}

TEST(Backup, ArmingUpgradeModeOffersABackupAndTheReportIsComplete) {
    TestEditor t;
    t.Connect();
    const fs::path file = fs::path(t.Documents()) / "before-upgrade.json";
    t.dialogs.answers = {true};
    t.dialogs.fileNames.push_back(file);
    t.main().menuFirmwareUpgradeMode->trigger();
    EXPECT_EQ(t.dialogs.questions.front(), "Back up the pedal's settings first?");
    EXPECT_EQ(t.dialogs.fileDialogs.back().title, "Back Up Pedal");
    EXPECT_EQ(t.dialogs.fileDialogs.back().folder.filename().string(),
              DefaultBackupName(EmulatedDriver::kSerialNumber,
                                QDate::currentDate().toString(Qt::ISODate).toStdString()));
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(t.dialogs.messages.back(), "File saved successfully: " + file.string());

    const std::string report = DiagnosticReport(t.core(), "the log");
    for (const std::string& part :
         {std::string("Editor version: 1.4"), std::string("Qt version: "), std::string("System: "),
          std::string("Serial ports:"), "device serial: " + EmulatedDriver::kSerialNumber,
          std::string("firmware upgrade mode: off"), std::string("firmware 05, algorithm 0008"),
          std::string("style.txt: (none)"), std::string("Debug console:\nthe log")}) {
        EXPECT_NE(report.find(part), std::string::npos) << part;
    }
}

} // namespace
} // namespace corvid::testing
