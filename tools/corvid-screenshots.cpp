// corvid-screenshots DIR [LOOK...]: opens every window of the editor over the emulated pedal
// and saves a picture of each in each look (DIR/look-N/NAME.png), with one contact sheet a
// look (DIR/look-N.png). Under X11 with a window manager the pictures hold the window's frame
// and title bar, taken from the screen; elsewhere only the window's contents.
#include "app/Application.h"
#include "app/Editor.h"
#include "app/QtDialogs.h"
#include "app/TformConnectionDoctor.h"
#include "app/TformMain.h"
#include "app/TformPrint.h"
#include "base/RealClock.h"
#include "devtools/TformFilterResponse.h"
#include "emulator/EmulatedDriver.h"
#include "firmware/TformFirmwareUpgrade.h"
#include "parameters/TformFXsettings.h"
#include "preferences/Look.h"
#include "presets/TformCompare.h"
#include "presets/TformHistory.h"
#include "tunings/TformNoteTrackingFilter.h"
#include "tunings/TformTuningFilters.h"
#include "updates/TformNewVersionMsg.h"
#include "updates/tformFXInfo.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <iostream>
#include <vector>

namespace {

using namespace corvid;

// Nobody answers: questions are No, file choices cancelled, messages only printed.
class UnattendedDialogs : public Dialogs {
public:
    void ShowMessage(const std::string& text) override { std::cerr << text << '\n'; }
    bool Confirm(const Question&) override { return false; }
    std::filesystem::path OpenFileName(const FileDialogRequest&) override { return {}; }
    std::filesystem::path SaveFileName(const FileDialogRequest&) override { return {}; }
};

// Lets the window manager map, frame and paint what was just shown.
void Settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

QPixmap Picture(QWidget& window) {
    window.raise();
    window.activateWindow();
    Settle(400);
    if (QGuiApplication::platformName() == "xcb") {
        const QRect frame = window.frameGeometry();
        return window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    }
    return window.grab();
}

struct Shot {
    QString name;
    QPixmap picture;
};

// The pictures of one look in rows, each under its name, on a neutral grey.
QImage ContactSheet(int look, const std::vector<Shot>& shots) {
    constexpr int kGap = 16;
    constexpr int kCaption = 20;
    constexpr int kRowWidth = 1900;
    QFont font = QApplication::font();
    font.setPixelSize(13);
    struct Placed {
        QPoint at;
        const Shot* shot;
    };
    std::vector<Placed> placed;
    int x = kGap;
    int y = kGap + 28;
    int rowHeight = 0;
    int width = 0;
    for (const Shot& shot : shots) {
        const QSize size = shot.picture.deviceIndependentSize().toSize();
        if (x > kGap && x + size.width() > kRowWidth) {
            x = kGap;
            y += rowHeight + kGap;
            rowHeight = 0;
        }
        placed.push_back({{x, y}, &shot});
        x += size.width() + kGap;
        width = std::max(width, x);
        rowHeight = std::max(rowHeight, size.height() + kCaption);
    }
    QImage sheet(width, y + rowHeight + kGap, QImage::Format_RGB32);
    sheet.fill(QColor(0x50, 0x50, 0x50));
    QPainter painter(&sheet);
    painter.setPen(Qt::white);
    QFont title = font;
    title.setPixelSize(18);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QPoint(kGap, kGap + 16),
                     QString("Look %1 - %2").arg(look).arg(Look::lookNames[look]));
    painter.setFont(font);
    for (const Placed& p : placed) {
        painter.drawText(p.at + QPoint(0, 14), p.shot->name);
        painter.drawPixmap(p.at + QPoint(0, kCaption), p.shot->picture);
    }
    return sheet;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments().mid(1);
    if (arguments.isEmpty() || arguments.front().startsWith('-')) {
        std::cerr << "usage: corvid-screenshots DIR [LOOK...]\n";
        return 2;
    }
    const QDir out(arguments.front());
    std::vector<int> looks;
    for (const QString& look : arguments.mid(1)) {
        bool number = false;
        const int n = look.toInt(&number);
        if (!number || !Look::StyleSheet(n)) {
            std::cerr << "corvid-screenshots: no look " << look.toStdString() << '\n';
            return 2;
        }
        looks.push_back(n);
    }
    if (looks.empty()) {
        for (int n = 0; n < Look::styleCount; ++n) {
            looks.push_back(n);
        }
    }

