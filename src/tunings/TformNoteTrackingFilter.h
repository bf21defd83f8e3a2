#pragma once

#include "tunings/NoteCut.h"

#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QPushButton;

namespace corvid {

// The note cut window: at most two of eight notes, sent to the pedal with Save.
class TformNoteTrackingFilter : public QWidget {
    Q_OBJECT
public:
    TformNoteTrackingFilter();

    // Connects the boxes and Save to the note cut logic.
    // `save` sends the notes chosen (the session's job).
    // `ticked` hears each box ticked or cleared, `boxEnabled` says whether a box (ticked or not)
    // can be used, `save` sends the choice.
    void FormCreate(std::function<void(bool ticked)> ticked,
                    std::function<bool(bool ticked)> boxEnabled,
                    std::function<void(const NoteCutChoice&)> save);

    // A box was ticked or cleared by the user or by code.
    void NoteBoxChange(std::size_t code);
    void UpdateNoteCheckBoxes();
    void btnSaveClick();

    QCheckBox* chkA2;
    QCheckBox* chkAdiesis2;
    QCheckBox* chkB2;
    QCheckBox* chkC3;
    QCheckBox* chkCdiesis3;
    QCheckBox* chkD3;
    QCheckBox* chkDdiesis3;
    QCheckBox* chkE3;
    QPushButton* btnSave;
    QPushButton* btnGet;
    // The boxes by note code, A2 first.
    std::array<QCheckBox*, noteCutNoteCount> noteBoxes{};

private:
    std::function<void(bool)> ticked_;
    std::function<bool(bool)> boxEnabled_;
    std::function<void(const NoteCutChoice&)> save_;
};

} // namespace corvid
