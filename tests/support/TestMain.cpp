// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#ifdef CORVANE_TEST_WIDGETS
#include <QApplication>
using TestApp = QApplication;
#else
#include <QCoreApplication>
using TestApp = QCoreApplication;
#endif

#include <cstdlib>

#ifdef CORVANE_TSAN_OPTIONS
// Read by ThreadSanitizer before main() runs.
extern "C" const char* __tsan_default_options()
{
    return CORVANE_TSAN_OPTIONS;
}
#endif

int main(int argc, char** argv)
{
#ifdef CORVANE_TSAN_OPTIONS
    // The programs a test starts (the command line) are checked with the same options.
    setenv("TSAN_OPTIONS", CORVANE_TSAN_OPTIONS, 0);
#endif
    // Never the real desktop: tests that draw do it offscreen.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TestApp app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
