#include "parameters/TformFXsettings.h"
#include "support/Fixtures.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace corvid::testing {
namespace {

using Lines = std::vector<std::string>;

bool Contains(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(Algorithms, ResourceNames) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Corvid MK3 0008", "Corvid_MK3_0008"},
        {"A-B+X x", "A_Bplusmult_x"},
        {"", ""},
    };
    for (const auto& [name, resource] : cases) {
        EXPECT_EQ(AlgorithmResourceName(name), resource);
    }
}

TEST(Algorithms, ResourcesAreFoundIgnoringCaseAndLinesSplit) {
    ScriptedDialogs dialogs;
    AlgorithmLibrary library(dialogs);
    ASSERT_TRUE(library.LoadResourceLines("OCTAVE"));
    EXPECT_EQ(library.resourceLines, Lines{"Corvid MK3 0008"});
    ASSERT_TRUE(library.LoadResourceLines("corvid_mk3_0008"));
    ASSERT_EQ(library.resourceLines.size(), 1u);
    const std::string& image = library.resourceLines[0];
    EXPECT_EQ(image.size(), 9280u);
    EXPECT_EQ(image.substr(0, 6), "001220");
    EXPECT_EQ(image.substr(6, 68),
              "000B00E800770073000300CC00DE00A000E9004C005B0051000A006E00E7001B000C");
    EXPECT_EQ(image.find_first_not_of("0123456789ABCDEF"), std::string::npos);

    EXPECT_FALSE(library.LoadResourceLines("nothing"));
    EXPECT_EQ(dialogs.messages, Lines{"Resource nothing not found"});
    EXPECT_EQ(library.resourceLines.size(), 1u);
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd\r\n"), (Lines{"a", "b", "c", "d"}));
}

TEST(Algorithms, ListIsFilledAndArrowKeysMoveOneStep) {
    TestEditor t;
    QListWidget* list = t.main().lstEffects;
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), "Corvid MK3 0008");
    list->addItem("Second");
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentRow(), 1);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentRow(), 1);
    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(t.LogLines(), (Lines{"arrow down pressed", "arrow down pressed", "arrow up pressed",
                                   "arrow up pressed"}));
    EXPECT_TRUE(t.modules().algorithms.selectedEffectName.empty());
    EXPECT_FALSE(t.editor->formFXsettings->isVisible());
}

void ClickEffect(TestEditor& t) {
    QListWidget* list = t.main().lstEffects;
    list->setCurrentRow(0);
    emit list->itemClicked(list->item(0));
}

TEST(Algorithms, ClickingAnEffectSelectsItAndOpensItsWindow) {
    TestEditor t;
    t.editor->Show();
    ClickEffect(t);
    const Lines lines = t.LogLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 3),
              (Lines{"efx index :0", "selected effect name: Corvid MK3 0008",
                     "resource name: Corvid_MK3_0008"}));
    EXPECT_TRUE(lines[3] == t.modules().algorithms.resourceLines[0]);
    EXPECT_EQ(t.modules().algorithms.selectedEffectName, "Corvid MK3 0008");
    EXPECT_TRUE(t.main().btnGetFXInfo->isEnabled());
    // The effect has an information page, so its "?" is there.
    EXPECT_FALSE(t.main().btnGetFXInfo->isHidden());
    TformFXsettings& settings = *t.editor->formFXsettings;
    EXPECT_TRUE(settings.isVisible());
    EXPECT_EQ(settings.windowTitle(), "Corvid MK3 0008");
    EXPECT_EQ(settings.frameGeometry().x(),
              t.main().frameGeometry().x() + t.main().frameGeometry().width());
}

struct UploadTest : ::testing::Test {
    TestEditor t;
    void SetUp() override {
        ClickEffect(t);
        t.Connect();
        t.pedal().ClearRecords();
        t.driver.writeSizes.clear();
    }
    std::string Status() { return t.main().lblStatus->text().toStdString(); }
};

