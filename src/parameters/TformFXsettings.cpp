#include "parameters/TformFXsettings.h"

#include "widgets/RotaryDial.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace corvid {

namespace {

constexpr int kDialSize = 40;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QFrame* AddFrame(QWidget* parent, const char* name, int x, int y, int w, int h) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setGeometry(x, y, w, h);
    // Outlined; each look draws the outline its own way.
    frame->setFrameShape(QFrame::StyledPanel);
    return frame;
}

template <typename W> W* Named(W* widget, const char* name, int x, int y, int w, int h) {
    widget->setObjectName(name);
    widget->setGeometry(x, y, w, h);
    return widget;
}

} // namespace

TformFXsettings::TformFXsettings()
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("formFXsettings");
    // The caption is the effect's name once it is opened; until then this names it.
    setAccessibleName("Effect parameters");
    setFixedSize(333, 517);

    dialDry = AddDial("dialDry", "Dry", this, 15, 8);
    dialMinus1Oct = AddDial("dialMinus1Oct", "-1 OCT", this, 75, 8);
    swtWave = Named(new OnOffSwitch("Wave", this), "swtWave", 136, 16, 41, 21);
    AddCaption("Wave", this, 136, 38, 41);
    dialInputLevel = AddDial("dialInputLevel", "Input Level", this, 208, 8);
    dialClipWave = AddDial("dialClipWave", "Wave Clip", this, 267, 8);

    dialSubMix = AddDial("dialSubMix", "Sub Mix", this, 15, 72);
    dialMinus2Oct = AddDial("dialMinus2Oct", "-2 OCT", this, 75, 72);
    swtSplit = Named(new OnOffSwitch("Split", this), "swtSplit", 136, 61, 41, 21);
    AddCaption("Split", this, 136, 83, 41);

    // Taller than the designed 96 by one row, for the button that opens the note cut window.
    QFrame* tracking = AddFrame(this, "frameTracking", 185, 73, 141, 118);
    AddCaption("Tracking Functions", tracking, 8, 4, 125)->setAlignment(Qt::AlignLeft);
    cmbGuitarTuning = Named(new QComboBox(tracking), "cmbGuitarTuning", 8, 22, 125, 22);
    cmbGuitarTuning->setAccessibleName("Guitar tuning");
    chkDominantNoteCut =
        Named(new QCheckBox("Dominant Notes Cut", tracking), "chkDominantNoteCut", 8, 48, 130, 20);
    chkHighNoteCut =
        Named(new QCheckBox("High Notes Cut", tracking), "chkHighNoteCut", 8, 70, 130, 20);
    btnNoteCut = Named(new QPushButton("Note Cut…", tracking), "btnNoteCut", 8, 93, 80, 20);
    btnNoteCut->setToolTip("Choose the notes the pedal cuts");

    dialLowPass = AddDial("dialLowPass", "Low Pass", this, 15, 136);
    dialHighPass = AddDial("dialHighPass", "High Pass", this, 75, 136);
    dialRange = AddDial("dialRange", "Range", this, 15, 208);

    QFrame* harmonic = AddFrame(this, "frameHarmonic", 63, 200, 181, 67);
    // Alone in its frame up to the pitch caption: room for its longer caption.
    dial1stHarmonic = AddDial("dial1stHarmonic", "1st Harmonic", harmonic, 15, 8, 68);
    AddCaption("1st Harmonic Pitch", harmonic, 78, 12, 101);
    cmbVariableWavePitch = Named(new QComboBox(harmonic), "cmbVariableWavePitch", 70, 29, 105, 22);
    cmbVariableWavePitch->setMaxVisibleItems(12);
    cmbVariableWavePitch->setAccessibleName("1st Harmonic Pitch");

    AddCaption("Assign Controls", this, 195, 267, 120)->setAlignment(Qt::AlignLeft);
    const std::array<const char*, controlCount> listNames = {
        "cmbAssignCtrlUNO", "cmbAssignCtrlDUE", "cmbAssignCtrlTRE", "cmbAssignCtrlQUATTRO",
        "cmbAssignRemote"};
    const std::array<const char*, controlCount> listCaptions = {
        "Control I", "Control II", "Control III", "Control IV", "Remote Footswitch"};
    const std::array<int, controlCount> listOffsets = {46, 86, 133, 174, 215};
    for (std::size_t k = 0; k < controlCount; ++k) {
        const int y = 267 + listOffsets[k];
        AddCaption(listCaptions[k], this, 195, y - 16, 120)->setAlignment(Qt::AlignLeft);
        assignLists[k] = Named(new QComboBox(this), listNames[k], 195, y, 120, 22);
        assignLists[k]->setAccessibleName(listCaptions[k]);
    }
    cmbAssignCtrlUNO = assignLists[0];
    cmbAssignCtrlDUE = assignLists[1];
    cmbAssignCtrlTRE = assignLists[2];
    cmbAssignCtrlQUATTRO = assignLists[3];
    cmbAssignRemote = assignLists[4];

    AddCaption("Footswitch Short Press:", this, 15, 323, 160)->setAlignment(Qt::AlignLeft);
    chkBypassShortPress =
        Named(new QRadioButton("Bypass", this), "chkBypassShortPress", 15, 339, 130, 19);
    chkChangePresetShortPress = Named(new QRadioButton("Change Preset", this),
                                      "chkChangePresetShortPress", 15, 358, 130, 19);
    AddCaption("Footswitch Long Press:", this, 13, 385, 160)->setAlignment(Qt::AlignLeft);
    chkBypassLongPress =
        Named(new QRadioButton("Bypass", this), "chkBypassLongPress", 13, 402, 130, 19);
    chkChangePresetLongPress = Named(new QRadioButton("Change Preset", this),
                                     "chkChangePresetLongPress", 13, 421, 130, 19);
    shortPress_ = new QButtonGroup(this);
    shortPress_->addButton(chkBypassShortPress);
    shortPress_->addButton(chkChangePresetShortPress);
    longPress_ = new QButtonGroup(this);
    longPress_->addButton(chkBypassLongPress);
    longPress_->addButton(chkChangePresetLongPress);
    chkBypassShortPress->setChecked(true);
    chkChangePresetLongPress->setChecked(true);

    // The layout is tight: Arial 8 (or its metric twin) keeps every caption inside its place.
    // Set on each control, so a look's style sheet on a frame cannot hold it back.
    QFont small("Arial");
    small.setPointSizeF(8);
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setFont(small);
    }
    // A control that cannot be used says why, to the mouse and to a screen reader.
    for (QWidget* fixed : FixedControls()) {
        fixed->setEnabled(false);
        fixed->setToolTip(kFixedControlNote);
        fixed->setAccessibleDescription(kFixedControlNote);
    }
    for (QComboBox* list : {cmbVariableWavePitch, cmbGuitarTuning}) {
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    }
}

