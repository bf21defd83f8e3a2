#include "parameters/TformFXsettings.h"
#include "support/Fixtures.h"
#include "widgets/RotaryDial.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace corvid::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

// An editor with the effect clicked (so the addresses are loaded) and the pedal connected.
struct ParameterWindowTest : ::testing::Test {
    TestEditor t;
    TformFXsettings& w = *t.editor->formFXsettings;
    FXsettings& fx = t.modules().fx;

    void SetUp() override {
        ClickEffect();
        t.Connect();
        t.pedal().ClearRecords();
        t.dialogs.messages.clear();
    }
    void ClickEffect() {
        QListWidget* list = t.main().lstEffects;
        list->setCurrentRow(0);
        emit list->itemClicked(list->item(0));
    }
    std::vector<Bytes> Writes() { return t.pedal().MessagesWithCommand(0x01, t.clock.NowMs()); }
    void Request() { t.main().btnRequest->click(); }
    Lines LogTail(std::size_t n) {
        const Lines lines = t.LogLines();
        return Lines(lines.end() - static_cast<long>(std::min(n, lines.size())), lines.end());
    }
};

TEST_F(ParameterWindowTest, WindowHasItsControlsAndEntries) {
    EXPECT_EQ(w.size(), QSize(333, 517));
    EXPECT_EQ(w.dialInputLevel->geometry(), QRect(208, 8, 40, 40));
    EXPECT_EQ(w.dialInputLevel->accessibleName(), "Input Level");
    const std::vector<std::vector<QString>> entries = {
        {"Not Assigned", "Input Level", "1st Harmonic Pitch", "Wave Clip"},
        {"Not Assigned", "Input Level", "1st Harmonic Pitch", "Wave Clip"},
        {"Not Assigned", "Dominant Note Cut", "High Notes Cut"},
        {"Not Assigned", "Dominant Note Cut", "High Notes Cut"},
        {"Not Assigned", "Bypass", "Preset"},
    };
    for (std::size_t k = 0; k < controlCount; ++k) {
        std::vector<QString> items;
        for (int i = 0; i < w.assignLists[k]->count(); ++i) {
            items.push_back(w.assignLists[k]->itemText(i));
        }
        EXPECT_EQ(items, entries[k]);
        EXPECT_EQ(w.assignLists[k]->currentIndex(), 0);
    }
    EXPECT_EQ(w.cmbVariableWavePitch->count(), 25);
    EXPECT_EQ(w.cmbVariableWavePitch->itemText(0), "-12");
    EXPECT_EQ(w.cmbVariableWavePitch->itemText(12), "0");
    EXPECT_EQ(w.cmbVariableWavePitch->itemText(24), "+12");
    EXPECT_EQ(w.cmbVariableWavePitch->currentIndex(), -1);
    EXPECT_EQ(w.cmbGuitarTuning->itemText(4), "EbAbDbGbBbEb");
    EXPECT_EQ(w.chkDominantNoteCut->text(), "Dominant Notes Cut");
    EXPECT_EQ(
        w.dialInputLevel->toolTip(),
        "Set level of input signal to the octave down effect. It does not affect dry.\r\n"
        "Adjust if you hear too much distortion on the sub. By default it is set to mid position.");
    EXPECT_TRUE(w.chkBypassShortPress->isChecked());
    EXPECT_TRUE(w.chkChangePresetLongPress->isChecked());
}

