// The field of a text box on Qt, edited as a person edits any Qt field:
// keys, selection, words and graphemes, the clipboard, undo, a locked
// field, the mouse, a long text that scrolls, an input method, and a
// screen reader reading and editing it.
#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "contract/field_keys.h"
#include "qt_support.h"

namespace korvane::test {
namespace {

struct Press {
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
    const char* Text = "";
};

void Send(QWidget* w, const Press& p) {
    QKeyEvent down(QEvent::KeyPress, p.Key, p.Modifiers, QString::fromUtf8(p.Text));
    QApplication::sendEvent(w, &down);
    QKeyEvent up(QEvent::KeyRelease, p.Key, p.Modifiers, QString::fromUtf8(p.Text));
    QApplication::sendEvent(w, &up);
}

void Type(QWidget* w, const std::string& text) {
    for (char c : text)
        Send(w, {static_cast<Qt::Key>(Qt::Key_A + (std::toupper(static_cast<unsigned char>(c)) - 'A')), Qt::NoModifier,
                 std::string(1, c).c_str()});
}

// A form with one field of the host's, focused.
struct FieldHost {
    FieldHost() : host({.Fill = false}) {
        field = host.desktop.CreateTextBox(*host.form, "txtProbe");
        field->Top(2400);
        field->Width(3000);
        field->Height(330);
        field->OnChange = [this] { ++changes; };
        w = host.desktop.WidgetOf(*field);
        field->SetFocus();
        host.desktop.ProcessEventsFor(20);
    }
    void Start(const std::string& text, std::int32_t selStart, std::int32_t selLength) {
        field->Text(text);
        field->SelStart(selStart);
        field->SelLength(selLength);
        changes = 0;
    }

    QtHost host;
    std::unique_ptr<tk::TextBox> field;
    QWidget* w = nullptr;
    int changes = 0;
};

const Press kCtrlZ{Qt::Key_Z, Qt::ControlModifier};
const Press kRedo{Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier};

// A toolkit key as Qt delivers it.
Press QtPress(const tk::contract::FieldKey& k) {
    if (k.Typed != nullptr) {
        const char c = k.Typed[0];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        return {letter ? static_cast<Qt::Key>(Qt::Key_A + (std::toupper(static_cast<unsigned char>(c)) - 'A'))
                       : Qt::Key_unknown,
                (c >= 'A' && c <= 'Z') ? Qt::ShiftModifier : Qt::NoModifier, k.Typed};
    }
    Qt::KeyboardModifiers m;
    if ((k.Shift & tk::shift::Shift) != 0)
        m |= Qt::ShiftModifier;
    if ((k.Shift & tk::shift::Ctrl) != 0)
        m |= Qt::ControlModifier;
    switch (k.Code) {
        case tk::key::Left:
            return {Qt::Key_Left, m};
        case tk::key::Right:
            return {Qt::Key_Right, m};
        case tk::key::Home:
            return {Qt::Key_Home, m};
        case tk::key::End:
            return {Qt::Key_End, m};
        case tk::key::Delete:
            return {Qt::Key_Delete, m};
        case tk::key::Back:
            return {Qt::Key_Backspace, m, "\b"};
        default:
            return {static_cast<Qt::Key>(k.Code), m};
    }
}

using QtCase = tk::contract::FieldKeysCaseOf<Press>;

// The table every desktop plays, and what a Qt field does beyond it:
// words, graphemes, the clipboard and undo.
TEST(QtField, KeysEditAndSelectAsInAnyQtField) {
    std::vector<QtCase> cases;
    for (const auto& c : tk::contract::FieldKeysCases()) {
        QtCase q{c.Name, c.Text,      c.SelStart,      c.SelLength,      c.Locked,
                 {},     c.TextAfter, c.SelStartAfter, c.SelLengthAfter, c.Changes};
        for (const auto& k : c.Keys)
            q.Keys.push_back(QtPress(k));
        cases.push_back(q);
    }
    const QtCase qtOnly[] = {
        {"Ctrl+Right goes to the next word",
         "one two three",
         0,
         0,
         false,
         {{Qt::Key_Right, Qt::ControlModifier}},
         "one two three",
         4,
         0,
         0},
        {"Ctrl+Left goes to the word before",
         "one two three",
         13,
         0,
         false,
         {{Qt::Key_Left, Qt::ControlModifier}},
         "one two three",
         8,
         0,
         0},
        {"Ctrl+Backspace deletes the word before",
         "one two",
         7,
         0,
         false,
         {{Qt::Key_Backspace, Qt::ControlModifier}},
         "one ",
         4,
         0,
         1},
        {"Delete takes a character past U+FFFF whole",
         "a\xF0\x9F\x98\x80"
         "b",
         1,
         0,
         false,
         {{Qt::Key_Delete}},
         "ab",
         1,
         0,
         1},
        {"a combining mark goes with its letter",
         "e\xCC\x81x",
         0,
         0,
         false,
         {{Qt::Key_Right}, {Qt::Key_Delete}},
         "e\xCC\x81",
         2,
         0,
         1},
        {"undo takes typing back as one step",
         "ab",
         2,
         0,
         false,
         {{Qt::Key_C, {}, "c"}, {Qt::Key_D, {}, "d"}, {Qt::Key_E, {}, "e"}, kCtrlZ},
         "ab",
         2,
         0,
         4},
        {"redo puts it back selected",
         "ab",
         2,
         0,
         false,
         {{Qt::Key_C, {}, "c"}, {Qt::Key_D, {}, "d"}, kCtrlZ, kRedo},
         "abcd",
         2,
         2,
         4},
        {"undo gives deleted text back selected", "abcdef", 1, 3, false, {{Qt::Key_Delete}, kCtrlZ}, "abcdef", 1, 3, 2},
        {"copy and paste",
         "abcdef",
         1,
         3,
         false,
         {{Qt::Key_C, Qt::ControlModifier}, {Qt::Key_End}, {Qt::Key_V, Qt::ControlModifier}},
         "abcdefbcd",
         9,
         0,
         1},
        {"cut and paste",
         "abcdef",
         1,
         3,
         false,
         {{Qt::Key_X, Qt::ControlModifier}, {Qt::Key_Home}, {Qt::Key_V, Qt::ControlModifier}},
         "bcdaef",
         3,
         0,
         2},
        {"a locked field pastes nothing", "abcdef", 3, 0, true, {{Qt::Key_V, Qt::ControlModifier}}, "abcdef", 3, 0, 0},
    };
    cases.insert(cases.end(), std::begin(qtOnly), std::end(qtOnly));
    FieldHost f;
    for (const QtCase& c : cases) {
        SCOPED_TRACE(c.Name);
        QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));  // for a paste that must not happen
        f.field->Locked(c.Locked);
        f.Start(c.Text, c.SelStart, c.SelLength);
        for (const Press& p : c.Keys)
            Send(f.w, p);
        EXPECT_EQ(f.field->Text(), c.TextAfter);
        EXPECT_EQ(f.field->SelStart(), c.SelStartAfter);
        EXPECT_EQ(f.field->SelLength(), c.SelLengthAfter);
        EXPECT_EQ(f.changes, c.Changes) << "Change once per edit";
    }
}

