#include "browser/webengine.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    corvane::prepareWebEngine();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
