#include "EmulatorProcess.h"

namespace corvid {

EmulatorProcess::EmulatorProcess(const QString& program, const QStringList& options) {
    process.start(program, options);
    // The emulator's first line names its terminal.
    if (process.waitForReadyRead(5000)) {
        path = QString::fromUtf8(process.readLine().trimmed());
    }
}

EmulatorProcess::~EmulatorProcess() {
    process.terminate();
    process.waitForFinished(5000);
}

bool EmulatorProcess::Kill() {
    process.kill();
    return process.waitForFinished(5000);
}

} // namespace corvid
