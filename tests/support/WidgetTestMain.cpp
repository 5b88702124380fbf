#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv)
{
    // Test discovery runs the binary without ctest's environment; without a display a Qt
    // application would abort, so default to the offscreen platform here.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
