#include "app/Application.h"
#include "app/Editor.h"
#include "app/QtDialogs.h"
#include "base/RealClock.h"
#include "emulator/EmulatedDriver.h"
#include "link/PortDoctor.h"
#include "link/SerialPortDriver.h"
#include "updates/VersionCheck.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <QApplication>
#include <QCommandLineParser>
#include <QDesktopServices>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include <cstdio>
#include <iostream>

#include <memory>
#include <optional>

int main(int argc, char* argv[]) {
    // The command line is read before the window toolkit starts, so --help and --version work
    // without a display.
    QCommandLineParser parser;
    parser.setApplicationDescription("Editor for the Corvid MK3 octave-down pedal.");
    const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version({"V", "version"}, "Show the version and exit.");
    const QCommandLineOption emulator(
        "emulator",
        "Use the built-in emulated pedal (followed by \"bootloader\": in its bootloader).");
    const QCommandLineOption port("port", "List the serial port PATH as one more pedal.", "PATH");
    parser.addOptions({help, version, emulator, port});
    parser.addPositionalArgument(
        "bootloader", "With --emulator: start the pedal in its bootloader.", "[bootloader]");
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const bool parsed = parser.parse(arguments);
#ifdef _WIN32
    // A window program has no console of its own: help, the version and errors go to the
    // console it was started from, if any.
    if (AttachConsole(ATTACH_PARENT_PROCESS) != FALSE) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
#endif
    const QStringList extra = parser.positionalArguments();
    const bool inBootloader = extra == QStringList{"bootloader"};
    if (parsed && parser.isSet(help)) {
        std::cout << parser.helpText()
                         .replace(QRegularExpression("^Usage: \\S+"), "Usage: corvid-editor")
                         .toStdString();
        return 0;
    }
    if (parsed && parser.isSet(version)) {
        std::cout << "corvid-editor " << corvid::ReleaseVersion() << '\n';
        return 0;
    }
    // A command line that cannot be right is refused in one line, as corvid-cli refuses it.
    std::string problem;
    if (!parsed) {
        problem = parser.errorText().toStdString();
    } else if (!extra.isEmpty() && !inBootloader) {
        problem = "unexpected argument: " + extra.join(' ').toStdString();
    } else if (inBootloader && !parser.isSet(emulator)) {
        problem = "\"bootloader\" goes with --emulator only";
    } else if (parser.isSet(emulator) && parser.isSet(port)) {
        problem = "--port and --emulator do not go together";
    }
    if (!problem.empty()) {
        std::cerr << "corvid-editor: " << problem << "\nsee corvid-editor --help\n";
        return 2;
    }
    for (const QString& path : parser.values(port)) {
        if (const std::optional<corvid::DoctorCheck> refused =
                corvid::RefusedPort(corvid::SystemView::ThisMachine(), path.toStdString())) {
            std::cerr << "corvid-editor: " << refused->cause
                      << "\ncorvid-editor: fix: " << refused->fix << '\n';
            return 1;
        }
    }
#if defined(Q_OS_LINUX)
    // Without a display the toolkit would abort; say so instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::cerr << "corvid-editor: no display to open the window on (neither DISPLAY nor "
                     "WAYLAND_DISPLAY is set); corvid-cli works without one\n";
        return 1;
    }
#endif

    QApplication app(argc, argv);
    corvid::SetUpApplication();

    corvid::RealClock clock;
    corvid::QtDialogs dialogs;
    std::unique_ptr<corvid::FtdiDriver> driver;
    if (parser.isSet(emulator)) {
        auto emulated = std::make_unique<corvid::EmulatedDriver>(clock);
        emulated->pedal.state.inBootloader = inBootloader;
        // At the line's speed, so an upgrade takes as long as on a pedal.
        if (inBootloader) {
            emulated->Pace(115200);
        }
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
                           .watchDevices = true,
                           .namedPort = parser.values(port).isEmpty()
                                            ? std::string()
                                            : parser.values(port).front().toStdString(),
                           .emulated = parser.isSet(emulator)});
    editor.Show();
    return QApplication::exec();
}
