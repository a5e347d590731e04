#include <gtest/gtest.h>

#ifdef CORVANE_TEST_WIDGETS
#include <QApplication>
using TestApp = QApplication;
#else
#include <QCoreApplication>
using TestApp = QCoreApplication;
#endif

#include <cstdlib>

int main(int argc, char** argv)
{
    // Never the real desktop: tests that draw do it offscreen.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TestApp app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
