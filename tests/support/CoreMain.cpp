#include <QCoreApplication>
#include <gtest/gtest.h>

// The core's tests: no window toolkit beyond Qt Core is linked.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
