#include "app/Editor.h"
#include "link/HexMessage.h"
#include "parameters/TformFXsettings.h"
#include "preferences/Look.h"
#include "support/Digest.h"
#include "support/Fixtures.h"
#include "tunings/TformNoteTrackingFilter.h"
#include "tunings/TformTuningFilters.h"
#include "tunings/Tunings.h"
#include "widgets/ResponseChart.h"

#include <QAction>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>

namespace corvid::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

struct TuningWindowsTest : ::testing::Test {
    TestEditor t;
    TformNoteTrackingFilter& noteCut = *t.editor->formNoteTrackingFilter;

    void SetUp() override {
        t.Connect();
        t.pedal().ClearRecords();
        t.clock.pauses.clear();
    }
    std::vector<Bytes> Sent() {
        std::vector<Bytes> sent;
        for (const EmulatedPedal::Message& m : t.pedal().Messages(t.clock.NowMs())) {
            sent.push_back(m.bytes);
        }
        return sent;
    }
    Lines LogTail(std::size_t n) {
        const Lines lines = t.LogLines();
        return Lines(lines.end() - static_cast<long>(std::min(n, lines.size())), lines.end());
    }
    QAction* MidiItem(const QString& caption) {
        for (QAction* item : t.main().midiChannelItems) {
            if (item->text() == caption) {
                return item;
            }
        }
        return nullptr;
    }
};

std::string AllTablesHex() {
    std::string hex;
    for (const TuningTable& table : tuningTables) {
        hex += BytesToHex(table.data(), table.size());
    }
    return hex;
}

TEST_F(TuningWindowsTest, UploadTuningDataSendsThePreUploadThenTheTablesEachTime) {
    t.main().menuUploadTuningsData->trigger();
    t.main().menuUploadTuningsData->trigger();

    Bytes tables = {0x0E};
    const std::string hex = AllTablesHex();
    ASSERT_EQ(hex.size(), 1280u);
    Bytes data(640);
    ASSERT_EQ(HexToBytes(hex, data.data(), data.size()), 640u);
    tables.insert(tables.end(), data.begin(), data.end());
    EXPECT_EQ(tables[1], 0x00); // table 0 begins 00 7F F5 EC
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x0D, 0x00}, tables, {0x0D, 0x00}, tables}));
    EXPECT_EQ(t.pedal().state.tuningData, data);
    EXPECT_EQ(Sha256(t.pedal().state.tuningData), kTuningTablesSha256);
    EXPECT_EQ(t.clock.pauses, (std::vector<int>{400, 100, 400, 100}));
    EXPECT_EQ(t.dialogs.questions,
              (std::vector<std::string>{"Upload Tuning Data?", "Upload Tuning Data?"}));
    EXPECT_EQ(LogTail(4), (Lines{"tuning data: " + hex, "num_of_bytes: 641", "tuning data: " + hex,
                                 "num_of_bytes: 641"}));
}

TEST_F(TuningWindowsTest, NoToAQuestionSendsNothingButTheLinesAreLogged) {
    t.dialogs.answers = {false, false};
    t.main().menuUploadTuningsData->trigger();
    EXPECT_EQ(LogTail(2), (Lines{"tuning data: " + AllTablesHex(), "num_of_bytes: 641"}));
    t.main().btnSetTuning->setEnabled(true);
    t.main().btnSetTuning->click();
    EXPECT_EQ(LogTail(1), (Lines{"Tuning Message: 0900"}));
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(t.clock.pauses.empty());
}

// Upload the tables, choose a tuning, send it: the pedal's own report then shows it.
TEST_F(TuningWindowsTest, SetTuningReachesThePedalAndComesBackOnRequest) {
    TformFXsettings& parameters = *t.editor->formFXsettings;
    t.main().menuUploadTuningsData->trigger();
    EXPECT_FALSE(t.main().btnSetTuning->isEnabled());
    t.main().btnRequest->click();
    ASSERT_TRUE(t.main().btnSetTuning->isEnabled());
    parameters.cmbGuitarTuning->setCurrentIndex(1);
    ASSERT_EQ(parameters.cmbGuitarTuning->currentText(), "Standard EADGBE");
    t.pedal().ClearRecords();
    t.clock.pauses.clear();

    t.main().btnSetTuning->click();
    EXPECT_EQ(LogTail(1), (Lines{"Tuning Message: 0901"}));
    EXPECT_EQ(t.dialogs.questions.back(), "Set new tuning?");
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x09, 0x01}}));
    EXPECT_EQ(t.clock.pauses, (std::vector<int>{100}));

    parameters.cmbGuitarTuning->setCurrentIndex(0);
    t.main().btnRequest->click();
    EXPECT_EQ(parameters.cmbGuitarTuning->currentIndex(), 1);
    const Lines lines = t.LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Current Tuning: 1"), lines.end());
}

