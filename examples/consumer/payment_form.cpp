// A form designed in Qt Designer (payment_form.ui), loaded at run time by
// QUiLoader with the installed Designer plugin: the program finds the
// KorvaneBox in it as its own class, fills it and checks what it holds.
// With --quit it ends once checked (the package test runs it so,
// offscreen); the exit code says whether the box was what it should be.
// Where the plugin and the form lie comes from CMakeLists.txt.
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QUiLoader>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>

#include "korvane/qt/KorvaneBox.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);

    // The plugin folder of the prefix Korvane was installed into (the
    // package names it); where Qt looks anyway, it is found without this.
    QUiLoader loader;
    loader.addPluginPath(QStringLiteral(KORVANE_DESIGNER_PLUGIN_DIR));
    QFile file(QStringLiteral(PAYMENT_FORM_UI));
    if (!file.open(QIODevice::ReadOnly)) {
        std::cerr << "cannot read " << PAYMENT_FORM_UI << "\n";
        return 1;
    }
    std::unique_ptr<QWidget> form(loader.load(&file));
    if (!form) {
        std::cerr << "the form did not load: " << loader.errorString().toStdString() << "\n";
        return 1;
    }

    // The plugin and this program share the widget's library, so the box
    // the loader made is a KorvaneBox here, not merely a QWidget.
    auto* box = form->findChild<korvane::qt::KorvaneBox*>(QStringLiteral("currency"));
    if (!box || qobject_cast<korvane::qt::KorvaneBox*>(form->findChild<QWidget*>(QStringLiteral("currency"))) != box) {
        std::cerr << "the loaded form has no KorvaneBox named currency (plugins: "
                  << loader.availableWidgets().join(QStringLiteral(", ")).toStdString() << ")\n";
        return 1;
    }
    box->addItem(QStringLiteral("EUR"), QStringLiteral("Euro"), 978);
    box->addItem(QStringLiteral("USD"), QStringLiteral("US dollar"), 840);
    const int usd = box->newIndex();
    box->setListIndex(usd);
    form->show();

    // The .ui's properties came through the plugin: the style and the
    // columns' widths (the widths as the control rounds them to the screen).
    const auto check = [&] {
        const bool right = box->listCount() == 2 && box->listIndex() == usd && box->itemData(usd) == 840 &&
                           box->property("style").toInt() == korvane::qt::KorvaneBox::DropdownList &&
                           std::abs(box->widthCol1() - 700) <= 15 && std::abs(box->widthCol2() - 2100) <= 15;
        std::cout << "Loaded form: currency " << box->listCol(1, box->listIndex()).toStdString() << " ("
                  << box->listCount() << " rows, columns " << box->widthCol1() << " and " << box->widthCol2()
                  << " twips)\n";
        return right;
    };
    if (argc > 1 && std::strcmp(argv[1], "--quit") == 0) {
        QTimer::singleShot(0, &app, [&] { app.exit(check() ? 0 : 1); });
    }
    return QApplication::exec();
}
