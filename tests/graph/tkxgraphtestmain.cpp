// Runs the graph tests with the one QGuiApplication that fonts and the palette need, on the
// offscreen platform unless another one is asked for.
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Listing the tests (as the build does) needs no application.
    std::unique_ptr<QGuiApplication> app;
    if (!GTEST_FLAG_GET(list_tests)) {
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    return RUN_ALL_TESTS();
}
