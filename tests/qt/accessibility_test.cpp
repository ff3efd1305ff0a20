// The control as a screen reader meets it, beside a QComboBox in the same
// dialog: one combo box named by its buddy label, whose value is the current
// row (both columns) and whose description says which row of how many, with
// the states the screen shows, the actions Press and ShowMenu, its editable
// fields and (while shown) its list of rows as children, and nothing hidden
// or decorative. Driven as a person and a reader would: keys to the focused
// widget, the reader's actions. Checked through QAccessible with the events
// a reader hears recorded, and through a real AT-SPI client over D-Bus
// (AtSpi*, run by run_with_atspi.sh), with hostile rows and many openings.
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <algorithm>
#include <cstdlib>

#include "korvane/qt/KorvaneBox.h"
#include "qt_support.h"

namespace korvane::tk::qt {
int LiveAccessibleFaces();
}

namespace korvane::test {
namespace {

using korvane::qt::KorvaneBox;

// --- what a reader hears ------------------------------------------------------------

struct Heard {
    QAccessible::Event type;
    QAccessible::Role role;
    QString name;
    bool invisible;        // the object was hidden from the person when it was announced
    bool withinWatched;    // the object is the watched combo box or lies inside it
    bool expandedChanged;  // a state change of expanded or collapsed
};
std::vector<Heard> g_heard;
QAccessibleInterface* g_watched = nullptr;

bool Within(QAccessibleInterface* iface, QAccessibleInterface* ancestor) {
    for (int depth = 0; iface != nullptr && depth < 32; ++depth, iface = iface->parent()) {
        if (iface == ancestor)
            return true;
    }
    return false;
}

void Hear(QAccessibleEvent* event) {
    QAccessibleInterface* iface = event->accessibleInterface();
    if (iface == nullptr || !iface->isValid())
        return;
    Heard h{event->type(),
            iface->role(),
            iface->text(QAccessible::Name),
            bool(iface->state().invisible),
            Within(iface, g_watched),
            false};
    if (event->type() == QAccessible::StateChanged) {
        const auto changed = static_cast<QAccessibleStateChangeEvent*>(event)->changedStates();
        h.expandedChanged = changed.expanded || changed.collapsed;
    }
    if (auto* w = qobject_cast<QWidget*>(event->object()); w != nullptr && !w->isVisible())
        h.invisible = true;
    if (std::getenv("KORVANE_A11Y_DEBUG") != nullptr)
        std::fprintf(stderr, "heard %d role %d '%s' inv %d within %d\n", int(h.type), int(h.role),
                     qPrintable(h.name.left(30)), h.invisible, h.withinWatched);
    g_heard.push_back(h);
}

struct Listening {
    Listening() {
        QAccessible::installUpdateHandler(Hear);
        QAccessible::setActive(true);  // as when a screen reader listens
    }
    ~Listening() {
        QAccessible::installUpdateHandler(nullptr);
        g_watched = nullptr;
    }
};

// What was heard about the watched combo box since the last look.
struct Heard1 {
    bool valueChanged = false, expandedChanged = false, focusInside = false, focusOnHidden = false;
    QStringList focusedNames;
};
Heard1 TakeHeard() {
    Heard1 out;
    for (const Heard& h : g_heard) {
        if (h.type == QAccessible::Focus && h.invisible)
            out.focusOnHidden = true;
        if (!h.withinWatched)
            continue;
        out.valueChanged |= h.type == QAccessible::ValueChanged && h.role == QAccessible::ComboBox;
        out.expandedChanged |= h.expandedChanged;
        if (h.type == QAccessible::Focus) {
            out.focusInside = true;
            out.focusedNames << h.name;
        }
    }
    g_heard.clear();
    return out;
}

// --- a dialog with both combo boxes ---------------------------------------------------

bool Poll(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

const char* const kRows[][2] = {{"CHF", "Swiss franc"},    {"DKK", "Danish krone"},    {"EUR", "Euro"},
                                {"GBP", "Pound sterling"}, {"JPY", "Japanese yen"},    {"NOK", "Norwegian krone"},
                                {"SEK", "Swedish krona"},  {"USD", "US dollar"},       {"CZK", "Czech koruna"},
                                {"PLN", "Polish zloty"},   {"HUF", "Hungarian forint"}};

struct Dialog {
    explicit Dialog(KorvaneBox::Style style) {
        box = new KorvaneBox;
        box->setBoxStyle(style);
        combo = new QComboBox;
        combo->setEditable(style == KorvaneBox::DropdownCombo);
        for (const auto& row : kRows) {
            box->addItem(QString::fromLatin1(row[0]), QString::fromLatin1(row[1]));
            combo->addItem(QString::fromLatin1(row[0]) + ' ' + QString::fromLatin1(row[1]));
        }
        box->setToolTip(QStringLiteral("The currency of the payment"));
        auto* layout = new QFormLayout(&window);
        layout->addRow(QStringLiteral("&Korvane:"), box);
        layout->addRow(QStringLiteral("&Qt:"), combo);
        box->setCurrentIndex(3);
        combo->setCurrentIndex(3);
        window.show();
        window.activateWindow();
        Poll([&] { return window.isActiveWindow(); });
    }
    QAccessibleInterface* Korvane() const {
        QAccessibleInterface* outer = QAccessible::queryAccessibleInterface(box);
        for (int i = 0; outer != nullptr && i < outer->childCount(); ++i) {
            if (QAccessibleInterface* c = outer->child(i); c != nullptr && c->role() == QAccessible::ComboBox)
                return c;
        }
        return nullptr;
    }
    QAccessibleInterface* Qt() const { return QAccessible::queryAccessibleInterface(combo); }

    QDialog window;
    KorvaneBox* box = nullptr;
    QComboBox* combo = nullptr;
};

// A key to whichever widget has the focus, as the keyboard sends it.
void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr) << "no widget has the focus";
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
    if (QWidget* still = QApplication::focusWidget()) {
        QKeyEvent release(QEvent::KeyRelease, key, modifiers);
        QApplication::sendEvent(still, &release);
    }
    QApplication::processEvents(QEventLoop::AllEvents, 20);
}

QStringList ChildRoles(QAccessibleInterface* iface) {
    QStringList roles;
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* c = iface->child(i);
        roles << (c == nullptr ? QStringLiteral("null") : QString::number(c->role(), 16));
    }
    return roles;
}
QString Roles(std::initializer_list<QAccessible::Role> roles) {
    QStringList out;
    for (QAccessible::Role r : roles)
        out << QString::number(r, 16);
    return out.join(',');
}

