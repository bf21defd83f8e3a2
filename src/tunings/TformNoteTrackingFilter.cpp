#include "tunings/TformNoteTrackingFilter.h"

#include "widgets/Accessibility.h"

#include <QCheckBox>
#include <QPushButton>

namespace corvid {

namespace {

struct BoxPlace {
    const char* name;
    int x;
    int y;
};

constexpr std::array<BoxPlace, noteCutNoteCount> kBoxes = {{
    {"chkA2", 8, 8},
    {"chkAdiesis2", 8, 26},
    {"chkB2", 8, 44},
    {"chkC3", 8, 62},
    {"chkCdiesis3", 65, 8},
    {"chkD3", 65, 26},
    {"chkDdiesis3", 65, 44},
    {"chkE3", 65, 62},
}};

constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

} // namespace

TformNoteTrackingFilter::TformNoteTrackingFilter()
    : QWidget(nullptr, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("formNoteTrackingFilter");
    setWindowTitle("Note Cut");
    setFixedSize(222, 115);
    CloseOnEscape(*this);
    for (std::size_t code = 0; code < noteCutNoteCount; ++code) {
        auto* box = new QCheckBox(noteCutNames[code], this);
        box->setObjectName(kBoxes[code].name);
        box->setGeometry(kBoxes[code].x, kBoxes[code].y, 55, 17);
        box->setAccessibleName(QString("Cut %1").arg(noteCutNames[code]));
        noteBoxes[code] = box;
    }
    chkA2 = noteBoxes[0];
    chkAdiesis2 = noteBoxes[1];
    chkB2 = noteBoxes[2];
    chkC3 = noteBoxes[3];
    chkCdiesis3 = noteBoxes[4];
    chkD3 = noteBoxes[5];
    chkDdiesis3 = noteBoxes[6];
    chkE3 = noteBoxes[7];

    btnSave = new QPushButton("Save", this);
    btnSave->setObjectName("btnSave");
    btnSave->setGeometry(16, 85, kButtonWidth, kButtonHeight);
    // Return saves the choice from any of the boxes.
    btnSave->setDefault(true);
    btnGet = new QPushButton("Get", this);
    btnGet->setObjectName("btnGet");
    btnGet->setGeometry(16 + 112, 85, kButtonWidth, kButtonHeight);
    // Reading the notes back is not offered by the pedal yet: a disabled button says so.
    btnGet->setEnabled(false);
    btnGet->setToolTip("Reading the notes back from the pedal is not available");
}

void TformNoteTrackingFilter::FormCreate(std::function<void(bool ticked)> ticked,
                                         std::function<bool(bool ticked)> boxEnabled,
                                         std::function<void(const NoteCutChoice&)> save) {
    ticked_ = std::move(ticked);
    boxEnabled_ = std::move(boxEnabled);
    save_ = std::move(save);
    for (std::size_t code = 0; code < noteBoxes.size(); ++code) {
        connect(noteBoxes[code], &QCheckBox::toggled, this, [this, code] { NoteBoxChange(code); });
    }
    connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
}

void TformNoteTrackingFilter::NoteBoxChange(std::size_t code) {
    ticked_(noteBoxes.at(code)->isChecked());
    UpdateNoteCheckBoxes();
}

void TformNoteTrackingFilter::UpdateNoteCheckBoxes() {
    for (QCheckBox* box : noteBoxes) {
        box->setEnabled(boxEnabled_(box->isChecked()));
    }
}

void TformNoteTrackingFilter::btnSaveClick() {
    NoteCutChoice chosen{};
    for (std::size_t code = 0; code < noteBoxes.size(); ++code) {
        chosen[code] = noteBoxes[code]->isChecked();
    }
    save_(chosen);
}

} // namespace corvid