RotaryDial* TformFXsettings::AddDial(const char* name, const char* caption, QWidget* parent, int x,
                                     int y, int captionWidth) {
    auto* dial = Named(new RotaryDial(caption, parent), name, x, y, kDialSize, kDialSize);
    // No wider than the gap to the next dial and the frame beside it.
    AddCaption(caption, parent, x + (kDialSize - captionWidth) / 2, y + kDialSize, captionWidth);
    return dial;
}

QLabel* TformFXsettings::AddCaption(const char* text, QWidget* parent, int x, int y, int w) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, w, 16);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}

std::array<QWidget*, 10> TformFXsettings::FixedControls() const {
    return {dialDry,      dialMinus1Oct, dialSubMix,      dialMinus2Oct, dialLowPass,
            dialHighPass, dialRange,     dial1stHarmonic, swtWave,       swtSplit};
}

RotaryDial* TformFXsettings::Dial(std::size_t slot) const {
    return findChild<RotaryDial*>(parameterTable.at(slot).control);
}

void TformFXsettings::FormCreate(ParameterActions actions, QAction& enableAllItem) {
    actions_ = std::move(actions);
    enableAllItem_ = &enableAllItem;
    connect(dialInputLevel, &RotaryDial::angleChanged, this, [this] { OnChange_dialInputLevel(); });
    connect(dialClipWave, &RotaryDial::angleChanged, this, [this] { dialClipWaveChange(); });
    connect(dialDry, &RotaryDial::angleChanged, this, [this] { dialDryChange(); });
    connect(dialMinus1Oct, &RotaryDial::angleChanged, this, [this] { dialMinus1OctChange(); });
    connect(dialMinus2Oct, &RotaryDial::angleChanged, this, [this] { dialMinus2OctChange(); });
    connect(dialSubMix, &RotaryDial::angleChanged, this, [this] { dialSubMixChange(); });

    // The parameter objects already exist (FXsettings); here the lists get their entries.
    for (std::size_t k = 0; k < controlCount; ++k) {
        for (const std::string& entry : AssignmentEntries(k)) {
            assignLists[k]->addItem(Q(entry));
        }
    }
    for (std::size_t k = 0; k < controlCount; ++k) {
        assignLists[k]->setCurrentIndex(0);
        connect(assignLists[k], &QComboBox::currentIndexChanged, this,
                [this, k] { AssignOnChange(k); });
    }

    chkDominantNoteCut->setToolTip(Q(hintTexts[0]));
    chkHighNoteCut->setToolTip(Q(hintTexts[1]));
    dialInputLevel->setToolTip(Q(hintTexts[2]));

    for (int i = -12; i <= 12; ++i) {
        cmbVariableWavePitch->addItem(i > 0 ? QString("+%1").arg(i) : QString::number(i));
    }
    cmbVariableWavePitch->setCurrentIndex(-1);
    connect(cmbVariableWavePitch, &QComboBox::currentIndexChanged, this,
            [this] { VariWavePitchOnChange(); });
    for (const char* name : FXsettings::tuningNames) {
        cmbGuitarTuning->addItem(name);
    }
    cmbGuitarTuning->setCurrentIndex(0);
    connect(cmbGuitarTuning, &QComboBox::currentIndexChanged, this,
            [this] { cmbGuitarTuningChange(); });
    connect(chkDominantNoteCut, &QCheckBox::toggled, this, [this] { chkDominantNoteCutChange(); });
    connect(chkHighNoteCut, &QCheckBox::toggled, this, [this] { chkHighNoteCutChange(); });
    for (QButtonGroup* group : {shortPress_, longPress_}) {
        connect(group, &QButtonGroup::buttonToggled, this, [this](QAbstractButton*, bool on) {
            if (on) {
                FootswitchOnChange();
            }
        });
    }
}

