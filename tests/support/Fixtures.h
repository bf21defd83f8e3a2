#pragma once

#include "app/Editor.h"
#include "app/TformMain.h"
#include "app/TformPrint.h"
#include "base/Services.h"
#include "core/SessionModules.h"
#include "emulator/EmulatedDriver.h"
#include "support/Fakes.h"

#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace corvid::testing {

// A fresh editor over the emulated pedal, scripted dialogs, a virtual clock and an empty
// Documents folder. `prepare` runs before the program starts (to attach devices, fail calls or
// seed the data folder). The test fails if the pedal received bytes it could not make sense of.
class TestEditor {
public:
    explicit TestEditor(const std::function<void(TestEditor&)>& prepare = {});
    ~TestEditor();

    Session& core() { return *editor->session; }
    // What lies behind the session's door, for the tests that look at a module itself.
    SessionInternals::Modules& modules() { return SessionInternals::Of(*editor->session); }
    TformMain& main() { return *editor->formMain; }
    TformPrint& console() { return *editor->formPrint; }
    EmulatedPedal& pedal() { return driver.pedal; }
    std::vector<std::string> LogLines() const;
    std::string Documents() const { return documents.path().toStdString(); }
    void Connect();

    VirtualClock clock;
    EmulatedDriver driver{clock};
    ScriptedDialogs dialogs;
    QTemporaryDir documents;
    // The web site; set by `prepare` to check it at start-up (empty: no check).
    std::string webBase;
    // Whether the ports are watched (set by `prepare` for the tests about it).
    bool watchDevices = false;
    // The addresses the editor asked the browser to open.
    std::vector<std::string> opened;
    std::unique_ptr<Editor> editor;
};

} // namespace corvid::testing
