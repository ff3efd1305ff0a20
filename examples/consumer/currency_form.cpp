// A Qt main window with a form layout: a plain QLineEdit and a KorvaneBox of
// currencies, made as the README shows. With --quit it starts, checks what
// the window holds and where the box sits, and ends (the package test runs
// it so, offscreen).
#include <QApplication>
#include <QDebug>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QTimer>
#include <cstring>
#include <iostream>

#include "korvane/qt/KorvaneBox.h"

namespace {

// What a person would see wrong: the box cut by its window, narrower than
// it asks to be, or not named by its label.
bool LaidOutWell(QWidget& window, korvane::qt::KorvaneBox& box, QFormLayout& formLayout) {
    const QRect inWindow(box.mapTo(&window, QPoint(0, 0)), box.size());
    auto* label = qobject_cast<QLabel*>(formLayout.labelForField(&box));
    return window.rect().contains(inWindow) && box.width() >= box.minimumSizeHint().width() && label != nullptr &&
           label->buddy() != nullptr && (label->buddy() == &box || box.isAncestorOf(label->buddy()));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);

    QMainWindow window;
    auto* central = new QWidget(&window);
    auto* formLayout = new QFormLayout(central);
    formLayout->addRow("Name", new QLineEdit(central));

    // The box is an ordinary widget: it goes into the layout like any other.
    // clang-format off
    auto* box = new korvane::qt::KorvaneBox;
    box->addItem("EUR", "Euro", 978);
    box->addItem("USD", "US dollar", 840);
    formLayout->addRow("&Currency", box);  // the label becomes its buddy
    QObject::connect(box, &korvane::qt::KorvaneBox::activated, [box](int row) {
        qDebug() << box->itemText(row, 1) << box->currentData();  // "USD" 840
    });
    // clang-format on
    box->setCurrentIndex(0);

    window.setCentralWidget(central);
    window.show();

    if (argc > 1 && std::strcmp(argv[1], "--quit") == 0) {
        QTimer::singleShot(0, &app, [&] {
            std::cout << "Currency: " << box->text().toStdString() << " (" << box->count() << " rows)\n";
            const bool laidOut = LaidOutWell(window, *box, *formLayout);
            if (!laidOut)
                std::cout << "the box is cut, too narrow or without its label\n";
            app.exit(box->count() == 2 && box->currentData() == QVariant(978) && laidOut ? 0 : 1);
        });
    }
    return QApplication::exec();
}
