#include "app/Editor.h"
#include "firmware/Bootloader.h"
#include "firmware/TformFirmwareUpgrade.h"
#include "parameters/TformFXsettings.h"
#include "preferences/Look.h"
#include "presets/TformCompare.h"
#include "presets/TformHistory.h"
#include "support/Fixtures.h"
#include "tunings/TformNoteTrackingFilter.h"
#include "tunings/TformTuningFilters.h"
#include "updates/TformNewVersionMsg.h"
#include "updates/tformFXInfo.h"
#include "widgets/WrapButton.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>

#include <gtest/gtest.h>

namespace corvid::testing {
namespace {

// The room a control gives its caption against what the caption needs, in its own font.
std::optional<std::string> Clipped(QWidget* widget) {
    const QFontMetrics metrics(widget->font());
    const auto report = [&](const QString& text, int need, int room) -> std::optional<std::string> {
        if (need <= room) {
            return std::nullopt;
        }
        return widget->window()->objectName().toStdString() + "/" +
               widget->objectName().toStdString() + " \"" + text.toStdString() + "\" needs " +
               std::to_string(need) + " px, has " + std::to_string(room);
    };
    if (auto* wrap = qobject_cast<WrapButton*>(widget)) {
        // Wrapped onto as many lines as it takes, at the size the button draws it.
        const QRect area = wrap->CaptionArea();
        const QRect need =
            QFontMetrics(wrap->FittedFont())
                .boundingRect(area, Qt::AlignCenter | Qt::TextWordWrap, wrap->text());
        if (need.height() > area.height() + 4) {
            return report(wrap->text() + " (height)", need.height(), area.height() + 4);
        }
        return report(wrap->text(), need.width(), area.width());
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        // The same room from the sides as a wrapping caption keeps.
        const QRect area =
            button->style()
                ->subElementRect(QStyle::SE_PushButtonContents, &option, button)
                .adjusted(WrapButton::kCaptionMarginPx, 0, -WrapButton::kCaptionMarginPx, 0);
        return report(button->text(), metrics.horizontalAdvance(button->text()), area.width());
    }
    if (auto* box = qobject_cast<QCheckBox*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        const QRect area = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
        return report(box->text(), metrics.horizontalAdvance(box->text()), area.width());
    }
    if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(radio);
        option.text = radio->text();
        const QRect area =
            radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
        return report(radio->text(), metrics.horizontalAdvance(radio->text()), area.width());
    }
    if (auto* label = qobject_cast<QLabel*>(widget); label && !label->wordWrap()) {
        // A trailing blank ("Device Firmware Version: ") takes no visible room, nor does the
        // mnemonic's marker of a label that names its buddy ("&Tuning:").
        QString shown = label->text().trimmed();
        if (label->buddy() != nullptr) {
            shown.replace("&&", "\x01").remove('&').replace('\x01', '&');
        }
        return report(label->text(), metrics.horizontalAdvance(shown),
                      label->contentsRect().width());
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                           QStyle::SC_ComboBoxEditField, combo);
        // Every entry, and what it shows when none is chosen.
        QStringList shown;
        for (int i = 0; i < combo->count(); ++i) {
            shown << combo->itemText(i);
        }
        if (!combo->placeholderText().isEmpty()) {
            shown << combo->placeholderText();
        }
        std::optional<std::string> worst;
        for (const QString& text : shown) {
            if (!worst) {
                worst = report(text, metrics.horizontalAdvance(text), field.width());
            }
        }
        return worst;
    }
    return std::nullopt;
}

std::vector<QWidget*> Windows(Editor& editor) {
    return {editor.formMain.get(),
            editor.formFXsettings.get(),
            editor.formNoteTrackingFilter.get(),
            editor.formPrint.get(),
            editor.formNewVersionMsg.get(),
            editor.formFirmwareUpgrade.get(),
            editor.formTuningFilters.get(),
            editor.formHistory.get(),
            editor.formCompare.get(),
            editor.formFXInfo.get()};
}

