// The Qt Quick desktop's test program: a QGuiApplication (the tests run on
// Qt's offscreen platform, see cmake/quick.cmake), then GoogleTest. Items
// and windows the tests' widgets left to be deleted later go before the
// application does.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    QGuiApplication app(argc, argv);
    const int result = RUN_ALL_TESTS();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return result;
}
