#include "link/FtdiDriver.h"
#include "support/CoreFixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace corvid::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A connected session whose pedal has values of its own, Input Level on Control I and a tuning.
struct PedalStateTest : ::testing::Test, CoreSession {
    void SetUp() override {
        EmulatedPedal::State& s = pedal().state;
        for (std::size_t slot = 0; slot < s.values.size(); ++slot) {
            s.values[slot] = 0x00100000u + static_cast<std::uint32_t>(slot);
        }
        s.footswitchMode = 1;
        s.tuning = 1;
        s.controlFlags = {1, 0, 0, 0, 0};
        s.controlWords = {0x000A, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
        Connect();
        pedal().ClearRecords();
    }
    std::array<std::uint32_t, parameterCount> Values() const {
        std::array<std::uint32_t, parameterCount> values{};
        for (std::size_t slot = 0; slot < parameterCount; ++slot) {
            values[slot] = session.state().parameters.Value(slot);
        }
        return values;
    }
};

TEST_F(PedalStateTest, ReadingRecordsThePedalAndSendsOnlyTheRequest) {
    ASSERT_TRUE(session.ReadPedalState());
    EXPECT_EQ(Messages(), std::vector<Bytes>{(Bytes{0x02, 0x00})});
    const PedalState& state = session.state();
    EXPECT_EQ(Values(), pedal().state.values);
    EXPECT_EQ(state.assignment, (std::array<int, controlCount>{1, 0, 0, 0, 0}));
    EXPECT_TRUE(state.parameters.Assignable(slot::InputLevel)->is_assigned);
    EXPECT_TRUE(state.shortPressBypass);
    EXPECT_TRUE(state.longPressBypass);
    EXPECT_EQ(state.selectedTuning, 1);
    EXPECT_EQ(state.values, Origin::Pedal);
    EXPECT_EQ(state.assignments, Origin::Pedal);
    ASSERT_TRUE(state.deviceInfo.has_value());
    EXPECT_EQ(state.deviceInfo->firmwareVersion, 5);
}

// What an operation stores is what the next read shows: one state for every front end.
TEST_F(PedalStateTest, WhatIsStoredIsWhatIsReadBack) {
    ASSERT_TRUE(session.ReadPedalState());
    ASSERT_TRUE(session.AssignControl(1, 3)); // Control II: Wave Clip
    ASSERT_TRUE(session.SetFootswitch(false, false));
    ASSERT_TRUE(session.SetTuning(0));
    EXPECT_EQ(session.state().assignments, Origin::Pedal);
    ASSERT_TRUE(session.ReadPedalState());
    EXPECT_EQ(session.state().assignment, (std::array<int, controlCount>{1, 3, 0, 0, 0}));
    EXPECT_EQ(AssignmentEntryText(1, session.state().assignment[1]), "Wave Clip");
    EXPECT_FALSE(session.state().shortPressBypass);
    EXPECT_FALSE(session.state().longPressBypass);
    EXPECT_EQ(session.state().footswitchMode, 2);
    EXPECT_EQ(session.state().selectedTuning, 0);
}

// Loading writes everything: every parameter with an address that is not assigned gets exactly
// the preset's value, whatever the editor showed before; the assigned one is named, not sent.
TEST_F(PedalStateTest, APresetLoadSendsEveryUnassignedParameterWithAnAddress) {
    ASSERT_TRUE(session.ReadPedalState());
    pedal().ClearRecords();
    dialogs.messages.clear();
    PresetValues preset{};
    for (std::size_t slot = 0; slot < preset.size(); ++slot) {
        preset[slot] = 0x00200000u + static_cast<std::uint32_t>(slot);
    }
    preset[slot::Dry] = pedal().state.values[slot::Dry]; // unchanged values are sent too
    const Result<int> written = session.LoadPresetValues(preset);
    ASSERT_TRUE(written);
    EXPECT_EQ(written.value, 13);
    std::vector<Bytes> expected;
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        if (slot == slot::Range || slot == slot::InputLevel) {
            continue;
        }
        const std::uint16_t address = session.state().parameters.Address(slot);
        const std::uint32_t value = preset[slot];
        expected.push_back(
            {0x01, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address),
             static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
             static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
    }
    EXPECT_EQ(Messages(), expected);
    EXPECT_EQ(Values(), preset);
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>{FXsettings::kLockedOutOfPreset + "Input Level"});
    EXPECT_EQ(pedal().state.values[slot::InputLevel], 0x0010000Au);
}