std::vector<std::string> ClippedCaptions(Editor& editor) {
    std::vector<std::string> clipped;
    for (QWidget* window : Windows(editor)) {
        window->ensurePolished();
        for (QWidget* child : window->findChildren<QWidget*>()) {
            child->ensurePolished();
            if (!child->isHidden()) {
                if (std::optional<std::string> problem = Clipped(child)) {
                    clipped.push_back(*problem);
                }
            }
        }
    }
    return clipped;
}

// Every two visible controls side by side in a window (or in one of its frames) that overlap.
std::vector<std::string> OverlappingControls(Editor& editor) {
    std::vector<std::string> overlaps;
    const auto name = [](const QWidget* w) {
        const QString own = w->objectName();
        if (!own.isEmpty()) {
            return own.toStdString();
        }
        const auto* label = qobject_cast<const QLabel*>(w);
        return std::string(w->metaObject()->className()) +
               (label != nullptr ? " \"" + label->text().toStdString() + "\"" : std::string());
    };
    for (QWidget* window : Windows(editor)) {
        std::vector<QWidget*> parents = {window};
        for (QFrame* frame : window->findChildren<QFrame*>()) {
            if (frame->metaObject() == &QFrame::staticMetaObject) {
                parents.push_back(frame);
            }
        }
        for (QWidget* parent : parents) {
            std::vector<QWidget*> controls;
            for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (!child->isHidden() && !child->isWindow() && !qobject_cast<QMenuBar*>(child)) {
                    controls.push_back(child);
                }
            }
            for (std::size_t i = 0; i < controls.size(); ++i) {
                for (std::size_t j = i + 1; j < controls.size(); ++j) {
                    if (controls[i]->geometry().intersects(controls[j]->geometry())) {
                        overlaps.push_back(window->objectName().toStdString() + ": " +
                                           name(controls[i]) + " and " + name(controls[j]));
                    }
                }
            }
        }
    }
    return overlaps;
}

TEST(Captions, TheDesignFontStandsInForArial) {
    EXPECT_EQ(QFontInfo(QFont("Arial")).family(), QFontInfo(QFont("Liberation Sans")).family());
}

TEST(Captions, EveryCaptionFitsAndNoControlsOverlapInEveryLook) {
    TestEditor t;
    // The effect's "?" shows once an effect with a page is chosen.
    QListWidget* list = t.main().lstEffects;
    list->setCurrentRow(0);
    emit list->itemClicked(list->item(0));
    ASSERT_FALSE(t.main().btnGetFXInfo->isHidden());
    // The pitch list as it shows a value that is not one of its entries.
    t.editor->formFXsettings->SelectPitch(-1);
    // The longer of the two paths the upgrade window names.
    t.editor->formFirmwareUpgrade->ShowPath(PathText(BootloaderPath::Compatible));
    // Shown, so the windows built with layouts are laid out.
    for (QWidget* window : Windows(*t.editor)) {
        window->show();
    }
    for (int n = 0; n < Look::styleCount; ++n) {
        ASSERT_TRUE(t.core().ApplyLook(n));
        EXPECT_EQ(ClippedCaptions(*t.editor), std::vector<std::string>{}) << "look " << n;
        EXPECT_EQ(OverlappingControls(*t.editor), std::vector<std::string>{}) << "look " << n;
    }
    t.core().ApplyLook(0);
    // The two-line captions keep their designed size; only "Set Footswitch Mode", three lines at
    // 10.5 pt in a 31 px button even in Arial, is drawn smaller.
    EXPECT_EQ(static_cast<WrapButton*>(t.main().btnUpload)->FittedFont().pointSizeF(), 11.0);
    EXPECT_EQ(static_cast<WrapButton*>(t.main().btnSaveParameters)->FittedFont().pointSizeF(),
              11.0);
    EXPECT_GE(static_cast<WrapButton*>(t.main().btnSetFootswitchMode)->FittedFont().pointSizeF(),
              8.5);
}

} // namespace
} // namespace corvid::testing
