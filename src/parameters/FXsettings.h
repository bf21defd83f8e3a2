#pragma once

#include "algorithms/AlgorithmLibrary.h"
#include "app/Services.h"
#include "link/Communication.h"
#include "link/MainView.h"
#include "parameters/ParameterModel.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace corvid {

// The parameter window as the parameter logic sees it. Every change made through it runs the
// control's change handler, as a user's change would.
class ParameterView {
public:
    enum class Control { I, II, III, IV, Remote };

    virtual ~ParameterView() = default;
    virtual void SetFootswitchRadios(bool shortPressBypass, bool longPressBypass) = 0;
    virtual bool ShortPressBypass() const = 0;
    virtual bool ShortPressChangePreset() const = 0;
    virtual bool LongPressBypass() const = 0;
    virtual bool LongPressChangePreset() const = 0;
    virtual void SelectAssignment(std::size_t control, int index) = 0;
    virtual int AssignmentIndex(std::size_t control) const = 0;
    virtual std::string AssignmentText(std::size_t control) const = 0;
    // An index past the list's end shows no tuning at all.
    virtual void SelectTuning(int index) = 0;
    virtual void SetDialAngle(std::size_t slot, int angle) = 0;
    virtual void SetSwitch(std::size_t slot, bool on) = 0;
    virtual void SelectPitch(int index) = 0;
    virtual void SetNoteCutBox(std::size_t slot, bool ticked) = 0;
};

// The parameters, the assignments, the footswitch mode and the tuning choice; reading them from
// the pedal and the messages that store them.
class FXsettings {
public:
    static constexpr std::uint8_t noTuning = 0;
    static constexpr int tuningCount = 5;
    inline static const std::string kLockedOut =
        "This parameter is currently assigned and cannot be controlled from here";
    inline static const std::string kUploadTuningFirst =
        "Make sure you have uploaded a tuning before setting this parameter";
    inline static const std::string kSelectTuningFirst =
        "No tuning selected, Select a tuning before assigning this parameter";
    inline static const std::string kTuningNotImplemented =
        "This tuning has not been implemented yet :( But feel free to get in touch to speed up!";

    FXsettings(Communication& link, Log& log, Dialogs& dialogs, Clock& clock, MainView& mainView)
        : link_(link), log_(log), dialogs_(dialogs), clock_(clock), mainView_(mainView) {}

    void AttachView(ParameterView& view) { view_ = &view; }

    // True, with the message shown, while the parameter is assigned to a control and no
    // Request is reading: the window must not change it then.
    bool RefuseAssignedEdit(std::size_t slot);
    // Loads the selected algorithm's text and reads the parameters' addresses from it.
    void LoadAlgorithmAddresses(AlgorithmLibrary& algorithms);
    // A note-cut box now shows `ticked`: its flag goes to the DSP.
    void WriteNoteCut(std::size_t slot, bool ticked);
    // Writes a level or pitch value of a slot: 01, address, value.
    void SendParameterValue(std::size_t slot, std::uint32_t value);
    // The tuning list's choice; the tunings not built into the pedal yet bring up a notice.
    void TuningChosen(int index);
    // An assignment list changed to the entry shown as `text`. True when the list must go back
    // to "Not Assigned": a note cut on Control III or IV needs a tuning (not checked while
    // reading from the pedal).
    bool AssignmentChanged(std::size_t control, int index, const std::string& text);

    void btnRequestClick();
    void DecodeFootswitchMode(const std::vector<std::uint8_t>& reply, std::size_t offset);
    void DecodeAssignments(const std::vector<std::uint8_t>& reply, std::size_t offset);
    void DecodeTuning(const std::vector<std::uint8_t>& reply, std::size_t offset);
    void DecodeParameterValues(const std::vector<std::uint8_t>& reply, std::size_t offset);
    void ShowParameterValues();

    void btnSaveParametersClick();
    std::string BuildAssignMessage();
    void btnAssignClick();
    std::string BuildFootswitchMessage();
    void btnSetFootswitchModeClick();

    ParameterSet parameters;
    std::array<bool, controlCount> controlAssigned{};
    bool readingFromPedal = false;
    bool allParametersEnabled = false;
    std::uint8_t selectedTuning = noTuning;
    std::uint16_t footswitchMode = 0;
    std::vector<std::uint32_t> parameterValues;

private:
    ParameterView& View() const { return *view_; }

    Communication& link_;
    Log& log_;
    Dialogs& dialogs_;
    Clock& clock_;
    MainView& mainView_;
    ParameterView* view_ = nullptr;
};

} // namespace corvid
