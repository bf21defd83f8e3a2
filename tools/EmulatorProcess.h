#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <string>

namespace corvid {

// corvid-pedal-emulator serving the emulated pedal on a pseudo-terminal, for as long as this
// object lives: the tests and the benchmarks start it the same way.
class EmulatorProcess {
public:
    // `program` is the emulator's path; `options` its command line (--pace, --bootloader ...).
    EmulatorProcess(const QString& program, const QStringList& options = {});
    ~EmulatorProcess();
    EmulatorProcess(const EmulatorProcess&) = delete;
    EmulatorProcess& operator=(const EmulatorProcess&) = delete;

    // The pseudo-terminal it serves; empty when it did not start.
    QString path;
    std::string Path() const { return path.toStdString(); }
    // Pulls the plug: the emulator ends at once and its terminal goes away.
    bool Kill();

    QProcess process;
};

} // namespace corvid