TEST_F(ParameterWindowTest, ControlsFollowTheConnection) {
    EXPECT_TRUE(w.dialInputLevel->isEnabled());
    EXPECT_TRUE(w.cmbAssignRemote->isEnabled());
    EXPECT_FALSE(w.dialDry->isEnabled());
    EXPECT_FALSE(w.swtWave->isEnabled());
    // Each fixed control says why it cannot be turned; the others keep their own words.
    for (QWidget* fixed : std::initializer_list<QWidget*>{
             w.dialDry, w.dialMinus1Oct, w.dialSubMix, w.dialMinus2Oct, w.dialLowPass,
             w.dialHighPass, w.dialRange, w.dial1stHarmonic, w.swtWave, w.swtSplit}) {
        EXPECT_EQ(fixed->toolTip(), "Set on the pedal itself; shown here as last read.")
            << fixed->objectName().toStdString();
        EXPECT_EQ(fixed->accessibleDescription(), fixed->toolTip());
    }
    EXPECT_NE(w.dialInputLevel->toolTip(), "Set on the pedal itself; shown here as last read.");
    t.main().menuDisconnect->trigger();
    EXPECT_FALSE(w.dialInputLevel->isEnabled());
    EXPECT_FALSE(w.chkHighNoteCut->isEnabled());
    ClickEffect();
    EXPECT_TRUE(w.dialInputLevel->isEnabled()); // a connect has succeeded since start

    TestEditor fresh;
    QListWidget* list = fresh.main().lstEffects;
    list->setCurrentRow(0);
    emit list->itemClicked(list->item(0));
    EXPECT_FALSE(fresh.editor->formFXsettings->dialInputLevel->isEnabled());
}

TEST_F(ParameterWindowTest, EnableAllParametersTogglesTheFourLevelDials) {
    QAction* item = t.main().menuEnableAllParameters;
    item->trigger();
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(w.dialDry->isEnabled());
    EXPECT_FALSE(w.dialLowPass->isEnabled());
    w.dialDry->setAngle(0);
    EXPECT_EQ(Writes().back(), (Bytes{0x01, 0x00, 0x0B, 0x00, 0x6A, 0x80, 0x00}));
    ClickEffect();
    EXPECT_FALSE(w.dialDry->isEnabled());
    EXPECT_TRUE(item->isChecked());
    item->trigger();
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(w.dialDry->isEnabled());
}

