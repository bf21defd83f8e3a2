#include "app/QtDialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace corvid {

void QtDialogs::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(),
                    QString::fromStdString(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool QtDialogs::Confirm(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(),
                    QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    // Closing the question, or Escape, counts as Yes: only an explicit No cancels.
    box.setEscapeButton(box.button(QMessageBox::Yes));
    box.exec();
    return box.clickedButton() != box.button(QMessageBox::No);
}

} // namespace corvid
