// The control as a screen reader meets it: one combo box, named from the
// host's buddy label (or its site name), whose value is the current row,
// with its states, its tool tip as description, and the open drop-down
// list as its child, whose rows name both columns and whose current row
// follows the keys. Walked through QAccessible here, and through a real
// AT-SPI client over D-Bus (AtSpi*, run by run_with_atspi.sh).
#include <QAccessible>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <algorithm>
#include <cstdlib>

#include "qt_support.h"

namespace korvane::test {
namespace {

std::vector<QAccessible::Event> g_events;
std::vector<QString> g_focusedNames;

void RecordUpdate(QAccessibleEvent* event) {
    g_events.push_back(event->type());
    if (event->type() == QAccessible::Focus) {
        if (QAccessibleInterface* iface = event->accessibleInterface())
            g_focusedNames.push_back(iface->text(QAccessible::Name));
    }
}

void PressKey(QtHost& host, tk::Widget& target, int key) {
    QWidget* w = host.desktop.WidgetOf(target);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
    host.desktop.ProcessEventsFor(20);
}

// The host's label for the control, and the control's tool tip.
QLabel* Describe(QtHost& host) {
    auto* buddy = new QLabel(QStringLiteral("&Currency:"), host.desktop.WidgetOf(*host.form));
    buddy->setGeometry(20, 2, 100, 16);
    buddy->setBuddy(host.desktop.WidgetOf(host.control->Container()));
    buddy->show();
    host.control->ToolTipText("The currency of the payment");
    return buddy;
}

TEST(QtAccessibility, TheControlWasPartsNamedColumn1And2WithNoValueNoStatesAndNoRows) {
    QAccessible::installUpdateHandler(RecordUpdate);
    QAccessible::setActive(true);  // as when a screen reader listens
    for (StyleType style : {StyleType::DropdownCombo, StyleType::DropdownList}) {
        SCOPED_TRACE(StyleLabel({style, 0}));
        QtHost host({.Style = style});
        QAccessibleInterface* combo =
            QAccessible::queryAccessibleInterface(host.desktop.WidgetOf(host.control->Container()));
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->role(), QAccessible::ComboBox);
        EXPECT_EQ(combo->text(QAccessible::Name), "KorvaneBox1") << "named by its site";
        QLabel* buddy = Describe(host);
        EXPECT_EQ(combo->text(QAccessible::Name), "Currency:") << "named by its buddy label";
        EXPECT_EQ(combo->text(QAccessible::Description), "The currency of the payment");
        host.control->ListIndex(3);
        EXPECT_EQ(combo->text(QAccessible::Value), "GBP Pound sterling");
        QAccessible::State s = combo->state();
        EXPECT_TRUE(s.expandable);
        EXPECT_TRUE(s.collapsed);
        EXPECT_FALSE(s.expanded);
        EXPECT_EQ(static_cast<bool>(s.readOnly), style == StyleType::DropdownList);
        const int closedChildren = combo->childCount();

        host.control->Container().SetFocus();
        host.desktop.ProcessEventsFor(20);
        EXPECT_TRUE(combo->state().focused);

        SendClick(host.desktop.WidgetOf(host.Widget("imgCombo")));
        ASSERT_TRUE(WaitUntil(host.desktop, [&] { return host.DropDownOpen(); }));
        EXPECT_TRUE(combo->state().expanded);
        ASSERT_EQ(combo->childCount(), closedChildren + 1) << "the open list is the combo box's child";
        QAccessibleInterface* list = combo->child(closedChildren);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->role(), QAccessible::List);
        EXPECT_EQ(list->parent(), combo);
        ASSERT_EQ(list->childCount(), 11);
        EXPECT_EQ(list->child(3)->role(), QAccessible::ListItem);
        EXPECT_EQ(list->child(3)->text(QAccessible::Name), "GBP Pound sterling");
        EXPECT_TRUE(list->child(3)->state().selected);
        EXPECT_EQ(list->indexOfChild(list->child(3)), 3);

