// The Qt Quick Test runner for the QML module Korvane: every tst_*.qml in
// tests/quick/qml, run offscreen with the module's build folder on the
// import path (see cmake/quick.cmake).
#include <QtQuickTest/quicktest.h>

QUICK_TEST_MAIN(korvane_quick)
