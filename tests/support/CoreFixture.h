#pragma once

#include "core/PlainViews.h"
#include "core/Session.h"
#include "core/SessionModules.h"
#include "emulator/EmulatedDriver.h"
#include "support/Fakes.h"

#include <QTemporaryDir>

#include <cstdint>
#include <string>
#include <vector>

namespace corvid::testing {

// A session over its own emulated pedal, scripted dialogs, a virtual clock and a recording log,
// without any window, as the command line runs one. The pedal's bytes are checked at the end.
struct CoreSession {
    VirtualClock clock;
    EmulatedDriver driver{clock};
    ScriptedDialogs dialogs;
    RecordingLog log;
    PlainViews views;
    QTemporaryDir documents;
    Session session;

    explicit CoreSession(bool watchDevices = false);
    ~CoreSession();
    CoreSession(const CoreSession&) = delete;
    CoreSession& operator=(const CoreSession&) = delete;

    EmulatedPedal& pedal() { return driver.pedal; }
    // What lies behind the session's door, for the tests that look at a module itself.
    SessionInternals::Modules& modules() { return SessionInternals::Of(session); }
    // Start-up, the first algorithm's addresses and the connection.
    void Connect();
    // Every message the pedal framed so far, as bytes.
    std::vector<std::vector<std::uint8_t>> Messages();
};

} // namespace corvid::testing
