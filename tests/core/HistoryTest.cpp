#include "support/CoreFixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace corvid::testing {
namespace {

// A connected session whose pedal has values of its own and standard tuning.
struct HistoryTest : ::testing::Test, CoreSession {
    void SetUp() override {
        EmulatedPedal::State& s = pedal().state;
        for (std::size_t slot = 0; slot < s.values.size(); ++slot) {
            s.values[slot] = 0x00100000u + static_cast<std::uint32_t>(slot);
        }
        s.tuning = 1;
        Connect();
    }
    std::vector<HistoryEntry> Entries() const { return session.History().Entries(); }
};

// Before each operation that overwrites what the pedal stores, the state last read is kept,
// named by the operation; its file is a backup of what the pedal held then.
TEST_F(HistoryTest, EachOverwritingOperationKeepsThePedalAsLastRead) {
    PedalBackup saved;
    ASSERT_TRUE(session.ReadPedalState());
    const Result<std::string> read = session.BackUpText();
    ASSERT_TRUE(read);
    const std::string& text = read.value;
    std::string reason;
    const std::optional<PedalBackup> backup = ParseBackup(text, reason);
    ASSERT_TRUE(backup) << reason;
    const std::vector<std::pair<std::string, std::function<Result<>()>>> operations = {
        {"Save Parameters", [&] { return session.Store(); }},
        {"Assign", [&] { return session.AssignControl(0, 1); }},
        {"Set Footswitch Mode", [&] { return session.SetFootswitch(false, true); }},
        {"Set Tuning", [&] { return session.SetTuning(1); }},
        {"Restore", [&] { return session.Restore(*backup, "backup"); }},
    };
    for (const auto& [operation, run] : operations) {
        ASSERT_TRUE(run()) << operation;
    }
    const std::vector<HistoryEntry> entries = Entries();
    ASSERT_EQ(entries.size(), operations.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].operation, operations[i].first);
        const std::optional<PedalBackup> kept = PedalHistory::Read(entries[i], reason);
        ASSERT_TRUE(kept) << reason;
        EXPECT_EQ(kept->device.values, backup->device.values) << operations[i].first;
    }
    // Nothing was read between the first four; the restore read the pedal again, with the
    // assignment and the footswitch changed.
    EXPECT_EQ(session.History().Changes(3, session.state().parameters), std::vector<std::string>{});
    const std::vector<std::string> changed =
        session.History().Changes(4, session.state().parameters);
    // In the controls' terms, as a player reads them.
    EXPECT_EQ(changed, (std::vector<std::string>{
                           "Footswitch mode: before short press Bypass / long press Change "
                           "Preset, now short press Change Preset / long press Bypass",
                           "Control I: before Not Assigned, now Input Level"}));

    // An entry restores through the restore path.
    ASSERT_TRUE(session.SetParameter(slot::Dry, 0x00400000));
    ASSERT_TRUE(session.Restore(entries.front().file));
    EXPECT_EQ(pedal().state.values[slot::Dry], backup->device.values[slot::Dry]);
}

// Without a read in this connection there is nothing to keep: the log says so.
TEST_F(HistoryTest, NothingIsKeptWhenNothingWasRead) {
    ASSERT_TRUE(session.ReadPedalState());
    session.Disconnect();
    ASSERT_TRUE(session.Connect());
    ASSERT_TRUE(session.Store());
    EXPECT_TRUE(Entries().empty());
    EXPECT_NE(
        std::find(log.lines.begin(), log.lines.end(), "history: " + PedalHistory::kNothingRead),
        log.lines.end());
}

// The newest hundred stay.
TEST_F(HistoryTest, TheNewestHundredStay) {
    PedalBackup state;
    for (int i = 0; i < 101; ++i) {
        char time[32];
        std::snprintf(time, sizeof time, "2026-12-11T10:%02d:%02d.000Z", i / 60, i % 60);
        state.device.tuning = static_cast<std::uint8_t>(i % 2);
        ASSERT_TRUE(modules().history.Record(state, "Assign", time));
    }
    const std::vector<HistoryEntry> entries = Entries();
    ASSERT_EQ(entries.size(), PedalHistory::kKept);
    EXPECT_EQ(entries.front().time, "2026-12-11 10:00:01");
    EXPECT_EQ(entries.back().time, "2026-12-11 10:01:40");
    EXPECT_EQ(session.History().Changes(1, session.state().parameters),
              std::vector<std::string>{"Tuning: before Standard EADGBE, now No Tuning Selected"});
}

} // namespace
} // namespace corvid::testing