// Writing the text by code starts a new history: the user's edits of the
// text before no longer apply to it.
// Undo and redo give back the very bytes, whatever an edit joined or split:
// malformed bytes that an edit brings together read as one character, but
// are still the bytes they were.
TEST(QtField, UndoAndRedoRestoreTheExactBytesOfMalformedText) {
    struct Case {
        const char* What;
        std::string Start;
        std::int32_t Caret;
        std::vector<Press> Keys;
        std::string Edited;
    };
    const Case cases[] = {
        {"Backspace joins the neighbours into one character",
         "\xE2x\x82\xAC",
         2,
         {{Qt::Key_Backspace}},
         "\xE2\x82\xAC"},
        {"Delete joins them", "\xE2x\x82\xAC", 1, {{Qt::Key_Delete}}, "\xE2\x82\xAC"},
    };
    FieldHost f;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        f.Start(c.Start, c.Caret, 0);
        for (const Press& p : c.Keys)
            Send(f.w, p);
        EXPECT_EQ(f.field->Text(), c.Edited);
        Send(f.w, kCtrlZ);
        EXPECT_EQ(f.field->Text(), c.Start) << "undo";
        Send(f.w, kRedo);
        EXPECT_EQ(f.field->Text(), c.Edited) << "redo";
        Send(f.w, kCtrlZ);
        EXPECT_EQ(f.field->Text(), c.Start) << "undo once more";
    }
}

