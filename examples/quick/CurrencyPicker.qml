// The README's Qt Quick example: a KorvaneBox in a layout, filled from
// JavaScript, telling which currency the user chose. The Qt Quick tests
// load it (tests/quick/qml/tst_readme_example.qml).
import QtQuick
import QtQuick.Layouts
import Korvane

ColumnLayout {
    property alias box: currency

    KorvaneBox {
        id: currency
        boxStyle: KorvaneBox.DropdownList
        Layout.fillWidth: true
        Component.onCompleted: {
            addItem("EUR", "Euro", 978)
            addItem("USD", "US dollar", 840)
        }
        onActivated: (index) => console.log(itemText(index, 1), currentData)  // "USD" 840
    }
}