void Act(QAccessibleInterface* iface, const QString& action) {
    ASSERT_NE(iface->actionInterface(), nullptr);
    iface->actionInterface()->doAction(action);
    QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// --- in process ----------------------------------------------------------------------

struct StyleCase {
    KorvaneBox::Style style;
    const char* label;
    bool expandable;
    bool editable;
    QString closedChildren;  // the combo box's children while closed (the Qt one has its list always)
};

std::vector<StyleCase> StyleCases() {
    return {
        {KorvaneBox::DropdownCombo, "Dropdown Combo", true, true,
         Roles({QAccessible::EditableText, QAccessible::EditableText})},
        {KorvaneBox::DropdownList, "Dropdown List", true, false, QString()},
        {KorvaneBox::SimpleCombo, "Simple Combo", false, true,
         Roles({QAccessible::EditableText, QAccessible::EditableText, QAccessible::List})},
    };
}

// Rows of the table: name, value, description, states, actions, children.
TEST(QtAccessibility, EachStyleIsOneComboBoxNamedByItsLabelWithTheCurrentRowAsValue) {
    Listening reader;
    for (const StyleCase& c : StyleCases()) {
        SCOPED_TRACE(c.label);
        Dialog d(c.style);
        QAccessibleInterface* korvane = d.Korvane();
        QAccessibleInterface* qt = d.Qt();
        ASSERT_NE(korvane, nullptr) << "a combo box among the box's children";
        ASSERT_EQ(QAccessible::queryAccessibleInterface(d.box)->childCount(), 1) << "and nothing else";
        EXPECT_EQ(korvane->text(QAccessible::Name), "Korvane:");
        EXPECT_EQ(qt->text(QAccessible::Name), "GBP Pound sterling")
            << "Qt's own combo box is named by its current text; ours by its label, with the row as value";
        EXPECT_EQ(korvane->text(QAccessible::Value), "GBP Pound sterling");
        EXPECT_EQ(qt->text(QAccessible::Value), "GBP Pound sterling");
        EXPECT_EQ(korvane->text(QAccessible::Description), "The currency of the payment, row 4 of 11");
        ASSERT_NE(korvane->textInterface(), nullptr) << "where a reader on AT-SPI reads the value";
        EXPECT_EQ(korvane->textInterface()->text(0, korvane->textInterface()->characterCount()), "GBP Pound sterling");

        const QAccessible::State s = korvane->state();
        EXPECT_EQ(bool(s.expandable), c.expandable);
        EXPECT_EQ(bool(s.collapsed), c.expandable);
        EXPECT_FALSE(s.expanded);
        EXPECT_EQ(bool(s.editable), c.editable);
        EXPECT_EQ(bool(s.readOnly), !c.editable);
        EXPECT_FALSE(s.disabled);
        EXPECT_TRUE(s.focusable);
        if (c.expandable) {
            EXPECT_EQ(bool(qt->state().expandable), bool(s.expandable)) << "as the QComboBox";
        }

        ASSERT_NE(korvane->actionInterface(), nullptr);
        QStringList names = korvane->actionInterface()->actionNames();
        QStringList qtNames = qt->actionInterface()->actionNames();
        names.sort();
        qtNames.sort();
        EXPECT_EQ(names, qtNames) << "Press and ShowMenu, as the QComboBox";

        EXPECT_EQ(ChildRoles(korvane).join(','), c.closedChildren)
            << "its fields (and Simple Combo's list); no labels, pictures, button or hidden lists";
        for (int i = 0; i < korvane->childCount(); ++i) {
            EXPECT_EQ(korvane->indexOfChild(korvane->child(i)), i);
            EXPECT_EQ(korvane->child(i)->parent(), korvane);
            EXPECT_FALSE(korvane->child(i)->state().invisible);
        }
        if (c.style == KorvaneBox::SimpleCombo) {
            QAccessibleInterface* list = korvane->child(korvane->childCount() - 1);
            ASSERT_EQ(list->childCount(), 11) << "Simple Combo's rows are always there";
            EXPECT_EQ(list->child(3)->role(), QAccessible::ListItem);
            EXPECT_EQ(list->child(3)->text(QAccessible::Name), "GBP Pound sterling");
            EXPECT_EQ(list->child(3)->text(QAccessible::Description), "row 4 of 11");
            EXPECT_TRUE(list->child(3)->state().selected);
        }

        d.box->setEnabled(false);
        EXPECT_TRUE(korvane->state().disabled);
        d.box->setEnabled(true);
        EXPECT_FALSE(korvane->state().disabled);
    }
}

// Rows of the table: Down on the closed box, opening, Down and Enter in the
// open list, and the states after; the QComboBox beside it hears the same.
TEST(QtAccessibility, KeysAndActionsTellAReaderWhatAQComboBoxTellsIt) {
    Listening reader;
    if (!QAccessible::isActive())
        GTEST_SKIP() << "no reader can listen here (run_with_atspi.sh gives one a bus)";
    for (const StyleCase& c : StyleCases()) {
        SCOPED_TRACE(c.label);
        Dialog d(c.style);
        QAccessibleInterface* korvane = d.Korvane();
        ASSERT_NE(korvane, nullptr);

        // The closed box, then the same keys on the QComboBox.
        for (bool isQt : {false, true}) {
            SCOPED_TRACE(isQt ? "QComboBox" : "KorvaneBox");
            QAccessibleInterface* combo = isQt ? d.Qt() : korvane;
            g_watched = combo;
            isQt ? d.combo->setFocus() : d.box->setFocus();
            ASSERT_TRUE(Poll([&] { return combo->state().focused; }));
            TakeHeard();
            Key(Qt::Key_Down);
            Heard1 down = TakeHeard();
            EXPECT_TRUE(down.valueChanged) << "the value changed";
            EXPECT_FALSE(down.focusOnHidden) << "no focus on what the person cannot see";
            EXPECT_EQ(combo->text(QAccessible::Value), "JPY Japanese yen");
        }
        if (!c.expandable) {
            Act(korvane, QAccessibleActionInterface::pressAction());
            EXPECT_FALSE(korvane->state().expanded) << "Simple Combo's list is always shown";
            continue;
        }

        for (bool isQt : {false, true}) {
            SCOPED_TRACE(isQt ? "QComboBox" : "KorvaneBox");
            QAccessibleInterface* combo = isQt ? d.Qt() : korvane;
            g_watched = combo;
            isQt ? d.combo->setFocus() : d.box->setFocus();
            ASSERT_TRUE(Poll([&] { return combo->state().focused; }));
            const int closedChildren = combo->childCount();
            TakeHeard();
            Act(combo, QAccessibleActionInterface::pressAction());
            ASSERT_TRUE(Poll([&] { return bool(combo->state().expanded); })) << "Press opens the list";
            Poll(
                [&] {
                    return QApplication::focusWidget() != nullptr && QApplication::focusWidget()->isWindow() == false;
                },
                200);
            Heard1 opened = TakeHeard();
            EXPECT_TRUE(opened.focusInside) << "the focus went to the list";
            if (!isQt) {
                EXPECT_FALSE(opened.focusOnHidden) << "(Qt's own focuses its list before it shows)";
            }
            EXPECT_FALSE(combo->state().collapsed);
            if (!isQt) {
                EXPECT_TRUE(opened.expandedChanged) << "the reader hears it expand (a QComboBox tells no state change)";
                ASSERT_EQ(combo->childCount(), closedChildren + 1) << "the open list is a child now";
                QAccessibleInterface* list = combo->child(closedChildren);
                ASSERT_EQ(list->role(), QAccessible::List);
                ASSERT_EQ(list->childCount(), 11);
                EXPECT_EQ(list->child(4)->text(QAccessible::Name), "JPY Japanese yen");
                EXPECT_TRUE(list->child(4)->state().selected);
                EXPECT_FALSE(list->child(4)->state().invisible);
            }

            Key(Qt::Key_Down);
            Heard1 moved = TakeHeard();
            EXPECT_TRUE(moved.focusInside) << "the new row is announced";
            if (!isQt) {
                EXPECT_TRUE(moved.focusedNames.contains("NOK Norwegian krone"))
                    << moved.focusedNames.join('|').toStdString();
            }

            Key(Qt::Key_Return);
            ASSERT_TRUE(Poll([&] { return !combo->state().expanded; })) << "Enter closes the list";
            Poll([&] { return combo->state().focused; }, 500);
            Heard1 closed = TakeHeard();
            EXPECT_TRUE(closed.focusInside) << "the focus is back on the combo box";
            EXPECT_FALSE(closed.focusOnHidden);
            EXPECT_TRUE(combo->state().collapsed || isQt);
            if (!isQt) {
                EXPECT_TRUE(closed.expandedChanged) << "the reader hears it collapse";
                EXPECT_EQ(combo->childCount(), closedChildren) << "the closed list is no child";
                EXPECT_EQ(combo->text(QAccessible::Description), "The currency of the payment, row 6 of 11");
            }

            // ShowMenu opens it too; Escape closes it.
            Act(combo, QAccessibleActionInterface::showMenuAction());
            ASSERT_TRUE(Poll([&] { return bool(combo->state().expanded); })) << "ShowMenu opens the list";
            Key(Qt::Key_Escape);
            ASSERT_TRUE(Poll([&] { return !combo->state().expanded; }));
            TakeHeard();
        }
    }
}

// A reader that listens while the list opens and closes again and again
// leaves no faces and no widgets behind.
TEST(QtAccessibility, TenThousandOpeningsWithAReaderListeningLeaveNothingBehind) {
    Listening reader;
    if (!QAccessible::isActive())
        GTEST_SKIP() << "no reader can listen here (run_with_atspi.sh gives one a bus)";
    Dialog d(KorvaneBox::DropdownList);
    QAccessibleInterface* korvane = d.Korvane();
    ASSERT_NE(korvane, nullptr);
    g_watched = korvane;
    d.box->setFocus();
    auto cycle = [&] {
        Act(korvane, QAccessibleActionInterface::pressAction());
        if (!Poll([&] { return bool(korvane->state().expanded); }))
            return false;
        for (int i = 0; i < korvane->childCount(); ++i)  // the reader looks at the open list
            korvane->child(i)->childCount();
        Key(Qt::Key_Escape);
        return Poll([&] { return !korvane->state().expanded; });
    };
    ASSERT_TRUE(cycle());
    g_heard.clear();
    const int faces = tk::qt::LiveAccessibleFaces();
    const auto widgets = QApplication::allWidgets().size();
    const int cycles =
        std::getenv("KORVANE_A11Y_CYCLES") != nullptr ? std::atoi(std::getenv("KORVANE_A11Y_CYCLES")) : 10000;
    for (int i = 0; i < cycles; ++i) {
        ASSERT_TRUE(cycle()) << "cycle " << i;
        g_heard.clear();
    }
    EXPECT_EQ(tk::qt::LiveAccessibleFaces(), faces);
    EXPECT_EQ(QApplication::allWidgets().size(), widgets);
}

// --- over AT-SPI ---------------------------------------------------------------------

struct Line {
    int depth = 0;
    QString role, name, states, description, text, actions;
};

// Walks this program over AT-SPI while its event loop answers the calls.
std::vector<Line> Walk() {
    const char* walker = std::getenv("KORVANE_ATSPI_WALKER");
    QProcess walk;
    walk.start(QStringLiteral("/usr/bin/python3"),
               {QString::fromLocal8Bit(walker), QCoreApplication::applicationName()});
    const bool ended = Poll([&] { return walk.state() == QProcess::NotRunning; }, 60000);
    EXPECT_TRUE(ended) << "the walk ended";
    if (!ended) {
        walk.kill();
        walk.waitForFinished();
        return {};
    }
    EXPECT_EQ(walk.exitCode(), 0) << walk.readAllStandardError().toStdString();
    std::vector<Line> lines;
    for (const QString& l : QString::fromUtf8(walk.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
        const QStringList f = l.split('\t');
        if (f.size() >= 7)
            lines.push_back({f[0].toInt(), f[1], f[2], f[3], f[4], f[5], f[6]});
    }
    return lines;
}

// The combo box named `name` and the lines under it.
std::vector<Line> Subtree(const std::vector<Line>& lines, const QString& name) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].role != "combo box" || lines[i].name != name)
            continue;
        std::vector<Line> out{lines[i]};
        for (std::size_t j = i + 1; j < lines.size() && lines[j].depth > lines[i].depth; ++j)
            out.push_back(lines[j]);
        return out;
    }
    return {};
}

