// The README's program for the real desktop, run as it is printed there
// (its main renamed), on the X server: a person sees the whole control,
// both fields and the button inside the window, and the drop-down its
// button opens lines up with the box and shows its rows on the screen.
#include <QEventLoop>
#include <QTimer>
#include <functional>

#define main RealDesktopExampleMain
#include "../../examples/real_desktop.cpp"
#undef main

#include "qt_support.h"

namespace korvane::test {
namespace {

// Runs Qt's events until `done` holds; the program's own loop is the one
// running, so this only nests a short one.
bool Soon(const std::function<bool()>& done, int timeoutMs = 3000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QEventLoop pause;
        QTimer::singleShot(5, &pause, &QEventLoop::quit);
        pause.exec();
    }
    return true;
}

QWidget* ShownTopLevel(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(name) && w->isVisible())
            return w;
    }
    return nullptr;
}

void CheckTheProgramsWindow() {
    QWidget* form = nullptr;
    ASSERT_TRUE(Soon([&] { return (form = ShownTopLevel("Form1")) != nullptr && form->isActiveWindow(); }));
    auto* box = form->findChild<QWidget*>(QStringLiteral("KorvaneBox1"));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(form->rect().contains(box->geometry())) << "the control fits its window";
    for (const char* part : {"txtCol1", "txtCol2", "imgCombo"}) {
        SCOPED_TRACE(part);
        auto* w = box->findChild<QWidget*>(QLatin1String(part));
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->isVisible());
        EXPECT_TRUE(box->rect().contains(w->geometry())) << "nothing of the control is cut off";
        EXPECT_GT(w->width(), 8);
    }
    auto* button = box->findChild<QWidget*>(QStringLiteral("imgCombo"));
    EXPECT_EQ(button->geometry().right(), box->rect().right()) << "the button ends the control";
    ScreenShot(OnScreen(form).adjusted(0, 0, 0, 160), QStringLiteral("readme-real-desktop-closed"));

    const QPoint at = OnScreen(button).center() * button->devicePixelRatioF();  // the screen's pixels
    Xdo("mousemove " + std::to_string(at.x()) + " " + std::to_string(at.y()) + " click 1");
    QWidget* drop = nullptr;
    ASSERT_TRUE(Soon([&] { return (drop = ShownTopLevel("Window")) != nullptr; }));
    Soon([&] { return ShownAsDrawn(drop) > 0.95; }, 1500);
    EXPECT_GT(ShownAsDrawn(drop), 0.95) << "the X server shows the drop-down as it drew itself";
    EXPECT_EQ(OnScreen(drop).left(), OnScreen(box).left()) << "the drop-down lines up with the box";
    EXPECT_EQ(OnScreen(drop).right(), OnScreen(box).right()) << "the drop-down lines up with the box";
    ScreenShot(OnScreen(form).united(OnScreen(drop)), QStringLiteral("readme-real-desktop-open"));
    Xdo("key Escape");
    Soon([&] { return ShownTopLevel("Window") == nullptr; });
}

TEST(EndToEndReadme, TheRealDesktopProgramShowsTheWholeControlAndADrawnDropDown) {
    if (!HaveXdotool())
        GTEST_SKIP() << "xdotool is not installed";
    bool checked = false;
    QTimer::singleShot(0, [&] {
        CheckTheProgramsWindow();
        checked = true;
        QApplication::exit(0);
    });
    char name[] = "real_desktop";
    char* argv[] = {name, nullptr};
    int argc = 1;
    EXPECT_EQ(RealDesktopExampleMain(argc, argv), 0);
    EXPECT_TRUE(checked);
}

}  // namespace
}  // namespace korvane::test
