// The Qt desktop with the control on it, where the real toolkit could differ
// from the model: what a screen reader is told, keys cancelled by a handler,
// fonts the machine lacks, the modal drop-down of a foreign host, drop-downs
// at the screen's edges, and windows or controls that go away while their
// drop-down is open or a sort runs.
#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "qt_support.h"

namespace korvane::test {
namespace {

void SendKey(QWidget* w, Qt::Key key, const QString& text = {}, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(w, &release);
}

bool AnyToolWindowShown() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && (top->windowFlags() & Qt::Tool) == Qt::Tool)
            return true;
    }
    return false;
}

// --- accessibility -----------------------------------------------------------------------

// Each part of the control has the face its role gives it: the fields are
// named editable texts, the list of rows is a list named as the combo box
// with the current row (both columns) as value, and the parts a reader
// never meets on their own (button, pictures, labels, the second column's
// list) are invisible and childless.
TEST(QtAccessibility, EveryPartOfTheControlHasTheFaceOfItsRole) {
    struct Expected {
        const char* Widget;
        QAccessible::Role Role;
        const char* Name;  // null: named as the combo box
    };
    const Expected dropdown[] = {
        {"txtCol1", QAccessible::EditableText, "Column 1"},
        {"txtCol2", QAccessible::EditableText, "Column 2"},
        {"imgCombo", QAccessible::NoRole, ""},
        {"imgCboUp", QAccessible::NoRole, ""},
        {"lstCol1", QAccessible::List, nullptr},
        {"lstCol2", QAccessible::NoRole, ""},
    };
    const Expected simple[] = {
        {"lstCol1a", QAccessible::List, nullptr},
        {"lstCol2a", QAccessible::NoRole, ""},
    };
    const Expected list[] = {
        {"lblCol1", QAccessible::NoRole, ""},
        {"lblCol2", QAccessible::NoRole, ""},
    };
    const std::pair<StyleType, std::vector<Expected>> styles[] = {
        {StyleType::DropdownCombo, {std::begin(dropdown), std::end(dropdown)}},
        {StyleType::SimpleCombo, {std::begin(simple), std::end(simple)}},
        {StyleType::DropdownList, {std::begin(list), std::end(list)}},
    };
    for (const auto& [style, expected] : styles) {
        QtHost host({.Style = style});
        host.control->ListIndex(2);
        QAccessibleInterface* surface =
            QAccessible::queryAccessibleInterface(host.desktop.WidgetOf(host.control->Container()));
        ASSERT_NE(surface, nullptr);
        EXPECT_EQ(surface->role(), QAccessible::ComboBox);
        for (const Expected& e : expected) {
            SCOPED_TRACE(e.Widget);
            QWidget* w = host.desktop.WidgetOf(host.Widget(e.Widget));
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(a->role(), e.Role);
            if (e.Role == QAccessible::NoRole) {
                EXPECT_TRUE(a->state().invisible);
                EXPECT_EQ(a->childCount(), 0);
                continue;
            }
            EXPECT_EQ(a->text(QAccessible::Name),
                      e.Name != nullptr ? QString::fromLatin1(e.Name) : surface->text(QAccessible::Name));
            if (e.Role == QAccessible::List) {
                EXPECT_EQ(a->parent(), surface) << "the list of rows belongs to the combo box";
                EXPECT_EQ(a->text(QAccessible::Value).toStdString(), "EUR Euro") << "the current row is told";
            }
        }
    }
}

// --- keys ----------------------------------------------------------------------------------

