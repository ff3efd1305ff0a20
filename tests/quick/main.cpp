// The Qt Quick desktop's test program: a QGuiApplication (the tests run on
// Qt's offscreen platform, see cmake/quick.cmake), then GoogleTest.
#include <gtest/gtest.h>

#include <QGuiApplication>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
