#include "support/Fixtures.h"
#include "updates/TformNewVersionMsg.h"

#include <QAction>
#include <QCheckBox>

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace corvid::testing {
namespace {

namespace fs = std::filesystem;

fs::path SettingFile(const std::string& documents) {
    return fs::path(documents) / "KALVO" / "Corvid MK3" / "ShowMessageVersionAtStartup.txt";
}

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Seed(TestEditor& t, const std::string& bytes) {
    const fs::path file = SettingFile(t.Documents());
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

TEST(DataFolder, FirstStartCreatesTheTreeAndTheSetting) {
    TestEditor t;
    EXPECT_TRUE(fs::is_directory(fs::path(t.Documents()) / "KALVO" / "Corvid MK3"));
    EXPECT_EQ(Contents(SettingFile(t.Documents())), "YES");
    EXPECT_TRUE(t.core().settings().showUpdateMessage);
    EXPECT_TRUE(t.main().menuShowUpdateMsg->isChecked());
    EXPECT_TRUE(t.dialogs.messages.empty());
}

TEST(DataFolder, SettingTextMustMatchExactly) {
    struct Case {
        std::string bytes;
        bool show;
    };
    const std::vector<Case> cases = {
        {"NO", false},
        {"YES", true},
        {"\xEF\xBB\xBFNO", false},
        {"no", true},
        {"NO\r\n", true},
        {" NO", true},
        {std::string("\xFF\xFEN\0O\0", 6), false},
    };
    for (const Case& c : cases) {
        TestEditor t([&](TestEditor& t) { Seed(t, c.bytes); });
        EXPECT_EQ(t.core().settings().showUpdateMessage, c.show) << c.bytes;
        EXPECT_EQ(t.main().menuShowUpdateMsg->isChecked(), c.show) << c.bytes;
        EXPECT_EQ(Contents(SettingFile(t.Documents())), c.bytes);
    }
}

TEST(DataFolder, MenuToggleRewritesAnExistingSettingOnly) {
    TestEditor t;
    QAction* item = t.main().menuShowUpdateMsg;
    item->trigger();
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(Contents(SettingFile(t.Documents())), "NO");
    // One setting: the editor now holds what the file says.
    EXPECT_FALSE(t.core().settings().showUpdateMessage);
    item->trigger();
    EXPECT_EQ(Contents(SettingFile(t.Documents())), "YES");

    fs::remove(SettingFile(t.Documents()));
    item->trigger();
    EXPECT_FALSE(fs::exists(SettingFile(t.Documents())));
    EXPECT_TRUE(t.dialogs.messages.empty());
}

TEST(DataFolder, NoticeCheckBoxWritesNoOnlyWhenTicked) {
    TestEditor t;
    QCheckBox* box = t.editor->formNewVersionMsg->CheckBox1;
    EXPECT_EQ(box->text(), "Don't Show This Message Again");
    box->setChecked(true);
    EXPECT_EQ(Contents(SettingFile(t.Documents())), "NO");
    box->setChecked(false);
    EXPECT_EQ(Contents(SettingFile(t.Documents())), "NO");
    EXPECT_TRUE(t.main().menuShowUpdateMsg->isChecked());
}

TEST(DataFolder, ExistingFoldersAreLeftAlone) {
    TestEditor t([](TestEditor& t) {
        Seed(t, "NO");
        std::ofstream(fs::path(t.Documents()) / "KALVO" / "style.txt") << "3";
    });
    EXPECT_TRUE(t.dialogs.messages.empty());
    EXPECT_EQ(Contents(fs::path(t.Documents()) / "KALVO" / "style.txt"), "3");
}

TEST(DataFolder, FolderErrorsAreShownAndStartUpGoesOn) {
    TestEditor t([](TestEditor& t) {
        // A file where the data folder should be.
        std::ofstream(fs::path(t.Documents()) / "KALVO") << "x";
    });
    ASSERT_GE(t.dialogs.messages.size(), 2u);
    EXPECT_EQ(t.dialogs.messages[0].rfind("Error creating folder: ", 0), 0u);
    EXPECT_EQ(t.dialogs.messages[1].rfind("Error creating subfolder: ", 0), 0u);
    EXPECT_TRUE(t.main().menuShowUpdateMsg->isChecked());
    EXPECT_EQ(t.main().windowTitle(), "Corvid Editor");
}

} // namespace
} // namespace corvid::testing
