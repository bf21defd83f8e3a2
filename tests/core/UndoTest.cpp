#include "link/PedalCommands.h"
#include "support/CoreFixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace corvid::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A connected session that has read its pedal: values of its own, standard tuning, nothing
// assigned.
struct UndoTest : ::testing::Test, CoreSession {
    void SetUp() override {
        EmulatedPedal::State& s = pedal().state;
        for (std::size_t slot = 0; slot < s.values.size(); ++slot) {
            s.values[slot] = 0x00100000u + static_cast<std::uint32_t>(slot);
        }
        s.tuning = 1;
        Connect();
        ASSERT_TRUE(session.ReadPedalState());
        pedal().ClearRecords();
    }
    EditableState Now() const { return EditableState::Of(session.state()); }
    // The DSP writes the pedal got since the last look, as (address, value).
    std::vector<Bytes> Writes() {
        std::vector<Bytes> writes;
        for (const Bytes& message : Messages()) {
            if (!message.empty() && message.front() == 0x01) {
                writes.push_back(message);
            }
        }
        pedal().ClearRecords();
        return writes;
    }
};

// Every kind of edit is one step, named in the menu; undoing sends the previous value once (a
// choice not yet stored sends nothing) and shows it; redoing sends the edit again.
TEST_F(UndoTest, EveryEditKindIsUndoneAndRedone) {
    FXsettings& fx = modules().fx;
    PresetValues preset{};
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        preset[slot] = 0x00200000u + static_cast<std::uint32_t>(slot);
    }
    struct Case {
        std::string name;
        std::function<void()> edit;
        std::size_t writes; // each way
    };
    const std::vector<Case> cases = {
        {"Dry", [&] { fx.DialTurned(slot::Dry, 90); }, 1},
        {"1st Harmonic Pitch", [&] { fx.PitchChosen(20); }, 1},
        {"Dominant Note Cut", [&] { fx.NoteCutTicked(slot::DominantNoteCut, true); }, 1},
        {"Low Pass", [&] { fx.SetParameter(slot::LowPass, 7); }, 1},
        {"Assignment", [&] { fx.ChooseAssignment(1, 2); }, 0},
        {"Footswitch", [&] { fx.FootswitchChosen(false, true); }, 0},
        {"Tuning", [&] { fx.TuningChosen(0); }, 0},
        // Every parameter with an address.
        {"Preset Load", [&] { session.LoadPresetValues(preset); }, 14},
    };
    for (const Case& c : cases) {
        const EditableState before = Now();
        c.edit();
        const EditableState after = Now();
        ASSERT_NE(before, after) << c.name;
        EXPECT_EQ(Writes().size(), c.writes) << c.name;
        EXPECT_EQ(fx.history.UndoText(), "Undo " + c.name);

        ASSERT_TRUE(session.Undo()) << c.name;
        EXPECT_EQ(Now(), before) << c.name;
        const std::vector<Bytes> back = Writes();
        EXPECT_EQ(back.size(), c.writes) << c.name;
        if (c.writes == 1) {
            const std::size_t slot = c.name == "Dry"                  ? slot::Dry
                                     : c.name == "1st Harmonic Pitch" ? slot::HarmonicPitch
                                     : c.name == "Low Pass"           ? slot::LowPass
                                                                      : slot::DominantNoteCut;
            EXPECT_EQ(back[0].back(), before.values[slot] & 0xFF) << c.name;
            EXPECT_EQ(pedal().state.values[slot], before.values[slot]) << c.name;
        }
        EXPECT_EQ(fx.history.RedoText(), "Redo " + c.name);

        ASSERT_TRUE(session.Redo()) << c.name;
        EXPECT_EQ(Now(), after) << c.name;
        EXPECT_EQ(Writes().size(), c.writes) << c.name;
        ASSERT_TRUE(session.Undo()) << c.name;
        Writes();
    }
    EXPECT_EQ(fx.history.UndoText(), "Undo");
    EXPECT_FALSE(session.Undo());
}

// A dial that keeps moving is one step; a pause, or another control, starts the next.
TEST_F(UndoTest, ADragIsOneStep) {
    FXsettings& fx = modules().fx;
    const EditableState start = Now();
    fx.DialTurned(slot::Dry, 40);
    clock.Sleep(200);
    fx.DialTurned(slot::Dry, 60);
    clock.Sleep(200);
    fx.DialTurned(slot::Dry, 80);
    const EditableState dragged = Now();
    clock.Sleep(EditHistory::kMergeMs + 1);
    fx.DialTurned(slot::Dry, 100);
    fx.DialTurned(slot::SubMix, 100);
    Writes();
    ASSERT_TRUE(session.Undo());
    ASSERT_TRUE(session.Undo());
    EXPECT_EQ(Now(), dragged);
    ASSERT_TRUE(session.Undo());
    EXPECT_EQ(Now(), start);
    EXPECT_EQ(Writes().size(), 3u); // one write a step
    EXPECT_FALSE(fx.history.CanUndo());
}

// Reading the pedal afresh, a new algorithm and Disconnect each end what could be undone.
TEST_F(UndoTest, TheStepsEndWithANewStart) {
    const std::vector<std::pair<std::string, std::function<bool()>>> events = {
        {"read", [&] { return session.ReadPedalState().done; }},
        {"upload", [&] { return session.UploadAlgorithm(session.SelectedAlgorithm()).done; }},
        {"disconnect", [&] { return session.Disconnect().done; }},
    };
    for (const auto& [name, event] : events) {
        modules().fx.DialTurned(slot::Dry, 30);
        modules().fx.DialTurned(slot::Dry, 120);
        ASSERT_TRUE(session.Undo()) << name; // something to redo, too
        modules().fx.TuningChosen(session.state().selectedTuning == 0 ? 1 : 0);
        ASSERT_TRUE(modules().fx.history.CanUndo()) << name;
        ASSERT_TRUE(event()) << name;
        EXPECT_FALSE(modules().fx.history.CanUndo()) << name;
        EXPECT_FALSE(modules().fx.history.CanRedo()) << name;
    }
}

} // namespace
} // namespace corvid::testing
