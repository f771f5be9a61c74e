// Test entry point of the widget tests: they run without a display.
#include "support/test_environment.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
    QTemporaryDir home;
    isolateTestEnvironment(home);
    QApplication app(argc, argv);
    nameTestApplication();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