QString Dump(const std::vector<Line>& lines) {
    QString out;
    for (const Line& l : lines)
        out += QString(l.depth, ' ') + l.role + " '" + l.name.left(40) + "' [" + l.states + "] " + l.actions + '\n';
    return out;
}

bool Has(const Line& l, const char* state) {
    return l.states.split(',').contains(QString::fromLatin1(state));
}

#define SKIP_WITHOUT_ATSPI()                            \
    if (std::getenv("KORVANE_ATSPI_WALKER") == nullptr) \
    GTEST_SKIP() << "run by run_with_atspi.sh"

// Each row of the table, over AT-SPI, KorvaneBox beside the QComboBox.
TEST(AtSpi, EachStyleMeetsAReaderAsTheQComboBoxBesideIt) {
    SKIP_WITHOUT_ATSPI();
    for (const StyleCase& c : StyleCases()) {
        SCOPED_TRACE(c.label);
        Dialog d(c.style);
        d.box->setFocus();
        QAccessibleInterface* korvane = d.Korvane();
        ASSERT_TRUE(Poll([&] { return bool(korvane->state().focused); }));

        std::vector<Line> all = Walk();
        const std::vector<Line> k = Subtree(all, "Korvane:");
        const std::vector<Line> q = Subtree(all, "GBP Pound sterling");  // Qt's is named by its text
        ASSERT_FALSE(k.empty()) << Dump(all).toStdString();
        ASSERT_FALSE(q.empty()) << Dump(all).toStdString();
        const QString tree = Dump(k) + "--\n" + Dump(q);
        SCOPED_TRACE(tree.toStdString());
        // The widget that holds the combo box is no stop of its own.
        const auto at = std::find_if(all.begin(), all.end(), [&](const Line& l) {
            return l.role == "combo box" && l.name == k[0].name && l.depth == k[0].depth;
        });
        const auto holder = std::find_if(std::make_reverse_iterator(at), all.rend(),
                                         [&](const Line& l) { return l.depth == k[0].depth - 1; });
        ASSERT_NE(holder, all.rend());
        EXPECT_FALSE(Has(*holder, "focusable")) << holder->role.toStdString();
        EXPECT_TRUE(holder->actions.isEmpty());
        // value and description
        EXPECT_EQ(k[0].text, "GBP Pound sterling");
        EXPECT_EQ(k[0].description, "The currency of the payment, row 4 of 11");
        // states: what the QComboBox has, and the style's own
        for (const char* state : {"enabled", "sensitive", "focusable", "showing", "visible", "expandable"}) {
            if (Has(q[0], state) && (c.expandable || std::string_view(state) != "expandable")) {
                EXPECT_TRUE(Has(k[0], state)) << state;
            }
        }
        EXPECT_TRUE(Has(k[0], "focused"));
        EXPECT_EQ(Has(k[0], "expandable"), c.expandable);
        EXPECT_EQ(Has(k[0], "collapsed"), c.expandable);
        EXPECT_FALSE(Has(k[0], "expanded"));
        EXPECT_EQ(Has(k[0], "editable"), c.editable);
        // actions
        QStringList ka = k[0].actions.split(',', Qt::SkipEmptyParts), qa = q[0].actions.split(',', Qt::SkipEmptyParts);
        ka.sort();
        qa.sort();
        EXPECT_EQ(ka, qa);
        // children: no hidden or decorative parts
        for (std::size_t i = 1; i < k.size(); ++i) {
            for (const char* role : {"filler", "image", "label", "scroll bar", "push button", "panel"})
                EXPECT_NE(k[i].role, role);
            EXPECT_TRUE(Has(k[i], "showing") || k[i].role == "list item") << k[i].role.toStdString();
        }
        const auto items = std::count_if(k.begin(), k.end(), [](const Line& l) { return l.role == "list item"; });
        EXPECT_EQ(items, c.expandable ? 0 : 11) << "rows only while the list is shown";

        if (!c.expandable)
            continue;
        korvane->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        ASSERT_TRUE(Poll([&] { return bool(korvane->state().expanded); }));
        const std::vector<Line> open = Subtree(Walk(), "Korvane:");
        ASSERT_FALSE(open.empty());
        EXPECT_TRUE(Has(open[0], "expanded")) << Dump(open).toStdString();
        EXPECT_FALSE(Has(open[0], "collapsed"));
        const auto row = std::find_if(open.begin(), open.end(), [](const Line& l) {
            return l.role == "list item" && l.name == "GBP Pound sterling";
        });
        ASSERT_NE(row, open.end()) << Dump(open).toStdString();
        EXPECT_TRUE(Has(*row, "selected"));
        EXPECT_EQ(row->description, "row 4 of 11");
        EXPECT_EQ(std::count_if(open.begin(), open.end(), [](const Line& l) { return l.role == "list item"; }), 11);

        Key(Qt::Key_Escape);
        ASSERT_TRUE(Poll([&] { return !korvane->state().expanded; }));
        const std::vector<Line> closed = Subtree(Walk(), "Korvane:");
        ASSERT_FALSE(closed.empty());
        EXPECT_TRUE(Has(closed[0], "collapsed")) << Dump(closed).toStdString();
        EXPECT_FALSE(Has(closed[0], "expanded")) << "true to the screen after closing";
        EXPECT_EQ(std::count_if(closed.begin(), closed.end(), [](const Line& l) { return l.role == "list item"; }), 0);
    }
}