void TformFXsettings::SetParameterControlsEnabled(bool enabled) {
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setEnabled(enabled);
    }
    for (QWidget* fixed : FixedControls()) {
        fixed->setEnabled(false);
    }
    // Opening the note cut window changes nothing; it works in every state, like its menu item.
    // Its frame is enabled for it; the frame's other controls keep their own state.
    btnNoteCut->parentWidget()->setEnabled(true);
    btnNoteCut->setEnabled(true);
}

void TformFXsettings::OnClickEnableAllParameters() {
    const bool enabled = actions_.toggleAllParameters();
    enableAllItem_->setChecked(enabled);
    for (RotaryDial* dial : {dialDry, dialSubMix, dialMinus1Oct, dialMinus2Oct}) {
        dial->setEnabled(enabled);
    }
}

void TformFXsettings::DialChanged(std::size_t slot) {
    RotaryDial* dial = Dial(slot);
    // The snapped angle is shown quietly: the turn has been written once already.
    if (const std::optional<int> snapped = actions_.turnDial(slot, dial->angle());
        snapped && *snapped != dial->angle()) {
        const QSignalBlocker quiet(dial);
        dial->setAngle(*snapped);
    }
}

void TformFXsettings::OnChange_dialInputLevel() {
    DialChanged(slot::InputLevel);
}

