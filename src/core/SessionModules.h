#pragma once
// The session's modules. Only the core's own files and the tests include this: the front ends
// reach the session through Session.h alone.

#include "algorithms/AlgorithmLibrary.h"
#include "algorithms/AlgorithmUpload.h"
#include "core/Session.h"
#include "devtools/EepromTools.h"
#include "devtools/ImpulseResponse.h"
#include "firmware/Bootloader.h"
#include "firmware/FirmwareUpgrade.h"
#include "link/Communication.h"
#include "link/D2XXUnit.h"
#include "parameters/FXsettings.h"
#include "preferences/DataFolder.h"
#include "preferences/Look.h"
#include "preferences/MidiChannel.h"
#include "presets/Backup.h"
#include "presets/History.h"
#include "presets/Presets.h"
#include "tunings/NoteCut.h"
#include "tunings/Tunings.h"
#include "updates/VersionCheck.h"

#include <map>

namespace corvid {

// The front end's dialogs, remembering the last message shown, so that a job that stops can
// say why.
class RememberingDialogs : public Dialogs {
public:
    explicit RememberingDialogs(Dialogs& shown) : shown_(shown) {}
    void ShowMessage(const std::string& text) override {
        lastMessage = text;
        if (!quiet) {
            shown_.ShowMessage(text);
        }
    }
    bool Confirm(const Question& question) override { return shown_.Confirm(question); }
    std::filesystem::path OpenFileName(const FileDialogRequest& request) override {
        return shown_.OpenFileName(request);
    }
    std::filesystem::path SaveFileName(const FileDialogRequest& request) override {
        return shown_.SaveFileName(request);
    }

    std::string lastMessage;
    // Messages are only remembered (the connection doctor says what it found its own way).
    bool quiet = false;

private:
    Dialogs& shown_;
};

struct Session::Modules {
    Modules(SessionEnvironment environment, SessionViews views);

    SessionEnvironment env;
    SessionViews views;
    RememberingDialogs dialogs;
    // What the editor believes the pedal holds; every operation reads and records it here.
    PedalState state;
    Settings settings;
    D2XXUnit d2xx;
    DataFolder dataFolder;
    AlgorithmLibrary algorithms;
    // The list read at the start, kept apart from the algorithm images read since.
    std::vector<std::string> algorithmList;
    Communication communication;
    AlgorithmUpload upload;
    FXsettings fx;
    Tunings tunings;
    NoteCut noteCut;
    MidiChannel midi;
    Presets presets;
    PedalBackups backups;
    // The pedal's state as last read, kept before each operation that overwrites it.
    PedalHistory history;
    Look look;
    Bootloader bootloader;
    FirmwareUpgrade firmware;
    VersionCheck updates;
    EepromTools eeprom;
    ImpulseResponseLoader impulseResponse;
    bool connectedOnce = false;
    // The last Request found the pedal's bootloader listening instead of the pedal.
    bool waitsInBootloader = false;
    // What the connection doctor found last (the diagnostic report shows it).
    std::vector<DoctorCheck> lastDoctor;
    // Live edits that came while a job ran, by what they change: sent when it ends.
    std::map<std::string, std::function<void()>> pendingEdits;
    std::unique_ptr<ClockTimer> watchTimer;
};

// The modules behind a session, for the core's own files and the tests.
struct SessionInternals {
    using Modules = Session::Modules;
    static Session::Modules& Of(Session& session) { return *session.m_; }
    static const Session::Modules& Of(const Session& session) { return *session.m_; }
};

} // namespace corvid
