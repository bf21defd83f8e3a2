#include "app/Editor.h"

#include "app/PresetDrop.h"
#include "app/TformMain.h"
#include "app/TformPrint.h"
#include "devtools/TformFilterResponse.h"
#include "firmware/TformFirmwareUpgrade.h"
#include "parameters/TformFXsettings.h"
#include "presets/History.h"
#include "presets/TformCompare.h"
#include "presets/TformHistory.h"
#include "tunings/TformNoteTrackingFilter.h"
#include "tunings/TformTuningFilters.h"
#include "updates/TformNewVersionMsg.h"
#include "updates/tformFXInfo.h"
#include "widgets/Accessibility.h"
#include "widgets/Placement.h"

#include <QAction>
#include <QPushButton>

#include <vector>

namespace corvid {

Editor::Editor(EditorEnvironment environment) {
    formMain = std::make_unique<TformMain>();
    formFirmwareUpgrade = std::make_unique<TformFirmwareUpgrade>();
    formPrint = std::make_unique<TformPrint>();
    formFXInfo = std::make_unique<tformFXInfo>();
    formFXsettings = std::make_unique<TformFXsettings>();
    formNoteTrackingFilter = std::make_unique<TformNoteTrackingFilter>();
    formNewVersionMsg = std::make_unique<TformNewVersionMsg>();
    formTuningFilters = std::make_unique<TformTuningFilters>();
    session = std::make_unique<Session>(
        SessionEnvironment{.driver = environment.driver,
                           .clock = environment.clock,
                           .dialogs = environment.dialogs,
                           .log = *formPrint,
                           .documents = environment.documents,
                           .webBase = environment.webBase,
                           .checkVersion = environment.checkVersion,
                           .watchDevices = environment.watchDevices},
        SessionViews{*formMain, *formMain, *formFXsettings, *formMain, *formMain, *formMain,
                     *formFirmwareUpgrade, *formMain, *formPrint});
    // The start-up sequence runs as the main window is created; the console logs nothing of it.
    formMain->FormCreate(*session, *formPrint, *formFXsettings, *formNewVersionMsg, *formFXInfo,
                         environment.openUrl);
    formFXsettings->FormCreate(session->fx, session->algorithms,
                               *formMain->menuEnableAllParameters);
    formNewVersionMsg->FormCreate(session->dataFolder);
    formPrint->FormCreate(*session);
    formFXInfo->FormCreate(environment.openUrl);
    Session& core = *session;
    formNoteTrackingFilter->FormCreate(
        session->noteCut, [&core](const NoteCut::Choice& chosen) { core.SaveNoteCut(chosen); });
    formFirmwareUpgrade->FormCreate(session->firmware, [&core] { core.FlashFirmware(); });
    TformFirmwareUpgrade& upgrade = *formFirmwareUpgrade;
    QObject::connect(formMain->menuStartFirmwareUpgrade, &QAction::triggered, &upgrade,
                     [&upgrade, this] { ShowBeside(upgrade, *formMain); });
    formTuningFilters->FormCreate(session->fx);

    TformNoteTrackingFilter& noteCut = *formNoteTrackingFilter;
    QObject::connect(formMain->menuNoteCut, &QAction::triggered, &noteCut,
                     [&noteCut, this] { ShowBeside(noteCut, *formMain); });
    QObject::connect(formFXsettings->btnNoteCut, &QPushButton::clicked, &noteCut,
                     [&noteCut, this] { ShowBeside(noteCut, *formFXsettings); });
    const auto loadDropped = [&core](const std::filesystem::path& path) {
        core.LoadPresetFrom(path);
    };
    new PresetDrop(*formMain, loadDropped);
    new PresetDrop(*formFXsettings, loadDropped);
    // Undo and redo answer their keys in the parameter window as in the main one.
    formFXsettings->addAction(formMain->menuUndo);
    formFXsettings->addAction(formMain->menuRedo);

    formHistory = std::make_unique<TformHistory>();
    formHistory->FormCreate(
        session->history, [&core] { return core.state.readThisConnection; },
        [&core](const std::filesystem::path& file) { core.Restore(file); });
    TformHistory& history = *formHistory;
    QObject::connect(formMain->menuHistory, &QAction::triggered, &history, [&history, this] {
        history.Refresh();
        ShowBeside(history, *formMain);
    });

    formCompare = std::make_unique<TformCompare>();
    Dialogs& dialogs = environment.dialogs;
    formCompare->FormCreate(
        {.editor = [&core] { return core.state.parameters.Values(); },
         .pedal = [&core]() -> std::optional<PresetValues> {
             PresetValues values{};
             // Without a pedal the column stays empty, without a message.
             if (!core.d2xx.deviceOpen || !core.PeekPedalValues(values)) {
                 return std::nullopt;
             }
             return values;
         },
         .chooseFile =
             [&dialogs, &core] {
                 return dialogs.OpenFileName({"Compare", "Presets and backups (*.txt *.json)", "",
                                              core.presets.PresetFolder()});
             },
         .readFile = ReadStateFile,
         .load = [&core](const PresetValues& values) { core.LoadPresetValues(values); }});
    TformCompare& compare = *formCompare;
    QObject::connect(formMain->menuCompare, &QAction::triggered, &compare, [&compare, this] {
        compare.Open();
        ShowBeside(compare, *formMain);
    });

    TformTuningFilters& filters = *formTuningFilters;
    QObject::connect(formMain->menuTuningFilters, &QAction::triggered, &filters,
                     [&filters, this] { ShowBeside(filters, *formMain); });

    const std::vector<QWidget*> windows = {formMain.get(),
                                           formPrint.get(),
                                           formFXsettings.get(),
                                           formNoteTrackingFilter.get(),
                                           formFirmwareUpgrade.get(),
                                           formFXInfo.get(),
                                           formNewVersionMsg.get(),
                                           formTuningFilters.get(),
                                           formHistory.get(),
                                           formCompare.get(),
                                           formPrint->formFilterResponse};
    for (QWidget* window : windows) {
        OperableByKeyboard(*window);
    }
}

void Editor::ShowBeside(QWidget& window, const QWidget& from) {
    if (!window.isVisible()) {
        PlaceBeside(window, from);
    }
    window.show();
    window.raise();
    window.activateWindow();
}

Editor::~Editor() = default;

void Editor::Show() {
    formMain->show();
}

} // namespace corvid
