// A form with a KorvaneBox above Qt Quick Controls' ComboBox, both filled
// with the same eleven currencies and the fourth one current: what the
// accessibility tests read, in process and over AT-SPI. The test sets the
// box's style, its accessible name and description as the form is made.
import QtQuick
import QtQuick.Controls
import Korvane

Window {
    id: form
    property int korvaneStyle: KorvaneBox.DropdownCombo
    property string korvaneName: "Korvane"
    property string korvaneDescription: "The currency of the payment"
    readonly property var currencies: [["CHF", "Swiss franc"], ["DKK", "Danish krone"], ["EUR", "Euro"],
        ["GBP", "Pound sterling"], ["JPY", "Japanese yen"], ["NOK", "Norwegian krone"],
        ["SEK", "Swedish krona"], ["USD", "US dollar"], ["CZK", "Czech koruna"],
        ["PLN", "Polish zloty"], ["HUF", "Hungarian forint"]]

    title: "Currencies"
    width: 520
    height: 480
    visible: true

    KorvaneBox {
        id: korvane
        objectName: "korvane"
        x: 10
        y: 10
        boxStyle: form.korvaneStyle
        Accessible.name: form.korvaneName
        Accessible.description: form.korvaneDescription
        Component.onCompleted: {
            for (const row of form.currencies)
                addItem(row[0], row[1], 0)
            currentIndex = 3
        }
    }

    ComboBox {
        id: qt
        objectName: "qt"
        x: 10
        y: 300
        width: 300
        editable: form.korvaneStyle !== KorvaneBox.DropdownList
        model: form.currencies.map(row => row[0] + " " + row[1])
        currentIndex: 3
        Accessible.name: "Qt"
        Accessible.description: form.korvaneDescription
    }
}
