#pragma once
// A log and dialogs that keep everything to themselves, for fuzz targets that drive the core.

#include "base/Services.h"

#include <filesystem>
#include <string>

namespace corvid::fuzz {

class Quiet : public Log, public Dialogs {
public:
    void PrintToConsole(const std::string& /*text*/) override {}
    void PlainLine(const std::string& /*text*/) override {}
    void ShowMessage(const std::string& /*text*/) override {}
    bool Confirm(const Question& /*question*/) override { return true; }
    std::filesystem::path OpenFileName(const FileDialogRequest& /*request*/) override { return {}; }
    std::filesystem::path SaveFileName(const FileDialogRequest& /*request*/) override { return {}; }
};

} // namespace corvid::fuzz
