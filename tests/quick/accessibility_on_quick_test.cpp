// The QML KorvaneBox as a screen reader meets it, in a form beside Qt Quick
// Controls' ComboBox (tests/quick/scenes/CurrencyForm.qml): one combo box
// named by its Accessible.name (else by its text, as the ComboBox), whose
// value is the current row (both columns) and whose description says which
// row of how many, with the states the screen shows, the actions Press and
// ShowMenu, its editable fields and (while shown) its list of rows as
// children, and nothing hidden, decorative or unnamed; its fields editable
// through the reader's text interface; the About box and the message box
// dialogs of what a person sees on them. Driven as a person and a reader
// would: keys to the form's window, the reader's actions and edits.
// Checked through QAccessible in process (QuickAccessibility*), and through
// a real AT-SPI client over D-Bus (QuickAtSpi*, run by run_with_atspi.sh).
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "korvane/toolkit/quick.h"

// Texts in a failure's message.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace korvane::test {
namespace {

// The box's styles, as the QML enumeration numbers them.
enum Style { DropdownCombo = 0, SimpleCombo = 1, DropdownList = 2 };

bool Poll(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// The form of CurrencyForm.qml, made with the box's style and what QML
// says of it to a reader.
struct Form {
    explicit Form(Style style, const QString& name = QStringLiteral("Korvane"),
                  const QString& description = QStringLiteral("The currency of the payment")) {
        QQmlComponent component(&engine, QUrl::fromLocalFile(QStringLiteral(KORVANE_QUICK_SCENES "/CurrencyForm.qml")));
        QObject* made = component.createWithInitialProperties(
            {{"korvaneStyle", static_cast<int>(style)}, {"korvaneName", name}, {"korvaneDescription", description}});
        EXPECT_NE(made, nullptr) << component.errorString().toStdString();
        window.reset(qobject_cast<QQuickWindow*>(made));
        if (window == nullptr)
            return;
        box = window->findChild<QQuickItem*>(QStringLiteral("korvane"));
        qt = window->findChild<QQuickItem*>(QStringLiteral("qt"));
        window->requestActivate();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    ~Form() {
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QAccessibleInterface* Korvane() const { return QAccessible::queryAccessibleInterface(box); }
    QAccessibleInterface* Qt() const { return QAccessible::queryAccessibleInterface(qt); }
    void Key(int key) const {
        QTest::keyClick(window.get(), static_cast<::Qt::Key>(key));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    void Focus() const {
        box->forceActiveFocus();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    QQmlEngine engine;
    std::unique_ptr<QQuickWindow> window;
    QQuickItem* box = nullptr;
    QQuickItem* qt = nullptr;
};

QString RolesOf(QAccessibleInterface* iface) {
    QStringList roles;
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* c = iface->child(i);
        roles << (c == nullptr ? QStringLiteral("null") : QString::number(c->role(), 16));
    }
    return roles.join(',');
}
QString Roles(std::initializer_list<QAccessible::Role> roles) {
    QStringList out;
    for (QAccessible::Role r : roles)
        out << QString::number(r, 16);
    return out.join(',');
}

// Every object under `iface`, each with its parent's.
void Descendants(QAccessibleInterface* iface, std::vector<QAccessibleInterface*>& out) {
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* c = iface->child(i);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->parent(), iface) << "a child's parent is the object that lists it";
        EXPECT_EQ(iface->indexOfChild(c), i);
        out.push_back(c);
        Descendants(c, out);
    }
}

void Act(QAccessibleInterface* iface, const QString& action) {
    ASSERT_NE(iface->actionInterface(), nullptr);
    iface->actionInterface()->doAction(action);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

struct StyleCase {
    Style style;
    const char* label;
    bool expandable;
    bool editable;
    QString closedChildren;
};

std::vector<StyleCase> StyleCases() {
    return {
        {DropdownCombo, "Dropdown Combo", true, true, Roles({QAccessible::EditableText, QAccessible::EditableText})},
        {DropdownList, "Dropdown List", true, false, QString()},
        {SimpleCombo, "Simple Combo", false, true,
         Roles({QAccessible::EditableText, QAccessible::EditableText, QAccessible::List})},
    };
}

// What every part under the box is: a field, the list or a row, shown and
// named.
void ExpectNoAnonymousChildren(QAccessibleInterface* korvane) {
    std::vector<QAccessibleInterface*> parts;
    Descendants(korvane, parts);
    for (QAccessibleInterface* part : parts) {
        SCOPED_TRACE(QString::number(part->role(), 16).toStdString());
        EXPECT_TRUE(part->role() == QAccessible::EditableText || part->role() == QAccessible::List ||
                    part->role() == QAccessible::ListItem);
        EXPECT_FALSE(part->text(QAccessible::Name).isEmpty()) << "no unnamed part";
        if (part->role() != QAccessible::ListItem) {
            EXPECT_FALSE(part->state().invisible);
        }
    }
}

// --- in process ----------------------------------------------------------------------

// Rows of the table: role, name, value, description, states, actions and
// children of each style, closed; the scene's window lists the box as one
// combo box.
TEST(QuickAccessibility, EachStyleIsOneComboBoxWithTheCurrentRowAsValue) {
    for (const StyleCase& c : StyleCases()) {
        SCOPED_TRACE(c.label);
        Form form(c.style);
        ASSERT_NE(form.box, nullptr);
        QAccessibleInterface* korvane = form.Korvane();
        ASSERT_NE(korvane, nullptr) << "the box has a face";
        EXPECT_EQ(korvane->role(), QAccessible::ComboBox);
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form.window.get());
        EXPECT_GE(window->indexOfChild(korvane), 0) << "the window lists the box";
        EXPECT_EQ(korvane->parent(), window);

        EXPECT_EQ(korvane->text(QAccessible::Name), "Korvane");
        EXPECT_EQ(korvane->text(QAccessible::Value), "GBP Pound sterling");
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
        EXPECT_FALSE(s.invisible);
        EXPECT_TRUE(s.focusable);
        EXPECT_FALSE(s.focused);
        form.Focus();
        EXPECT_TRUE(korvane->state().focused) << "the focus is inside";

        ASSERT_NE(korvane->actionInterface(), nullptr);
        EXPECT_EQ(korvane->actionInterface()->actionNames(),
                  QStringList({QAccessibleActionInterface::pressAction(), QAccessibleActionInterface::showMenuAction(),
                               QAccessibleActionInterface::setFocusAction()}));
        EXPECT_EQ(RolesOf(korvane), c.closedChildren)
            << "its fields (and Simple Combo's list); no labels, pictures, button or hidden lists";
        ExpectNoAnonymousChildren(korvane);
        if (c.editable) {
            EXPECT_EQ(korvane->child(0)->text(QAccessible::Name), "Column 1");
            EXPECT_EQ(korvane->child(0)->text(QAccessible::Value), "GBP");
            EXPECT_EQ(korvane->child(1)->text(QAccessible::Value), "Pound sterling");
        }
        if (c.style == SimpleCombo) {
            QAccessibleInterface* list = korvane->child(2);
            ASSERT_EQ(list->childCount(), 11) << "Simple Combo's rows are always there";
            EXPECT_EQ(list->child(3)->role(), QAccessible::ListItem);
            EXPECT_EQ(list->child(3)->text(QAccessible::Name), "GBP Pound sterling");
            EXPECT_EQ(list->child(3)->text(QAccessible::Description), "row 4 of 11");
            EXPECT_TRUE(list->child(3)->state().selected);
            EXPECT_FALSE(list->child(2)->state().selected);
        }
    }
}

// Without a name from QML the box is named by the text it shows, as the
// ComboBox is; the description is then the row's place alone.
TEST(QuickAccessibility, WithoutANameFromQmlTheBoxIsNamedByItsText) {
    for (const StyleCase& c : StyleCases()) {
        SCOPED_TRACE(c.label);
        Form form(c.style, QString(), QString());
        QAccessibleInterface* korvane = form.Korvane();
        ASSERT_NE(korvane, nullptr);
        EXPECT_EQ(korvane->text(QAccessible::Name), "GBP Pound sterling");
        EXPECT_EQ(korvane->text(QAccessible::Description), "row 4 of 11");
    }
}

// Rows of the table: Press and ShowMenu on each style with a drop-down;
// open, the list of rows is a child, each row a list item naming both
// columns and the current one selected; Down moves it; Escape closes.
TEST(QuickAccessibility, OpenTheDropDownShowsTheRowsAsListItems) {
    for (const QString& action :
         {QAccessibleActionInterface::pressAction(), QAccessibleActionInterface::showMenuAction()}) {
        for (const StyleCase& c : StyleCases()) {
            if (!c.expandable)
                continue;
            SCOPED_TRACE(std::string(c.label) + ", " + action.toStdString());
            Form form(c.style);
            QAccessibleInterface* korvane = form.Korvane();
            ASSERT_NE(korvane, nullptr);
            form.Focus();
            const int closed = korvane->childCount();
            Act(korvane, action);
            ASSERT_TRUE(Poll([&] { return bool(korvane->state().expanded); })) << "the action opens the list";
            EXPECT_FALSE(korvane->state().collapsed);
            ASSERT_EQ(korvane->childCount(), closed + 1) << "the open list is a child now";
            QAccessibleInterface* list = korvane->child(closed);
            ASSERT_EQ(list->role(), QAccessible::List);
            EXPECT_EQ(list->text(QAccessible::Name), "Korvane");
            ASSERT_EQ(list->childCount(), 11);
            EXPECT_EQ(list->child(0)->text(QAccessible::Name), "CHF Swiss franc");
            EXPECT_EQ(list->child(3)->text(QAccessible::Name), "GBP Pound sterling");
            EXPECT_EQ(list->child(10)->text(QAccessible::Description), "row 11 of 11");
            EXPECT_TRUE(list->child(3)->state().selected);
            EXPECT_FALSE(list->child(3)->state().invisible) << "the current row shows";
            EXPECT_TRUE(korvane->rect().intersects(list->rect()) || list->rect().top() >= korvane->rect().bottom() - 1)
                << "the list lies under the box";
            ExpectNoAnonymousChildren(korvane);

            form.Key(Qt::Key_Down);
            EXPECT_TRUE(list->child(4)->state().selected);
            EXPECT_FALSE(list->child(3)->state().selected);

            form.Key(Qt::Key_Return);
            ASSERT_TRUE(Poll([&] { return !korvane->state().expanded; })) << "Enter closes the list";
            EXPECT_TRUE(korvane->state().collapsed);
            EXPECT_EQ(korvane->childCount(), closed) << "the closed list is no child";
            // The control writes the chosen row into its fields at its next tick.
            EXPECT_TRUE(Poll([&] { return korvane->text(QAccessible::Value) == "JPY Japanese yen"; }))
                << "the row chosen";
            EXPECT_EQ(korvane->text(QAccessible::Description), "The currency of the payment, row 5 of 11");

            Act(korvane, action);
            ASSERT_TRUE(Poll([&] { return bool(korvane->state().expanded); })) << "and opens it again";
            form.Key(Qt::Key_Escape);
            ASSERT_TRUE(Poll([&] { return !korvane->state().expanded; })) << "Escape closes it";
            EXPECT_EQ(korvane->childCount(), closed);
        }
    }
}

// A form no taller than the box opens the drop-down in a window of its
// own: that window is named as the box and holds the list, whose parent is
// still the box.
TEST(QuickAccessibility, ADropDownInAWindowOfItsOwnHoldsTheBoxsList) {
    Form form(DropdownList);
    QAccessibleInterface* korvane = form.Korvane();
    ASSERT_NE(korvane, nullptr);
    form.window->resize(form.window->width(), static_cast<int>(form.box->y() + form.box->height()));
    form.Focus();
    Act(korvane, QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(Poll([&] { return bool(korvane->state().expanded); }));
    QWindow* own = nullptr;
    for (QWindow* w : QGuiApplication::topLevelWindows()) {
        if (w != form.window.get() && w->isVisible())
            own = w;
    }
    ASSERT_NE(own, nullptr) << "the drop-down has a window of its own";
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(own);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), "Korvane");
    ASSERT_EQ(window->childCount(), 1);
    ASSERT_EQ(korvane->childCount(), 1);
    EXPECT_EQ(window->child(0), korvane->child(0)) << "the list, as the box's child";
    EXPECT_EQ(window->child(0)->parent(), korvane);
    EXPECT_EQ(window->child(0)->childCount(), 11);
    form.Key(Qt::Key_Escape);
    ASSERT_TRUE(Poll([&] { return !korvane->state().expanded; }));
    EXPECT_EQ(window->childCount(), 0);
}

// Rows of the table: each style locked, then disabled. A locked box keeps
// its fields but is read-only; a disabled one says so and its actions do
// nothing.
TEST(QuickAccessibility, ALockedBoxIsReadOnlyAndADisabledOneDisabled) {
    for (const StyleCase& c : StyleCases()) {
        SCOPED_TRACE(c.label);
        Form form(c.style);
        QAccessibleInterface* korvane = form.Korvane();
        ASSERT_NE(korvane, nullptr);

        form.box->setProperty("locked", true);
        QAccessible::State s = korvane->state();
        EXPECT_FALSE(s.editable) << "locked";
        EXPECT_TRUE(s.readOnly) << "locked";
        EXPECT_EQ(RolesOf(korvane), c.closedChildren) << "the fields are still read";
        for (int i = 0; i < korvane->childCount(); ++i) {
            if (korvane->child(i)->role() == QAccessible::EditableText) {
                EXPECT_TRUE(korvane->child(i)->state().readOnly);
            }
        }
        form.box->setProperty("locked", false);
        EXPECT_EQ(bool(korvane->state().editable), c.editable) << "unlocked again";

        form.box->setEnabled(false);
        s = korvane->state();
        EXPECT_TRUE(s.disabled);
        EXPECT_EQ(korvane->text(QAccessible::Value), "GBP Pound sterling");
        Act(korvane, QAccessibleActionInterface::pressAction());
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_FALSE(korvane->state().expanded) << "a disabled box does not open";
        form.box->setEnabled(true);
        EXPECT_FALSE(korvane->state().disabled);
    }
}

// --- what a reader hears ---------------------------------------------------------------

struct Heard {
    QAccessible::Event type;
    QAccessible::Role role;
    QString name;
    bool expandedChanged;
    QString text;  // what a text event says came, went or now is
    int offset;    // where, or where the caret went
};
std::vector<Heard> g_heard;

void Hear(QAccessibleEvent* event) {
    QAccessibleInterface* iface = event->accessibleInterface();
    if (iface == nullptr || !iface->isValid())
        return;
    Heard h{event->type(), iface->role(), iface->text(QAccessible::Name), false, QString(), -1};
    if (event->type() == QAccessible::StateChanged) {
        const auto changed = static_cast<QAccessibleStateChangeEvent*>(event)->changedStates();
        h.expandedChanged = changed.expanded || changed.collapsed;
    } else if (event->type() == QAccessible::TextInserted) {
        h.text = static_cast<QAccessibleTextInsertEvent*>(event)->textInserted();
        h.offset = static_cast<QAccessibleTextInsertEvent*>(event)->changePosition();
    } else if (event->type() == QAccessible::TextRemoved) {
        h.text = static_cast<QAccessibleTextRemoveEvent*>(event)->textRemoved();
        h.offset = static_cast<QAccessibleTextRemoveEvent*>(event)->changePosition();
    } else if (event->type() == QAccessible::TextUpdated) {
        h.text = static_cast<QAccessibleTextUpdateEvent*>(event)->textInserted();
    } else if (event->type() == QAccessible::TextCaretMoved) {
        h.offset = static_cast<QAccessibleTextCursorEvent*>(event)->cursorPosition();
    }
    g_heard.push_back(h);
}

struct Listening {
    Listening() {
        QAccessible::installUpdateHandler(Hear);
        QAccessible::setActive(true);  // as when a screen reader listens
        g_heard.clear();
    }
    ~Listening() { QAccessible::installUpdateHandler(nullptr); }
};

bool HeardOf(QAccessible::Event type, QAccessible::Role role, const QString& name = QString()) {
    return std::any_of(g_heard.begin(), g_heard.end(), [&](const Heard& h) {
        return h.type == type && h.role == role && (name.isEmpty() || h.name == name);
    });
}

// Whether a reader listens here: the bridge to a reader's bus switches on
// once it has connected (run_with_atspi.sh gives one a bus).
bool ReaderListens() {
    return Poll([] { return QAccessible::isActive(); }, std::getenv("KORVANE_ATSPI_WALKER") != nullptr ? 10000 : 0);
}

// Down on the closed box changes its value; opening expands it and the
// focus goes to the current row; Down there focuses the next row; Enter
// closes it again, and the focus is back in the box.
TEST(QuickAccessibility, AReaderHearsTheValueTheDropDownAndTheFocus) {
    Listening reader;
    if (!ReaderListens())
        GTEST_SKIP() << "no reader can listen here (run_with_atspi.sh gives one a bus)";
    for (const StyleCase& c : StyleCases()) {
        SCOPED_TRACE(c.label);
        Form form(c.style);
        QAccessibleInterface* korvane = form.Korvane();
        ASSERT_NE(korvane, nullptr);
        form.Focus();
        g_heard.clear();
        form.Key(Qt::Key_Down);
        ASSERT_TRUE(Poll([&] { return HeardOf(QAccessible::ValueChanged, QAccessible::ComboBox); }, 500));
        EXPECT_EQ(korvane->text(QAccessible::Value), "JPY Japanese yen");
        if (!c.expandable)
            continue;

        g_heard.clear();
        Act(korvane, QAccessibleActionInterface::pressAction());
        ASSERT_TRUE(Poll([&] { return bool(korvane->state().expanded); }));
        EXPECT_TRUE(std::any_of(g_heard.begin(), g_heard.end(), [](const Heard& h) { return h.expandedChanged; }));
        EXPECT_TRUE(HeardOf(QAccessible::Focus, QAccessible::ListItem, QStringLiteral("JPY Japanese yen")));
        g_heard.clear();
        form.Key(Qt::Key_Down);
        EXPECT_TRUE(HeardOf(QAccessible::Focus, QAccessible::ListItem, QStringLiteral("NOK Norwegian krone")));
        EXPECT_TRUE(HeardOf(QAccessible::Selection, QAccessible::ListItem, QStringLiteral("NOK Norwegian krone")));
        g_heard.clear();
        form.Key(Qt::Key_Return);
        ASSERT_TRUE(Poll([&] { return !korvane->state().expanded; }));
        EXPECT_TRUE(std::any_of(g_heard.begin(), g_heard.end(), [](const Heard& h) { return h.expandedChanged; }));
        EXPECT_TRUE(HeardOf(QAccessible::Focus, c.editable ? QAccessible::EditableText : QAccessible::ComboBox))
            << "the focus is back in the box";
        EXPECT_TRUE(korvane->state().focused);
    }
}

// --- fields a reader edits ---------------------------------------------------------------

// The box's first field, as its face's first child (the Dropdown Combo's
// "Column 1").
QAccessibleInterface* FirstField(QAccessibleInterface* korvane) {
    return korvane != nullptr && korvane->childCount() > 0 ? korvane->child(0) : nullptr;
}

struct EditCase {
    const char* label;
    int column;  // 1 or 2: the field edited
    std::function<void(QAccessibleEditableTextInterface&)> edit;
    QString field;  // the field's text afterwards
    int caret;      // where the caret stands afterwards
};

// Rows of the table: each edit a reader (or voice control) makes through
// the field's editable text. The field shows it, the caret stands after
// it, the box's value and text follow, and the control tells its program
// of the edit as of a person's.
TEST(QuickAccessibility, AReaderEditsAFieldThroughItsEditableText) {
    const std::vector<EditCase> cases = {
        {"insert at the end", 1, [](QAccessibleEditableTextInterface& e) { e.insertText(3, QStringLiteral(" X")); },
         QStringLiteral("GBP X"), 5},
        {"insert at the start", 1, [](QAccessibleEditableTextInterface& e) { e.insertText(0, QStringLiteral("£")); },
         QStringLiteral("£GBP"), 1},
        {"delete a letter", 1, [](QAccessibleEditableTextInterface& e) { e.deleteText(0, 1); }, QStringLiteral("BP"),
         0},
        {"replace a word", 2, [](QAccessibleEditableTextInterface& e) { e.replaceText(0, 5, QStringLiteral("Euro")); },
         QStringLiteral("Euro sterling"), 4},
        {"delete everything", 2, [](QAccessibleEditableTextInterface& e) { e.deleteText(0, 14); }, QString(), 0},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.label);
        Form form(DropdownCombo);
        QAccessibleInterface* korvane = form.Korvane();
        ASSERT_NE(korvane, nullptr);
        QAccessibleInterface* field = korvane->child(c.column - 1);
        ASSERT_NE(field, nullptr);
        ASSERT_NE(field->editableTextInterface(), nullptr) << "a field is editable text";
        QSignalSpy edited(form.box, SIGNAL(editTextChanged(int, QString)));
        c.edit(*field->editableTextInterface());
        EXPECT_EQ(field->text(QAccessible::Value), c.field);
        ASSERT_TRUE(Poll([&] { return edited.count() > 0; }, 500)) << "the program hears of the edit";
        EXPECT_EQ(field->textInterface()->cursorPosition(), c.caret);
        EXPECT_EQ(edited.count(), 1);
        EXPECT_EQ(edited.at(0).at(0).toInt(), c.column);
        EXPECT_EQ(edited.at(0).at(1).toString(), c.field);
        const QStringList columns = form.box->property("text").toString().split('\t');
        EXPECT_EQ(columns.value(c.column - 1), c.field) << "the box's text";
        EXPECT_TRUE(korvane->text(QAccessible::Value).contains(c.field)) << "the combo box's value";
    }
}

// A reader selects and moves the caret as a person does; a locked field
// keeps its text whatever a reader's edits ask, and says it is read-only.
TEST(QuickAccessibility, AReaderSelectsInAFieldAndALockedFieldRefusesItsEdits) {
    Form form(DropdownCombo);
    QAccessibleInterface* field = FirstField(form.Korvane());
    ASSERT_NE(field, nullptr);
    QAccessibleTextInterface* text = field->textInterface();
    ASSERT_NE(text, nullptr);
    text->setSelection(0, 1, 3);
    int start = -1;
    int end = -1;
    text->selection(0, &start, &end);
    EXPECT_EQ(text->selectionCount(), 1);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 3);
    field->editableTextInterface()->insertText(1, QStringLiteral("-"));
    EXPECT_EQ(field->text(QAccessible::Value), "G-BP") << "an insertion leaves the selection";
    text->setCursorPosition(2);
    EXPECT_EQ(text->cursorPosition(), 2);
    EXPECT_EQ(text->selectionCount(), 0);

