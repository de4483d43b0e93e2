// The graph view's tests run inside one QApplication, offscreen unless a platform is chosen
// (QT_QPA_PLATFORM=xcb under Xvfb shows the same widgets in a real window).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
