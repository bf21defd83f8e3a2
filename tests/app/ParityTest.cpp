#include "app/TformPrint.h"
#include "parameters/TformFXsettings.h"
#include "support/CoreFixture.h"
#include "support/Fixtures.h"
#include "tunings/TformNoteTrackingFilter.h"
#include "widgets/RotaryDial.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace corvid::testing {
namespace {

namespace fs = std::filesystem;

// Both pedals start alike: values of their own, Input Level on Control I, standard tuning.
void Configure(EmulatedPedal::State& s) {
    for (std::size_t slot = 0; slot < s.values.size(); ++slot) {
        s.values[slot] = 0x00110000u + static_cast<std::uint32_t>(slot);
    }
    s.tuning = 1;
    s.footswitchMode = 1;
    s.controlFlags = {1, 0, 0, 0, 0};
    s.controlWords = {0x000A, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
}

// What a pedal holds that an operation may change.
struct Held {
    std::array<std::uint32_t, 15> values;
    std::uint8_t footswitchMode;
    std::array<std::uint8_t, 5> controlFlags;
    std::array<std::uint16_t, 5> controlWords;
    std::uint8_t tuning;
    std::vector<std::uint8_t> tuningData;
    std::array<std::uint8_t, 2> noteCut;
    std::uint8_t midiChannel;
    bool operator==(const Held&) const = default;
};

Held HeldBy(const EmulatedPedal::State& s) {
    return {s.values, s.footswitchMode, s.controlFlags, s.controlWords,
            s.tuning, s.tuningData,     s.noteCut,      s.midiChannel};
}

struct Operation {
    const char* name;
    // The user's act in the windows, and the same through the session as corvid-cli calls it.
    std::function<void(TestEditor&)> window;
    std::function<Result<>(Session&)> core;
};

// The same operation through the windows and through corvid-cli's session calls, against
// identical pedals read by Request: the same bytes reach the pedal, which ends in the same state.
TEST(Parity, TheWindowsAndTheCommandLineSendTheSameBytes) {
    QTemporaryDir folder;
    const fs::path preset = folder.filePath("p.txt").toStdString();
    PresetValues values{};
    for (std::size_t slot = 0; slot < values.size(); ++slot) {
        values[slot] = 0x00300000u + static_cast<std::uint32_t>(slot);
    }
    std::string error;
    ParameterSet parameters;
    for (std::size_t slot = 0; slot < values.size(); ++slot) {
        parameters.Value(slot) = values[slot];
    }
    ASSERT_TRUE(WritePresetBytes(preset, BuildPresetText(parameters), error)) << error;
    const fs::path backup = folder.filePath("b.json").toStdString();
    {
        CoreSession source;
        Configure(source.pedal().state);
        source.pedal().state.values[slot::Dry] = 0x00400000;
        source.pedal().state.footswitchMode = 2;
        source.pedal().state.tuning = 3;
        source.Connect();
        ASSERT_TRUE(source.session.BackUp(backup));
    }
    const std::vector<Operation> operations = {
        {"Request", [](TestEditor& t) { t.main().btnRequest->click(); },
         [](Session& s) { return s.ReadPedalState(); }},
        {"dial / set",
         [](TestEditor& t) { t.editor->formFXsettings->dialClipWave->setAngle(-100); },
         [](Session& s) { return s.SetParameter(slot::WaveClip, DialAngleToValue(-135)); }},
        {"pitch / set",
         [](TestEditor& t) { t.editor->formFXsettings->cmbVariableWavePitch->setCurrentIndex(24); },
         [](Session& s) { return s.SetParameter(slot::HarmonicPitch, pitchRatioTable[24]); }},
        {"store", [](TestEditor& t) { t.main().btnSaveParameters->click(); },
         [](Session& s) { return s.Store(); }},
        {"assign Control I",
         [](TestEditor& t) {
             t.editor->formFXsettings->assignLists[0]->setCurrentIndex(3);
             t.main().btnAssign->click();
         },
         [](Session& s) { return s.AssignControl(0, 3); }},
        {"assign Control II",
         [](TestEditor& t) {
             t.editor->formFXsettings->assignLists[1]->setCurrentIndex(2);
             t.main().btnAssign->click();
         },
         [](Session& s) { return s.AssignControl(1, 2); }},
        {"assign Control III",
         [](TestEditor& t) {
             t.editor->formFXsettings->assignLists[2]->setCurrentIndex(1);
             t.main().btnAssign->click();
         },
         [](Session& s) { return s.AssignControl(2, 1); }},
        {"assign Control IV",
         [](TestEditor& t) {
             t.editor->formFXsettings->assignLists[3]->setCurrentIndex(2);
             t.main().btnAssign->click();
         },
         [](Session& s) { return s.AssignControl(3, 2); }},
        {"assign the remote",
         [](TestEditor& t) {
             t.editor->formFXsettings->assignLists[4]->setCurrentIndex(2);
             t.main().btnAssign->click();
         },
         [](Session& s) { return s.AssignControl(remoteControl, 2); }},
        {"footswitch",
         [](TestEditor& t) {
             t.editor->formFXsettings->chkChangePresetShortPress->setChecked(true);
             t.editor->formFXsettings->chkChangePresetLongPress->setChecked(true);
             t.main().btnSetFootswitchMode->click();
         },
         [](Session& s) { return s.SetFootswitch(false, false); }},
        {"tuning upload", [](TestEditor& t) { t.main().menuUploadTuningsData->trigger(); },
         [](Session& s) { return Ending(s.UploadTuningData()); }},
        {"set tuning",
         [](TestEditor& t) {
             t.editor->formFXsettings->cmbGuitarTuning->setCurrentIndex(1);
             t.main().btnSetTuning->click();
         },
         [](Session& s) { return s.SetTuning(1); }},
        {"note cut",
         [](TestEditor& t) {
             TformNoteTrackingFilter& w = *t.editor->formNoteTrackingFilter;
             w.noteBoxes[7]->setChecked(true);
             w.noteBoxes[0]->setChecked(true);
             w.btnSave->click();
         },
         [](Session& s) {
             NoteCut::Choice chosen{};
             chosen[0] = chosen[7] = true;
             return s.SaveNoteCut(chosen);
         }},
        {"MIDI channel", [](TestEditor& t) { t.main().midiChannelItems[10]->trigger(); },
         [](Session& s) { return s.SetMidiChannel("10"); }},
        {"preset load",
         [&](TestEditor& t) {
             t.dialogs.fileNames.push_back(preset);
             t.main().menuLoadPreset->trigger();
         },
         [&](Session& s) { return Ending(s.LoadPresetValues(values)); }},
        {"restore",
         [&](TestEditor& t) {
             t.dialogs.fileNames.push_back(backup);
             t.main().menuRestorePedal->trigger();
         },
         [&](Session& s) { return s.Restore(backup); }},
        {"EEPROM read",
         [](TestEditor& t) {
             TformPrint& console = t.console();
             console.edtStartAddress->setText("16");
             console.edtEndAddress->setText("47");
             console.btnReadEEPROM->click();
         },
         [](Session& s) { return Ending(s.ReadEeprom("16", "47")); }},
    };
    for (const Operation& operation : operations) {
        TestEditor window([](TestEditor& t) { Configure(t.pedal().state); });
        QListWidget* list = window.main().lstEffects;
        list->setCurrentRow(0);
        emit list->itemClicked(list->item(0));
        window.Connect();
        window.main().btnRequest->click();

        CoreSession cli;
        Configure(cli.pedal().state);
        cli.Connect();
        ASSERT_TRUE(cli.session.ReadPedalState());

        window.pedal().ClearRecords();
        cli.pedal().ClearRecords();
        operation.window(window);
        const Result<> result = operation.core(cli.session);
        EXPECT_TRUE(result.done) << operation.name << ": " << result.reason;
        EXPECT_FALSE(cli.pedal().ReceivedBytes().empty()) << operation.name;
        EXPECT_EQ(window.pedal().ReceivedBytes(), cli.pedal().ReceivedBytes()) << operation.name;
        EXPECT_TRUE(HeldBy(window.pedal().state) == HeldBy(cli.pedal().state)) << operation.name;
        EXPECT_EQ(window.core().state().assignment, cli.session.state().assignment)
            << operation.name;
    }
}

} // namespace
} // namespace corvid::testing
