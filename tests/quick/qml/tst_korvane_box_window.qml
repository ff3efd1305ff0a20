// KorvaneBox takes the font and the colours of the window it is in, as a
// Text or a ComboBox does, until the program sets its own; and follows the
// window when the window's change or the box moves to another window.
import QtQuick
import QtQuick.Controls
import QtTest
import Korvane

Item {
    id: root
    width: 400
    height: 300

    ApplicationWindow {
        id: appWindow
        width: 300
        height: 200
        font.pointSize: 15
        font.family: "DejaVu Serif"
        palette.base: "#202830"
        palette.text: "#f0e0d0"
        Item { id: inAppWindow; anchors.fill: parent }
    }

    Component {
        id: boxComponent
        KorvaneBox {}
    }

    TestCase {
        name: "KorvaneBoxWindow"
        when: windowShown

        function test_aBoxTakesTheApplicationsFontInAPlainWindow() {
            var box = createTemporaryObject(boxComponent, root);
            var text = createTemporaryQmlObject("import QtQuick; Text {}", root);
            compare(box.font.family, text.font.family);
            compare(box.font.pointSize, text.font.pointSize);
        }

        function test_aBoxTakesItsWindowsFontAndPalette() {
            var box = createTemporaryObject(boxComponent, inAppWindow);
            compare(box.font.pointSize, 15);
            compare(box.font.family, "DejaVu Serif");
            compare(box.backColor, Qt.color("#202830"));
            compare(box.foreColor, Qt.color("#f0e0d0"));
            var height = box.implicitHeight;
            appWindow.font.pointSize = 20;
            compare(box.font.pointSize, 20, "the window's new font reaches the box");
            verify(box.implicitHeight > height, "and makes it higher");
            appWindow.palette.base = "#000040";
            compare(box.backColor, Qt.color("#000040"));
        }

        function test_whatTheProgramSetsStaysTheBoxs() {
            var box = createTemporaryObject(boxComponent, inAppWindow,
                                            { backColor: "red", font: Qt.font({ family: "DejaVu Sans", pointSize: 9 }) });
            compare(box.font.pointSize, 9);
            compare(box.backColor, Qt.color("red"));
            compare(box.foreColor, Qt.color(appWindow.palette.text), "the colour it did not set follows");
            appWindow.font.pointSize = 11;
            appWindow.palette.base = "#003000";
            compare(box.font.pointSize, 9);
            compare(box.backColor, Qt.color("red"));
        }

        function test_aBoxMovedToAnotherWindowTakesThatWindowsFont() {
            var box = createTemporaryObject(boxComponent, root);
            var plain = box.font.pointSize;
            box.parent = inAppWindow;
            compare(box.font.pointSize, appWindow.font.pointSize);
            box.parent = root;
            compare(box.font.pointSize, plain);
        }
    }
}
