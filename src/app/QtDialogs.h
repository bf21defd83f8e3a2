#pragma once

#include "base/Services.h"

namespace corvid {

// Message boxes and questions as modal Qt dialogs.
class QtDialogs : public Dialogs {
public:
    void ShowMessage(const std::string& text) override;
    bool Confirm(const std::string& text) override;
    std::filesystem::path OpenFileName(const FileDialogRequest& request) override;
    std::filesystem::path SaveFileName(const FileDialogRequest& request) override;
};

} // namespace corvid