// One turn, one write: the snapped angle is shown without being sent again.
TEST_F(ParameterWindowTest, DeadZoneSnapsAndWritesOnce) {
    w.dialInputLevel->setAngle(-100);
    EXPECT_EQ(w.dialInputLevel->angle(), -135);
    const Bytes zero = {0x01, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(Writes(), (std::vector<Bytes>{zero}));
    w.dialInputLevel->setAngle(-89);
    EXPECT_EQ(w.dialInputLevel->angle(), -45);
    EXPECT_EQ(fx.state.parameters.Value(slot::InputLevel), 0x007FE000u);
    EXPECT_EQ(Writes().size(), 2u);
}

TEST_F(ParameterWindowTest, DialTurnsByKeyboardWheelAndDrag) {
    w.dialClipWave->setFocus();
    QTest::keyClick(w.dialClipWave, Qt::Key_Up);
    EXPECT_EQ(w.dialClipWave->angle(), -136);
    QTest::keyClick(w.dialClipWave, Qt::Key_End);
    EXPECT_EQ(w.dialClipWave->angle(), -45);
    QTest::keyClick(w.dialClipWave, Qt::Key_Right);
    EXPECT_EQ(w.dialClipWave->angle(), -45);
    QTest::keyClick(w.dialClipWave, Qt::Key_PageDown);
    EXPECT_EQ(w.dialClipWave->angle(), -18);
    QTest::keyClick(w.dialClipWave, Qt::Key_Home);
    EXPECT_EQ(w.dialClipWave->angle(), -135);

    QWheelEvent wheel(QPointF(20, 20), w.dialClipWave->mapToGlobal(QPointF(20, 20)), QPoint(),
                      QPoint(0, 240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.dialClipWave, &wheel);
    EXPECT_EQ(w.dialClipWave->angle(), -141);

    QTest::mousePress(w.dialClipWave, Qt::LeftButton, Qt::NoModifier, QPoint(20, 2));
    EXPECT_EQ(w.dialClipWave->angle(), 90);
    EXPECT_EQ(Writes().back(), (Bytes{0x01, 0x00, 0xE7, 0x00, 0x3F, 0xC0, 0x00}));
    // Dragged on past the maximum into the gap and round to the minimum side, it stays at the
    // maximum; the same from the minimum side.
    for (const QPoint& p : {QPoint(38, 20), QPoint(34, 36), QPoint(20, 38), QPoint(4, 36)}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(p), w.dialClipWave->mapToGlobal(QPointF(p)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.dialClipWave, &move);
    }
    EXPECT_EQ(w.dialClipWave->angle(), -45);
    QTest::mouseRelease(w.dialClipWave, Qt::LeftButton, Qt::NoModifier, QPoint(4, 36));
    w.dialClipWave->setAngle(-135);
    QTest::mousePress(w.dialClipWave, Qt::LeftButton, Qt::NoModifier, QPoint(34, 36));
    EXPECT_EQ(w.dialClipWave->angle(), -135);
}

// A key burst on a dial is one step: Ctrl+Z in the parameter window takes it back with one
// write and the dial shows the old value; the main window's Edit menu names the steps; Ctrl+Y
// does it again.
TEST_F(ParameterWindowTest, UndoAndRedoAnswerTheirKeysInBothWindows) {
    const int start = w.dialClipWave->angle();
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.dialClipWave->setFocus();
    QTest::keyClick(w.dialClipWave, Qt::Key_Up);
    QTest::keyClick(w.dialClipWave, Qt::Key_Up);
    QTest::keyClick(w.dialClipWave, Qt::Key_Up);
    const std::uint32_t moved = fx.state.parameters.Value(slot::WaveClip);
    ASSERT_NE(w.dialClipWave->angle(), start);
    const std::size_t written = Writes().size();

    emit t.main().menuEdit->aboutToShow();
    EXPECT_EQ(t.main().menuUndo->text(), "&Undo Wave Clip");
    EXPECT_FALSE(t.main().menuRedo->isEnabled());
    emit t.main().menuEdit->aboutToHide();

    QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(w.dialClipWave->angle(), start);
    EXPECT_EQ(Writes().size(), written + 1);
    emit t.main().menuEdit->aboutToShow();
    EXPECT_EQ(t.main().menuUndo->text(), "&Undo");
    EXPECT_EQ(t.main().menuRedo->text(), "&Redo Wave Clip");
    emit t.main().menuEdit->aboutToHide();

    // The value comes back exactly; the dial shows that value's angle.
    QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(fx.state.parameters.Value(slot::WaveClip), moved);
    EXPECT_EQ(Writes().size(), written + 2);
    t.main().menuUndo->trigger();
    EXPECT_EQ(w.dialClipWave->angle(), start);
}

TEST_F(ParameterWindowTest, PitchWritesItsTableWord) {
    w.cmbVariableWavePitch->setCurrentIndex(12);
    EXPECT_EQ(Writes(), (std::vector<Bytes>{{0x01, 0x00, 0x6E, 0x00, 0x40, 0x00, 0x00}}));
    EXPECT_EQ(fx.state.parameters.Value(slot::HarmonicPitch), 0x00400000u);
}

TEST_F(ParameterWindowTest, NoteCutWithoutTuningIsRefusedAndWritesZero) {
    w.chkDominantNoteCut->setChecked(true);
    EXPECT_FALSE(w.chkDominantNoteCut->isChecked());
    EXPECT_EQ(t.dialogs.messages, Lines{FXsettings::kUploadTuningFirst});
    const Bytes zero = {0x01, 0x00, 0x1B, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(Writes(), (std::vector<Bytes>{zero}));
    EXPECT_EQ(LogTail(1), Lines{"write to DSP msg: 01001B00000000"});

    w.cmbGuitarTuning->setCurrentIndex(1);
    t.pedal().ClearRecords();
    w.chkHighNoteCut->setChecked(true);
    EXPECT_EQ(Writes(), (std::vector<Bytes>{{0x01, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x01}}));
}

TEST_F(ParameterWindowTest, TuningChoiceAndItsNotice) {
    w.cmbGuitarTuning->setCurrentIndex(3);
    EXPECT_EQ(fx.state.selectedTuning, 3);
    EXPECT_EQ(t.dialogs.messages, Lines{FXsettings::kTuningNotImplemented});
    EXPECT_EQ(w.cmbGuitarTuning->currentIndex(), 3);
}

TEST_F(ParameterWindowTest, NoteCutAssignmentNeedsATuning) {
    w.cmbAssignCtrlQUATTRO->setCurrentIndex(2);
    EXPECT_EQ(t.dialogs.messages, Lines{FXsettings::kSelectTuningFirst});
    EXPECT_EQ(w.cmbAssignCtrlQUATTRO->currentIndex(), 0);
    EXPECT_FALSE(fx.state.ControlAssigned(3));
    w.cmbAssignCtrlUNO->setCurrentIndex(3);
    EXPECT_TRUE(fx.state.ControlAssigned(0));
}

// The pedal reports Input Level on Control I and High Notes Cut on Control III.
void AssignOnPedal(EmulatedPedal& pedal) {
    pedal.state.controlFlags = {1, 0, 1, 0, 0};
    pedal.state.controlWords = {0x000A, 0xFFFF, 0x000C, 0xFFFF, 0xFFFF};
}

TEST_F(ParameterWindowTest, RequestDecodesAssignmentsAndLocksAssignedParameters) {
    AssignOnPedal(t.pedal());
    w.cmbAssignCtrlDUE->setCurrentIndex(3);
    Request();
    EXPECT_EQ(w.cmbAssignCtrlUNO->currentIndex(), 1);
    EXPECT_EQ(w.cmbAssignCtrlDUE->currentIndex(), 0);
    EXPECT_EQ(w.cmbAssignCtrlTRE->currentIndex(), 2);
    EXPECT_EQ(w.cmbAssignRemote->currentIndex(), 0);
    EXPECT_EQ(fx.state.assignment, (std::array<int, 5>{1, 0, 2, 0, 0}));
    const auto assigned = [&](std::size_t s) {
        return fx.state.parameters.Assignable(s)->is_assigned;
    };
    EXPECT_TRUE(assigned(slot::InputLevel));
    EXPECT_TRUE(assigned(slot::HighNotesCut));
    EXPECT_FALSE(assigned(slot::WaveClip));
    EXPECT_TRUE(t.dialogs.messages.empty()); // the tuning check is skipped while reading
    EXPECT_FALSE(fx.readingFromPedal);

    t.pedal().ClearRecords();
    const std::uint32_t before = fx.state.parameters.Value(slot::InputLevel);
    w.dialInputLevel->setAngle(0);
    w.chkHighNoteCut->setChecked(true);
    EXPECT_EQ(t.dialogs.messages, Lines(2, FXsettings::kLockedOut));
    EXPECT_TRUE(Writes().empty());
    EXPECT_EQ(fx.state.parameters.Value(slot::InputLevel), before);
    EXPECT_EQ(w.dialInputLevel->angle(), 0);
}

TEST_F(ParameterWindowTest, RequestShowsValuesWithoutWritingThem) {
    EmulatedPedal::State& pedal = t.pedal().state;
    pedal.footswitchMode = 2;
    pedal.tuning = 1;
    pedal.values[slot::InputLevel] = 0x00400000;
    pedal.values[slot::HarmonicPitch] = 0x00400000;
    pedal.values[slot::Wave] = 0x00400000;
    pedal.values[slot::Split] = 1;
    pedal.values[slot::LowPass] = 12;
    pedal.values[slot::DominantNoteCut] = 1;
    pedal.values[slot::HighNotesCut] = 0x100;
    Request();

    EXPECT_TRUE(w.chkChangePresetShortPress->isChecked());
    EXPECT_TRUE(w.chkChangePresetLongPress->isChecked());
    EXPECT_EQ(fx.state.footswitchMode, 2);
    EXPECT_EQ(fx.state.selectedTuning, 1);
    EXPECT_EQ(w.cmbGuitarTuning->currentIndex(), 1);
    EXPECT_EQ(w.dialInputLevel->angle(), 89);
    EXPECT_EQ(fx.state.parameters.Value(slot::InputLevel), 0x00400000u);
    EXPECT_EQ(w.cmbVariableWavePitch->currentText(), "0");
    EXPECT_TRUE(w.swtWave->isOn());
    EXPECT_TRUE(w.swtSplit->isOn());
    EXPECT_EQ(w.dialLowPass->angle(), 90);
    EXPECT_TRUE(w.chkDominantNoteCut->isChecked());
    EXPECT_FALSE(w.chkHighNoteCut->isChecked());
    // Reading never writes: the pedal holds these values already.
    EXPECT_EQ(t.pedal().Messages(t.clock.NowMs()).size(), 1u);
    EXPECT_TRUE(Writes().empty());
    EXPECT_TRUE(t.main().btnAssign->isEnabled());
    EXPECT_TRUE(t.main().btnSetTuning->isEnabled());

    const Lines lines = t.LogLines();
    const auto report = std::find(lines.begin(), lines.end(), "Dry: \t00000000");
    ASSERT_NE(report, lines.end());
    EXPECT_EQ(*(report + 1), "Sub Mix: 00000000");
    EXPECT_EQ(*(report + 10), "Input Lvl: \t00400000");
    EXPECT_EQ(*(report + 14), "High notes cut: \t00000100");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Footswitch Mode: 2"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Current Tuning: 1"), lines.end());
}

TEST_F(ParameterWindowTest, AShortReplyDecodesNothing) {
    t.pedal().state.footswitchMode = 3;
    t.pedal().InjectFault(EmulatedPedal::Fault::ShortReply, 20);
    Request();
    EXPECT_TRUE(w.chkBypassShortPress->isChecked());
    EXPECT_FALSE(t.main().btnAssign->isEnabled());
    EXPECT_FALSE(fx.readingFromPedal);
    EXPECT_EQ(t.dialogs.messages, Lines{"Incomplete reply from the pedal: 20 of 81 values"});
    EXPECT_EQ(t.main().lblFirmwareVersion->text(), "Firmware Version: 05");
}

TEST_F(ParameterWindowTest, AnUnknownTuningShowsNone) {
    t.pedal().state.tuning = 7;
    Request();
    EXPECT_EQ(fx.state.selectedTuning, 7);
    EXPECT_EQ(w.cmbGuitarTuning->currentIndex(), -1);
    EXPECT_TRUE(t.dialogs.messages.empty());
}

// A pitch value that is none of the list's entries says so; one that is shows its entry.
TEST_F(ParameterWindowTest, APitchOutsideTheListSaysSo) {
    t.pedal().state.values[slot::HarmonicPitch] = 0x00123456;
    Request();
    EXPECT_EQ(w.cmbVariableWavePitch->currentIndex(), -1);
    EXPECT_EQ(w.cmbVariableWavePitch->placeholderText(), "no pitch");
    t.pedal().state.values[slot::HarmonicPitch] = pitchRatioTable[12];
    Request();
    EXPECT_EQ(w.cmbVariableWavePitch->currentText(), "0");
}

TEST(ParameterRequest, BeforeTheWindowWasShownEveryAddressMatchesNoAssignment) {
    TestEditor t;
    t.Connect();
    t.pedal().state.controlFlags = {1, 0, 0, 0, 0};
    t.pedal().state.controlWords = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    t.main().btnRequest->click();
    FXsettings& fx = t.modules().fx;
    EXPECT_EQ(t.editor->formFXsettings->cmbAssignCtrlUNO->currentIndex(), 3);
    for (std::size_t s : {slot::InputLevel, slot::HarmonicPitch, slot::WaveClip}) {
        EXPECT_TRUE(fx.state.parameters.Assignable(s)->is_assigned);
    }
}

TEST_F(ParameterWindowTest, SaveParametersSendsTheFiveAssignableValues) {
    t.main().btnRequest->click();
    t.pedal().ClearRecords();
    t.main().btnSaveParameters->click();
    EXPECT_EQ(LogTail(2), (Lines{"Store settings message (HEX): 03" + std::string(40, '0'), "21"}));
    EXPECT_EQ(t.dialogs.questions.back(), "Save Parameters to pedal?");
    const auto saved = t.pedal().MessagesWithCommand(0x03, t.clock.NowMs());
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].size(), 21u);
    EXPECT_EQ(t.clock.pauses.back(), 100);

    t.dialogs.answers = {false};
    t.main().btnSaveParameters->click();
    EXPECT_EQ(t.pedal().MessagesWithCommand(0x03, t.clock.NowMs()).size(), 1u);
}

