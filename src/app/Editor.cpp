#include "app/Editor.h"

#include "app/TformMain.h"
#include "app/TformPrint.h"
#include "firmware/TformFirmwareUpgrade.h"
#include "parameters/TformFXsettings.h"
#include "tunings/TformNoteTrackingFilter.h"
#include "updates/TformNewVersionMsg.h"
#include "updates/tformFXInfo.h"

namespace corvid {

Editor::Editor(EditorEnvironment environment) {
    formMain = std::make_unique<TformMain>();
    formFirmwareUpgrade = std::make_unique<TformFirmwareUpgrade>();
    formPrint = std::make_unique<TformPrint>();
    formFXInfo = std::make_unique<tformFXInfo>();
    formFXsettings = std::make_unique<TformFXsettings>();
    formNoteTrackingFilter = std::make_unique<TformNoteTrackingFilter>();
    formNewVersionMsg = std::make_unique<TformNewVersionMsg>();
    session = std::make_unique<Session>(
        SessionEnvironment{environment.driver, environment.clock, environment.dialogs, *formPrint,
                           environment.documents},
        SessionViews{*formMain, *formMain, *formFXsettings, *formMain});
    // The start-up sequence runs as the main window is created; the console logs nothing of it.
    formMain->FormCreate(*session, *formPrint, *formFXsettings);
    formFXsettings->FormCreate(session->fx, session->algorithms,
                               *formMain->menuEnableAllParameters);
    formNewVersionMsg->FormCreate(session->dataFolder);
}

Editor::~Editor() = default;

void Editor::Show() {
    formMain->show();
}

} // namespace corvid
