#include "app/Application.h"

#include "widgets/Accessibility.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

namespace corvid {

namespace {

// The windows' sizes and positions were designed for Arial. Liberation Sans has Arial's
// metrics, so where Arial is missing it takes its place and every caption keeps its room.
void UseDesignFonts() {
    const QString standIn = "Liberation Sans";
    if (!QFontDatabase::families().contains(standIn)) {
        QFontDatabase::addApplicationFont(":/fonts/LiberationSans-Regular.ttf");
        QFontDatabase::addApplicationFont(":/fonts/LiberationSans-Bold.ttf");
    }
    if (!QFontDatabase::families().contains("Arial")) {
        QFont::insertSubstitution("Arial", standIn);
    }
    // One family in every window, the charts and the effect pages included, at the
    // platform's size.
    QFont font = QApplication::font();
    font.setFamily("Arial");
    QApplication::setFont(font);
}

} // namespace

void SetUpApplication() {
    QApplication::setApplicationName("corvid-editor");
    QApplication::setQuitOnLastWindowClosed(false);
    UseDesignFonts();
    InstallAccessibility();
}

} // namespace corvid
