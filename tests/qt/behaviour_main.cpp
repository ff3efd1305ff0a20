// The entry of the control-level suites on the Qt desktop and on the Qt
// Quick desktop: one QApplication on Qt's offscreen platform, whose one
// screen is set up as the headless desktop's default (1024 x 768 pixels,
// or the size KORVANE_QT_SCREEN names, at 96 dpi, windows without frames
// drawn around them), so the suites' figures hold on all of them, and in a
// style whose scroll bars are 16 pixels wide, as the headless desktop's
// are. No window system and no real time are involved.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProxyStyle>
#include <QSize>
#include <QTemporaryDir>
#include <string>
#include <vector>

namespace {

// Fusion with scroll bars of the headless desktop's default width.
class TestStyle final : public QProxyStyle {
public:
    TestStyle() : QProxyStyle(QStringLiteral("Fusion")) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_ScrollBarExtent)
            return 16;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

// The offscreen platform cannot restack windows and says so on every
// raise; the rest of Qt's messages are shown as they come.
QtMessageHandler g_qtMessages = nullptr;
void Messages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message == QLatin1String("This plugin does not support raise()"))
        return;
    g_qtMessages(type, context, message);
}

// The screen's size in pixels: 1024 x 768, or what KORVANE_QT_SCREEN says
// ("1024x200"), for the cases about a screen of another size, which run
// in programs of their own (a screen keeps its size while a program runs).
QSize ScreenSize() {
    const QList<QByteArray> parts = qgetenv("KORVANE_QT_SCREEN").split('x');
    if (parts.size() == 2 && parts[0].toInt() > 0 && parts[1].toInt() > 0)
        return {parts[0].toInt(), parts[1].toInt()};
    return {1024, 768};
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    QTemporaryDir dir;
    const QString config = dir.path() + "/screen.json";
    {
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        const QString screen = QStringLiteral(R"({"windowFrameMargins": false,)"
                                              R"( "screens": [{"name": "screen", "x": 0, "y": 0,)"
                                              R"( "width": %1, "height": %2,)"
                                              R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                                   .arg(ScreenSize().width())
                                   .arg(ScreenSize().height());
        file.write(screen.toUtf8());
    }
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    qputenv("QT_FONT_DPI", "96");
    qputenv("QT_SCALE_FACTOR", "1");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    g_qtMessages = qInstallMessageHandler(Messages);
    QApplication app(argc, argv);
    QApplication::setStyle(new TestStyle);  // the application takes it
    const int result = RUN_ALL_TESTS();
    // What the tests left to be deleted later goes before the application.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return result;
}
