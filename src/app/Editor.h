#pragma once

#include "algorithms/AlgorithmLibrary.h"
#include "algorithms/AlgorithmUpload.h"
#include "app/DataFolder.h"
#include "app/Services.h"
#include "link/Communication.h"
#include "link/D2XXUnit.h"
#include "parameters/FXsettings.h"

#include <filesystem>
#include <memory>

namespace corvid {

class TformMain;
class TformPrint;
class TformFirmwareUpgrade;
class tformFXInfo;
class TformFXsettings;
class TformNoteTrackingFilter;
class TformNewVersionMsg;

// Log lines go to the debug console once it exists; before that there is nothing to log.
class ConsoleLog : public Log {
public:
    void PrintToConsole(const std::string& text) override;
    void PlainLine(const std::string& text) override;
    TformPrint* console = nullptr;
};

// What the outside world gives the editor: tests pass an emulated pedal, scripted dialogs, a
// virtual clock and a temporary Documents folder.
struct EditorEnvironment {
    FtdiDriver& driver;
    Clock& clock;
    Dialogs& dialogs;
    std::filesystem::path documents;
};

// The application: the state of every module and the seven windows, created once in their fixed
// order. Only the main window is shown.
class Editor {
public:
    explicit Editor(EditorEnvironment environment);
    ~Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    void Show();

    EditorEnvironment env;
    ConsoleLog log;
    D2XXUnit d2xx;
    DataFolder dataFolder;
    AlgorithmLibrary algorithms;
    std::unique_ptr<Communication> communication;
    std::unique_ptr<AlgorithmUpload> upload;
    std::unique_ptr<FXsettings> fx;
    bool connectedOnce = false;

    std::unique_ptr<TformMain> formMain;
    std::unique_ptr<TformFirmwareUpgrade> formFirmwareUpgrade;
    std::unique_ptr<TformPrint> formPrint;
    std::unique_ptr<tformFXInfo> formFXInfo;
    std::unique_ptr<TformFXsettings> formFXsettings;
    std::unique_ptr<TformNoteTrackingFilter> formNoteTrackingFilter;
    std::unique_ptr<TformNewVersionMsg> formNewVersionMsg;
};

} // namespace corvid
