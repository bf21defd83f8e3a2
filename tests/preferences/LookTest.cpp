#include "preferences/Look.h"
#include "support/Fixtures.h"
#include "widgets/ResponseChart.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace corvid::testing {
namespace {

namespace fs = std::filesystem;

fs::path LookFile(TestEditor& t) {
    return fs::path(t.Documents()) / "KALVO" / "style.txt";
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An editor whose data folder already holds a style.txt with this text.
std::unique_ptr<TestEditor> StartWithLookFile(const std::string& text) {
    return std::make_unique<TestEditor>([&](TestEditor& e) {
        fs::create_directories(fs::path(e.Documents()) / "KALVO");
        std::ofstream(LookFile(e), std::ios::binary) << text;
    });
}

TEST(Look, FirstStartShowsLookZeroAndWritesNothing) {
    TestEditor t;
    EXPECT_EQ(t.core().settings().look, 0);
    EXPECT_EQ(qApp->styleSheet().toStdString(), *Look::StyleSheet(0));
    EXPECT_FALSE(fs::exists(LookFile(t)));
    // The look in use carries the check mark when the menu opens.
    emit t.main().menuLook->aboutToShow();
    QStringList captions;
    for (QAction* item : t.main().lookMenuItems) {
        captions << item->text();
        EXPECT_EQ(item->isChecked(), item == t.main().lookMenuItems[0])
            << item->text().toStdString();
    }
    EXPECT_EQ(captions, (QStringList{"0", "1", "2", "3", "4", "5", "6"}));
    t.main().lookMenuItems[5]->trigger();
    emit t.main().menuLook->aboutToShow();
    EXPECT_TRUE(t.main().lookMenuItems[5]->isChecked());
    EXPECT_FALSE(t.main().lookMenuItems[0]->isChecked());
    t.main().lookMenuItems[0]->trigger();
    EXPECT_EQ(t.main().lookMenuItems[2]->statusTip(), "High contrast: black, white and yellow");
}

TEST(Look, AChosenLookIsAppliedAtOnceAndAtTheNextStart) {
    TestEditor t;
    t.main().lookMenuItems[3]->trigger();
    EXPECT_EQ(t.core().settings().look, 3);
    EXPECT_EQ(qApp->styleSheet().toStdString(), *Look::StyleSheet(3));
    EXPECT_EQ(ReadText(LookFile(t)), "3");
    EXPECT_TRUE(t.dialogs.messages.empty());

    TestEditor next([&](TestEditor& e) {
        fs::copy(fs::path(t.Documents()) / "KALVO", fs::path(e.Documents()) / "KALVO",
                 fs::copy_options::recursive);
    });
    EXPECT_EQ(next.core().settings().look, 3);
}

TEST(Look, TheLookFileIsReadForgivingly) {
    struct Case {
        std::string text;
        int applied; // -1: nothing applied
    };
    const std::vector<Case> cases = {
        {"7", 7},                               // the look the menu does not offer
        {"6", 6},   {"3\n", 3}, {" 2 \r\n", 2}, // a hand-edited file's blanks and line break
        {"abc", 0}, {"", 0},    {"3.5", 0},     {"9", -1}, // no such look: nothing changes
    };
    for (const Case& c : cases) {
        const std::unique_ptr<TestEditor> t = StartWithLookFile(c.text);
        EXPECT_EQ(t->core().settings().look, c.applied) << c.text;
        // Start-up went on past the look: the MIDI channel menu is there.
        EXPECT_EQ(t->main().midiChannelItems.size(), 17u) << c.text;
        EXPECT_TRUE(t->dialogs.messages.empty()) << c.text;
    }
}

TEST(Look, AFileThatCannotBeWrittenIsReportedAndTheLookStays) {
    TestEditor t;
    fs::create_directories(LookFile(t)); // a folder where the file should be
    t.main().lookMenuItems[1]->trigger();
    EXPECT_EQ(t.core().settings().look, 1);
    ASSERT_EQ(t.dialogs.messages.size(), 1u);
    EXPECT_EQ(t.dialogs.messages[0].rfind("Cannot write ", 0), 0u) << t.dialogs.messages[0];
}

// Every look is accepted by the style sheet parser, for every window of the editor.
TEST(Look, EveryStyleSheetParses) {
    static std::vector<std::string> warnings;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type != QtDebugMsg) {
                warnings.push_back(message.toStdString());
            }
        });
    TestEditor t;
    for (int n = 0; n < Look::styleCount; ++n) {
        ASSERT_TRUE(Look::StyleSheet(n)) << n;
        ASSERT_TRUE(t.core().ApplyLook(n));
        for (QWidget* window : QApplication::topLevelWidgets()) {
            for (QWidget* widget : window->findChildren<QWidget*>()) {
                widget->ensurePolished();
            }
        }
    }
    qInstallMessageHandler(previous);
    EXPECT_EQ(warnings, std::vector<std::string>{});
    EXPECT_FALSE(Look::StyleSheet(Look::styleCount));
}

