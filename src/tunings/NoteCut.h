#pragma once

#include "base/Services.h"
#include "link/Communication.h"
#include "link/PedalState.h"

#include <array>
#include <optional>
#include <string>

namespace corvid {

inline constexpr std::array<const char*, noteCutNoteCount> noteCutNames = {
    "A2", "A#2", "B2", "C3", "C#3", "D3", "D#3", "E3"};
inline constexpr std::size_t maxCutNotes = 2;

// The code of a note named as the window names it (either case), or nullopt.
std::optional<std::size_t> FindCutNote(const std::string& name);

// Which notes the pedal cuts: at most two, sent as one 3-byte message.
class NoteCut {
public:
    using Choice = NoteCutChoice;
    static constexpr int kNoteCutPauseMs = 100;
    inline static const std::string kNoNote = "FF";

    NoteCut(Communication& link, Log& log, Clock& clock) : link_(link), log_(log), clock_(clock) {}

    // A box was ticked or cleared: keeps checkedNoteCount.
    void NoteTicked(bool ticked);
    // With two notes chosen only the chosen boxes stay usable; otherwise every box is.
    bool NoteBoxEnabled(bool ticked) const {
        return ticked || checkedNoteCount != static_cast<int>(maxCutNotes);
    }
    // "09", the lower chosen note and the higher one ("FF" for none), with its log lines.
    std::string BuildNoteCutMessage(const Choice& chosen);
    // Builds and sends the message; true when it went out.
    bool SaveNoteCut(const Choice& chosen);

    int checkedNoteCount = 0;

private:
    Communication& link_;
    Log& log_;
    Clock& clock_;
};

} // namespace corvid