// Seeded random edits of malformed, combining and valid text: undoing every
// step gives back the starting bytes, and redoing them the edited bytes.
TEST(QtField, RandomEditsOfAnyTextUndoToTheStartAndRedoToTheEnd) {
    // Mostly lone bytes that join into characters when they meet.
    const std::string pieces[] = {"\xE2", "\x82", "\xAC", "x",    "\xC3",      "\xA9",
                                  "\xF0", "\x9F", "\x98", "\x80", "e\xCC\x81", "\xE2\x82\xAC"};
    const Press keys[] = {{Qt::Key_Backspace},
                          {Qt::Key_Delete},
                          {Qt::Key_Left},
                          {Qt::Key_Right},
                          {Qt::Key_Home},
                          {Qt::Key_End},
                          {Qt::Key_B, Qt::NoModifier, "b"},
                          {Qt::Key_Left, Qt::ShiftModifier},
                          {Qt::Key_Backspace, Qt::ControlModifier},
                          {Qt::Key_Q, Qt::NoModifier, "q"}};
    FieldHost f;
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        std::string start;
        for (int i = 0; i < 10; ++i)
            start += pieces[random() % std::size(pieces)];
        f.Start(start, static_cast<std::int32_t>(random() % 6), 0);
        for (int i = 0; i < 30; ++i)
            Send(f.w, keys[random() % std::size(keys)]);
        const std::string edited = f.field->Text();
        for (int i = 0; i < 40; ++i)
            Send(f.w, kCtrlZ);
        EXPECT_EQ(f.field->Text(), start) << "every step undone";
        for (int i = 0; i < 40; ++i)
            Send(f.w, kRedo);
        EXPECT_EQ(f.field->Text(), edited) << "every step redone";
    }
}

TEST(QtField, ATextWrittenByCodeCannotBeUndoneIntoTheOldOne) {
    FieldHost f;
    f.Start("first", 5, 0);
    Type(f.w, "xy");
    ASSERT_EQ(f.field->Text(), "firstxy");
    for (const char* value : {"second", "third"})
        f.field->Text(value);
    EXPECT_EQ(f.field->SelStart(), 0);
    Send(f.w, kCtrlZ);
    EXPECT_EQ(f.field->Text(), "third");
    f.host.desktop.ProcessEventsFor(20);
    EXPECT_EQ(f.field->Text(), "third") << "running the events changed nothing";
}

// A field's text may be far longer than it shows: the view follows the
// caret, the end of the text fills the field, and the pointer finds the
// character under it.
TEST(QtField, ALongTextScrollsToKeepTheCaretInView) {
    FieldHost f;
    std::string words;
    for (int i = 0; i < 2000; ++i)
        words += "word ";
    f.Start(words, 0, 0);
    const QRect inside = f.w->rect();
    auto caretX = [&] { return f.w->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(); };
    auto units = static_cast<std::int32_t>(words.size());
    EXPECT_LT(caretX(), 8) << "the caret starts at the left";

    Send(f.w, {Qt::Key_End});
    EXPECT_EQ(f.field->SelStart(), units);
    EXPECT_TRUE(inside.contains(caretX(), inside.center().y())) << caretX();
    EXPECT_GT(caretX(), inside.width() / 2) << "the end of the text stands at the right";
    for (int i = 0; i < 300; ++i) {
        Send(f.w, {Qt::Key_Q, {}, "q"});
        ASSERT_TRUE(inside.contains(caretX(), inside.center().y())) << "after " << i << " keys: " << caretX();
    }
    for (int i = 0; i < 300; ++i)
        Send(f.w, {Qt::Key_Backspace, {}, "\b"});
    EXPECT_EQ(f.field->Text(), words);
    EXPECT_GT(caretX(), inside.width() / 2) << "deleting at the end keeps the field full";

    // A press at the right edge puts the caret near the end; a double
    // click selects the word under the pointer.
    SendClick(f.w);
    EXPECT_GT(f.field->SelStart(), units - 40);
    const QPoint middle = inside.center();
    QMouseEvent twice(QEvent::MouseButtonDblClick, middle, f.w->mapToGlobal(middle), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(f.w, &twice);
    EXPECT_EQ(f.field->SelLength(), 4) << "one word, without the blank after it";
    EXPECT_EQ(f.field->Text().substr(static_cast<std::size_t>(f.field->SelStart()), 4), "word");

    Send(f.w, {Qt::Key_Home});
    EXPECT_LT(caretX(), 8) << "Home shows the start again";
    f.host.Shot("field-long-text");
}

// Text that runs right to left is ordered as Qt orders it, inside the
// field: every character lies within the field's frame, the first
// character on the right of the second.
TEST(QtField, RightToLeftTextShowsInsideTheField) {
    FieldHost f;
    f.Start("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D", 0, 0);  // four Hebrew letters
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(f.w);
    ASSERT_NE(reader, nullptr);
    QAccessibleTextInterface* t = reader->textInterface();
    ASSERT_NE(t, nullptr);
    const QRect frame(f.w->mapToGlobal(QPoint(0, 0)), f.w->size());
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(frame.contains(t->characterRect(i))) << "within the field";
    }
    EXPECT_GT(t->characterRect(0).left(), t->characterRect(1).left()) << "the first letter is the rightmost";
    f.host.Shot("field-right-to-left");
}

