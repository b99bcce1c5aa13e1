#include "support/TestMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    return testsupport::RunAllTests<QApplication>(argc, argv);
}