// Hostile rows are read out in full, with no crash or hang.
TEST(AtSpi, HostileRowsAreReadOutWithoutACrashOrAHang) {
    SKIP_WITHOUT_ATSPI();
    QtHost host({.Style = StyleType::DropdownCombo});
    const std::string nul("nul\0inside", 10);
    const std::vector<std::pair<std::string, std::string>> rows = {
        {std::string(65536, 'x'), "64 KiB"},
        {"\xE2\x80\x8F\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D",
         "\xE2\x80\x8E"
         "right to left"},
        {"e\xCC\x81\xCC\x81\xCC\x81\xCC\x81\xCC\x81", "combining"},
        {"bad \xFF\xFE\xC0\x80 utf-8", "\xED\xA0\x80 surrogate"},
        {nul, "NUL"},
    };
    for (const auto& [a, b] : rows)
        host.control->AddItem(a, b, 1);
    auto* combo = QAccessible::queryAccessibleInterface(host.desktop.WidgetOf(host.control->Container()));
    ASSERT_NE(combo, nullptr);
    for (std::int32_t i = 0; i < host.control->ListCount(); ++i) {
        host.control->ListIndex(i);
        EXPECT_FALSE(combo->text(QAccessible::Value).contains(QChar(0))) << "a NUL would cut the text on the bus";
    }
    host.control->ListIndex(11);  // the 64 KiB row
    host.control->Container().SetFocus();
    SendClick(host.desktop.WidgetOf(host.Widget("imgCombo")));
    ASSERT_TRUE(WaitUntil(host.desktop, [&] { return host.DropDownOpen(); }));
    std::vector<Line> all = Walk();
    const auto big = std::find_if(all.begin(), all.end(), [](const Line& l) {
        return l.role == "list item" && l.name.startsWith(QString(1000, 'x'));
    });
    ASSERT_NE(big, all.end()) << Dump(all).toStdString();
    EXPECT_EQ(big->name.size(), 65536 + 1 + 6);
    EXPECT_NE(std::find_if(all.begin(), all.end(), [](const Line& l) { return l.name.startsWith("nul"); }), all.end());
}

}  // namespace
}  // namespace korvane::test
