// The README's program on the real desktop, as it is printed there: a form
// holding one new KorvaneBox with one row. The Qt tests build it with its
// main renamed and check what it shows on the X server.
#include <QApplication>

#include "korvane/toolkit/qt.h"
#include "korvane/ucvKorvane.h"

int main(int argc, char** argv) {
    auto desktop = korvane::tk::qt::CreateQtDesktop(argc, argv);  // makes the QApplication if needed
    auto form = desktop->CreateForm("Form1");
    korvane::ucvKorvane box(*form);
    box.InitProperties();
    box.AddItem("EUR", "Euro", 978);
    form->Show();
    return QApplication::exec();
}