        g_focusedNames.clear();
        PressKey(host, host.List("lstCol1"), Qt::Key_Down);
        EXPECT_TRUE(list->child(4)->state().selected) << "the active row follows Down";
        // Events reach a reader only while the desktop's accessibility is
        // on: with a bus a reader listens on (run_with_atspi.sh).
        if (QAccessible::isActive()) {
            EXPECT_NE(std::find(g_focusedNames.begin(), g_focusedNames.end(), QStringLiteral("JPY Japanese yen")),
                      g_focusedNames.end())
                << "the reader is told which row is current now";
        }
        EXPECT_FALSE(list->child(3)->state().selected);
        PressKey(host, host.List("lstCol1"), Qt::Key_Escape);
        ASSERT_TRUE(WaitUntil(host.desktop, [&] { return !host.DropDownOpen(); }));
        EXPECT_EQ(combo->childCount(), closedChildren);
        EXPECT_TRUE(combo->state().collapsed);
        delete buddy;
    }
    QAccessible::installUpdateHandler(nullptr);
}

// The same through AT-SPI: the test program answers the walker's D-Bus
// calls from its event loop while the walker runs.
TEST(AtSpi, TheControlIsOneComboBoxToAScreenReader) {
    const char* walker = std::getenv("KORVANE_ATSPI_WALKER");
    if (walker == nullptr || *walker == '\0')
        GTEST_SKIP() << "run by run_with_atspi.sh";
    QtHost host({.Style = StyleType::DropdownList});
    QLabel* buddy = Describe(host);
    host.control->ListIndex(3);
    host.control->Container().SetFocus();
    SendClick(host.desktop.WidgetOf(host.Widget("imgCombo")));
    ASSERT_TRUE(WaitUntil(host.desktop, [&] { return host.DropDownOpen(); }));
    PressKey(host, host.List("lstCol1"), Qt::Key_Down);

    QProcess walk;
    walk.start(QStringLiteral("/usr/bin/python3"),
               {QString::fromLocal8Bit(walker), QCoreApplication::applicationName()});
    ASSERT_TRUE(WaitUntil(
        host.desktop, [&] { return walk.state() == QProcess::NotRunning; }, 60000));
    const QString tree = QString::fromUtf8(walk.readAllStandardOutput());
    ASSERT_EQ(walk.exitCode(), 0) << walk.readAllStandardError().toStdString() << tree.toStdString();
    const QStringList lines = tree.split('\n', Qt::SkipEmptyParts);
    int comboAt = -1;
    for (int i = 0; i < lines.size() && comboAt < 0; ++i) {
        const QStringList f = lines[i].split('\t');
        if (f.size() >= 5 && f[1] == "combo box" && f[2] == "Currency:")
            comboAt = i;
    }
    ASSERT_GE(comboAt, 0) << tree.toStdString();
    const QStringList combo = lines[comboAt].split('\t');
    EXPECT_TRUE(combo[3].contains("expandable")) << combo[3].toStdString();
    EXPECT_TRUE(combo[3].contains("expanded")) << combo[3].toStdString();
    EXPECT_EQ(combo[4], "The currency of the payment");
    const int depth = combo[0].toInt();
    bool listUnder = false, rowUnder = false;
    for (int i = comboAt + 1; i < lines.size(); ++i) {
        const QStringList f = lines[i].split('\t');
        if (f.size() < 4 || f[0].toInt() <= depth)
            break;
        if (f[1] == "list" && f[0].toInt() == depth + 1)
            listUnder = true;
        if (f[1] == "list item" && f[2] == "JPY Japanese yen")
            rowUnder = f[3].contains("selected");
    }
    EXPECT_TRUE(listUnder) << "the open list is the combo box's child\n" << tree.toStdString();
    EXPECT_TRUE(rowUnder) << "its current row, with both columns, is selected\n" << tree.toStdString();
    delete buddy;
}

}  // namespace
}  // namespace korvane::test
