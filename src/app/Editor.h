#pragma once

#include "core/Session.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace corvid {

class TformMain;
class TformPrint;
class TformFirmwareUpgrade;
class tformFXInfo;
class TformFXsettings;
class TformNoteTrackingFilter;
class TformNewVersionMsg;
class TformTuningFilters;
class TformHistory;
class TformCompare;
class TformConnectionDoctor;

// What the outside world gives the editor: tests pass an emulated pedal, scripted dialogs, a
// virtual clock, a temporary Documents folder, a recording opener and a local web site.
struct EditorEnvironment {
    FtdiDriver& driver;
    Clock& clock;
    Dialogs& dialogs;
    std::filesystem::path documents = {};
    // The maker's web site, and whether to check it for a newer editor at start-up.
    std::string webBase = {};
    bool checkVersion = false;
    // Opens an address in the user's web browser.
    std::function<void(const std::string&)> openUrl = {};
    // Whether the serial ports are watched for the pedal coming and going.
    bool watchDevices = false;
    // For the connection doctor: the port named on the command line (empty: the pedal's
    // bridge), or the built-in emulated pedal, which has no port to check.
    std::string namedPort = {};
    bool emulated = false;
};

// The windows over one session: the seven windows are built in their fixed order, then the
// session with the windows as its views, then each window is created over the objects it uses.
// Only the main window is shown.
class Editor {
public:
    explicit Editor(EditorEnvironment environment);
    ~Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    void Show();
    // Shows a tool window beside the window it was opened from, in front.
    static void ShowBeside(QWidget& window, const QWidget& from);

    std::unique_ptr<TformMain> formMain;
    std::unique_ptr<TformFirmwareUpgrade> formFirmwareUpgrade;
    std::unique_ptr<TformPrint> formPrint;
    std::unique_ptr<tformFXInfo> formFXInfo;
    std::unique_ptr<TformFXsettings> formFXsettings;
    std::unique_ptr<TformNoteTrackingFilter> formNoteTrackingFilter;
    std::unique_ptr<TformNewVersionMsg> formNewVersionMsg;
    // Opened from the Settings menu; built after the seven.
    std::unique_ptr<TformTuningFilters> formTuningFilters;
    // Opened from the File menu.
    std::unique_ptr<TformHistory> formHistory;
    std::unique_ptr<TformCompare> formCompare;
    // Opened from the Info menu.
    std::unique_ptr<TformConnectionDoctor> formConnectionDoctor;
    std::unique_ptr<Session> session;
};

} // namespace corvid
