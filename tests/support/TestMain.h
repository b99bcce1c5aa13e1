#pragma once
// The one way a test program starts: headless defaults, the application object its tests need
// (QCoreApplication for logic tests; widget tests instantiate this with QApplication), then every
// test.

#include <gtest/gtest.h>

namespace testsupport {

// Sets headless defaults (offscreen platform, silent sound driver) unless the caller set its own.
void PrepareEnvironment();

template <class Application> int RunAllTests(int argc, char** argv)
{
    PrepareEnvironment();
    Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

} // namespace testsupport
