// The open drop-down's scroll bar under a person's mouse: a press on its
// track pages, its thumb drags the rows along, and neither chooses a row
// or closes the drop-down; the row then clicked at the top is the row the
// bar scrolled to.
import QtQuick
import QtTest
import Korvane

Item {
    id: root
    width: 400
    height: 400

    Component {
        id: boxComponent
        KorvaneBox { width: 300 }
    }

    TestCase {
        name: "KorvaneBoxScrollBar"
        when: windowShown

        // The drop-down lying open over the scene, or null.
        function dropDown() {
            var items = root.Window.window.contentItem.children;
            for (var i = 0; i < items.length; ++i) {
                if (items[i].visible && items[i].z > 1000)
                    return items[i];
            }
            return null;
        }

        function openBoxOf(rows) {
            var box = createTemporaryObject(boxComponent, root);
            var all = [];
            for (var i = 0; i < rows; ++i)
                all.push(["R" + i, "Row " + i, i]);
            box.addItems(all);
            mouseClick(box, box.width - 4, box.height / 2);
            verify(dropDown() !== null, "the button opened the drop-down");
            return box;
        }

        // Clicks the row at the top of the open list and says which row the
        // box took.
        function chooseTopRow(box) {
            var chosen = [];
            box.activated.connect(function(row) { chosen.push(row); });
            var dd = dropDown();
            mouseClick(root, dd.x + 20, dd.y + 5);
            tryCompare(chosen, "length", 1);
            return chosen[0];
        }

        function test_aPressOnTheTrackPagesDown() {
            var box = openBoxOf(200);
            var dd = dropDown();
            mouseClick(root, dd.x + dd.width - 6, dd.y + dd.height - 10);
            verify(dropDown() !== null, "the drop-down stays open");
            compare(box.currentIndex, -1, "no row chosen");
            var row = chooseTopRow(box);
            verify(row > 3 && row < 20, "a page further down: " + row);
        }

        function test_theThumbDragsTheRowsToTheEnd() {
            var box = openBoxOf(200);
            var dd = dropDown();
            var x = dd.x + dd.width - 6;
            mousePress(root, x, dd.y + 4);
            for (var y = dd.y + 10; y < dd.y + dd.height; y += 20)
                mouseMove(root, x, y);
            mouseMove(root, x, dd.y + dd.height - 1);
            mouseRelease(root, x, dd.y + dd.height - 1);
            verify(dropDown() !== null, "the drop-down stays open");
            compare(box.currentIndex, -1, "no row chosen");
            var row = chooseTopRow(box);
            verify(row > 180 && row < 200, "the last page: " + row);
        }
    }
}
