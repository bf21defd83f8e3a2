#pragma once

#include "base/Services.h"

#include <string>
#include <vector>

namespace corvid {

// The algorithms the editor carries as named resources: the list of a category and one image of
// hex text per algorithm. Names are looked up ignoring letter case.
class AlgorithmLibrary {
public:
    explicit AlgorithmLibrary(Dialogs& dialogs);

    // Replaces resourceLines by the lines of the named resource. A missing resource is shown
    // ("Resource NAME not found") and ends the calling operation: false, resourceLines kept.
    bool LoadResourceLines(const std::string& name);
    // The Qt resource path of a named resource, or empty.
    std::string ResourcePath(const std::string& name) const;

    std::vector<std::string> resourceLines;
    std::string selectedEffectName;

private:
    Dialogs& dialogs_;
};

// The resource name of an algorithm: blanks and "-" become "_", "+" becomes "plus" and an
// upper-case "X" becomes "mult".
std::string AlgorithmResourceName(const std::string& algorithmName);

// Splits text into lines at CR LF, LF or CR; a final line end adds no empty line.
std::vector<std::string> SplitLines(const std::string& text);

} // namespace corvid