TEST_F(UploadTest, SendsTheImageInOneWriteAndShowsTheAnswer) {
    t.main().btnUpload->click();
    EXPECT_EQ(t.dialogs.questions, Lines{"Upload the selected algorithm?"});
    EXPECT_EQ(t.driver.writeSizes, (std::vector<std::uint32_t>{2, 4640}));
    const auto messages = t.pedal().Messages(t.clock.NowMs());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].bytes, (std::vector<std::uint8_t>{0x0D, 0x00}));
    EXPECT_EQ(messages[1].atMs - messages[0].atMs, 400);
    EXPECT_EQ(t.pedal().state.algorithm.size(), 4640u);
    EXPECT_EQ(t.pedal().state.algorithm[2], 0x20);
    EXPECT_EQ(Status(), "Upload completed.");
    EXPECT_FALSE(t.modules().upload.UploadCheckTimer().IsActive());
    const Lines lines = t.LogLines();
    ASSERT_GE(lines.size(), 6u);
    const Lines tail(lines.end() - 6, lines.end());
    EXPECT_EQ(tail[0], "resource name: Corvid_MK3_0008");
    EXPECT_EQ(tail[1], "size: 4640");
    EXPECT_TRUE(tail[2] == "filecontent: " + t.modules().algorithms.resourceLines[0]);
    EXPECT_EQ(tail[3], "num of bytes: 4640");
    EXPECT_EQ(tail[4], "write to device");
    EXPECT_EQ(tail[5], "received: Upload completed.");
}

TEST_F(UploadTest, NoStopsBeforeAnythingIsSent) {
    t.dialogs.answers = {false};
    t.main().btnUpload->click();
    EXPECT_TRUE(t.driver.writeSizes.empty());
    EXPECT_EQ(Status(), "Status: ");
}

TEST_F(UploadTest, TimerShowsFailureUntilALateAnswerReplacesIt) {
    t.pedal().InjectFault(EmulatedPedal::Fault::Late, 0, 7000);
    // Looks at the status 6 s into the upload, between the check timer and the answer.
    std::string seen;
    const auto probe = t.clock.CreateTimer(6000, [&] { seen = Status(); });
    probe->Start();
    t.main().btnUpload->click();
    EXPECT_EQ(seen, "Upload Failed");
    EXPECT_EQ(Status(), "Upload completed.");
    EXPECT_TRUE(Contains(t.LogLines(), "received: Upload completed."));
    EXPECT_FALSE(t.modules().upload.UploadCheckTimer().IsActive());
}

TEST_F(UploadTest, ASilentPedalEndsTheUploadAfterFifteenSeconds) {
    t.pedal().InjectFault(EmulatedPedal::Fault::Silence);
    const std::int64_t start = t.clock.NowMs();
    t.main().btnUpload->click();
    EXPECT_GE(t.clock.NowMs() - start, 15000);
    EXPECT_LT(t.clock.NowMs() - start, 15100);
    EXPECT_EQ(Status(), "Upload Failed");
    EXPECT_EQ(t.dialogs.messages, Lines{"No reply from the pedal"});
    EXPECT_FALSE(t.modules().upload.UploadCheckTimer().IsActive());
}

TEST_F(UploadTest, AShortAnswerShowsOnlyWhatCame) {
    t.pedal().InjectFault(EmulatedPedal::Fault::ShortReply, 6);
    t.main().btnUpload->click();
    EXPECT_EQ(Status(), "Upload");
    EXPECT_EQ(t.LogLines().back(), "received: Upload");
}

TEST(Upload, WithNothingSelectedStopsAtTheMissingResource) {
    TestEditor t;
    t.Connect();
    t.main().btnUpload->click();
    EXPECT_EQ(t.dialogs.messages, Lines{"Resource  not found"});
    EXPECT_EQ(t.driver.writeSizes, (std::vector<std::uint32_t>{2}));
    EXPECT_TRUE(t.modules().upload.UploadCheckTimer().IsActive());
    t.clock.Sleep(5000);
    EXPECT_EQ(t.main().lblStatus->text(), "Upload Failed");
}

} // namespace
} // namespace corvid::testing
