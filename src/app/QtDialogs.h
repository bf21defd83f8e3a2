#pragma once

#include "base/Services.h"

#include <QMessageBox>

#include <memory>

namespace corvid {

// The editor's own message box: captioned with its name, no stock icon, and buttons without the
// platform's pictures on them. A question has Yes and No, Yes the default, Escape meaning No.
std::unique_ptr<QMessageBox> EditorMessageBox(const std::string& text, bool question,
                                              QWidget* parent);

// Message boxes and questions as modal Qt dialogs.
class QtDialogs : public Dialogs {
public:
    void ShowMessage(const std::string& text) override;
    bool Confirm(const Question& question) override;
    std::filesystem::path OpenFileName(const FileDialogRequest& request) override;
    std::filesystem::path SaveFileName(const FileDialogRequest& request) override;
};

} // namespace corvid
