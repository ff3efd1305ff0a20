// The README's Qt Quick example (examples/quick/CurrencyPicker.qml) as a
// person uses it: the drop-down opened with F4 in the window's overlay, a
// row walked to with Down and chosen with Enter.
import QtQuick
import QtTest

Item {
    id: root
    width: 400
    height: 300

    Loader {
        id: loader
        width: 320
        source: Qt.resolvedUrl("../../../examples/quick/CurrencyPicker.qml")
    }

    SignalSpy {
        id: activatedSpy
        target: loader.item ? loader.item.box : null
        signalName: "activated"
    }

    TestCase {
        name: "ReadmeExample"
        when: windowShown

        function test_aPersonChoosesACurrencyWithTheKeys() {
            var box = loader.item.box;
            compare(box.count, 2);
            compare(box.currentIndex, -1);
            verify(box.width >= 300, "the layout gives the box its width");
            box.forceActiveFocus();
            keyClick(Qt.Key_F4);
            keyClick(Qt.Key_Down);
            keyClick(Qt.Key_Down);
            keyClick(Qt.Key_Return);
            // The control takes the chosen row at the next tick of its
            // focus watcher.
            tryCompare(activatedSpy, "count", 1);
            compare(activatedSpy.signalArguments[0][0], 1);
            compare(box.currentText, "USD");
            compare(box.currentData, 840);
        }
    }
}