// Each kind of operation leaves one state behind, with the origin of what it changed: what it
// sent is the pedal's, what was only chosen is the editor's.
TEST_F(PedalStateTest, EachOperationLeavesItsFieldsAndTheirOrigin) {
    struct Case {
        const char* name;
        std::function<Result<>(Session&)> act;
        std::function<bool(const PedalState&)> holds;
    };
    const std::vector<Case> cases = {
        {"read", [](Session& s) { return s.ReadPedalState(); },
         [](const PedalState& p) {
             return p.values == Origin::Pedal && p.tuning == Origin::Pedal &&
                    p.readThisConnection && p.versions.firmware == "05";
         }},
        {"live write", [](Session& s) { return s.SetParameter(slot::Dry, 0x00400000); },
         [](const PedalState& p) {
             return p.parameters.Value(slot::Dry) == 0x00400000 && p.values == Origin::Editor;
         }},
        {"assign", [](Session& s) { return s.AssignControl(1, 3); },
         [](const PedalState& p) {
             return p.assignment[1] == 3 && p.ControlAssigned(1) && p.assignments == Origin::Pedal;
         }},
        {"tuning chosen", [](Session& s) { return (s.ChooseTuning(0), Result<>::Done()); },
         [](const PedalState& p) { return p.selectedTuning == 0 && p.tuning == Origin::Editor; }},
        {"set tuning", [](Session& s) { return s.SetTuning(1); },
         [](const PedalState& p) { return p.selectedTuning == 1 && p.tuning == Origin::Pedal; }},
        {"footswitch", [](Session& s) { return s.SetFootswitch(false, true); },
         [](const PedalState& p) {
             return !p.shortPressBypass && p.longPressBypass && p.footswitch == Origin::Pedal;
         }},
        {"note cut",
         [](Session& s) {
             return s.SaveNoteCut({false, true, false, false, false, true, false, false});
         },
         [](const PedalState& p) {
             return p.noteCut == std::array<std::uint8_t, 2>{1, 5} &&
                    p.noteCutNotes == Origin::Pedal;
         }},
        {"MIDI channel", [](Session& s) { return s.SetMidiChannel("16"); },
         [](const PedalState& p) { return p.midiChannel == 16 && p.midi == Origin::Pedal; }},
    };
    for (const Case& c : cases) {
        const Result<> done = c.act(session);
        EXPECT_TRUE(done.done) << c.name << ": " << done.reason;
        EXPECT_TRUE(c.holds(session.state())) << c.name;
    }
}

// A write the driver refuses stops the operation with the driver's message; nothing is recorded
// as sent.
TEST_F(PedalStateTest, AFailedWriteStopsEveryOperation) {
    ASSERT_TRUE(session.ReadPedalState());
    QTemporaryDir folder;
    const std::filesystem::path backup = folder.filePath("b.json").toStdString();
    const Result<> backedUp = session.BackUp(backup);
    ASSERT_TRUE(backedUp.done) << backedUp.reason;
    const auto before = Values();
    pedal().ClearRecords();
    const std::vector<std::pair<const char*, std::function<Result<>()>>> operations = {
        {"request", [&] { return session.ReadPedalState(); }},
        {"set", [&] { return session.SetParameter(slot::WaveClip, 0x00400000); }},
        {"note cut flag", [&] { return session.SetParameter(slot::HighNotesCut, 1); }},
        {"store", [&] { return session.Store(); }},
        {"assign", [&] { return session.AssignControl(0, 3); }},
        {"footswitch", [&] { return session.SetFootswitch(false, false); }},
        {"set tuning", [&] { return session.SetTuning(); }},
        {"tuning upload", [&] { return Ending(session.UploadTuningData()); }},
        {"note cut", [&] { return session.SaveNoteCut({true}); }},
        {"MIDI channel", [&] { return session.SetMidiChannel("10"); }},
        {"preset load", [&] { return Ending(session.LoadPresetValues(PresetValues{})); }},
        {"restore", [&] { return session.Restore(backup); }},
        {"EEPROM read", [&] { return Ending(session.ReadEeprom("0", "15")); }},
        {"EEPROM erase", [&] { return Ending(session.EraseEeprom("0", "15")); }},
        {"algorithm upload",
         [&] { return Ending(session.UploadAlgorithm(session.SelectedAlgorithm())); }},
    };
    driver.FailCall(EmulatedDriver::Call::Write, ft::OTHER_ERROR);
    for (const auto& [name, run] : operations) {
        dialogs.messages.clear();
        const Result<> result = run();
        EXPECT_FALSE(result.done) << name;
        ASSERT_FALSE(dialogs.messages.empty()) << name;
        EXPECT_EQ(result.reason, dialogs.messages.front()) << name;
        EXPECT_NE(result.reason.find("FT_Write"), std::string::npos)
            << name << ": " << result.reason;
        EXPECT_EQ(Values(), before) << name;
        EXPECT_FALSE(modules().communication.Busy()) << name;
    }
    EXPECT_TRUE(pedal().ReceivedBytes().empty());
}