// An input method composes a character before it commits it: the text
// shows the composition but holds only what was committed.
TEST(QtField, AnInputMethodsCompositionIsTypedOnlyWhenCommitted) {
    FieldHost f;
    f.Start("ab", 1, 0);
    QInputMethodEvent composing(QStringLiteral("\u3042"), {});
    QApplication::sendEvent(f.w, &composing);
    EXPECT_EQ(f.field->Text(), "ab");
    EXPECT_EQ(f.changes, 0);
    f.w->grab();
    QInputMethodEvent committed;
    committed.setCommitString(QStringLiteral("\u3042"));
    QApplication::sendEvent(f.w, &committed);
    EXPECT_EQ(f.field->Text(),
              "a\xE3\x81\x82"
              "b");
    EXPECT_EQ(f.field->SelStart(), 2);
    EXPECT_EQ(f.changes, 1);
    EXPECT_EQ(f.w->inputMethodQuery(Qt::ImSurroundingText).toString(), QStringLiteral("a\u3042b"));
    EXPECT_EQ(f.w->inputMethodQuery(Qt::ImCursorPosition).toInt(), 2);
}

// A screen reader counts UTF-16 offsets of the whole text; a byte that is
// no UTF-8 is one of them, a character past U+FFFF two.
std::vector<QString> g_news;  // what a reader heard of the field's text

void Listen(QAccessibleEvent* event) {
    switch (event->type()) {
        case QAccessible::TextInserted:
            g_news.push_back("+" + static_cast<QAccessibleTextInsertEvent*>(event)->textInserted() + "@" +
                             QString::number(static_cast<QAccessibleTextInsertEvent*>(event)->changePosition()));
            break;
        case QAccessible::TextRemoved:
            g_news.push_back("-" + static_cast<QAccessibleTextRemoveEvent*>(event)->textRemoved() + "@" +
                             QString::number(static_cast<QAccessibleTextRemoveEvent*>(event)->changePosition()));
            break;
        case QAccessible::TextUpdated:
            g_news.push_back("=" + static_cast<QAccessibleTextUpdateEvent*>(event)->textInserted());
            break;
        default:
            break;
    }
}

TEST(QtField, AScreenReaderReadsSelectsAndEditsTheWholeText) {
    QAccessible::installUpdateHandler(Listen);
    FieldHost f;
    const std::string text =
        "a\xF0\x9F\x98\x80"
        "b\xFF"
        "c";
    f.Start(text, 0, 0);
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(f.w);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->role(), QAccessible::EditableText);
    EXPECT_TRUE(reader->state().editable);
    QAccessibleTextInterface* t = reader->textInterface();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->characterCount(), 6);
    EXPECT_EQ(t->text(0, 3), QString::fromUtf8("a\xF0\x9F\x98\x80"));
    t->setCursorPosition(3);
    EXPECT_EQ(f.field->SelStart(), 2) << "past the pair is after the second character";
    t->setSelection(0, 1, 5);
    EXPECT_EQ(f.field->SelStart(), 1);
    EXPECT_EQ(f.field->SelLength(), 3);
    int start = 0, end = 0;
    t->selection(0, &start, &end);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 5);
    auto* edit =
        static_cast<QAccessibleEditableTextInterface*>(reader->interface_cast(QAccessible::EditableTextInterface));
    ASSERT_NE(edit, nullptr);
    edit->insertText(6, QStringLiteral("!"));
    EXPECT_EQ(f.field->Text(), text + "!") << "the byte that is no UTF-8 stays";
    f.field->Locked(true);
    edit->deleteText(0, 1);
    EXPECT_EQ(f.field->Text(), text + "!") << "a locked field refuses the reader's edits too";
    f.field->Locked(false);

    // What the reader hears, while the desktop's accessibility is on (with
    // a bus a reader listens on, run_with_atspi.sh): each edit at its
    // offset, a text written by code as a whole.
    g_news.clear();
    f.field->SelStart(4);
    Send(f.w, {Qt::Key_Backspace, {}, "\b"});
    Send(f.w, {Qt::Key_Q, {}, "q"});
    f.field->Text("new");
    if (QAccessible::isActive()) {
        const QString byte(QChar(0xDCFF));  // the byte that is no UTF-8, as Qt carries it
        EXPECT_EQ(g_news, (std::vector<QString>{"-" + byte + "@4", "+q@4", "=new"}));
    }
    QAccessible::installUpdateHandler(nullptr);
}

}  // namespace
}  // namespace korvane::test
