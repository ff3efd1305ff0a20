// KorvaneBox as a QML developer uses it: filled from JavaScript, the
// current row written by the program and chosen by the user's keys, the
// signals a ComboBox user expects, and bad values refused with a warning.
import QtQuick
import QtTest
import Korvane

Item {
    id: root
    width: 400
    height: 300

    Component {
        id: boxComponent
        KorvaneBox {}
    }

    TextInput {
        id: nextInput
        y: 100
        width: 100
        height: 20
        activeFocusOnTab: true
    }

    SignalSpy { id: activatedSpy; signalName: "activated" }
    SignalSpy { id: indexSpy; signalName: "currentIndexChanged" }
    SignalSpy { id: countSpy; signalName: "countChanged" }

    TestCase {
        name: "KorvaneBox"
        when: windowShown

        function makeBox(properties) {
            var box = createTemporaryObject(boxComponent, root, properties || {});
            verify(box !== null);
            activatedSpy.target = box;
            activatedSpy.clear();
            indexSpy.target = box;
            indexSpy.clear();
            countSpy.target = box;
            countSpy.clear();
            return box;
        }

        function fill(box) {
            box.addItem("EUR", "Euro", 978);
            box.addItem("USD", "US dollar", 840);
            box.addItem("JPY", "Yen", 392);
        }

        function test_fillFromJavaScript() {
            var box = makeBox();
            compare(box.count, 0);
            compare(box.currentIndex, -1);
            compare(box.currentData, undefined);
            fill(box);
            compare(box.count, 3);
            compare(countSpy.count, 3);
            compare(box.itemText(1, 1), "USD");
            compare(box.itemText(1, 2), "US dollar");
            compare(box.itemData(2), 392);
            compare(box.find("jpy"), 2);
            box.removeItem(0);
            compare(box.count, 2);
            compare(box.itemText(0), "USD");
            box.clear();
            compare(box.count, 0);
        }

        function test_currentIndexFromTheProgramIsNoActivation() {
            var box = makeBox();
            fill(box);
            box.currentIndex = 1;
            compare(box.currentIndex, 1);
            compare(box.currentText, "USD");
            compare(box.displayText(2), "US dollar");
            compare(box.currentData, 840);
            compare(indexSpy.count, 1);
            compare(activatedSpy.count, 0);
            box.currentIndex = -1;
            compare(box.currentIndex, -1);
            compare(box.currentData, undefined);
        }

        function test_theUsersKeysActivateRows() {
            var box = makeBox({ boxStyle: KorvaneBox.SimpleCombo });
            fill(box);
            compare(box.boxStyle, KorvaneBox.SimpleCombo);
            box.forceActiveFocus();
            keyClick(Qt.Key_Down);
            compare(activatedSpy.count, 1);
            compare(activatedSpy.signalArguments[0][0], 0);
            compare(box.currentIndex, 0);
            keyClick(Qt.Key_Down);
            compare(box.currentIndex, 1);
            compare(box.currentText, "USD");
            compare(activatedSpy.count, 2);
            compare(activatedSpy.signalArguments[1][0], 1);
        }

        function test_tabWalksTheFieldsThenLeavesForTheNextItem() {
            var box = makeBox();
            box.forceActiveFocus();
            verify(box.activeFocus, "a field of the box has the focus");
            verify(!nextInput.activeFocus);
            keyClick(Qt.Key_Tab);
            verify(box.activeFocus, "column 2");
            keyClick(Qt.Key_Tab);
            verify(nextInput.activeFocus, "Tab leaves the box");
        }

        function test_typingGoesIntoTheFields() {
            var box = makeBox();
            fill(box);
            box.currentIndex = 0;
            box.forceActiveFocus();
            keyClick(Qt.Key_End);
            keyClick(Qt.Key_X);
            wait(0);
            compare(box.displayText(1), "EURx");
            compare(box.currentIndex, -1, "free text drops the current row");
        }

        function test_theMouseOpensTheDropDownAndChoosesARow() {
            var box = makeBox();
            fill(box);
            var highlights = [];
            box.highlighted.connect(function(row) { highlights.push(row); });
            // The button at the right end of the box opens the drop-down
            // under it, in the window's overlay.
            mouseClick(box, box.width - 4, box.height / 2);
            var rowHeight = 13;
            var secondRow = box.height + 1 + rowHeight * 1.5;
            mouseMove(root, box.x + 20, box.y + secondRow);
            mouseClick(root, box.x + 20, box.y + secondRow);
            tryCompare(activatedSpy, "count", 1);
            compare(activatedSpy.signalArguments[0][0], 1);
            compare(box.currentText, "USD");
            verify(highlights.indexOf(1) >= 0, "the row under the pointer was highlighted");
        }

        function test_typingSearchesWithASearchMode() {
            var box = makeBox();
            fill(box);
            var matches = [];
            box.searchChanged.connect(function(count) { matches.push(count); });
            box.searchMode = 2;
            box.searchColumns = 3;
            compare(box.searchMode, 2);
            compare(box.searchColumns, 3);
            box.forceActiveFocus();
            keyClick(Qt.Key_U);
            verify(matches.length > 0, "searchChanged after the letter");
            compare(matches[matches.length - 1], 2, "EUR and USD hold a u");
            ignoreWarning(/.*searchMode.*/);
            box.searchMode = 9;
            compare(box.searchMode, 2);
        }

        function test_fontColoursAndListHeight() {
            var box = makeBox();
            var height = box.implicitHeight;
            box.font.pointSize = 20;
            compare(box.font.pointSize, 20);
            verify(box.implicitHeight > height, "a bigger font makes a higher box");
            box.backColor = "#102030";
            compare(box.backColor, Qt.color("#102030"));
            box.foreColor = "yellow";
            compare(box.foreColor, Qt.color("yellow"));
            box.listViewHeight = 200;
            verify(Math.abs(box.listViewHeight - 200) <= 20, "whole rows of the font");
        }

        function test_aDisabledBoxTakesNoClicks() {
            var box = makeBox();
            fill(box);
            box.enabled = false;
            mouseClick(box, box.width - 4, box.height / 2);
            var secondRow = box.height + 1 + 13 * 1.5;
            mouseClick(root, box.x + 20, box.y + secondRow);
            compare(activatedSpy.count, 0);
            compare(box.currentIndex, -1);
            box.enabled = true;
            box.currentIndex = 2;
            compare(box.currentText, "JPY");
        }

        function test_autoFillAddsTheTypedPairWithEnter() {
            var box = makeBox({ autoFill: true });
            fill(box);
            compare(box.autoFill, true);
            var filledRows = [];
            box.filled.connect(function(row) { filledRows.push(row); });
            box.forceActiveFocus();
            keyClick(Qt.Key_G);
            keyClick(Qt.Key_B);
            keyClick(Qt.Key_P);
            keyClick(Qt.Key_Return);  // on to column 2
            keyClick(Qt.Key_P);
            keyClick(Qt.Key_O);
            keyClick(Qt.Key_U);
            keyClick(Qt.Key_N);
            keyClick(Qt.Key_D);
            keyClick(Qt.Key_Return);
            compare(filledRows, [3]);
            compare(box.count, 4);
            compare(box.itemText(3, 1), "gbp");
            compare(box.itemText(3, 2), "pound");
        }

        function test_aLockedBoxTakesNoTyping() {
            var box = makeBox({ locked: true });
            fill(box);
            box.currentIndex = 0;
            box.forceActiveFocus();
            keyClick(Qt.Key_End);
            keyClick(Qt.Key_X);
            wait(0);
            compare(box.displayText(1), "EUR", "the field keeps its text");
        }

        function test_implicitSizeIsTheControls() {
            var box = makeBox();
            verify(box.implicitWidth > 100);
            verify(box.implicitHeight > 10);
            verify(box.column1Width > 0);
            var simple = makeBox({ boxStyle: KorvaneBox.SimpleCombo });
            verify(simple.listViewHeight > 100, "a Simple Combo's rows show under its fields");
            verify(simple.implicitHeight >= box.implicitHeight + simple.listViewHeight);
        }

        function test_badValuesAreRefusedWithAWarning() {
            var box = makeBox();
            fill(box);
            ignoreWarning(/.*currentIndex.*error 6.*/);
            box.currentIndex = 99;
            compare(box.currentIndex, -1);
            compare(box.errorNumber, 6);
            ignoreWarning(/.*addItem: the columns must be strings.*/);
            box.addItem(undefined, "x");
            ignoreWarning(/.*addItem: the item number must be.*/);
            box.addItem("NaN", "x", NaN);
            ignoreWarning(/.*addItem: the item number must be.*/);
            box.addItem("Huge", "x", 1e20);
            compare(box.count, 3);
            ignoreWarning(/.*sort: the column must be 1, 2 or 3.*/);
            box.sort(-4);
            var hostile = "a\tb\u0000c" + "\ud800" + "x".repeat(100000);
            box.addItem(hostile, hostile, -1);
            compare(box.count, 4);
            ignoreWarning(/.*boxStyle can only be set where the KorvaneBox is declared.*/);
            box.boxStyle = KorvaneBox.DropdownList;
            compare(box.boxStyle, KorvaneBox.DropdownCombo);
        }

        function test_outlandishNumbersChangeNothing() {
            var box = makeBox();
            fill(box);
            var width = box.column1Width;
            ignoreWarning(/.*column1Width.*error 8.*/);
            box.column1Width = -5;
            compare(box.column1Width, width);
            ignoreWarning(/.*column1Width.*error 8.*/);
            box.column1Width = 2147483647;
            compare(box.column1Width, width);
            ignoreWarning(/.*currentIndex.*error 5.*/);
            box.currentIndex = -2147483647;
            compare(box.currentIndex, -1);
            try {
                box.currentIndex = undefined;
            } catch (e) {
                // QML itself refuses undefined for a number property.
            }
            compare(box.currentIndex, -1);
            compare(box.itemText(99), "");
            compare(box.itemText(-1, 7), "");
            compare(box.itemData(1e9), undefined);
            box.removeItem(0);
            compare(box.count, 2);
        }

        function test_destroyedInsideItsActivatedHandler() {
            var box = makeBox({ boxStyle: KorvaneBox.SimpleCombo });
            fill(box);
            box.activated.connect(function() { box.destroy(); });
            box.forceActiveFocus();
            keyClick(Qt.Key_Down);
            wait(0);
            compare(activatedSpy.count, 1);
        }
    }
}
