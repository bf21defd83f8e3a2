#include "app/QtDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>

namespace corvid {

namespace {

// The editor's name on its boxes, not the program's file name the platform would show.
const QString kCaption = QStringLiteral("Corvid Editor");
constexpr int kMinimumWidthPx = 300;

} // namespace

std::unique_ptr<QMessageBox> EditorMessageBox(const std::string& text, bool question,
                                              QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(
        QMessageBox::NoIcon, kCaption, QString::fromStdString(text),
        question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    // The stock pictures (a speech bubble, coloured balls on Yes and No) belong to no look of
    // the editor's; the words say enough.
    for (QAbstractButton* button : box->buttons()) {
        button->setIcon(QIcon());
    }
    // Wide enough for the caption in the title bar and a short question on one line; a
    // message box takes no minimum width of its own, its layout does.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        grid->addItem(new QSpacerItem(kMinimumWidthPx, 0, QSizePolicy::Minimum), grid->rowCount(),
                      0, 1, grid->columnCount());
    }
    if (question) {
        // Only an explicit Yes acts: Escape or closing the question counts as No, so a
        // dismissed question never erases or overwrites anything.
        box->setEscapeButton(box->button(QMessageBox::No));
        box->setDefaultButton(QMessageBox::Yes);
    }
    return box;
}

void QtDialogs::ShowMessage(const std::string& text) {
    EditorMessageBox(text, false, QApplication::activeWindow())->exec();
}

bool QtDialogs::Confirm(const Question& question) {
    const std::unique_ptr<QMessageBox> box =
        EditorMessageBox(question.text, true, QApplication::activeWindow());
    box->exec();
    return box->clickedButton() == box->button(QMessageBox::Yes);
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
