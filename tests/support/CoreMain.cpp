#include "support/TestMain.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    return testsupport::RunAllTests<QCoreApplication>(argc, argv);
}
