#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

int main(int argc, char** argv)
{
    // A zone away from UTC, so that a missing conversion to local time shows.
    setenv("TZ", "XST-5:30", 1);
    tzset();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