    form.box->setProperty("locked", true);
    QSignalSpy edited(form.box, SIGNAL(editTextChanged(int, QString)));
    EXPECT_TRUE(field->state().readOnly);
    field->editableTextInterface()->insertText(0, QStringLiteral("X"));
    field->editableTextInterface()->deleteText(0, 2);
    field->editableTextInterface()->replaceText(0, 4, QStringLiteral("EUR"));
    field->setText(QAccessible::Value, QStringLiteral("EUR"));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(field->text(QAccessible::Value), "G-BP") << "locked";
    EXPECT_EQ(edited.count(), 0);
}

// A person types into the focused field: the reader hears each letter come
// and go at its place and the caret move; a row chosen writes the field
// anew, which the reader hears as the field's new text.
TEST(QuickAccessibility, AReaderHearsWhatAPersonTypes) {
    Listening reader;
    if (!ReaderListens())
        GTEST_SKIP() << "no reader can listen here (run_with_atspi.sh gives one a bus)";
    Form form(DropdownCombo);
    QAccessibleInterface* field = FirstField(form.Korvane());
    ASSERT_NE(field, nullptr);
    form.Focus();
    form.Key(Qt::Key_End);
    g_heard.clear();
    form.Key(Qt::Key_X);
    auto heard = [](QAccessible::Event type, const QString& text, int offset) {
        return std::any_of(g_heard.begin(), g_heard.end(), [&](const Heard& h) {
            return h.type == type && h.role == QAccessible::EditableText && h.name == "Column 1" &&
                   (text.isNull() || h.text == text) && (offset < 0 || h.offset == offset);
        });
    };
    EXPECT_TRUE(heard(QAccessible::TextInserted, QStringLiteral("x"), 3)) << "the letter typed";
    EXPECT_TRUE(heard(QAccessible::TextCaretMoved, QString(), 4)) << "the caret after it";
    g_heard.clear();
    form.Key(Qt::Key_Backspace);
    EXPECT_TRUE(heard(QAccessible::TextRemoved, QStringLiteral("x"), 3)) << "the letter rubbed out";
    g_heard.clear();
    form.Key(Qt::Key_Left);
    EXPECT_TRUE(heard(QAccessible::TextCaretMoved, QString(), 2)) << "the caret moved";
    g_heard.clear();
    form.Key(Qt::Key_Down);
    ASSERT_TRUE(Poll([&] { return heard(QAccessible::TextUpdated, QString(), -1); }, 500))
        << "a row written into the field";
    const auto update = std::find_if(g_heard.rbegin(), g_heard.rend(), [](const Heard& h) {
        return h.type == QAccessible::TextUpdated && h.name == "Column 1";
    });
    EXPECT_EQ(update->text, field->text(QAccessible::Value)) << "the text the field shows now";
}

