// The KorvaneBox item in a host's scene, destroyed by a C++ handler of its
// own signals while the control is still raising the event that caused
// them: the program goes on, and nothing of the box is touched afterwards.
#include "quick/korvane_box_item.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace korvane::quick
