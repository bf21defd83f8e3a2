#include "app/Application.h"
#include "app/Editor.h"
#include "app/QtDialogs.h"
#include "base/RealClock.h"
#include "emulator/EmulatedDriver.h"
#include "link/SerialPortDriver.h"
#include "updates/VersionCheck.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDesktopServices>
#include <QStandardPaths>
#include <QUrl>

#include <memory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    corvid::SetUpApplication();

    QCommandLineParser parser;
    parser.setApplicationDescription("Editor for the Corvid MK3 octave-down pedal.");
    parser.addHelpOption();
    const QCommandLineOption emulator(
        "emulator",
        "Use the built-in emulated pedal (followed by \"bootloader\": in its bootloader).");
    const QCommandLineOption port("port", "List the serial port PATH as one more pedal.", "PATH");
    parser.addOption(emulator);
    parser.addOption(port);
    parser.addPositionalArgument(
        "bootloader", "With --emulator: start the pedal in its bootloader.", "[bootloader]");
    parser.process(app);
    const QStringList extra = parser.positionalArguments();
    const bool inBootloader = extra == QStringList{"bootloader"};
    if (!extra.isEmpty() && (!inBootloader || !parser.isSet(emulator))) {
        parser.showHelp(2);
    }

    corvid::RealClock clock;
    corvid::QtDialogs dialogs;
    std::unique_ptr<corvid::FtdiDriver> driver;
    if (parser.isSet(emulator)) {
        auto emulated = std::make_unique<corvid::EmulatedDriver>(clock);
        emulated->pedal.state.inBootloader = inBootloader;
        driver = std::move(emulated);
    } else {
        std::vector<std::string> extraPorts;
        for (const QString& path : parser.values(port)) {
            extraPorts.push_back(path.toStdString());
        }
        driver = std::make_unique<corvid::SerialPortDriver>(clock, std::move(extraPorts));
    }
    const std::string documents =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();

    const auto openUrl = [](const std::string& address) {
        QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
    };
    corvid::Editor editor({.driver = *driver,
                           .clock = clock,
                           .dialogs = dialogs,
                           .documents = documents,
                           .webBase = corvid::WebBase(),
                           .checkVersion = true,
                           .openUrl = openUrl,
                           .watchDevices = true});
    editor.Show();
    return QApplication::exec();
}