// --- the desktop's own forms ----------------------------------------------------------------

// The visible window of ours titled `title`, other than the scene's.
QQuickWindow* ShownWindow(const QString& title) {
    for (QWindow* w : QGuiApplication::topLevelWindows()) {
        if (w->isVisible() && w->title() == title)
            return qobject_cast<QQuickWindow*>(w);
    }
    return nullptr;
}

// One line for each object under `iface`: role, name, description and
// actions, indented by depth.
QString Outline(QAccessibleInterface* iface, int depth = 0) {
    QString line = QString(depth * 2, ' ') + QString::number(iface->role(), 16) + " '" +
                   iface->text(QAccessible::Name).replace('\n', "|") + "' '" + iface->text(QAccessible::Description) +
                   "'";
    if (iface->actionInterface() != nullptr)
        line += ' ' + iface->actionInterface()->actionNames().join(',');
    QString out = line + '\n';
    for (int i = 0; i < iface->childCount(); ++i)
        out += Outline(iface->child(i), depth + 1);
    return out;
}

// The child of `iface` with `role` named `name`, or null.
QAccessibleInterface* ChildNamed(QAccessibleInterface* iface, QAccessible::Role role, const QString& name) {
    for (int i = 0; i < iface->childCount(); ++i) {
        if (iface->child(i)->role() == role && iface->child(i)->text(QAccessible::Name) == name)
            return iface->child(i);
    }
    return nullptr;
}

