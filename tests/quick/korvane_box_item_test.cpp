// The KorvaneBox item in a host's scene, destroyed by a C++ handler of its
// own signals while the control is still raising the event that caused
// them: the program goes on, and nothing of the box is touched afterwards.
#include "quick/korvane_box_item.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

namespace korvane::quick {
namespace {

struct Scene {
    Scene() {
        window.resize(400, 300);
        window.show();
        box = new KorvaneBox(window.contentItem());
        box->addItem("EUR", "Euro", 978);
        box->addItem("USD", "US dollar", 840);
    }
    QQuickWindow window;
    QPointer<KorvaneBox> box;
};

TEST(QuickKorvaneBox, DeletedInsideActivatedByAKey) {
    Scene scene;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&scene.window));
    int heard = 0;
    QObject::connect(scene.box, &KorvaneBox::activated, [&](int) {
        ++heard;
        delete scene.box.data();
    });
    scene.box->forceActiveFocus();
    QTest::keyClick(&scene.window, Qt::Key_Down);
    EXPECT_EQ(heard, 1);
    EXPECT_TRUE(scene.box.isNull());
    QTest::keyClick(&scene.window, Qt::Key_Down);  // keys go on to what is left
    QCoreApplication::processEvents();
}

TEST(QuickKorvaneBox, DeletedInsideCountChangedDuringAddItem) {
    Scene scene;
    QObject::connect(scene.box, &KorvaneBox::countChanged, [&] { delete scene.box.data(); });
    scene.box->addItem("JPY", "Yen", 392);
    EXPECT_TRUE(scene.box.isNull());
    QCoreApplication::processEvents();
}

TEST(QuickKorvaneBox, DeletedInsideCurrentIndexChangedWrittenByTheProgram) {
    Scene scene;
    QObject::connect(scene.box, &KorvaneBox::currentIndexChanged, [&] { delete scene.box.data(); });
    scene.box->setCurrentIndex(1);
    EXPECT_TRUE(scene.box.isNull());
    QCoreApplication::processEvents();
}

// The windows shown besides the scene's own.
int OtherWindowsShown(const QWindow& scene) {
    int shown = 0;
    for (QWindow* w : QGuiApplication::topLevelWindows())
        shown += w != &scene && w->isVisible() ? 1 : 0;
    return shown;
}

// A drop-down that fits in the scene's window opens over the scene; one
// that would leave it (a window no taller than its box, as a small dialog
// or a layout that fits its items) opens in a window of its own under the
// box, where a person sees it, and chooses rows the same way.
TEST(QuickKorvaneBox, TheDropDownOpensInTheSceneWhereItFitsAndInAWindowOfItsOwnWhereNot) {
    for (const bool roomy : {true, false}) {
        SCOPED_TRACE(roomy ? "a roomy window" : "a window as tall as the box");
        Scene scene;
        if (!roomy)
            scene.window.resize(400, static_cast<int>(scene.box->height()));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&scene.window));
        scene.box->forceActiveFocus();
        QTest::keyClick(&scene.window, Qt::Key_F4);
        QCoreApplication::processEvents();
        EXPECT_EQ(OtherWindowsShown(scene.window), roomy ? 0 : 1);
        QTest::keyClick(&scene.window, Qt::Key_Down);
        QTest::keyClick(&scene.window, Qt::Key_Down);
        QTest::keyClick(&scene.window, Qt::Key_Return);
        // The control takes the chosen row at the next tick of its focus
        // watcher, on the real clock a box made in a scene runs on.
        EXPECT_TRUE(QTest::qWaitFor([&] { return scene.box->currentIndex() == 1; }, 2000));
        EXPECT_EQ(OtherWindowsShown(scene.window), 0) << "the drop-down closed";
    }
}

}  // namespace
}  // namespace korvane::quick
