#include "app/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace corvid {

namespace {

// The editor's name on its boxes, not the program's file name the platform would show.
const QString kCaption = QStringLiteral("Corvid Editor");

} // namespace

void QtDialogs::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, kCaption, QString::fromStdString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

bool QtDialogs::Confirm(const std::string& text) {
    QMessageBox box(QMessageBox::Question, kCaption, QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    // Only an explicit Yes acts: Escape or closing the question counts as No, so a dismissed
    // question never erases or overwrites anything.
    box.setEscapeButton(box.button(QMessageBox::No));
    box.setDefaultButton(QMessageBox::Yes);
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Yes);
}

namespace {

std::filesystem::path RunFileDialog(const FileDialogRequest& request,
                                    QFileDialog::AcceptMode mode) {
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title),
                       QString::fromStdU16String(request.folder.u16string()),
                       QString::fromStdString(request.filter));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return std::filesystem::path(dialog.selectedFiles().front().toStdU16String());
}

} // namespace

std::filesystem::path QtDialogs::OpenFileName(const FileDialogRequest& request) {
    return RunFileDialog(request, QFileDialog::AcceptOpen);
}

std::filesystem::path QtDialogs::SaveFileName(const FileDialogRequest& request) {
    return RunFileDialog(request, QFileDialog::AcceptSave);
}

} // namespace corvid
