// The members a KorvaneBox in QML shares with the widget: finding rows as
// Qt's models match strings, writing a row's text and item number, the top
// row of the list, and the signals for every change of the fields and
// every Click.
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

    SignalSpy { id: editSpy; signalName: "editTextChanged" }
    SignalSpy { id: clickedSpy; signalName: "clicked" }
    SignalSpy { id: activatedSpy; signalName: "activated" }
    SignalSpy { id: topSpy; signalName: "topIndexChanged" }

    TestCase {
        name: "KorvaneBoxMembers"
        when: windowShown

        function makeBox(properties) {
            var box = createTemporaryObject(boxComponent, root, properties || {});
            box.addItems([["EUR", "Euro", 978], ["USD", "US dollar", 840], ["JPY", "Yen", 392],
                          ["AUD", "Australian dollar", 36], ["CAD", "Canadian dollar", 124]]);
            for (var spy of [editSpy, clickedSpy, activatedSpy, topSpy]) {
                spy.target = box;
                spy.clear();
            }
            return box;
        }

        function test_findText_data() {
            return [
                { tag: "exactly", text: "USD", column: 1, flags: Qt.MatchExactly | Qt.MatchCaseSensitive, row: 1 },
                { tag: "exactly, case differs", text: "usd", column: 1, flags: Qt.MatchExactly | Qt.MatchCaseSensitive, row: -1 },
                { tag: "fixed string ignores case", text: "usd", column: 1, flags: Qt.MatchFixedString, row: 1 },
                { tag: "contains in column 2", text: "dollar", column: 2, flags: Qt.MatchContains, row: 1 },
                { tag: "starts with", text: "Can", column: 2, flags: Qt.MatchStartsWith, row: 4 },
                { tag: "ends with", text: "en", column: 2, flags: Qt.MatchEndsWith, row: 2 },
                { tag: "wildcard", text: "A*n dollar", column: 2, flags: Qt.MatchWildcard, row: 3 },
                { tag: "regular expression", text: "[JC].Y|CAD", column: 1, flags: Qt.MatchRegularExpression, row: 2 },
                { tag: "no such column", text: "USD", column: 3, flags: Qt.MatchExactly, row: -1 },
            ];
        }

        function test_findText(data) {
            var box = makeBox();
            compare(box.findText(data.text, data.column, data.flags), data.row);
        }

        function test_rowsWrittenByTheProgram() {
            var box = makeBox();
            box.setList(1, "USN");
            compare(box.itemText(1), "USN");
            box.setItemData(1, 997);
            compare(box.itemData(1), 997);
            ignoreWarning(/.*setItemData: the item number must be.*/);
            box.setItemData(1, NaN);
            compare(box.itemData(1), 997);
            ignoreWarning(/.*setList.*error 6.*/);
            box.setList(99, "x");
            compare(box.count, 5);
        }

        // The column and text of the n-th editTextChanged.
        function edit(n) {
            return [editSpy.signalArguments[n][0], editSpy.signalArguments[n][1]];
        }

        function test_everyClickAndEveryFieldChangeIsSignalled() {
            var box = makeBox({ boxStyle: KorvaneBox.SimpleCombo });
            box.currentIndex = 2;
            compare(clickedSpy.count, 1, "the program's row is a Click");
            compare(activatedSpy.count, 0, "but no activation");
            compare(editSpy.count, 2);
            compare(edit(0), [1, "JPY"]);
            compare(edit(1), [2, "Yen"]);
            box.forceActiveFocus();
            keyClick(Qt.Key_Down);
            compare(clickedSpy.count, 2);
            compare(activatedSpy.count, 1);
            compare(edit(editSpy.count - 1), [2, "Australian dollar"]);
        }

        function test_topIndexScrollsTheList() {
            var box = makeBox({ boxStyle: KorvaneBox.SimpleCombo, listViewHeight: 30 });
            for (var i = 0; i < 40; ++i)
                box.addItem("R" + i, "Row " + i, i);
            compare(box.topIndex, 0);
            box.topIndex = 12;
            compare(box.topIndex, 12);
            compare(topSpy.count, 1);
            ignoreWarning(/.*topIndex.*error.*/);
            box.topIndex = 1000;
            compare(box.topIndex, 12);
        }
    }
}
