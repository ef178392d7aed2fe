#include "support/ExitCode.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return ExitCode(RUN_ALL_TESTS());
}