// The About box is a dialog named by its caption holding what a person
// reads on it: its text, the control's picture described, OK as a push
// button a reader presses, the two addresses as links, and nothing
// unnamed (its frame is only a line). Pressing OK through the reader
// closes it and ends the call.
TEST(QuickAccessibility, TheAboutBoxIsADialogOfWhatAPersonSeesAndOKClosesIt) {
    Form form(DropdownCombo);
    ASSERT_NE(form.box, nullptr);
    bool walked = false;
    // The box shows inside the call, after it let events run once.
    QTimer shown;
    QObject::connect(&shown, &QTimer::timeout, [&] {
        QQuickWindow* about = ShownWindow(QStringLiteral("About"));
        if (about == nullptr || walked)
            return;
        shown.stop();
        QAccessibleInterface* dialog = QAccessible::queryAccessibleInterface(about);
        ASSERT_NE(dialog, nullptr);
        SCOPED_TRACE(Outline(dialog).toStdString());
        walked = true;
        EXPECT_EQ(dialog->role(), QAccessible::Dialog);
        EXPECT_EQ(dialog->text(QAccessible::Name), "About");
        EXPECT_FALSE(dialog->state().invisible);
        const int app = QAccessible::queryAccessibleInterface(qApp)->indexOfChild(dialog);
        EXPECT_GE(app, 0) << "the application lists the dialog";
        EXPECT_EQ(RolesOf(dialog), Roles({QAccessible::StaticText, QAccessible::Graphic, QAccessible::PushButton,
                                          QAccessible::Link, QAccessible::StaticText, QAccessible::Link}));
        QAccessibleInterface* text = dialog->child(0);
        EXPECT_TRUE(text->text(QAccessible::Name).contains("Copyright")) << "the text as it shows";
        EXPECT_TRUE(text->text(QAccessible::Name).endsWith("address:"))
            << "the lines it shows, without those the links cover";
        EXPECT_EQ(dialog->child(1)->text(QAccessible::Description), "KorvaneIcon");
        EXPECT_NE(ChildNamed(dialog, QAccessible::Link, QStringLiteral("maintainers@korvane.example")), nullptr);
        EXPECT_NE(ChildNamed(dialog, QAccessible::Link, QStringLiteral("https://korvane.example/")), nullptr);
        EXPECT_NE(ChildNamed(dialog, QAccessible::StaticText, QStringLiteral("or check for updates on the web:")),
                  nullptr);
        for (int i = 0; i < dialog->childCount(); ++i) {
            EXPECT_EQ(dialog->child(i)->parent(), dialog);
            EXPECT_EQ(dialog->indexOfChild(dialog->child(i)), i);
            EXPECT_FALSE(dialog->child(i)->state().invisible);
            EXPECT_TRUE(dialog->rect().contains(dialog->child(i)->rect().center()));
        }
        QAccessibleInterface* ok = ChildNamed(dialog, QAccessible::PushButton, QStringLiteral("OK"));
        ASSERT_NE(ok, nullptr);
        EXPECT_TRUE(ok->state().defaultButton);
        ASSERT_NE(ok->actionInterface(), nullptr);
        EXPECT_EQ(ok->actionInterface()->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
        ok->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    });
    shown.start(0);
    QMetaObject::invokeMethod(form.box, "about");
    EXPECT_TRUE(walked);
    EXPECT_EQ(ShownWindow(QStringLiteral("About")), nullptr) << "OK closed the box";
}

// The desktop's message box is an alert named by its title, holding its
// prompt and its OK button; the reader's Press on OK answers it.
TEST(QuickAccessibility, AMessageBoxIsAnAlertWithItsPromptAndOK) {
    tk::quick::QuickDesktop desktop(tk::quick::QuickDesktop::Options{true});
    bool walked = false;
    desktop.OnModal([&](tk::Form&) {
        QQuickWindow* box = ShownWindow(QStringLiteral("Currency"));
        ASSERT_NE(box, nullptr);
        QAccessibleInterface* alert = QAccessible::queryAccessibleInterface(box);
        ASSERT_NE(alert, nullptr);
        SCOPED_TRACE(Outline(alert).toStdString());
        walked = true;
        EXPECT_EQ(alert->role(), QAccessible::AlertMessage);
        EXPECT_EQ(alert->text(QAccessible::Name), "Currency");
        ASSERT_EQ(RolesOf(alert), Roles({QAccessible::StaticText, QAccessible::PushButton}));
        EXPECT_EQ(alert->child(0)->text(QAccessible::Name), "Invalid property value");
        EXPECT_EQ(alert->child(1)->text(QAccessible::Name), "OK");
        EXPECT_EQ(alert->child(1)->parent(), alert);
        alert->child(1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    });
    EXPECT_EQ(desktop.MsgBox("Invalid property value", tk::msgbox::Critical, "Currency"), 1);
    EXPECT_TRUE(walked);
    EXPECT_EQ(desktop.Find("KorvaneMessageBox"), nullptr) << "OK answered it";
}

// A reader is told when the message box shows, as of a QMessageBox: a
// dialog starts and alerts; and when it ends.
TEST(QuickAccessibility, AReaderIsToldOfTheMessageBox) {
    Listening reader;
    if (!ReaderListens())
        GTEST_SKIP() << "no reader can listen here (run_with_atspi.sh gives one a bus)";
    tk::quick::QuickDesktop desktop(tk::quick::QuickDesktop::Options{true});
    bool started = false;
    bool alerted = false;
    desktop.OnModal([&](tk::Form&) {
        started = HeardOf(QAccessible::DialogStart, QAccessible::AlertMessage, QStringLiteral("Currency"));
        alerted = HeardOf(QAccessible::Alert, QAccessible::AlertMessage, QStringLiteral("Currency"));
        if (QQuickWindow* box = ShownWindow(QStringLiteral("Currency")))
            QAccessible::queryAccessibleInterface(box)->child(1)->actionInterface()->doAction(
                QAccessibleActionInterface::pressAction());
    });
    desktop.MsgBox("Invalid property value", tk::msgbox::Critical, "Currency");
    EXPECT_TRUE(started);
    EXPECT_TRUE(alerted);
    EXPECT_TRUE(std::any_of(g_heard.begin(), g_heard.end(), [](const Heard& h) {
        return h.type == QAccessible::DialogEnd;
    })) << "and that it ended";
}

// --- over AT-SPI ---------------------------------------------------------------------

struct Line {
    int depth = 0;
    QString role, name, states, description, text, actions;
};

// Walks this program over AT-SPI (tests/qt/atspi_walk.py) while its event
// loop answers the calls.
std::vector<Line> Walk() {
    QProcess walk;
    walk.start(QStringLiteral("/usr/bin/python3"),
               {QString::fromLocal8Bit(std::getenv("KORVANE_ATSPI_WALKER")), QCoreApplication::applicationName()});
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

// The object with `role` named `name` and the lines under it.
std::vector<Line> Subtree(const std::vector<Line>& lines, const QString& role, const QString& name) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].role != role || lines[i].name != name)
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
        out += QString(l.depth, ' ') + l.role + " '" + l.name.left(40) + "' [" + l.states + "] '" + l.text.left(40) +
               "' " + l.actions + '\n';
    return out;
}

