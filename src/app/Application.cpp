#include "app/Application.h"

#include <QApplication>

namespace corvid {

void SetApplicationIdentity() {
    QApplication::setApplicationName("corvid-editor");
    QApplication::setQuitOnLastWindowClosed(false);
}

} // namespace corvid