TEST_F(TuningWindowsTest, NoteCutSendsTheLowerNoteFirst) {
    struct Case {
        std::vector<std::size_t> ticks; // in the user's order
        Bytes message;
    };
    const std::vector<Case> cases = {
        {{}, {0x09, 0xFF, 0xFF}},
        {{7}, {0x09, 0x07, 0xFF}},
        {{7, 0}, {0x09, 0x00, 0x07}},
        {{4, 1}, {0x09, 0x01, 0x04}},
    };
    for (const Case& c : cases) {
        for (QCheckBox* box : noteCut.noteBoxes) {
            box->setChecked(false);
        }
        for (std::size_t code : c.ticks) {
            noteCut.noteBoxes.at(code)->click();
        }
        t.pedal().ClearRecords();
        noteCut.btnSave->click();
        EXPECT_EQ(Sent(), (std::vector<Bytes>{c.message}));
        EXPECT_EQ(t.pedal().state.noteCut,
                  (std::array<std::uint8_t, 2>{c.message[1], c.message[2]}));
    }
    EXPECT_EQ(LogTail(4), (Lines{"byte 1: 01", "byte 2: 04", "Set note filters: 090104", "3"}));
    EXPECT_EQ(t.clock.pauses, (std::vector<int>(cases.size(), 100)));
    noteCut.noteBoxes[4]->click();
    noteCut.noteBoxes[1]->click();
    noteCut.btnSave->click();
    EXPECT_EQ(LogTail(4), (Lines{"byte 1: FF", "byte 2: FF", "Set note filters: 09FFFF", "3"}));
}

TEST_F(TuningWindowsTest, TwoNotesDisableTheOthersUntilOneIsCleared) {
    const auto enabled = [&] {
        std::vector<bool> states;
        for (QCheckBox* box : noteCut.noteBoxes) {
            states.push_back(box->isEnabled());
        }
        return states;
    };
    noteCut.chkE3->click();
    EXPECT_EQ(enabled(), std::vector<bool>(8, true));
    noteCut.chkB2->click();
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, true, false, false, false, false, true}));
    EXPECT_EQ(t.modules().noteCut.checkedNoteCount, 2);
    noteCut.chkE3->click();
    EXPECT_EQ(enabled(), std::vector<bool>(8, true));
    EXPECT_EQ(t.modules().noteCut.checkedNoteCount, 1);
}

TEST_F(TuningWindowsTest, TheNoteCutWindowOpensFromTheMenuAndTheParameterWindow) {
    EXPECT_EQ(noteCut.windowTitle(), "Note Cut");
    EXPECT_EQ(noteCut.size(), QSize(222, 115));
    EXPECT_EQ(noteCut.chkDdiesis3->geometry().topLeft(), QPoint(65, 44));
    EXPECT_EQ(noteCut.btnGet->x() - noteCut.btnSave->x(), 112);
    EXPECT_FALSE(noteCut.btnGet->isEnabled());
    EXPECT_FALSE(noteCut.isVisible());
    EXPECT_TRUE(t.main().menuNoteCut->isEnabled());
    t.main().menuNoteCut->trigger();
    EXPECT_TRUE(noteCut.isVisible());
    noteCut.close();

    TformFXsettings& parameters = *t.editor->formFXsettings;
    parameters.SetParameterControlsEnabled(false);
    EXPECT_TRUE(parameters.btnNoteCut->isEnabled());
    EXPECT_EQ(parameters.btnNoteCut->parentWidget()->objectName(), "frameTracking");
    parameters.btnNoteCut->click();
    EXPECT_TRUE(noteCut.isVisible());
}

TEST_F(TuningWindowsTest, MidiChannelItemsSendTheirChannelAtOnce) {
    QStringList captions;
    for (QAction* item : t.main().midiChannelItems) {
        captions << item->text();
        EXPECT_FALSE(item->isCheckable());
    }
    EXPECT_EQ(captions.size(), 17);
    EXPECT_EQ(captions.front(), "OMNI");
    EXPECT_EQ(captions.back(), "16");
    EXPECT_EQ(t.main().menuMIDIchannel->actions().size(), 17);

    const std::vector<std::pair<QString, Bytes>> cases = {
        {"OMNI", {0x07, 0x00}}, {"1", {0x07, 0x01}},  {"9", {0x07, 0x09}},
        {"10", {0x07, 0x0A}},   {"16", {0x07, 0x10}}, {"16", {0x07, 0x10}},
    };
    for (const auto& [caption, message] : cases) {
        t.pedal().ClearRecords();
        MidiItem(caption)->trigger();
        EXPECT_EQ(Sent(), (std::vector<Bytes>{message})) << caption.toStdString();
    }
    EXPECT_EQ(t.pedal().state.midiChannel, 16);
    EXPECT_TRUE(t.clock.pauses.empty());
    MidiItem("OMNI")->trigger();
    EXPECT_EQ(LogTail(2), (Lines{"Midi channel: OMNI", "0700"}));
}