bool Has(const Line& l, const char* state) {
    return l.states.split(',').contains(QString::fromLatin1(state));
}

QStringList Split(const QString& list) {
    return list.split(',', Qt::SkipEmptyParts);
}

#define SKIP_WITHOUT_ATSPI()                            \
    if (std::getenv("KORVANE_ATSPI_WALKER") == nullptr) \
    GTEST_SKIP() << "run by run_with_atspi.sh"

// The box's lines: one combo box, and under it only shown fields and the
// list of rows, each named; none of the control's other parts anywhere in
// the form's window.
void ExpectOneComboBoxWithNoAnonymousChildren(const std::vector<Line>& form, const std::vector<Line>& k) {
    ASSERT_FALSE(form.empty());
    EXPECT_EQ(std::count_if(form.begin(), form.end(), [](const Line& l) { return l.role == "combo box"; }), 2)
        << "the box and the ComboBox";
    for (const Line& l : form) {
        if (l.depth == form[0].depth + 1) {
            EXPECT_EQ(l.role, "combo box") << "the window holds the two combo boxes and nothing else";
        }
    }
    for (std::size_t i = 1; i < k.size(); ++i) {
        SCOPED_TRACE(k[i].role.toStdString());
        EXPECT_TRUE(k[i].role == "text" || k[i].role == "entry" || k[i].role == "list" || k[i].role == "list item");
        EXPECT_FALSE(k[i].name.isEmpty()) << "no anonymous part";
        EXPECT_TRUE(Has(k[i], "showing") || k[i].role == "list item");
    }
}