TEST_F(ParameterWindowTest, AssignMessageCarriesAddressesAndCodes) {
    t.main().btnRequest->click();
    w.cmbGuitarTuning->setCurrentIndex(1);
    w.cmbAssignCtrlUNO->setCurrentIndex(1);
    w.cmbAssignCtrlDUE->setCurrentIndex(3);
    w.cmbAssignCtrlTRE->setCurrentIndex(2);
    w.cmbAssignRemote->setCurrentIndex(2);
    t.dialogs.answers = {false};
    t.main().btnAssign->click();
    EXPECT_EQ(LogTail(2), (Lines{"lenght of assign message in bytes: 16",
                                 "assign message: 040101010001000A00E7000CFFFFFFFD"}));
    EXPECT_EQ(t.dialogs.questions.back(), "Upload Assignments?");
    EXPECT_TRUE(t.pedal().MessagesWithCommand(0x04, t.clock.NowMs()).empty());
    // Control III carries the tuning in its note cut's value, even when the answer was No.
    EXPECT_EQ(fx.state.parameters.Value(slot::HighNotesCut), 0x100u);

    t.main().btnAssign->click();
    const auto sent = t.pedal().MessagesWithCommand(0x04, t.clock.NowMs());
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (Bytes{0x04, 1, 1, 1, 0, 1, 0x00, 0x0A, 0x00, 0xE7, 0x00, 0x0C, 0xFF, 0xFF,
                              0xFF, 0xFD}));
    EXPECT_TRUE(t.main().btnAssign->isEnabled());

    w.cmbAssignCtrlTRE->setCurrentIndex(0);
    w.cmbAssignCtrlQUATTRO->setCurrentIndex(1);
    fx.state.parameters.Value(slot::DominantNoteCut) = 1;
    fx.BuildAssignMessage();
    EXPECT_EQ(fx.state.parameters.Value(slot::DominantNoteCut), 1u);
}