TEST_F(TuningWindowsTest, TheFilterViewMarksTheStringsOfTheChosenTuning) {
    t.editor->formFXsettings->cmbGuitarTuning->setCurrentIndex(1);
    t.main().menuTuningFilters->trigger();
    TformTuningFilters& view = *t.editor->formTuningFilters;
    ASSERT_TRUE(view.isVisible());
    EXPECT_EQ(view.cmbTuning->currentIndex(), 1);
    EXPECT_EQ(view.chartView->chart()->series().size(), 18 + 6);
    EXPECT_TRUE(view.lblStringCuts->text().contains("E2    82.4 Hz   -6.0 dB (table 2)"));

    view.cmbTableGroup->setCurrentIndex(1);
    EXPECT_EQ(view.chartView->chart()->series().size(), 14 + 6);
    view.cmbTuning->setCurrentIndex(0);
    EXPECT_EQ(view.chartView->chart()->series().size(), 14);
    EXPECT_EQ(view.lblStringCuts->text(), "No tuning selected: no strings to mark");
}

// The chart's key works in every look: each open string its own colour, 3:1 from the plot area
// and from the curves (which stand 3:1 from the plot area), in the look's text colour and font,
// with the log axis named between its decades.
TEST_F(TuningWindowsTest, TheChartExplainsItselfInEveryLook) {
    t.main().menuTuningFilters->trigger();
    TformTuningFilters& view = *t.editor->formTuningFilters;
    view.cmbTuning->setCurrentIndex(1);
    for (int n = 0; n < Look::styleCount; ++n) {
        ASSERT_TRUE(t.core().ApplyLook(n));
        QChart* chart = view.chartView->chart();
        const QColor plot = chart->plotAreaBackgroundBrush().color();
        std::vector<QColor> curves;
        std::vector<QColor> markers;
        for (QAbstractSeries* series : chart->series()) {
            auto* line = static_cast<QLineSeries*>(series);
            (line->name().isEmpty() ? curves : markers).push_back(line->pen().color());
        }
        ASSERT_EQ(curves.size(), 18u) << n;
        ASSERT_EQ(markers.size(), 6u) << n;
        EXPECT_GE(ContrastRatio(curves.front(), plot), 3.0) << "look " << n;
        for (std::size_t i = 0; i < markers.size(); ++i) {
            EXPECT_GE(ContrastRatio(markers[i], plot), 3.0) << "look " << n << " marker " << i;
            EXPECT_GE(ContrastRatio(markers[i], curves.front()), 3.0)
                << "look " << n << " marker " << i;
            for (std::size_t j = 0; j < i; ++j) {
                // A sixth of the colour wheel apart, less a margin for the tints.
                const double apart = std::abs(markers[i].hslHueF() - markers[j].hslHueF());
                EXPECT_GE(std::min(apart, 1.0 - apart), 0.12)
                    << "look " << n << " markers " << j << " and " << i;
            }
        }
        const QColor text = view.palette().color(QPalette::WindowText);
        EXPECT_EQ(chart->legend()->labelColor(), text) << n;
        EXPECT_EQ(chart->legend()->font().family(), view.font().family()) << n;
        QStringList labels;
        for (QAbstractAxis* axis : chart->axes(Qt::Horizontal)) {
            if (auto* named = qobject_cast<QCategoryAxis*>(axis)) {
                labels = named->categoriesLabels();
            }
            if (axis->labelsVisible()) {
                EXPECT_EQ(axis->labelsBrush().color(), text) << n;
            }
        }
        EXPECT_EQ(labels, (QStringList{"50", "100", "200", "500", "1000"})) << n;
    }
}

TEST(EmulatedPedal, TellsTheTwoNineMessagesApartByAGap) {
    EmulatedPedal pedal;
    const Bytes tuning = {0x09, 0x03};
    pedal.Receive(tuning.data(), tuning.size(), 0);
    EXPECT_EQ(pedal.state.tuning, 0); // a third byte may still come
    const Bytes noteCut = {0x09, 0x02, 0x05};
    pedal.Receive(noteCut.data(), noteCut.size(), EmulatedPedal::kFramingGapMs);
    EXPECT_EQ(pedal.state.tuning, 3);
    EXPECT_EQ(pedal.state.noteCut, (std::array<std::uint8_t, 2>{0x02, 0x05}));
    const Bytes alone = {0x09};
    pedal.Receive(alone.data(), alone.size(), 100);
    EXPECT_EQ(pedal.Unexpected(1000), (std::vector<Bytes>{alone}));
}

} // namespace
} // namespace corvid::testing