// What the ComboBox beside it has, the box has too: a name, the current
// text, a description, the states it shows and the actions.
void ExpectAsRichAs(const Line& k, const Line& q, bool editable) {
    EXPECT_EQ(k.text, "GBP Pound sterling");
    EXPECT_FALSE(k.description.isEmpty() && !q.description.isEmpty());
    for (const char* state : {"enabled", "sensitive", "focusable", "showing", "visible", "editable", "focused"}) {
        if (Has(q, state) && (editable || std::string_view(state) != "editable")) {
            EXPECT_TRUE(Has(k, state)) << state;
        }
    }
    EXPECT_EQ(Has(k, "editable"), editable);
    for (const QString& action : Split(q.actions))
        EXPECT_TRUE(Split(k.actions).contains(action)) << action.toStdString();
}

// Each style, closed and open, beside the ComboBox; each time the box and
// then the ComboBox has the focus.
TEST(QuickAtSpi, EachStyleIsOneComboBoxThatReadsAsRichlyAsTheComboBoxBesideIt) {
    SKIP_WITHOUT_ATSPI();
    for (const StyleCase& c : StyleCases()) {
        SCOPED_TRACE(c.label);
        Form form(c.style);
        QAccessibleInterface* korvane = form.Korvane();
        ASSERT_NE(korvane, nullptr);
        form.Focus();
        std::vector<Line> all = Walk();
        const std::vector<Line> window = Subtree(all, QStringLiteral("frame"), QStringLiteral("Currencies"));
        const std::vector<Line> k = Subtree(all, QStringLiteral("combo box"), QStringLiteral("Korvane"));
        ASSERT_FALSE(k.empty()) << Dump(all).toStdString();
        ExpectOneComboBoxWithNoAnonymousChildren(window, k);
        EXPECT_EQ(k[0].description, "The currency of the payment, row 4 of 11");
        EXPECT_TRUE(Has(k[0], "focused"));
        EXPECT_EQ(Has(k[0], "expandable"), c.expandable);
        EXPECT_EQ(Has(k[0], "collapsed"), c.expandable);
        EXPECT_EQ(std::count_if(k.begin(), k.end(), [](const Line& l) { return l.role == "list item"; }),
                  c.expandable ? 0 : 11)
            << "rows only while the list is shown";

        form.qt->forceActiveFocus();
        const std::vector<Line> q = Subtree(Walk(), QStringLiteral("combo box"), QStringLiteral("Qt"));
        ASSERT_FALSE(q.empty());
        SCOPED_TRACE((Dump(k) + "--\n" + Dump(q)).toStdString());
        ExpectAsRichAs(k[0], q[0], c.editable);
        if (!c.expandable)
            continue;

        form.Focus();
        korvane->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        ASSERT_TRUE(Poll([&] { return bool(korvane->state().expanded); }));
        const std::vector<Line> open = Subtree(Walk(), QStringLiteral("combo box"), QStringLiteral("Korvane"));
        ASSERT_FALSE(open.empty());
        SCOPED_TRACE(Dump(open).toStdString());
        EXPECT_TRUE(Has(open[0], "expanded"));
        EXPECT_FALSE(Has(open[0], "collapsed"));
        const auto row = std::find_if(open.begin(), open.end(), [](const Line& l) {
            return l.role == "list item" && l.name == "GBP Pound sterling";
        });
        ASSERT_NE(row, open.end());
        EXPECT_TRUE(Has(*row, "selected"));
        EXPECT_EQ(row->description, "row 4 of 11");
        EXPECT_EQ(std::count_if(open.begin(), open.end(), [](const Line& l) { return l.role == "list item"; }), 11);
        ExpectOneComboBoxWithNoAnonymousChildren(Subtree(Walk(), QStringLiteral("frame"), QStringLiteral("Currencies")),
                                                 open);

        form.Key(Qt::Key_Escape);
        ASSERT_TRUE(Poll([&] { return !korvane->state().expanded; }));
        const std::vector<Line> closed = Subtree(Walk(), QStringLiteral("combo box"), QStringLiteral("Korvane"));
        ASSERT_FALSE(closed.empty());
        EXPECT_TRUE(Has(closed[0], "collapsed"));
        EXPECT_EQ(std::count_if(closed.begin(), closed.end(), [](const Line& l) { return l.role == "list item"; }), 0);
    }
}

}  // namespace
}  // namespace korvane::test
