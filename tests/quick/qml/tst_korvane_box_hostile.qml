// KorvaneBox under hostile use from QML: destroyed from inside each of its
// signal handlers, moved to another window while its drop-down is open,
// every property given undefined, null, NaN, negative and huge values,
// and many rows at once with a bad one among them. Nothing may crash, a
// refused value leaves the property as it was, and no row is lost.
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

    Window {
        id: otherWindow
        width: 300
        height: 300
        Item { id: otherRoot; anchors.fill: parent }
    }

    TestCase {
        name: "KorvaneBoxHostile"
        when: windowShown

        function makeBox(properties) {
            var box = createTemporaryObject(boxComponent, root, properties || {});
            verify(box !== null);
            box.addItems([["EUR", "Euro", 978], ["USD", "US dollar", 840], ["JPY", "Yen", 392]]);
            compare(box.count, 3);
            return box;
        }

        // Each signal, what raises it (the user's keys, or the program's
        // write), and the style it is raised in.
        function test_destroyedInsideEachHandler_data() {
            return [
                { tag: "activated by Down", signal: "activated", style: KorvaneBox.SimpleCombo, keys: [Qt.Key_Down] },
                { tag: "currentIndexChanged by Down", signal: "currentIndexChanged", style: KorvaneBox.SimpleCombo, keys: [Qt.Key_Down] },
                { tag: "currentTextChanged by typing", signal: "currentTextChanged", style: KorvaneBox.DropdownCombo, keys: [Qt.Key_Q] },
                { tag: "highlighted in the open list", signal: "highlighted", style: KorvaneBox.DropdownCombo, keys: [Qt.Key_F4, Qt.Key_Down] },
                { tag: "countChanged by autoFill", signal: "countChanged", style: KorvaneBox.DropdownCombo, keys: [Qt.Key_Q, Qt.Key_Return, Qt.Key_Q, Qt.Key_Return], autoFill: true },
                { tag: "filled by Enter", signal: "filled", style: KorvaneBox.DropdownCombo, keys: [Qt.Key_Q, Qt.Key_Return, Qt.Key_Q, Qt.Key_Return], autoFill: true },
                { tag: "searchChanged by a letter", signal: "searchChanged", style: KorvaneBox.DropdownCombo, keys: [Qt.Key_U], searchMode: 2 },
                { tag: "editTextChanged by typing", signal: "editTextChanged", style: KorvaneBox.SimpleCombo, keys: [Qt.Key_Q] },
                { tag: "clicked by Down", signal: "clicked", style: KorvaneBox.SimpleCombo, keys: [Qt.Key_Down] },
                { tag: "topIndexChanged by the program", signal: "topIndexChanged", style: KorvaneBox.SimpleCombo, keys: [],
                  act: function(box) { box.listViewHeight = 20; box.topIndex = 2; } },
                { tag: "errorChanged by a refused row", signal: "errorChanged", style: KorvaneBox.DropdownCombo, keys: [],
                  act: function(box) { box.currentIndex = 99; }, warning: /.*currentIndex.*error 6.*/ },
                { tag: "lockedChanged by the program", signal: "lockedChanged", style: KorvaneBox.DropdownCombo, keys: [],
                  act: function(box) { box.locked = true; } },
                { tag: "autoFillChanged by the program", signal: "autoFillChanged", style: KorvaneBox.DropdownCombo, keys: [],
                  act: function(box) { box.autoFill = true; } },
                { tag: "columnWidthsChanged by the program", signal: "columnWidthsChanged", style: KorvaneBox.DropdownCombo, keys: [],
                  act: function(box) { box.column1Width = 80; } },
                { tag: "colorsChanged by the program", signal: "colorsChanged", style: KorvaneBox.DropdownCombo, keys: [],
                  act: function(box) { box.backColor = "teal"; } },
                { tag: "fontChanged by the program", signal: "fontChanged", style: KorvaneBox.DropdownCombo, keys: [],
                  act: function(box) { box.font.pointSize = 14; } },
            ];
        }

        function test_destroyedInsideEachHandler(data) {
            var box = makeBox({ boxStyle: data.style });
            if (data.autoFill)
                box.autoFill = true;
            if (data.searchMode)
                box.searchMode = data.searchMode;
            var raised = 0;
            box[data.signal].connect(function() {
                ++raised;
                box.destroy();
            });
            box.forceActiveFocus();
            if (data.warning)
                ignoreWarning(data.warning);
            if (data.act)
                data.act(box);
            for (var i = 0; i < data.keys.length; ++i)
                keyClick(data.keys[i]);
            wait(0);
            verify(raised >= 1, data.signal + " was raised");
            // The window goes on taking keys.
            keyClick(Qt.Key_Escape);
            keyClick(Qt.Key_Down);
            wait(0);
        }

        // Whether a drop-down lies open over `window`'s scene.
        function dropDownOver(window) {
            var items = window.contentItem.children;
            for (var i = 0; i < items.length; ++i) {
                if (items[i].visible && items[i].z > 1000)
                    return true;
            }
            return false;
        }

        function test_movedToAnotherWindowWhileOpen() {
            var box = makeBox();
            otherWindow.visible = true;
            box.forceActiveFocus();
            keyClick(Qt.Key_F4);
            verify(dropDownOver(root.Window.window), "F4 opened the drop-down");
            box.parent = otherRoot;
            wait(0);
            verify(!dropDownOver(root.Window.window), "the drop-down closed with the move");
            compare(box.count, 3);
            box.currentIndex = 1;
            compare(box.currentText, "USD");
            // In its new window the box opens and chooses as before.
            var chosen = [];
            box.activated.connect(function(row) { chosen.push(row); });
            mouseClick(box, box.width - 4, box.height / 2);
            verify(dropDownOver(otherWindow), "the drop-down opens over the new window");
            var thirdRow = box.height + 1 + 13 * 2.5;
            mouseMove(otherRoot, box.x + 20, box.y + thirdRow);
            mouseClick(otherRoot, box.x + 20, box.y + thirdRow);
            tryCompare(box, "currentIndex", 2);
            compare(chosen, [2]);
            box.parent = root;
            otherWindow.visible = false;
            compare(box.count, 3);
            root.Window.window.requestActivate();
            tryVerify(function() { return root.Window.window.active; });
        }

        // Every writable property, with values a script may hand it by
        // mistake: the property keeps a value it reads back, and the box
        // keeps its rows.
        function test_everyPropertyTakesBadValues_data() {
            var names = ["currentIndex", "text", "locked", "autoFill", "column1Width", "column2Width",
                         "searchMode", "searchColumns", "listViewHeight", "backColor", "foreColor", "font"];
            var values = [undefined, null, NaN, -1, -2147483648, 2147483647, 1e300, -Infinity, "", "nonsense", {}];
            var rows = [];
            for (var n = 0; n < names.length; ++n)
                rows.push({ tag: names[n], name: names[n], values: values });
            return rows;
        }

        function test_everyPropertyTakesBadValues(data) {
            var box = makeBox();
            for (var i = 0; i < data.values.length; ++i) {
                var before = box[data.name];
                try {
                    box[data.name] = data.values[i];
                } catch (e) {
                    // QML refuses a value of the wrong type outright.
                }
                var after = box[data.name];
                verify(after !== undefined || before === undefined,
                       data.name + " reads back after " + String(data.values[i]));
                compare(box.count, 3, "no row lost after " + data.name + " = " + String(data.values[i]));
            }
            // The box still works.
            box.currentIndex = 0;
            compare(box.currentText, "EUR");
        }

        function test_addItemsTakesEveryShapeOfRow() {
            var box = createTemporaryObject(boxComponent, root);
            box.addItems([["GBP", "Pound", 826], ["CHF", "Franc"], ["SEK"], "NOK", [3.5, 7, -1]]);
            compare(box.count, 5);
            compare(box.itemText(1, 2), "Franc");
            compare(box.itemData(1), 0);
            compare(box.itemText(3, 1), "NOK");
            compare(box.itemText(3, 2), "");
            compare(box.itemText(4, 1), "3.5");
            compare(box.itemData(4), -1);
        }

        function test_addItemsWithABadRowAddsNone_data() {
            return [
                { tag: "undefined", row: undefined },
                { tag: "null", row: null },
                { tag: "an object", row: { column1: "x" } },
                { tag: "an empty row", row: [] },
                { tag: "four cells", row: ["a", "b", 1, 2] },
                { tag: "a NaN item number", row: ["a", "b", NaN] },
                { tag: "a huge item number", row: ["a", "b", 1e12] },
                { tag: "a fractional item number", row: ["a", "b", 1.5] },
                { tag: "an object for a text", row: [{}, "b", 1] },
                { tag: "null for a text", row: ["a", null, 1] },
            ];
        }

        function test_addItemsWithABadRowAddsNone(data) {
            var box = makeBox();
            ignoreWarning(/.*addItems: row 1 is not.*no row was added.*/);
            box.addItems([["GBP", "Pound", 826], data.row, ["CHF", "Franc", 756]]);
            compare(box.count, 3);
            compare(box.find("GBP"), -1);
        }

        function test_hostileTextsInManyRows() {
            var box = createTemporaryObject(boxComponent, root);
            var rows = [];
            for (var i = 0; i < 500; ++i)
                rows.push(["\u0000" + i + "\ud800\t" + "\u202e".repeat(i % 7), "x".repeat(i * 13) + "\n\r", i]);
            box.addItems(rows);
            compare(box.count, 500);
            compare(box.itemData(499), 499);
            box.forceActiveFocus();
            // The open list highlights the first row, then a page further;
            // Enter chooses it once the drop-down has closed.
            keyClick(Qt.Key_F4);
            keyClick(Qt.Key_PageDown);
            keyClick(Qt.Key_PageDown);
            keyClick(Qt.Key_Return);
            tryVerify(function() { return box.currentIndex > 0; });
            compare(box.currentData, box.currentIndex);
        }
    }
}