TEST_F(ParameterWindowTest, FootswitchModeMessages) {
    t.main().btnRequest->click();
    t.main().btnSetFootswitchMode->click();
    EXPECT_EQ(LogTail(2), (Lines{"footswitch behaviour message: 080000", "080000"}));
    w.chkChangePresetShortPress->setChecked(true);
    w.chkBypassLongPress->setChecked(true);
    t.main().btnSetFootswitchMode->click();
    EXPECT_EQ(t.pedal().MessagesWithCommand(0x08, t.clock.NowMs()),
              (std::vector<Bytes>{{0x08, 0, 0}, {0x08, 1, 1}}));
    EXPECT_EQ(t.pedal().state.footswitchMode, 3);
}

TEST_F(ParameterWindowTest, RoundTripAgreesWithThePedal) {
    t.pedal().state.tuning = 1;
    Request();
    w.dialClipWave->setAngle(90);
    w.cmbVariableWavePitch->setCurrentIndex(20);
    w.cmbAssignCtrlUNO->setCurrentIndex(2);
    w.cmbAssignRemote->setCurrentIndex(1);
    w.chkChangePresetShortPress->setChecked(true);
    t.main().btnSaveParameters->click();
    t.main().btnAssign->click();
    t.main().btnSetFootswitchMode->click();

    // Forget what the window shows (nothing of this writes to the pedal), then read it back.
    w.cmbAssignCtrlUNO->setCurrentIndex(0);
    w.cmbAssignRemote->setCurrentIndex(0);
    w.chkBypassShortPress->setChecked(true);
    Request();
    // 90 degrees was stored as 0x003FC000, which shows as 91 and is written back unchanged.
    EXPECT_EQ(w.dialClipWave->angle(), 91);
    EXPECT_EQ(fx.state.parameters.Value(slot::WaveClip), 0x003FC000u);
    EXPECT_EQ(t.pedal().state.values[slot::WaveClip], 0x003FC000u);
    EXPECT_EQ(w.cmbVariableWavePitch->currentIndex(), 20);
    EXPECT_EQ(w.cmbAssignCtrlUNO->currentIndex(), 2);
    EXPECT_EQ(w.cmbAssignRemote->currentIndex(), 1);
    EXPECT_TRUE(w.chkChangePresetShortPress->isChecked());
    EXPECT_TRUE(fx.state.parameters.Assignable(slot::HarmonicPitch)->is_assigned);
    EXPECT_EQ(t.pedal().state.values[slot::HarmonicPitch], pitchRatioTable[20]);
}

} // namespace
} // namespace corvid::testing
