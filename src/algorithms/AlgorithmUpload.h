#pragma once

#include "algorithms/AlgorithmLibrary.h"
#include "base/Services.h"
#include "link/Communication.h"

#include <memory>

namespace corvid {

// Where the upload shows how it went: the main window's status label.
class UploadView {
public:
    virtual ~UploadView() = default;
    virtual void SetStatusLabel(const std::string& text) = 0;
};

// Writes the selected algorithm's image into the pedal and shows the pedal's answer. A check
// timer shows "Upload Failed" every 5 s until the answer comes; after 15 s the upload gives up.
class AlgorithmUpload {
public:
    static constexpr int kCheckIntervalMs = 5000;
    static constexpr int kGiveUpMs = 15000;
    static constexpr std::size_t kAnswerLength = 17;
    inline static const std::string kUploadFailed = "Upload Failed";

    AlgorithmUpload(Communication& link, D2XXUnit& unit, AlgorithmLibrary& library, Log& log,
                    Dialogs& dialogs, Clock& clock, UploadView& view);

    // Uploads the selected algorithm after asking; true when the pedal answered.
    bool UploadSelected();
    // The pedal's answer to the last upload, as shown in the status label.
    std::string lastAnswer;
    void UploadCheckTimerTimer();
    const ClockTimer& UploadCheckTimer() const { return *checkTimer_; }

private:
    Communication& link_;
    D2XXUnit& unit_;
    AlgorithmLibrary& library_;
    Log& log_;
    Dialogs& dialogs_;
    Clock& clock_;
    UploadView& view_;
    std::unique_ptr<ClockTimer> checkTimer_;
};

} // namespace corvid
