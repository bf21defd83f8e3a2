#pragma once

#include "parameters/FXsettings.h"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace corvid {

class OnOffSwitch;
class RotaryDial;

// What the parameter window's controls ask of the core; the window keeps no logic of its own.
struct ParameterActions {
    // A dial turned: the angle to show, or nullopt when the parameter was left alone.
    std::function<std::optional<int>(std::size_t slot, int angle)> turnDial;
    std::function<void(int index)> choosePitch;
    // A note-cut box: what it must show, or nullopt when the parameter was left alone.
    std::function<std::optional<bool>(std::size_t slot, bool ticked)> tickNoteCut;
    std::function<void(int tuning)> chooseTuning;
    // False when the list must go back to "Not Assigned".
    std::function<bool(std::size_t control, int index)> chooseAssignment;
    std::function<void(bool shortPressBypass, bool longPressBypass)> chooseFootswitch;
    // "Enable All Parameters" toggled: whether it is on now.
    std::function<bool()> toggleAllParameters;
};

// The effect parameter window, opened beside the main window when an effect is clicked. Every
// edit of a writable parameter goes to the pedal at once.
class TformFXsettings : public QWidget, public ParameterView {
    Q_OBJECT
public:
    inline static const std::array<std::string, 3> hintTexts = {
        "Improves tracking on lowest chord (E-open chord in standard tuning) when RANGE is set "
        "high.\r\nMake sure to choose the right tuning for your instrument before applying this "
        "parameter.\r\nLike any other parameter, this parameter can either be stored permanently "
        "on pedal or assigned to a CTRL button.",
        "Removes tracking and noise on higher strings (e.g. open G string and first frets in "
        "standard tuning)\r\nMake sure to choose the right tuning for your instrument before "
        "applying this parameter.\r\nLike any other parameter, this parameter can either be stored "
        "permanently on pedal or assigned to a CTRL button.",
        "Set level of input signal to the octave down effect. It does not affect dry.\r\nAdjust if "
        "you hear too much distortion on the sub. By default it is set to mid position.",
    };

    TformFXsettings();

    // Fills the lists and connects the controls to the parameter logic; enableAllItem is the
    // main window's hidden menu item that mirrors "all parameters enabled".
    void FormCreate(ParameterActions actions, QAction& enableAllItem);
    void SetParameterControlsEnabled(bool enabled);
    void OnClickEnableAllParameters();

    void OnChange_dialInputLevel();
    void dialClipWaveChange();
    void dialDryChange();
    void dialMinus1OctChange();
    void dialMinus2OctChange();
    void dialSubMixChange();
    void VariWavePitchOnChange();
    void chkDominantNoteCutChange();
    void chkHighNoteCutChange();
    void cmbGuitarTuningChange();
    void AssignOnChange(std::size_t control);
    void FootswitchOnChange();

    // ParameterView: each shows quietly, without running the control's handler.
    void SetFootswitchRadios(bool shortPressBypass, bool longPressBypass) override;
    void SelectAssignment(std::size_t control, int index) override;
    void SelectTuning(int index) override;
    void SetDialAngle(std::size_t slot, int angle) override;
    void SetSwitch(std::size_t slot, bool on) override;
    void SelectPitch(int index) override;
    void SetNoteCutBox(std::size_t slot, bool ticked) override;

    RotaryDial* dialDry;
    RotaryDial* dialMinus1Oct;
    RotaryDial* dialSubMix;
    RotaryDial* dialMinus2Oct;
    RotaryDial* dialLowPass;
    RotaryDial* dialHighPass;
    RotaryDial* dialRange;
    RotaryDial* dialInputLevel;
    RotaryDial* dialClipWave;
    RotaryDial* dial1stHarmonic;
    OnOffSwitch* swtWave;
    OnOffSwitch* swtSplit;
    QComboBox* cmbVariableWavePitch;
    QComboBox* cmbGuitarTuning;
    QCheckBox* chkDominantNoteCut;
    QCheckBox* chkHighNoteCut;
    // Opens the note cut window (connected by whoever owns that window).
    QPushButton* btnNoteCut;
    QComboBox* cmbAssignCtrlUNO;
    QComboBox* cmbAssignCtrlDUE;
    QComboBox* cmbAssignCtrlTRE;
    QComboBox* cmbAssignCtrlQUATTRO;
    QComboBox* cmbAssignRemote;
    QRadioButton* chkBypassShortPress;
    QRadioButton* chkChangePresetShortPress;
    QRadioButton* chkBypassLongPress;
    QRadioButton* chkChangePresetLongPress;

    // The five assignment lists, Control I to IV and the remote footswitch.
    std::array<QComboBox*, controlCount> assignLists{};

private:
    // The caption is centred under the dial, captionWidth wide.
    RotaryDial* AddDial(const char* name, const char* caption, QWidget* parent, int x, int y,
                        int captionWidth = 56);
    QLabel* AddCaption(const char* text, QWidget* parent, int x, int y, int w);
    // The dial that shows a slot (the control the parameter table names).
    RotaryDial* Dial(std::size_t slot) const;
    void DialChanged(std::size_t slot);
    void NoteCutChanged(QCheckBox* box, std::size_t slot);
    // The ten controls that only ever show values, unless all parameters are enabled.
    std::array<QWidget*, 10> FixedControls() const;

    ParameterActions actions_;
    QAction* enableAllItem_ = nullptr;
    QButtonGroup* shortPress_;
    QButtonGroup* longPress_;
};

} // namespace corvid
