#include "algorithms/AlgorithmUpload.h"

#include "link/HexMessage.h"

#include <algorithm>

namespace corvid {

AlgorithmUpload::AlgorithmUpload(Communication& link, D2XXUnit& unit, AlgorithmLibrary& library,
                                 Log& log, Dialogs& dialogs, Clock& clock, UploadView& view)
    : link_(link), unit_(unit), library_(library), log_(log), dialogs_(dialogs), clock_(clock),
      view_(view),
      checkTimer_(clock.CreateTimer(kCheckIntervalMs, [this] { UploadCheckTimerTimer(); })) {}

void AlgorithmUpload::UploadCheckTimerTimer() {
    view_.SetStatusLabel(kUploadFailed);
}

bool AlgorithmUpload::UploadSelected() {
    const Communication::Job job(link_);
    if (!dialogs_.Confirm({QuestionKind::Confirm, "Upload the selected algorithm?"})) {
        return false;
    }
    const std::int64_t start = clock_.NowMs();
    link_.DiscardStaleReply();
    if (!link_.SendPreUploadMessage()) {
        return false;
    }
    clock_.Sleep(400);
    checkTimer_->Start();

    const std::string name = AlgorithmResourceName(library_.selectedEffectName);
    log_.PrintToConsole("resource name: " + name);
    if (!library_.LoadResourceLines(name)) {
        return false;
    }
    const std::string text =
        library_.resourceLines.empty() ? std::string() : library_.resourceLines.front();
    const std::size_t size = text.size() / 2;
    log_.PrintToConsole("size: " + std::to_string(size));
    log_.PrintToConsole("filecontent: " + text);
    const std::size_t produced =
        HexToBytes(text, unit_.ftTransmitBuffer.data(), std::min(size, D2XXUnit::kBufferSize));
    log_.PrintToConsole("num of bytes: " + std::to_string(produced));
    if (produced != size) {
        // A damaged image must not reach the DSP, not even in part.
        dialogs_.ShowMessage("Not a valid hexadecimal message: " + name);
        log_.PrintToConsole("Not a valid hexadecimal message: " + name);
        return false;
    }
    if (unit_.WriteFTDevice(size) != size) {
        // The driver has shown why; the image did not go out whole.
        view_.SetStatusLabel(kUploadFailed);
        checkTimer_->Stop();
        return false;
    }
    log_.PrintToConsole("write to device");
    view_.SetStatusLabel("Uploading...");

    const int remainingMs =
        static_cast<int>(std::max<std::int64_t>(0, kGiveUpMs - (clock_.NowMs() - start)));
    if (!link_.WaitForData(remainingMs)) {
        if (clock_.NowMs() - start >= kGiveUpMs) {
            view_.SetStatusLabel(kUploadFailed);
            checkTimer_->Stop();
        }
        return false;
    }
    // The answer is text of no fixed length: it ends with a pause, so nothing of it is left to
    // be taken for the start of the next reply.
    const std::vector<std::uint8_t> answer =
        link_.ReadExchange({.idleMs = Communication::kIdleGapMs});
    // The answer's text is its first 17 bytes, as far as they came.
    const std::string received =
        HexToText(BytesToHex(answer.data(), std::min(answer.size(), kAnswerLength)));
    log_.PrintToConsole("received: " + received);
    lastAnswer = received;
    view_.SetStatusLabel(received);
    checkTimer_->Stop();
    return true;
}

} // namespace corvid
