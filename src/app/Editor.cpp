#include "app/Editor.h"

#include "app/TformMain.h"
#include "app/TformPrint.h"
#include "firmware/TformFirmwareUpgrade.h"
#include "parameters/TformFXsettings.h"
#include "tunings/TformNoteTrackingFilter.h"
#include "updates/TformNewVersionMsg.h"
#include "updates/tformFXInfo.h"

namespace corvid {

void ConsoleLog::PrintToConsole(const std::string& text) {
    if (console != nullptr) {
        console->PrintToConsole(text);
    }
}

void ConsoleLog::PlainLine(const std::string& text) {
    if (console != nullptr) {
        console->PlainLine(text);
    }
}

Editor::Editor(EditorEnvironment environment)
    : env(std::move(environment)), d2xx(env.driver, env.dialogs),
      dataFolder(env.documents, env.dialogs), algorithms(env.dialogs) {
    formMain = std::make_unique<TformMain>(*this);
    communication = std::make_unique<Communication>(d2xx, log, env.dialogs, env.clock, *formMain);
    upload = std::make_unique<AlgorithmUpload>(*communication, d2xx, algorithms, log, env.dialogs,
                                               env.clock, *formMain);
    formMain->FormCreate();
    formFirmwareUpgrade = std::make_unique<TformFirmwareUpgrade>();
    formPrint = std::make_unique<TformPrint>();
    log.console = formPrint.get();
    formFXInfo = std::make_unique<tformFXInfo>();
    fx = std::make_unique<FXsettings>(*communication, log, env.dialogs, env.clock, *formMain);
    formFXsettings = std::make_unique<TformFXsettings>(*this);
    fx->AttachView(*formFXsettings);
    formFXsettings->FormCreate();
    formNoteTrackingFilter = std::make_unique<TformNoteTrackingFilter>();
    formNewVersionMsg = std::make_unique<TformNewVersionMsg>(dataFolder);
}

Editor::~Editor() {
    log.console = nullptr;
}

void Editor::Show() {
    formMain->show();
}

} // namespace corvid
