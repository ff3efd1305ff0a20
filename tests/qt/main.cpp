// The Qt test program's entry: one QApplication for all tests, on the X
// server named by DISPLAY (run_under_xvfb.sh starts a private one).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    return RUN_ALL_TESTS();
}
