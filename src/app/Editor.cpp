#include "app/Editor.h"

#include "app/PresetDrop.h"
#include "app/TformConnectionDoctor.h"
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
    formMain->FormCreate(*session, environment.dialogs, *formPrint, *formFXsettings,
                         *formNewVersionMsg, *formFXInfo, environment.openUrl);
    Session& core = *session;
    formFXsettings->FormCreate(
        {.turnDial = [&core](std::size_t slot, int angle) -> std::optional<int> {
             const Result<int> turned = core.TurnDial(slot, angle);
             return turned ? std::optional(turned.value) : std::nullopt;
         },
         .choosePitch = [&core](int index) { core.ChoosePitch(index); },
         .tickNoteCut = [&core](std::size_t slot, bool ticked) -> std::optional<bool> {
             const Result<bool> shown = core.TickNoteCut(slot, ticked);
             return shown ? std::optional(shown.value) : std::nullopt;
         },
         .chooseTuning = [&core](int tuning) { core.ChooseTuning(tuning); },
         .chooseAssignment =
             [&core](std::size_t control, int index) {
                 return core.ChooseAssignment(control, index).done;
             },
         .chooseFootswitch =
             [&core](bool shortPress, bool longPress) {
                 core.ChooseFootswitch(shortPress, longPress);
             },
         .toggleAllParameters = [&core] { return core.ToggleAllParameters(); }},
        *formMain->menuEnableAllParameters);
    formNewVersionMsg->FormCreate([&core](bool stop) { core.StopUpdateNotices(stop); });
    formPrint->FormCreate(*session, environment.dialogs);
    formFXInfo->FormCreate(environment.openUrl);
    formNoteTrackingFilter->FormCreate(
        [&core](bool ticked) { core.TickCutNote(ticked); },
        [&core](bool ticked) { return core.CutNoteBoxEnabled(ticked); },
        [&core](const NoteCutChoice& chosen) { core.SaveNoteCut(chosen); });
    formFirmwareUpgrade->FormCreate(
        [&core](const std::string& image) { core.ChooseFirmwareImage(image); },
        [&core] { core.FlashFirmware({}); });
    TformFirmwareUpgrade& upgrade = *formFirmwareUpgrade;
    QObject::connect(formMain->menuStartFirmwareUpgrade, &QAction::triggered, &upgrade,
                     [&upgrade, this] { ShowBeside(upgrade, *formMain); });
    formTuningFilters->FormCreate(session->state());

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
        session->History(), session->state().parameters,
        [&core] { return core.ReadThisConnection(); },
        [&core](const std::filesystem::path& file) { core.Restore(file); });
    TformHistory& history = *formHistory;
    QObject::connect(formMain->menuHistory, &QAction::triggered, &history, [&history, this] {
        history.Refresh();
        ShowBeside(history, *formMain);
    });

    formCompare = std::make_unique<TformCompare>();
    Dialogs& dialogs = environment.dialogs;
    formCompare->FormCreate(
        {.editor = [&core] { return core.state().parameters.Values(); },
         .pedal = [&core]() -> std::optional<PresetValues> {
             // Without a pedal the column stays empty, without a message.
             if (!core.link().deviceOpen) {
                 return std::nullopt;
             }
             const Result<PresetValues> read = core.PeekPedalValues();
             return read ? std::optional(read.value) : std::nullopt;
         },
         .chooseFile =
             [&dialogs, &core] {
                 return dialogs.OpenFileName(
                     {"Compare", "Presets and backups (*.txt *.json)", "", core.PresetFolder()});
             },
         .readFile = ReadStateFile,
         .load = [&core](const PresetValues& values) { core.LoadPresetValues(values); }});
    TformCompare& compare = *formCompare;
    QObject::connect(formMain->menuCompare, &QAction::triggered, &compare, [&compare, this] {
        compare.Open();
        ShowBeside(compare, *formMain);
    });

    formConnectionDoctor = std::make_unique<TformConnectionDoctor>();
    formConnectionDoctor->FormCreate(
        [&core, port = environment.namedPort, emulated = environment.emulated] {
            return core.Doctor(port, SystemView::ThisMachine(), emulated);
        });
    TformConnectionDoctor& doctor = *formConnectionDoctor;
    QObject::connect(formMain->menuConnectionDoctor, &QAction::triggered, &doctor, [&doctor, this] {
        ShowBeside(doctor, *formMain);
        doctor.Run();
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
                                           formConnectionDoctor.get(),
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