TEST(QtKeys, AKeyCodeOrKeyAsciiOfZeroStopsTheWidgetsOwnHandling) {
    QtHost host({.Fill = false});
    auto text = host.desktop.CreateTextBox(*host.form, "txtProbe");
    auto list = host.desktop.CreateListBox(*host.form, "lstProbe");
    text->Top(2000);
    list->Top(2400);
    for (const char* row : {"a", "b", "c"})
        list->AddItem(row);
    struct Case {
        const char* What;
        Qt::Key Key;
        const char* Typed;
        bool CancelKeyDown;
        bool CancelKeyPress;
        const char* TextAfter;
        std::int32_t ListIndexAfter;
    };
    const Case cases[] = {
        {"a character goes in", Qt::Key_X, "x", false, false, "abx", 1},
        {"KeyAscii 0 keeps it out", Qt::Key_X, "x", false, true, "ab", 0},
        {"Delete deletes", Qt::Key_Delete, "", false, false, "a", 1},
        {"KeyCode 0 keeps Delete from deleting", Qt::Key_Delete, "", true, false, "ab", 0},
        {"Down moves the list", Qt::Key_Down, "", false, false, "ab", 1},
        {"KeyCode 0 keeps the list still", Qt::Key_Down, "", true, false, "ab", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        std::vector<std::int16_t> codes;
        auto keyDown = [&](std::int16_t& code, std::int16_t&) {
            codes.push_back(code);
            if (c.CancelKeyDown)
                code = 0;
        };
        text->OnKeyDown = keyDown;
        list->OnKeyDown = keyDown;
        text->OnKeyPress = [&](std::int16_t& ascii) {
            if (c.CancelKeyPress)
                ascii = 0;
        };
        text->Text("ab");
        text->SelStart(c.Key == Qt::Key_Delete ? 1 : 2);
        list->ListIndex(0);
        const bool toList = c.Key == Qt::Key_Down;
        SendKey(host.desktop.WidgetOf(toList ? static_cast<tk::Widget&>(*list) : *text), c.Key,
                QString::fromLatin1(c.Typed));
        EXPECT_EQ(text->Text(), c.TextAfter);
        EXPECT_EQ(list->ListIndex(), toList ? c.ListIndexAfter : 0);
        ASSERT_EQ(codes.size(), 1u);
        EXPECT_EQ(codes[0], c.Key == Qt::Key_X ? 'X' : c.Key == Qt::Key_Delete ? 46 : 40);
    }
}

// A field set many times before it is next painted (code moving through
// the rows): whatever reads it in between, the control, a key, a paint or
// a screen reader, finds the last text with the caret at the start.
TEST(QtFields, AFieldSetManyTimesBetweenPaintsReadsAndShowsTheLastText) {
    QtHost host({.Fill = false});
    auto text = host.desktop.CreateTextBox(*host.form, "txtProbe");
    text->Top(2000);
    text->Width(3000);
    QWidget* field = host.desktop.WidgetOf(*text);
    ASSERT_NE(field, nullptr);
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(field);
    ASSERT_NE(reader, nullptr);
    struct Case {
        const char* What;
        std::function<void()> Then;  // right after the writes, no events run
        const char* TextAfter;
        std::int32_t CaretAfter;
    };
    const Case cases[] = {
        {"nothing else", [] {}, "third", 0},
        {"the caret placed by code stays", [&] { text->SelStart(2); }, "third", 2},
        {"a selection made by code stays",
         [&] {
             text->SelStart(1);
             text->SelLength(3);
         },
         "third", 1},
        {"a key goes into the last text at the caret", [&] { SendKey(field, Qt::Key_X, QStringLiteral("x")); },
         "xthird", 1},
        {"a paint shows the last text", [&] { field->grab(); }, "third", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        text->Text("start");
        text->SelStart(3);
        host.desktop.ProcessEventsFor(10);
        for (const char* value : {"first", "second", "third"})
            text->Text(value);
        EXPECT_EQ(text->SelStart(), 0);
        EXPECT_EQ(text->SelLength(), 0);
        c.Then();
        EXPECT_EQ(text->Text(), c.TextAfter);
        EXPECT_EQ(text->SelStart(), c.CaretAfter);
        host.desktop.ProcessEventsFor(10);
        EXPECT_EQ(reader->text(QAccessible::Value).toStdString(), c.TextAfter) << "the Qt field shows it";
        EXPECT_EQ(text->Text(), c.TextAfter);
        EXPECT_EQ(text->SelStart(), c.CaretAfter) << "running the events moved nothing";
    }
}

// --- fonts ---------------------------------------------------------------------------------

TEST(QtFonts, AFaceTheMachineLacksIsDrawnInTheDesktopsSansSerifAndKeepsItsName) {
    QtHost host({});
    auto& field = host.Widget("txtCol1");
    ASSERT_EQ(field.Font()->Name, "MS Sans Serif");
    for (const char* face : {"MS Sans Serif", "No Such Face 123"}) {
        SCOPED_TRACE(face);
        auto font = std::make_shared<tk::Font>();
        font->Name = face;
        font->Size = 10;
        host.control->Font(font);
        host.desktop.ProcessEventsFor(20);
        EXPECT_EQ(host.control->Font()->Name, face);
        EXPECT_EQ(host.Widget("txtCol1").Font()->Name, face);
        const QFont shown = host.desktop.WidgetOf(host.Widget("txtCol1"))->font();
        EXPECT_NE(shown.family().toStdString(), face);
        EXPECT_FALSE(shown.family().isEmpty());
        EXPECT_GT(host.form->TextHeight("X"), 0);
    }
}

// --- hosts ---------------------------------------------------------------------------------

TEST(QtHosts, AControlInAForeignWindowOpensItsDropDownModallyWithTheTimerTicking) {
    QtHost host({});
    QWidget foreign;
    foreign.setGeometry(300, 300, 400, 200);
    foreign.show();
    const tk::Hwnd window = host.desktop.AdoptForeignWindow(foreign, "ForeignFrame");
    host.desktop.Reparent(host.control->Container(), window);
    host.desktop.ProcessEventsFor(50);

    bool sawModal = false;
    int clicksInside = -1;
    QTimer::singleShot(300, [&] {
        QWidget* drop = host.desktop.WidgetOf(host.DropDown());
        sawModal = drop->isVisible() && QApplication::activeModalWidget() == drop;
        // Inside the nested loop: a row chosen with Enter is handed over by
        // the focus watcher, whose timer must keep ticking here.
        SendKey(host.desktop.WidgetOf(host.List("lstCol1")), Qt::Key_Down);
        SendKey(host.desktop.WidgetOf(host.List("lstCol1")), Qt::Key_Return, QStringLiteral("\r"));
        clicksInside = host.recorder.Count("Click");
    });
    SendClick(host.desktop.WidgetOf(host.Widget("imgCombo")));  // returns when the modal drop-down has closed
    EXPECT_TRUE(sawModal);
    EXPECT_FALSE(host.DropDownOpen());
    ASSERT_TRUE(WaitUntil(host.desktop, [&] { return host.control->ListIndex() == 0; }));
    EXPECT_EQ(clicksInside, 0);
    EXPECT_EQ(host.recorder.Count("Click"), 1);
    host.control.reset();
}

TEST(QtHosts, OurOwnFormsGetTheModelessDropDown) {
    QtHost host({});
    SendClick(host.desktop.WidgetOf(host.Widget("imgCombo")));
    ASSERT_TRUE(host.DropDownOpen()) << "returned at once with the list open";
    QWidget* drop = host.desktop.WidgetOf(host.DropDown());
    EXPECT_EQ(drop->windowModality(), Qt::NonModal);
    EXPECT_EQ(drop->windowFlags() & (Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
}

// --- bad input -----------------------------------------------------------------------------

TEST(QtBadInput, TheDropDownStaysOnTheScreenWhereverTheControlIs) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int formW = 480, formH = 300, controlW = 283, controlH = 22;
    struct Where {
        const char* What;
        int FormLeft, FormTop, ControlLeft, ControlTop;
        std::int32_t ListHeight;
    };
    const Where places[] = {
        {"top left corner", 0, 0, 0, 0, 1800},
        {"right edge", screen.width() - formW, 200, formW - controlW, 100, 1800},
        {"bottom edge", 200, screen.height() - formH, 20, formH - controlH, 1800},
        {"bottom right corner", screen.width() - formW, screen.height() - formH, formW - controlW, formH - controlH,
         1800},
        {"a list taller than the screen", 200, 200, 20, 20, 40000},
    };
    for (const Where& w : places) {
        SCOPED_TRACE(w.What);
        QtHost host(
            {.LeftPx = w.FormLeft, .TopPx = w.FormTop, .ControlLeftPx = w.ControlLeft, .ControlTopPx = w.ControlTop});
        for (int i = 0; i < 150; ++i)
            host.control->AddItem("R" + std::to_string(i), "row " + std::to_string(i));
        host.control->ListHeight(w.ListHeight);
        SendClick(host.desktop.WidgetOf(host.Widget("imgCombo")));
        ASSERT_TRUE(host.DropDownOpen());
        host.desktop.ProcessEventsFor(30);
        const tk::Rect r = host.desktop.ScreenRectPx(host.DropDown());
        EXPECT_GE(r.Left, screen.left());
        EXPECT_GE(r.Top, screen.top());
        EXPECT_LE(r.Right, screen.right() + 1);
        EXPECT_LE(r.Bottom, screen.bottom() + 1);
        EXPECT_GT(r.Bottom - r.Top, 0);
    }
}

TEST(QtBadInput, NothingIsLeftOnTheScreenWhenTheHostOrTheControlGoesWhileTheListIsOpen) {
    struct Case {
        const char* What;
        std::function<void(QtHost&)> Away;
    };
    const Case cases[] = {
        {"the control destroyed", [](QtHost& h) { h.control.reset(); }},
        {"the host form unloaded", [](QtHost& h) { h.form->Unload(); }},
        {"the host window closed by the user", [](QtHost& h) { h.desktop.WidgetOf(*h.form)->close(); }},
        {"the host form destroyed first", [](QtHost& h) { h.form.reset(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        auto host = std::make_unique<QtHost>(QtHost::Options{});
        SendClick(host->desktop.WidgetOf(host->Widget("imgCombo")));
        ASSERT_TRUE(host->DropDownOpen());
        c.Away(*host);
        EXPECT_TRUE(WaitUntil(
            host->desktop, [] { return !AnyToolWindowShown(); }, 1000));
        host.reset();
        EXPECT_FALSE(AnyToolWindowShown());
    }
}

TEST(QtBadInput, TheControlDestroyedInsideItsModalDropDownOrDuringASortLeavesNothingBehind) {
    {
        QtHost host({});
        QWidget foreign;
        foreign.setGeometry(300, 300, 400, 200);
        foreign.show();
        host.desktop.Reparent(host.control->Container(), host.desktop.AdoptForeignWindow(foreign, "ForeignFrame"));
        QTimer::singleShot(200, [&] { host.control.reset(); });
        SendClick(host.desktop.WidgetOf(host.Widget("imgCombo")));
        EXPECT_EQ(host.control, nullptr);
        EXPECT_FALSE(AnyToolWindowShown());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    {
        QtHost host({});
        for (int i = 0; i < 20000; ++i)
            host.control->AddItem(std::to_string((i * 7919) % 20000), "row");
        QTimer::singleShot(0, [&] { host.control.reset(); });
        EXPECT_NO_THROW(host.control->Sort(1, true));
        EXPECT_EQ(host.control, nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the busy pointer went with the sort";
    }
}

// Each list of Simple Combo shows when it has the focus, with a current row
// and without one: what a list looks like with the focus differs from what
// it looks like without.
TEST(QtFocusShown, SimpleCombosListsTookTheFocusWithNoFocusIndicator) {
    QtHost host({.Style = StyleType::SimpleCombo});
    for (std::int32_t row : {-1, 3}) {
        host.control->ListIndex(row);
        for (const char* name : {"lstCol1a", "lstCol2a"}) {
            SCOPED_TRACE(std::string(name) + " on row " + std::to_string(row));
            tk::ListBox& list = host.List(name);
            QWidget* w = host.desktop.WidgetOf(list);
            host.Text("txtCol1").SetFocus();
            host.desktop.ProcessEventsFor(30);
            const QImage without = w->grab().toImage();
            list.SetFocus();
            host.desktop.ProcessEventsFor(30);
            ASSERT_EQ(host.desktop.GetFocus(), list.hWnd());
            ASSERT_EQ(list.ListIndex(), row);
            EXPECT_NE(w->grab().toImage(), without);
        }
    }
}

}  // namespace
}  // namespace korvane::test