void TformFXsettings::dialClipWaveChange() {
    DialChanged(slot::WaveClip);
}

void TformFXsettings::dialDryChange() {
    DialChanged(slot::Dry);
}

void TformFXsettings::dialMinus1OctChange() {
    DialChanged(slot::Minus1Oct);
}

void TformFXsettings::dialMinus2OctChange() {
    DialChanged(slot::Minus2Oct);
}

void TformFXsettings::dialSubMixChange() {
    DialChanged(slot::SubMix);
}

void TformFXsettings::VariWavePitchOnChange() {
    actions_.choosePitch(cmbVariableWavePitch->currentIndex());
}

void TformFXsettings::NoteCutChanged(QCheckBox* box, std::size_t slot) {
    if (const std::optional<bool> shown = actions_.tickNoteCut(slot, box->isChecked());
        shown && *shown != box->isChecked()) {
        const QSignalBlocker quiet(box);
        box->setChecked(*shown);
    }
}

void TformFXsettings::chkDominantNoteCutChange() {
    NoteCutChanged(chkDominantNoteCut, slot::DominantNoteCut);
}

void TformFXsettings::chkHighNoteCutChange() {
    NoteCutChanged(chkHighNoteCut, slot::HighNotesCut);
}

void TformFXsettings::cmbGuitarTuningChange() {
    if (cmbGuitarTuning->currentIndex() >= 0) {
        actions_.chooseTuning(cmbGuitarTuning->currentIndex());
    }
}

void TformFXsettings::AssignOnChange(std::size_t control) {
    QComboBox* list = assignLists[control];
    if (!actions_.chooseAssignment(control, list->currentIndex())) {
        const QSignalBlocker quiet(list);
        list->setCurrentIndex(0);
    }
}

void TformFXsettings::FootswitchOnChange() {
    actions_.chooseFootswitch(chkBypassShortPress->isChecked(), chkBypassLongPress->isChecked());
}

void TformFXsettings::SetFootswitchRadios(bool shortPressBypass, bool longPressBypass) {
    const QSignalBlocker quietShort(shortPress_);
    const QSignalBlocker quietLong(longPress_);
    (shortPressBypass ? chkBypassShortPress : chkChangePresetShortPress)->setChecked(true);
    (longPressBypass ? chkBypassLongPress : chkChangePresetLongPress)->setChecked(true);
}

void TformFXsettings::SelectAssignment(std::size_t control, int index) {
    const QSignalBlocker quiet(assignLists.at(control));
    assignLists.at(control)->setCurrentIndex(index);
}

void TformFXsettings::SelectTuning(int index) {
    const QSignalBlocker quiet(cmbGuitarTuning);
    // A tuning this editor does not know: show none rather than pretend it is "no tuning".
    cmbGuitarTuning->setCurrentIndex(index < cmbGuitarTuning->count() ? index : -1);
}

void TformFXsettings::SetDialAngle(std::size_t slot, int angle) {
    const QSignalBlocker quiet(Dial(slot));
    Dial(slot)->setAngle(angle);
}

void TformFXsettings::SetSwitch(std::size_t slot, bool on) {
    OnOffSwitch* control = slot == slot::Wave ? swtWave : swtSplit;
    const QSignalBlocker quiet(control);
    control->setOn(on);
}

void TformFXsettings::SelectPitch(int index) {
    const QSignalBlocker quiet(cmbVariableWavePitch);
    cmbVariableWavePitch->setPlaceholderText(index < 0 ? kNoPitch : QString());
    cmbVariableWavePitch->setCurrentIndex(index);
}

void TformFXsettings::SetNoteCutBox(std::size_t slot, bool ticked) {
    QCheckBox* box = slot == slot::DominantNoteCut ? chkDominantNoteCut : chkHighNoteCut;
    const QSignalBlocker quiet(box);
    box->setChecked(ticked);
}

} // namespace corvid