// A question answered No (as Escape or closing it now count) sends nothing and changes nothing.
TEST_F(PedalStateTest, AQuestionAnsweredNoActsNot) {
    ASSERT_TRUE(session.ReadPedalState());
    QTemporaryDir folder;
    const std::filesystem::path backup = folder.filePath("b.json").toStdString();
    ASSERT_TRUE(session.BackUp(backup));
    pedal().state.algorithmVersion = 0x0009; // the restore asks whether to go on
    const auto before = Values();
    // A command line answers a confirmation by the command itself and asks about a risk.
    constexpr QuestionKind confirm = QuestionKind::Confirm;
    constexpr QuestionKind risk = QuestionKind::Risk;
    struct Case {
        const char* question;
        QuestionKind kind;
        std::function<Result<>()> run;
    };
    const std::vector<Case> questions = {
        {"Upload the selected algorithm?", confirm,
         [&] { return Ending(session.UploadAlgorithm(session.SelectedAlgorithm())); }},
        {"Save Parameters to pedal?", confirm, [&] { return session.Store(); }},
        {"Upload Assignments?", confirm, [&] { return session.AssignControl(1, 3); }},
        {"Set new tuning?", confirm, [&] { return session.SetTuning(); }},
        {"Upload Tuning Data?", confirm, [&] { return Ending(session.UploadTuningData()); }},
        {"Erase EEPROM addresses 0 to 15?", risk,
         [&] { return Ending(session.EraseEeprom("0", "15")); }},
        {"The backup was made with algorithm version 0008; the pedal has 0009. Restore anyway?",
         risk, [&] { return session.Restore(backup); }},
    };
    for (const auto& [question, kind, run] : questions) {
        pedal().ClearRecords();
        dialogs.questions.clear();
        dialogs.questionKinds.clear();
        dialogs.answers = {false};
        EXPECT_FALSE(run().done) << question;
        EXPECT_EQ(dialogs.questions, std::vector<std::string>{question});
        EXPECT_EQ(dialogs.questionKinds, std::vector<QuestionKind>{kind}) << question;
        // Nothing but the restore's own read of the pedal.
        for (const Bytes& message : Messages()) {
            EXPECT_EQ(message, (Bytes{0x02, 0x00})) << question;
        }
        EXPECT_EQ(Values(), before) << question;
    }
    EXPECT_EQ(pedal().state.controlWords[1], 0xFFFF);
}

// A job holds the link: with the watch on, a whole firmware run and a restore make exactly the
// calls they make without it.
TEST(Jobs, AJobHoldsTheLinkAgainstTheWatch) {
    QTemporaryDir folder;
    const std::filesystem::path backup = folder.filePath("b.json").toStdString();
    {
        CoreSession source;
        source.Connect();
        ASSERT_TRUE(source.session.BackUp(backup));
    }
    const auto calls = [&](bool watch, bool firmware) {
        CoreSession core(watch);
        core.pedal().state.inBootloader = firmware;
        core.session.Start();
        core.session.SelectAlgorithm(core.session.Algorithms().front());
        EXPECT_TRUE(core.session.Connect(firmware));
        // The watch looks on the second; the job starts between two looks.
        core.clock.Sleep(Session::kWatchIntervalMs -
                         core.clock.NowMs() % Session::kWatchIntervalMs +
                         Session::kWatchIntervalMs / 2);
        core.driver.calls.clear();
        const std::int64_t start = core.clock.NowMs();
        const Result<> result = firmware ? Ending(core.session.FlashFirmware(
                                               {.image = FirmwareUpgrade::firmwareImages.front()}))
                                         : core.session.Restore(backup);
        EXPECT_TRUE(result.done) << result.reason;
        // The watch's time to look came during the job.
        EXPECT_GT(core.clock.NowMs() - start, Session::kWatchIntervalMs / 2);
        return core.driver.calls;
    };
    EXPECT_EQ(calls(true, true), calls(false, true));
    EXPECT_EQ(calls(true, false), calls(false, false));
}