using Rules = std::vector<std::pair<QString, std::map<std::string, std::string>>>;

// A look's rules in order: each selector list with its properties, comments left out.
Rules ParseSheet(int n) {
    static const QRegularExpression rule(R"(([^{}]+)\{([^}]*)\})");
    static const QRegularExpression declaration(R"(([\w-]+)\s*:\s*([^;]+);)");
    static const QRegularExpression comment(R"(/\*.*?\*/)",
                                            QRegularExpression::DotMatchesEverythingOption);
    const QString sheet = QString::fromStdString(*Look::StyleSheet(n)).remove(comment);
    Rules rules;
    auto found = rule.globalMatch(sheet);
    while (found.hasNext()) {
        const auto m = found.next();
        std::map<std::string, std::string> properties;
        auto d = declaration.globalMatch(m.captured(2));
        while (d.hasNext()) {
            const auto p = d.next();
            properties[p.captured(1).toStdString()] = p.captured(2).toStdString();
        }
        rules.emplace_back(m.captured(1).simplified(), properties);
    }
    return rules;
}

// Every kind of control in the windows is drawn by every designed look, so none shows the
// platform's drawing in the middle of a look; check boxes are square and ticked, radio buttons
// round with a dot, so pick-several and pick-one read as what they are.
TEST(Look, EveryDesignedLookDrawsEveryKindOfControl) {
    // The kinds, each with the class it draws (none: not a control of the windows).
    const std::vector<std::pair<QString, const char*>> kinds = {
        {"QPushButton", "QPushButton"},
        {"QComboBox", "QComboBox"},
        {"QComboBox QAbstractItemView", "QComboBoxListView"},
        {"QLineEdit", "QLineEdit"},
        {"QAbstractSpinBox", "QAbstractSpinBox"},
        {"QCheckBox::indicator", "QCheckBox"},
        {"QRadioButton::indicator", "QRadioButton"},
        {"QProgressBar", "QProgressBar"},
        {"QProgressBar::chunk", nullptr},
        {"QListWidget", "QListWidget"},
        {"QTreeWidget", "QTreeWidget"},
        {"QHeaderView::section", nullptr},
        {"QPlainTextEdit", "QPlainTextEdit"},
        {"QTextBrowser", "QTextBrowser"},
        {"QScrollBar::handle", nullptr},
        {"QToolTip", nullptr},
        {"QMessageBox QPushButton", nullptr},
        {"QMenu", nullptr},
        {"QMenuBar", nullptr},
    };
    // Every control the windows hold is of a kind in the list.
    TestEditor t;
    const std::vector<const char*> controls = {"QAbstractButton",  "QComboBox",    "QLineEdit",
                                               "QAbstractSpinBox", "QProgressBar", "QListView",
                                               "QPlainTextEdit",   "QTextEdit"};
    for (QWidget* window : QApplication::topLevelWidgets()) {
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            const auto is = [widget](const char* c) { return c && widget->inherits(c); };
            // A drop-down's field and the menu bar's overflow button are drawn by their owner's
            // rules.
            if (!std::any_of(controls.begin(), controls.end(), is) ||
                qobject_cast<QComboBox*>(widget->parentWidget()) ||
                qobject_cast<QMenuBar*>(widget->parentWidget())) {
                continue;
            }
            EXPECT_TRUE(std::any_of(kinds.begin(), kinds.end(),
                                    [&](const auto& kind) { return is(kind.second); }))
                << widget->metaObject()->className() << " " << widget->objectName().toStdString();
        }
    }
    for (int n = 1; n < Look::styleCount; ++n) {
        const Rules rules = ParseSheet(n);
        // What a selector gets from the sheet: the rules naming it, later ones winning.
        const auto rule =
            [&](const QString& kind) -> std::optional<std::map<std::string, std::string>> {
            std::optional<std::map<std::string, std::string>> merged;
            for (const auto& [selectors, properties] : rules) {
                for (const QString& selector : selectors.split(',')) {
                    if (selector.trimmed() == kind) {
                        merged.emplace();
                        for (const auto& [name, value] : properties) {
                            (*merged)[name] = value;
                        }
                    }
                }
            }
            return merged;
        };
        for (const auto& kind : kinds) {
            EXPECT_TRUE(rule(kind.first))
                << "look " << n << " has no rule for " << kind.first.toStdString();
        }
        const auto px = [](const std::optional<std::map<std::string, std::string>>& properties,
                           const std::string& name) {
            return properties && properties->contains(name) ? std::stoi(properties->at(name)) : -1;
        };
        const auto box = rule("QCheckBox::indicator");
        const auto radio = rule("QRadioButton::indicator");
        const int width = px(radio, "width") + 2 * px(radio, "border");
        EXPECT_LE(px(box, "border-radius"), 3) << "look " << n << ": a box is square";
        EXPECT_GE(2 * px(radio, "border-radius"), width) << "look " << n << ": a radio is round";
        const auto ticked = rule("QCheckBox::indicator:checked");
        const auto dotted = rule("QRadioButton::indicator:checked");
        ASSERT_TRUE(ticked && dotted) << n;
        const QString tick = QString(":/styles/tick_%1.png").arg(n);
        const QString dot = QString(":/styles/dot_%1.png").arg(n);
        EXPECT_EQ(ticked->at("image"), "url(" + tick.toStdString() + ")") << n;
        EXPECT_EQ(dotted->at("image"), "url(" + dot.toStdString() + ")") << n;
        EXPECT_TRUE(QFile::exists(tick) && QFile::exists(dot)) << n;
    }
}

