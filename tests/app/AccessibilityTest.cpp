#include "app/Editor.h"
#include "app/TformMain.h"
#include "app/TformPrint.h"
#include "devtools/TformFilterResponse.h"
#include "firmware/TformFirmwareUpgrade.h"
#include "parameters/TformFXsettings.h"
#include "presets/TformCompare.h"
#include "presets/TformHistory.h"
#include "support/Fixtures.h"
#include "tunings/TformNoteTrackingFilter.h"
#include "tunings/TformTuningFilters.h"
#include "updates/TformNewVersionMsg.h"
#include "updates/tformFXInfo.h"
#include "widgets/RotaryDial.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextEdit>

#include <QTest>

#include <gtest/gtest.h>

#include <set>

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
            e.formHistory.get(),
            e.formCompare.get(),
            e.formPrint->formFilterResponse};
}

// Something a user operates, as opposed to a label, a frame or an indicator.
bool Interactive(const QWidget* widget) {
    return (qobject_cast<const QAbstractButton*>(widget) != nullptr ||
            qobject_cast<const QComboBox*>(widget) != nullptr ||
            qobject_cast<const QLineEdit*>(widget) != nullptr ||
            qobject_cast<const QAbstractItemView*>(widget) != nullptr ||
            qobject_cast<const QAbstractSpinBox*>(widget) != nullptr ||
            qobject_cast<const QPlainTextEdit*>(widget) != nullptr ||
            qobject_cast<const QTextEdit*>(widget) != nullptr ||
            qobject_cast<const RotaryDial*>(widget) != nullptr) &&
           qobject_cast<const QScrollBar*>(widget) == nullptr &&
           // A list's column titles belong to the list, which Tab reaches.
           qobject_cast<const QHeaderView*>(widget) == nullptr;
}

// Every control a user can operate is reached by Tab and says what it is; every window has a
// name.
TEST(Accessibility, EveryControlHasANameAndTabReachesIt) {
    TestEditor t;
    std::vector<std::string> problems;
    for (QWidget* window : Windows(*t.editor)) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(window);
        ASSERT_NE(face, nullptr);
        if (face->text(QAccessible::Name).isEmpty()) {
            problems.push_back(window->objectName().toStdString() + " has no name");
        }
        std::set<QWidget*> chain;
        for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
            chain.insert(w);
        }
        for (QWidget* child : window->findChildren<QWidget*>()) {
            if (child->isHidden() || child->window() != window) {
                continue;
            }
            const std::string where = window->objectName().toStdString() + "/" +
                                      child->objectName().toStdString() + " (" +
                                      child->metaObject()->className() + ")";
            const bool tabbed = (child->focusPolicy() & Qt::TabFocus) != 0;
            if (Interactive(child) && (!tabbed || chain.count(child) == 0)) {
                problems.push_back(where + " is not reached by Tab");
            }
            QAccessibleInterface* control = QAccessible::queryAccessibleInterface(child);
            if (tabbed &&
                (control == nullptr || control->text(QAccessible::Name).trimmed().isEmpty())) {
                problems.push_back(where + " has no name");
            }
        }
    }
    EXPECT_EQ(problems, std::vector<std::string>{});
}

// Alt and a letter open each menu; a letter then picks each command (none shared in a menu).
// The information items (versions, the serial number) are texts, not commands.
TEST(Accessibility, EveryMenuAndCommandHasItsOwnMnemonic) {
    TestEditor t;
    TformMain& m = t.main();
    const std::set<QAction*> information = {m.menuAppVersion, m.menuNewAppVersion,
                                            m.menuSerialNumber};
    std::vector<std::string> problems;
    const auto check = [&](const QList<QAction*>& actions, const std::string& where) {
        std::set<QString> used;
        for (QAction* action : actions) {
            if (action->isSeparator() || !action->isVisible() || information.count(action) != 0) {
                continue;
            }
            const QString key = QKeySequence::mnemonic(action->text()).toString();
            if (key.isEmpty() || !used.insert(key).second) {
                problems.push_back(where + ": " + action->text().toStdString());
            }
        }
    };
    check(m.MenuBar1->actions(), "menu bar");
    for (QAction* title : m.MenuBar1->actions()) {
        check(title->menu()->actions(), title->text().toStdString());
    }
    EXPECT_EQ(problems, std::vector<std::string>{});
    EXPECT_EQ(m.menuLoadPreset->shortcut(), QKeySequence(QKeySequence::Open));
    EXPECT_EQ(m.menuSavePreset->shortcut(), QKeySequence(QKeySequence::Save));
    EXPECT_EQ(m.menuQuit->shortcut(), QKeySequence(QKeySequence::Quit));
}

// Return presses the focused button; in the note cut window, from a box, the Save button; in
// the console, from a field, its row's button once the field's value has taken effect.
TEST(Accessibility, ReturnPressesTheButtonItBelongsTo) {
    TestEditor t;
    t.Connect();
    QSignalSpy request(t.main().btnRequest, &QPushButton::clicked);
    QTest::keyClick(t.main().btnRequest, Qt::Key_Return);
    EXPECT_EQ(request.count(), 1);

    TformNoteTrackingFilter& noteCut = *t.editor->formNoteTrackingFilter;
    noteCut.show();
    QTest::keyClick(noteCut.noteBoxes[7], Qt::Key_Space);
    QTest::keyClick(noteCut.noteBoxes[7], Qt::Key_Return);
    EXPECT_EQ(t.pedal().state.noteCut, (std::array<std::uint8_t, 2>{0x07, 0xFF}));

    TformPrint& console = t.console();
    QSignalSpy calculate(console.btnGetNoteFrequency, &QPushButton::clicked);
    console.show();
    console.edtQ->selectAll();
    QTest::keyClicks(console.edtQ, "2");
    QTest::keyClick(console.edtQ, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(calculate.count(), 1);
    ASSERT_TRUE(t.console().Calculator().lastFilter);
    EXPECT_EQ(t.console().Calculator().filterQ, 2.0);
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

// The three hints are what assistive technology reads as those controls' descriptions.
TEST(Accessibility, HintsAreTheDescriptions) {
    TestEditor t;
    TformFXsettings& w = *t.editor->formFXsettings;
    const auto& hintTexts = TformFXsettings::hintTexts;
    const std::vector<std::pair<QWidget*, std::string>> hinted = {
        {w.chkDominantNoteCut, hintTexts[0]},
        {w.chkHighNoteCut, hintTexts[1]},
        {w.dialInputLevel, hintTexts[2]}};
    for (const auto& [control, hint] : hinted) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(face, nullptr);
        EXPECT_EQ(face->text(QAccessible::Description).toStdString(), hint)
            << control->objectName().toStdString();
    }
}

TEST(Accessibility, EscapeClosesTheToolWindows) {
    TestEditor t;
    for (QWidget* window : {static_cast<QWidget*>(t.editor->formNoteTrackingFilter.get()),
                            static_cast<QWidget*>(t.editor->formTuningFilters.get()),
                            static_cast<QWidget*>(t.editor->formHistory.get()),
                            static_cast<QWidget*>(t.editor->formCompare.get()),
                            static_cast<QWidget*>(t.editor->formFirmwareUpgrade.get()),
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