    SetUpApplication();
    RealClock clock;
    UnattendedDialogs dialogs;
    EmulatedDriver driver(clock);
    QTemporaryDir documents;
    Editor editor({.driver = driver,
                   .clock = clock,
                   .dialogs = dialogs,
                   .documents = documents.path().toStdString(),
                   .emulated = true});
    editor.Show();
    TformMain& main = *editor.formMain;
    // Connected and read, so the windows show a pedal's values.
    main.menuConnect->trigger();
    Settle(300);
    if (main.btnRequest->isEnabled()) {
        main.btnRequest->click();
    }
    Settle(300);
    TformPrint& console = *editor.formPrint;
    QListWidget* effects = main.lstEffects;

    std::unique_ptr<QMessageBox> question;
    std::unique_ptr<QMessageBox> message;
    // How each window is opened, the way a user opens it where there is a way.
    const std::vector<std::pair<QString, std::function<QWidget&()>>> windows = {
        {"main", [&]() -> QWidget& { return main; }},
        {"parameters",
         [&]() -> QWidget& {
             effects->setCurrentRow(0);
             emit effects->itemClicked(effects->item(0));
             return *editor.formFXsettings;
         }},
        {"note-cut",
         [&]() -> QWidget& {
             main.menuNoteCut->trigger();
             return *editor.formNoteTrackingFilter;
         }},
        {"tuning-filters",
         [&]() -> QWidget& {
             main.menuTuningFilters->trigger();
             // A tuning, so the open strings are marked and the key shows.
             editor.formTuningFilters->cmbTuning->setCurrentIndex(1);
             return *editor.formTuningFilters;
         }},
        {"history",
         [&]() -> QWidget& {
             main.menuHistory->trigger();
             return *editor.formHistory;
         }},
        {"compare",
         [&]() -> QWidget& {
             main.menuCompare->trigger();
             return *editor.formCompare;
         }},
        {"connection-doctor",
         [&]() -> QWidget& {
             main.menuConnectionDoctor->trigger();
             return *editor.formConnectionDoctor;
         }},
        {"effect-page",
         [&]() -> QWidget& {
             main.btnGetFXInfo->click();
             return *editor.formFXInfo;
         }},
        {"console",
         [&]() -> QWidget& {
             console.show();
             return console;
         }},
        {"filter-response",
         [&]() -> QWidget& {
             console.cmbNotePicker->setCurrentIndex(5);
             console.edtQ->setText("4");
             console.edtBoost->setText("-6");
             console.btnGetNoteFrequency->click();
             return *console.formFilterResponse;
         }},
        {"firmware-upgrade",
         [&]() -> QWidget& {
             // Offered in the menu once the pedal is in its bootloader.
             Editor::ShowBeside(*editor.formFirmwareUpgrade, main);
             // Part way through, so the bar and the path line show.
             editor.formFirmwareUpgrade->SetUpgradeProgress(120, 211);
             editor.formFirmwareUpgrade->ShowPath("fast (8E1)");
             return *editor.formFirmwareUpgrade;
         }},
        {"new-version",
         [&]() -> QWidget& {
             main.ShowNewVersionNotice();
             return *editor.formNewVersionMsg;
         }},
        {"question",
         [&]() -> QWidget& {
             question = EditorMessageBox("Save Parameters to pedal?", true, &main);
             question->show();
             return *question;
         }},
        {"message",
         [&]() -> QWidget& {
             message = EditorMessageBox(
                 "File saved successfully: " +
                     (documents.filePath("KALVO/Presets/Bass Octave.txt")).toStdString(),
                 false, &main);
             message->show();
             return *message;
         }},
    };

    for (const int look : looks) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window != &main) {
                window->close();
            }
        }
        question.reset();
        message.reset();
        editor.session->ApplyLook(look);
        Settle(300);
        const QString folder = QString("look-%1").arg(look);
        if (!out.mkpath(folder)) {
            std::cerr << "corvid-screenshots: cannot make " << out.filePath(folder).toStdString()
                      << '\n';
            return 1;
        }
        std::vector<Shot> shots;
        for (const auto& [name, open] : windows) {
            QWidget& window = open();
            if (!window.isVisible()) {
                std::cerr << "corvid-screenshots: " << name.toStdString()
                          << " did not open in look " << look << '\n';
                return 1;
            }
            shots.push_back({name, Picture(window)});
            const QString file = out.filePath(folder + "/" + name + ".png");
            if (!shots.back().picture.save(file)) {
                std::cerr << "corvid-screenshots: cannot write " << file.toStdString() << '\n';
                return 1;
            }
        }
        const QString sheet = out.filePath(folder + ".png");
        if (!ContactSheet(look, shots).save(sheet)) {
            std::cerr << "corvid-screenshots: cannot write " << sheet.toStdString() << '\n';
            return 1;
        }
        std::cout << sheet.toStdString() << '\n';
    }
    return 0;
}
