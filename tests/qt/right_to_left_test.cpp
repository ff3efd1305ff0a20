// The control in a right-to-left application (Qt's -reverse): it keeps its
// left-to-right geometry as a whole, so both columns of the drop-down show,
// each where its field is, with the scroll bar at the right edge.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QScrollBar>

#include "qt_support.h"

namespace korvane::test {
namespace {

// The application's layout direction for one test.
struct Direction {
    explicit Direction(Qt::LayoutDirection d) { QApplication::setLayoutDirection(d); }
    ~Direction() { QApplication::setLayoutDirection(Qt::LeftToRight); }
};

QRect GlobalRect(const QWidget& w) {
    return {w.mapToGlobal(QPoint(0, 0)), w.size()};
}

TEST(QtRightToLeft, TheControlKeepsItsLeftToRightGeometryAndNoColumnIsHidden) {
    Direction reverse(Qt::RightToLeft);
    QtHost host({});
    SendClick(host.desktop.WidgetOf(host.Widget("imgCombo")));
    ASSERT_TRUE(WaitUntil(host.desktop, [&] { return host.DropDownOpen(); }));
    host.Shot("dropdown-combo-right-to-left");

    const QRect field1 = GlobalRect(*host.desktop.WidgetOf(host.Widget("txtCol1")));
    const QRect field2 = GlobalRect(*host.desktop.WidgetOf(host.Widget("txtCol2")));
    const QRect button = GlobalRect(*host.desktop.WidgetOf(host.Widget("imgCombo")));
    EXPECT_LT(field1.left(), field2.left()) << "column 1 stays on the left";
    EXPECT_GE(button.left(), field2.right()) << "the button stays on the right";

    auto* list1 = dynamic_cast<QAbstractScrollArea*>(host.desktop.WidgetOf(host.List("lstCol1")));
    auto* list2 = dynamic_cast<QAbstractScrollArea*>(host.desktop.WidgetOf(host.List("lstCol2")));
    ASSERT_TRUE(list1 != nullptr && list2 != nullptr);
    const QRect rows1 = GlobalRect(*list1->viewport());
    const QRect rows2 = GlobalRect(*list2->viewport());
    EXPECT_EQ(rows1.left(), field1.left() + 1) << "column 1's rows lie under its field";
    EXPECT_LE(rows1.right(), GlobalRect(*list2).left()) << "column 2 covers none of column 1's rows";
    EXPECT_GT(rows1.width(), 20);
    QScrollBar* bar = list2->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_GT(GlobalRect(*bar).left(), rows2.left()) << "the scroll bar is at the right edge, not between the columns";
}

}  // namespace
}  // namespace korvane::test
