// A Qt main window with a form layout: a plain QLineEdit and a KorvaneBox of
// currencies. With --quit it starts, checks what the window holds and ends
// (the package test runs it so, offscreen).
#include <QApplication>
#include <QFormLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QTimer>
#include <cstring>
#include <iostream>

#include "korvane/qt/KorvaneBox.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);

    QMainWindow window;
    auto* central = new QWidget(&window);
    auto* layout = new QFormLayout(central);
    layout->addRow("Name", new QLineEdit(central));

    // The box is an ordinary widget: it goes into the layout like any other.
    auto* box = new korvane::qt::KorvaneBox(central);
    box->addItem("EUR", "Euro", 978);
    box->addItem("USD", "US dollar", 840);
    box->setCurrentIndex(0);
    layout->addRow("&Currency", box);

    window.setCentralWidget(central);
    window.show();

    if (argc > 1 && std::strcmp(argv[1], "--quit") == 0) {
        QTimer::singleShot(0, &app, [&] {
            std::cout << "Currency: " << box->text().toStdString() << " (" << box->count() << " rows)\n";
            app.exit(box->count() == 2 && box->currentData() == QVariant(978) ? 0 : 1);
        });
    }
    return QApplication::exec();
}
