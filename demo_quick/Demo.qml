// The Qt Quick demo's window: a KorvaneBox in each of its three styles,
// filled with currencies from JavaScript, and a log of what each box
// tells its program.
import QtQuick
import QtQuick.Layouts
import Korvane

Window {
    id: window
    title: "Korvane Quick demo"
    width: 560
    height: 420
    visible: true
    color: "#f0f0f0"

    // Code, name and ISO number of each currency the boxes offer.
    readonly property var currencies: [
        ["AUD", "Australian dollar", 36], ["CAD", "Canadian dollar", 124], ["CHF", "Swiss franc", 756],
        ["CNY", "Yuan renminbi", 156], ["DKK", "Danish krone", 208], ["EUR", "Euro", 978],
        ["GBP", "Pound sterling", 826], ["HKD", "Hong Kong dollar", 344], ["JPY", "Yen", 392],
        ["NOK", "Norwegian krone", 578], ["NZD", "New Zealand dollar", 554], ["SEK", "Swedish krona", 752],
        ["SGD", "Singapore dollar", 702], ["USD", "US dollar", 840], ["ZAR", "Rand", 710]
    ]

    function log(line) {
        events.text = line + "\n" + events.text;
    }

    RowLayout {
        anchors.fill: parent
        anchors.margins: 12
        spacing: 16

        ColumnLayout {
            Layout.alignment: Qt.AlignTop
            Layout.preferredWidth: 260
            spacing: 6

            Text { text: "Dropdown Combo (type to search)" }
            KorvaneBox {
                id: dropdownCombo
                objectName: "dropdownCombo"
                Layout.fillWidth: true
                searchMode: 2
                Component.onCompleted: addItems(window.currencies)
                onActivated: (index) => window.log("Dropdown Combo: " + itemText(index, 1) + " " + currentData)
            }

            Text { text: "Simple Combo" }
            KorvaneBox {
                id: simpleCombo
                objectName: "simpleCombo"
                boxStyle: KorvaneBox.SimpleCombo
                Layout.fillWidth: true
                Layout.preferredHeight: 140
                Component.onCompleted: addItems(window.currencies)
                onActivated: (index) => window.log("Simple Combo: " + itemText(index, 1) + " " + currentData)
            }

            Text { text: "Dropdown List" }
            KorvaneBox {
                id: dropdownList
                objectName: "dropdownList"
                boxStyle: KorvaneBox.DropdownList
                Layout.fillWidth: true
                Component.onCompleted: {
                    addItems(window.currencies);
                    currentIndex = find("EUR");
                }
                onActivated: (index) => window.log("Dropdown List: " + itemText(index, 1) + " " + currentData)
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            Text { text: "What the boxes told the program" }
            Rectangle {
                Layout.fillWidth: true
                Layout.fillHeight: true
                color: "white"
                border.color: "#a0a0a0"
                clip: true
                Text {
                    id: events
                    objectName: "events"
                    anchors.fill: parent
                    anchors.margins: 4
                    font.pixelSize: 12
                }
            }
        }
    }
}
