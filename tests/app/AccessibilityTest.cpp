#include "app/Editor.h"
#include "devtools/TformFilterResponse.h"
#include "firmware/TformFirmwareUpgrade.h"
#include "parameters/TformFXsettings.h"
#include "support/Fixtures.h"
#include "tunings/TformNoteTrackingFilter.h"
#include "tunings/TformTuningFilters.h"
#include "updates/TformNewVersionMsg.h"
#include "updates/tformFXInfo.h"
#include "widgets/RotaryDial.h"

#include <QAccessible>
#include <QApplication>

#include <QTest>

#include <gtest/gtest.h>

namespace corvid::testing {
namespace {

std::vector<QWidget*> Windows(Editor& e) {
    return {e.formMain.get(),
            e.formPrint.get(),
            e.formFXsettings.get(),
            e.formNoteTrackingFilter.get(),
            e.formFirmwareUpgrade.get(),
            e.formFXInfo.get(),
            e.formNewVersionMsg.get(),
            e.formTuningFilters.get(),
            e.formPrint->formFilterResponse};
}

// Every control a user can reach says what it is; every window has a name.
TEST(Accessibility, EveryControlHasANameAndTabReachesIt) {
    TestEditor t;
    std::vector<std::string> unnamed;
    for (QWidget* window : Windows(*t.editor)) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(window);
        ASSERT_NE(face, nullptr);
        if (face->text(QAccessible::Name).isEmpty()) {
            unnamed.push_back(window->objectName().toStdString());
        }
        for (QWidget* child : window->findChildren<QWidget*>()) {
            if (child->isHidden() || (child->focusPolicy() & Qt::TabFocus) == 0 ||
                child->window() != window) {
                continue;
            }
            QAccessibleInterface* control = QAccessible::queryAccessibleInterface(child);
            if (control == nullptr || control->text(QAccessible::Name).trimmed().isEmpty()) {
                unnamed.push_back(window->objectName().toStdString() + "/" +
                                  child->objectName().toStdString() + " (" +
                                  child->metaObject()->className() + ")");
            }
        }
    }
    EXPECT_EQ(unnamed, std::vector<std::string>{});
}

TEST(Accessibility, DialsAndSwitchesAnnounceTheirValue) {
    TestEditor t;
    TformFXsettings& w = *t.editor->formFXsettings;
    w.dialInputLevel->setAngle(90);
    QAccessibleInterface* dial = QAccessible::queryAccessibleInterface(w.dialInputLevel);
    ASSERT_NE(dial, nullptr);
    EXPECT_EQ(dial->role(), QAccessible::Dial);
    ASSERT_NE(dial->valueInterface(), nullptr);
    EXPECT_EQ(dial->valueInterface()->currentValue().toInt(), 134); // positions along the travel
    EXPECT_EQ(dial->text(QAccessible::Value), "134 of 269");
    w.swtWave->setOn(true);
    QAccessibleInterface* sw = QAccessible::queryAccessibleInterface(w.swtWave);
    EXPECT_EQ(sw->text(QAccessible::Value), "on");
    EXPECT_TRUE(sw->state().checked);
}

TEST(Accessibility, EscapeClosesTheToolWindows) {
    TestEditor t;
    for (QWidget* window : {static_cast<QWidget*>(t.editor->formNoteTrackingFilter.get()),
                            static_cast<QWidget*>(t.editor->formTuningFilters.get()),
                            static_cast<QWidget*>(t.editor->formFXInfo.get()),
                            static_cast<QWidget*>(t.editor->formNewVersionMsg.get()),
                            static_cast<QWidget*>(t.editor->formPrint->formFilterResponse)}) {
        window->show();
        QApplication::setActiveWindow(window);
        QTest::keyClick(window, Qt::Key_Escape);
        EXPECT_FALSE(window->isVisible()) << window->objectName().toStdString();
    }
}

} // namespace
} // namespace corvid::testing
