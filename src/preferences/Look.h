#pragma once

#include "base/Services.h"
#include "preferences/DataFolder.h"

#include <array>
#include <optional>
#include <string>

namespace corvid {

// Where a look is applied: the windows' front end makes a style sheet the application's.
class LookView {
public:
    virtual ~LookView() = default;
    virtual void SetStyleSheet(const std::string& sheet) = 0;
};

// The editor's looks: eight style sheets carried as resources "Style_0" ... "Style_7", the
// menu's choice of 0 to 6, and the one remembered in style.txt for the next start.
class Look {
public:
    static constexpr int styleCount = 8;
    static constexpr int menuLookCount = 7;
    inline static const std::string kLookFileName = "style.txt";
    // What each look is, for the menu items' tips.
    static constexpr std::array<const char*, styleCount> lookNames = {
        "Platform: the system's own look",        "Night: dark grey with teal",
        "High contrast: black, white and yellow", "Workbench: warm paper and copper",
        "Stage: deep blue with sharp edges",      "Amplifier: black tolex and brass",
        "Enclosure: olive steel and red LEDs",    "Terminal: amber on black",
    };

    Look(DataFolder& dataFolder, Dialogs& dialogs, LookView& view)
        : dataFolder_(dataFolder), dialogs_(dialogs), view_(view) {}

    // The style sheet "Style_n" from the resources; nullopt when there is none.
    static std::optional<std::string> StyleSheet(int n);
    // Applies "Style_n"; a look without a style sheet leaves the look as it is. True when
    // applied.
    bool ApplyStyle(int n);
    // A look chosen in the menu: applied at once and written to style.txt for the next start.
    void ChooseLook(int n);
    // At start-up: the look style.txt names, or look 0 when there is no file or it does not
    // hold a whole number.
    void ApplySavedLook();
    std::filesystem::path LookFile() const;

private:
    DataFolder& dataFolder_;
    Dialogs& dialogs_;
    LookView& view_;
};

} // namespace corvid