TEST(Jobs, NoSecondJobStartsWhileOneRuns) {
    CoreSession core;
    core.Connect();
    core.pedal().ClearRecords();
    const Communication::Job running(core.modules().communication);
    const Result<> second = core.session.ReadPedalState();
    EXPECT_FALSE(second.done);
    EXPECT_EQ(second.reason, "another operation is talking to the pedal");
    EXPECT_TRUE(core.pedal().ReceivedBytes().empty());
}

// What the pedal cannot take is refused by the core for every front end: the reason shown once,
// nothing sent. The last value accepted sits beside the first refused.
TEST_F(PedalStateTest, TheCoreRefusesWhatThePedalCannotTake) {
    ASSERT_TRUE(session.ReadPedalState());
    struct Case {
        const char* name;
        std::function<Result<>()> run;
        std::string refusal; // empty: accepted
    };
    const std::string tuningMissing = FXsettings::kTuningNotImplemented;
    const std::vector<Case> cases = {
        {"Range has no address", [&] { return session.SetParameter(slot::Range, 0); },
         "Range has no DSP address and cannot be written"},
        {"full scale", [&] { return session.SetParameter(slot::WaveClip, levelScale); }, ""},
        {"past full scale", [&] { return session.SetParameter(slot::WaveClip, levelScale + 1); },
         "Wave Clip takes a level from 0 to 1023: 0x00800001"},
        {"last step", [&] { return session.SetParameter(slot::LowPass, 24); }, ""},
        {"past the last step", [&] { return session.SetParameter(slot::LowPass, 25); },
         "Low Pass takes a step from 0 to 24: 0x00000019"},
        {"a pitch not in the table", [&] { return session.SetParameter(slot::HarmonicPitch, 1); },
         "1st Harmonic Pitch takes a pitch from -12 to +12: 0x00000001"},
        {"a switch's third value", [&] { return session.SetParameter(slot::Split, 2); },
         "Split takes on or off: 0x00000002"},
        {"a tuning built in", [&] { return session.SetTuning(1); }, ""},
        {"a tuning not built in", [&] { return session.SetTuning(2); }, tuningMissing},
        {"the last entry of Control I", [&] { return session.AssignControl(0, 3); }, ""},
        {"past the last entry", [&] { return session.AssignControl(0, 4); },
         "This control does not offer that assignment"},
        {"MIDI channel 16", [&] { return session.SetMidiChannel("16"); }, ""},
        {"MIDI channel 17", [&] { return session.SetMidiChannel("17"); }, "No MIDI channel 17"},
    };
    for (const Case& c : cases) {
        pedal().ClearRecords();
        dialogs.messages.clear();
        const Result<> result = c.run();
        if (c.refusal.empty()) {
            EXPECT_TRUE(result.done) << c.name << ": " << result.reason;
            EXPECT_FALSE(pedal().ReceivedBytes().empty()) << c.name;
            continue;
        }
        EXPECT_FALSE(result.done) << c.name;
        EXPECT_EQ(result.reason, c.refusal) << c.name;
        EXPECT_EQ(dialogs.messages, std::vector<std::string>{c.refusal}) << c.name;
        EXPECT_TRUE(pedal().ReceivedBytes().empty()) << c.name;
    }
}

// A dial turned while a job holds the link is sent when the job ends, once, with the last
// angle: never in the middle of the job's exchange.
TEST_F(PedalStateTest, ATurnDuringAJobIsSentAfterItLatestWins) {
    ASSERT_TRUE(session.ReadPedalState());
    pedal().ClearRecords();
    bool turned = false;
    clock.onSleep = [&] {
        if (!std::exchange(turned, true)) {
            EXPECT_TRUE(session.TurnDial(slot::WaveClip, 30));
            EXPECT_TRUE(session.TurnDial(slot::WaveClip, 90));
        }
    };
    ASSERT_TRUE(session.Store());
    clock.onSleep = nullptr;
    const std::vector<Bytes> messages = Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].front(), 0x03);
    EXPECT_EQ(messages[1].front(), 0x01);
    EXPECT_EQ(session.state().parameters.Value(slot::WaveClip), DialAngleToValue(90));
}

} // namespace
} // namespace corvid::testing
