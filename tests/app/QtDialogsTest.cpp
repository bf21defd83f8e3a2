#include "app/QtDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace corvid::testing {
namespace {

// The real question box, answered as a user would: only Yes acts; Escape and closing it are No.
TEST(QtDialogs, ADismissedQuestionCountsAsNo) {
    const std::vector<std::pair<const char*, std::function<void(QMessageBox&)>>> answers = {
        {"Yes", [](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); }},
        {"No", [](QMessageBox& box) { box.button(QMessageBox::No)->click(); }},
        {"Escape", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }},
        {"close", [](QMessageBox& box) { box.close(); }},
        {"Return", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); }},
    };
    QtDialogs dialogs;
    for (const auto& [answer, act] : answers) {
        QString caption;
        QTimer::singleShot(0, [act = act, &caption] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                caption = box->windowTitle();
                act(*box);
            }
        });
        const bool yes = dialogs.Confirm({QuestionKind::Risk, "Erase EEPROM addresses 0 to 10?"});
        const bool expected = std::string(answer) == "Yes" || std::string(answer) == "Return";
        EXPECT_EQ(yes, expected) << answer;
        EXPECT_EQ(caption, "Corvid Editor") << answer;
    }
}

// The boxes are the editor's: its caption, and none of the platform's stock pictures.
TEST(QtDialogs, BoxesCarryTheEditorsCaptionAndNoStockPictures) {
    for (const bool question : {false, true}) {
        const std::unique_ptr<QMessageBox> box =
            EditorMessageBox("Upload Assignments?", question, nullptr);
        EXPECT_EQ(box->windowTitle(), "Corvid Editor");
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box->buttons().size(), question ? 2 : 1);
        for (QAbstractButton* button : box->buttons()) {
            EXPECT_TRUE(button->icon().isNull()) << button->text().toStdString();
        }
        // Room for the caption in the title bar.
        box->show();
        EXPECT_GE(box->width(), 300);
        box->close();
    }
}

} // namespace
} // namespace corvid::testing