// Every colour a property gives: a plain colour or each stop of a gradient.
std::vector<QColor> Colours(const std::string& value) {
    std::vector<QColor> colours;
    static const QRegularExpression hex("#[0-9A-Fa-f]{6}");
    auto match = hex.globalMatch(QString::fromStdString(value));
    while (match.hasNext()) {
        colours.emplace_back(match.next().captured());
    }
    return colours;
}

// Every text a look colours stands out from what it is drawn on by at least 4.5:1 (WCAG AA):
// a rule's text colour against its own background, or the look's where it sets none, and the
// selection colours against each other. A progress bar's label is drawn over its fill as well
// as its track, in the bar's colour. The sub-controls that carry no text (handles, indicators,
// arrows, separators) are not text.
TEST(Look, EveryTextMeetsTheContrastMinimum) {
    // Disabled text is text too: it must be read to know what is unavailable.
    const QStringList noText = {"::handle",    "::indicator", "::drop-down",
                                "::separator", "::add-line",  "::sub-line",
                                "QScrollBar",  "QFrame#",     "corvid--"};
    for (int n = 1; n < Look::styleCount; ++n) {
        const Rules rules = ParseSheet(n);
        ASSERT_FALSE(rules.empty()) << n;
        ASSERT_EQ(rules.front().first, "QWidget") << n;
        const auto& base = rules.front().second;
        ASSERT_TRUE(base.contains("color") && base.contains("background-color")) << n;
        int checked = 0;
        for (const auto& [selector, properties] : rules) {
            if (std::any_of(noText.begin(), noText.end(),
                            [&](const QString& part) { return selector.contains(part); })) {
                continue;
            }
            const auto get = [&](const std::string& name, const std::string& fallback) {
                if (properties.contains(name)) {
                    return properties.at(name);
                }
                if (name == "background-color" && properties.contains("background")) {
                    return properties.at("background");
                }
                return fallback;
            };
            // A sub-control's text is its control's: the fill's label is the bar's.
            std::string color = base.at("color");
            for (const auto& [owner, ownProperties] : rules) {
                if (selector.contains("::") && owner == selector.section("::", 0, 0) &&
                    ownProperties.contains("color")) {
                    color = ownProperties.at("color");
                }
            }
            const std::vector<std::pair<std::string, std::string>> pairs = {
                {get("color", color), get("background-color", base.at("background-color"))},
                {get("selection-color", base.at("selection-color")),
                 get("selection-background-color", base.at("selection-background-color"))},
            };
            for (const auto& [text, ground] : pairs) {
                // A transparent control shows the look's background through it.
                std::vector<QColor> backs = Colours(ground);
                if (backs.empty()) {
                    backs = Colours(base.at("background-color"));
                }
                for (const QColor& fore : Colours(text)) {
                    for (const QColor& back : backs) {
                        ++checked;
                        EXPECT_GE(ContrastRatio(fore, back), 4.5)
                            << "look " << n << ", " << selector.toStdString() << ": "
                            << fore.name().toStdString() << " on " << back.name().toStdString();
                    }
                }
            }
        }
        EXPECT_GT(checked, 10) << n;
    }
}

} // namespace
} // namespace corvid::testing
