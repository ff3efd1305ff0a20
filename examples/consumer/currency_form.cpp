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

#include "korvane/toolkit/qt.h"
#include "korvane/ucvKorvane.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    korvane::tk::qt::QtDesktop desktop;

    QMainWindow window;
    auto* central = new QWidget(&window);
    auto* layout = new QFormLayout(central);
    layout->addRow("Name", new QLineEdit(central));

    // The control lives on a form of the Qt desktop; the form's widget goes
    // into the layout like any other.
    auto form = desktop.CreateForm("Form1");
    korvane::ucvKorvane box(*form, korvane::Site{"Currency"});
    box.InitProperties();
    box.AddItem("EUR", "Euro", 978);
    box.AddItem("USD", "US dollar", 840);
    box.ListIndex(0);
    QWidget* field = desktop.WidgetOf(*form);
    field->setMinimumSize(static_cast<int>(box.Container().Width() / desktop.TwipsPerPixelX()),
                          static_cast<int>(box.Container().Height() / desktop.TwipsPerPixelY()));
    layout->addRow("Currency", field);

    window.setCentralWidget(central);
    window.show();

    if (argc > 1 && std::strcmp(argv[1], "--quit") == 0) {
        QTimer::singleShot(0, &app, [&] {
            std::cout << "Currency: " << box.Text() << " (" << box.ListCount() << " rows)\n";
            app.exit(box.ListCount() == 2 && box.ItemData(box.ListIndex()) == 978 ? 0 : 1);
        });
    }
    return QApplication::exec();
}
