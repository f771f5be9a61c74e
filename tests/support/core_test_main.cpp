// Test entry point of the logic tests: Qt Core only, so a widget include fails to link.
#include "support/test_environment.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
    QTemporaryDir home;
    isolateTestEnvironment(home);
    QCoreApplication app(argc, argv);
    nameTestApplication();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
