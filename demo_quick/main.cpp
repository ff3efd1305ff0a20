// The Qt Quick demo: Demo.qml's window with a KorvaneBox in each style.
//   korvane-demo-quick                  the window, on the display
//   korvane-demo-quick --screenshots DIR
//                                       no window on view: Qt's offscreen
//                                       platform draws each box closed, each
//                                       drop-down open and a search, and the
//                                       PNGs go into DIR
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

void Settle() {
    for (int round = 0; round < 5; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

bool Save(QQuickWindow& window, const QString& path) {
    Settle();
    const QImage image = window.grabWindow();
    if (image.isNull() || !image.save(path)) {
        std::fprintf(stderr, "korvane-demo-quick: could not write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// Each box closed and with its drop-down open (F4, Down; a Simple Combo
// shows its rows already), the highlighted row then chosen with Enter, and
// last a search typed into the Dropdown Combo. The box applies a choice
// from the open list at its watcher's next tick, a moment later.
int WriteScreenshots(QQuickWindow& window, const QString& dir) {
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "korvane-demo-quick: cannot make %s\n", qPrintable(dir));
        return 1;
    }
    window.requestActivate();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "korvane-demo-quick: the window never showed\n");
        return 1;
    }
    int failures = 0;
    for (const char* name : {"dropdownCombo", "simpleCombo", "dropdownList"}) {
        auto* box = window.findChild<QQuickItem*>(QString::fromLatin1(name));
        if (box == nullptr) {
            std::fprintf(stderr, "korvane-demo-quick: no box %s\n", name);
            ++failures;
            continue;
        }
        const QString base = dir + QLatin1Char('/') + QString::fromLatin1(name);
        box->forceActiveFocus();
        failures += Save(window, base + QStringLiteral("-closed.png")) ? 0 : 1;
        if (std::strcmp(name, "simpleCombo") != 0) {
            QTest::keyClick(&window, Qt::Key_F4);
            QTest::keyClick(&window, Qt::Key_Down);
            failures += Save(window, base + QStringLiteral("-open.png")) ? 0 : 1;
            QTest::keyClick(&window, Qt::Key_Return);  // chooses the row: the log tells
            QTest::qWait(150);
        }
    }
    if (auto* box = window.findChild<QQuickItem*>(QStringLiteral("dropdownCombo"))) {
        box->setProperty("currentIndex", -1);  // empty fields to type into
        box->forceActiveFocus();
        for (Qt::Key key : {Qt::Key_D, Qt::Key_O, Qt::Key_L})
            QTest::keyClick(&window, key);
        failures += Save(window, dir + QStringLiteral("/dropdownCombo-search.png")) ? 0 : 1;
        QTest::keyClick(&window, Qt::Key_Escape);
    }
    std::printf("Screenshots written to %s%s\n", qPrintable(dir), failures != 0 ? " (some failed)" : "");
    return failures != 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    QString screenshots;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshots") == 0 && i + 1 < argc)
            screenshots = QString::fromLocal8Bit(argv[i + 1]);
    }
    if (!screenshots.isEmpty()) {
        // The pictures come out the same on any machine, with or without a
        // display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("QT_QUICK_BACKEND", "software");
        qputenv("QSG_RENDER_LOOP", "basic");
    }
    QGuiApplication app(argc, argv);
    QQmlApplicationEngine engine;
#ifdef KORVANE_QML_BUILD_DIR
    // Run from the build tree: the module is beside the program.
    engine.addImportPath(QStringLiteral(KORVANE_QML_BUILD_DIR));
#endif
    engine.load(QUrl(QStringLiteral("qrc:/korvane/demo/Demo.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
    if (window == nullptr)
        return 1;
    if (!screenshots.isEmpty())
        return WriteScreenshots(*window, screenshots);
    return QGuiApplication::exec();
}
