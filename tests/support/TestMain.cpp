#include "app/Application.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Windows are built and driven offscreen; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    corvid::SetUpApplication();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
