// The field editing suite (field_face.h): a text box of a Qt face edited
// as a person edits any Qt field: keys, selection, words and graphemes,
// the clipboard, undo, a locked field, the mouse, a long text that
// scrolls, an input method and right-to-left text. The same cases run on
// every Qt face.
#include <QClipboard>
#include <QGuiApplication>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "contract/field_keys.h"
#include "field/field_face.h"

namespace korvane::test::field {
namespace {

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

// What a Qt field does beyond the table every desktop plays: words,
// graphemes, the clipboard and undo.
const QtCase kQtCases[] = {
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
    {"Ctrl+Shift+Left selects the word before",
     "one two",
     7,
     0,
     false,
     {{Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier}},
     "one two",
     4,
     3,
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
    {"typing elsewhere is a step of its own",
     "ab",
     2,
     0,
     false,
     {{Qt::Key_C, {}, "c"}, {Qt::Key_Home}, {Qt::Key_D, {}, "d"}, kCtrlZ},
     "abc",
     0,
     0,
     3},
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
    {"a locked field undoes nothing", "abcdef", 6, 0, true, {{Qt::Key_Q, {}, "q"}, kCtrlZ}, "abcdef", 6, 0, 0},
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
    {"Ctrl+Insert copies and Shift+Insert pastes",
     "abcdef",
     0,
     2,
     false,
     {{Qt::Key_Insert, Qt::ControlModifier}, {Qt::Key_End}, {Qt::Key_Insert, Qt::ShiftModifier}},
     "abcdefab",
     8,
     0,
     1},
    {"Shift+Delete cuts",
     "abcdef",
     2,
     2,
     false,
     {{Qt::Key_Delete, Qt::ShiftModifier}, {Qt::Key_Home}, {Qt::Key_Insert, Qt::ShiftModifier}},
     "cdabef",
     2,
     0,
     2},
    {"pasting replaces the selection", "abcdef", 1, 4, false, {{Qt::Key_V, Qt::ControlModifier}}, "apastedf", 7, 0, 1},
    {"a locked field pastes nothing", "abcdef", 3, 0, true, {{Qt::Key_V, Qt::ControlModifier}}, "abcdef", 3, 0, 0},
    {"a locked field cuts nothing", "abcdef", 1, 2, true, {{Qt::Key_X, Qt::ControlModifier}}, "abcdef", 1, 2, 0},
};

std::vector<QtCase> AllKeyCases() {
    std::vector<QtCase> cases;
    for (const auto& c : tk::contract::FieldKeysCases()) {
        QtCase q{c.Name, c.Text,      c.SelStart,      c.SelLength,      c.Locked,
                 {},     c.TextAfter, c.SelStartAfter, c.SelLengthAfter, c.Changes};
        for (const auto& k : c.Keys)
            q.Keys.push_back(QtPress(k));
        cases.push_back(q);
    }
    cases.insert(cases.end(), std::begin(kQtCases), std::end(kQtCases));
    return cases;
}

// The table every desktop plays, and what a Qt field does beyond it.
TEST_P(FieldEditing, KeysEditAndSelectAsInAnyQtField) {
    for (const QtCase& c : AllKeyCases()) {
        SCOPED_TRACE(c.Name);
        QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
        face->Field().Locked(c.Locked);
        Start(c.Text, c.SelStart, c.SelLength);
        for (const Press& p : c.Keys)
            face->Key(p);
        EXPECT_EQ(face->Field().Text(), c.TextAfter);
        EXPECT_EQ(face->Field().SelStart(), c.SelStartAfter);
        EXPECT_EQ(face->Field().SelLength(), c.SelLengthAfter);
        EXPECT_EQ(face->Changes(), c.Changes) << "Change once per edit";
    }
    face->Field().Locked(false);
}

// What the clipboard holds after a copy or a cut: the selected text, also
// of a locked field (which only refuses to lose it).
TEST_P(FieldEditing, CopyAndCutPutTheSelectionOnTheClipboard) {
    struct Case {
        const char* What;
        bool Locked;
        Press Key;
        const char* Clipboard;
        const char* TextAfter;
    };
    const Case cases[] = {
        {"Ctrl+C",
         false,
         {Qt::Key_C, Qt::ControlModifier},
         "b\xC3\xA9",
         "ab\xC3\xA9"
         "d"},
        {"Ctrl+Insert",
         false,
         {Qt::Key_Insert, Qt::ControlModifier},
         "b\xC3\xA9",
         "ab\xC3\xA9"
         "d"},
        {"Ctrl+X", false, {Qt::Key_X, Qt::ControlModifier}, "b\xC3\xA9", "ad"},
        {"Shift+Delete", false, {Qt::Key_Delete, Qt::ShiftModifier}, "b\xC3\xA9", "ad"},
        {"Ctrl+C on a locked field",
         true,
         {Qt::Key_C, Qt::ControlModifier},
         "b\xC3\xA9",
         "ab\xC3\xA9"
         "d"},
        {"Ctrl+X on a locked field copies",
         true,
         {Qt::Key_X, Qt::ControlModifier},
         "b\xC3\xA9",
         "ab\xC3\xA9"
         "d"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        face->Field().Locked(c.Locked);
        Start(
            "ab\xC3\xA9"
            "d",
            1, 2);
        face->Key(c.Key);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(c.Clipboard));
        EXPECT_EQ(face->Field().Text(), c.TextAfter);
    }
    face->Field().Locked(false);
}

// Undo and redo give back the very bytes, whatever an edit joined or split:
// malformed bytes that an edit brings together read as one character, but
// are still the bytes they were.
TEST_P(FieldEditing, UndoAndRedoRestoreTheExactBytesOfMalformedText) {
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
         {{Qt::Key_Backspace, {}, "\b"}},
         "\xE2\x82\xAC"},
        {"Delete joins them", "\xE2x\x82\xAC", 1, {{Qt::Key_Delete}}, "\xE2\x82\xAC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Start(c.Start, c.Caret, 0);
        for (const Press& p : c.Keys)
            face->Key(p);
        EXPECT_EQ(face->Field().Text(), c.Edited);
        face->Key(kCtrlZ);
        EXPECT_EQ(face->Field().Text(), c.Start) << "undo";
        face->Key(kRedo);
        EXPECT_EQ(face->Field().Text(), c.Edited) << "redo";
        face->Key(kCtrlZ);
        EXPECT_EQ(face->Field().Text(), c.Start) << "undo once more";
    }
}

// Seeded random edits of malformed, combining and valid text: undoing every
// step gives back the starting bytes, and redoing them the edited bytes.
TEST_P(FieldEditing, RandomEditsOfAnyTextUndoToTheStartAndRedoToTheEnd) {
    // Mostly lone bytes that join into characters when they meet.
    const std::string pieces[] = {"\xE2", "\x82", "\xAC", "x",    "\xC3",      "\xA9",
                                  "\xF0", "\x9F", "\x98", "\x80", "e\xCC\x81", "\xE2\x82\xAC"};
    const Press keys[] = {{Qt::Key_Backspace, {}, "\b"},
                          {Qt::Key_Delete},
                          {Qt::Key_Left},
                          {Qt::Key_Right},
                          {Qt::Key_Home},
                          {Qt::Key_End},
                          {Qt::Key_B, Qt::NoModifier, "b"},
                          {Qt::Key_Left, Qt::ShiftModifier},
                          {Qt::Key_Backspace, Qt::ControlModifier},
                          {Qt::Key_Q, Qt::NoModifier, "q"}};
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        std::string start;
        for (int i = 0; i < 10; ++i)
            start += pieces[random() % std::size(pieces)];
        Start(start, static_cast<std::int32_t>(random() % 6), 0);
        for (int i = 0; i < 30; ++i)
            face->Key(keys[random() % std::size(keys)]);
        const std::string edited = face->Field().Text();
        for (int i = 0; i < 40; ++i)
            face->Key(kCtrlZ);
        EXPECT_EQ(face->Field().Text(), start) << "every step undone";
        for (int i = 0; i < 40; ++i)
            face->Key(kRedo);
        EXPECT_EQ(face->Field().Text(), edited) << "every step redone";
    }
}

// Writing the text by code starts a new history: the user's edits of the
// text before no longer apply to it.
TEST_P(FieldEditing, ATextWrittenByCodeCannotBeUndoneIntoTheOldOne) {
    Start("first", 5, 0);
    face->Key({Qt::Key_X, {}, "x"});
    face->Key({Qt::Key_Y, {}, "y"});
    ASSERT_EQ(face->Field().Text(), "firstxy");
    for (const char* value : {"second", "third"})
        face->Field().Text(value);
    EXPECT_EQ(face->Field().SelStart(), 0);
    face->Key(kCtrlZ);
    EXPECT_EQ(face->Field().Text(), "third");
    face->Settle();
    EXPECT_EQ(face->Field().Text(), "third") << "running the events changed nothing";
}

// A field's text may be far longer than it shows: the view follows the
// caret, the end of the text fills the field, and the pointer finds the
// character under it.
TEST_P(FieldEditing, ALongTextScrollsToKeepTheCaretInView) {
    std::string words;
    for (int i = 0; i < 2000; ++i)
        words += "word ";
    Start(words, 0, 0);
    const QSizeF size = face->Size();
    auto inside = [&] { return CaretX() >= 0 && CaretX() < size.width(); };
    const auto units = static_cast<std::int32_t>(words.size());
    EXPECT_LT(CaretX(), 8) << "the caret starts at the left";

    face->Key({Qt::Key_End});
    EXPECT_EQ(face->Field().SelStart(), units);
    EXPECT_TRUE(inside()) << CaretX();
    EXPECT_GT(CaretX(), size.width() / 2) << "the end of the text stands at the right";
    for (int i = 0; i < 300; ++i) {
        face->Key({Qt::Key_Q, {}, "q"});
        ASSERT_TRUE(inside()) << "after " << i << " keys: " << CaretX();
    }
    for (int i = 0; i < 300; ++i)
        face->Key({Qt::Key_Backspace, {}, "\b"});
    EXPECT_EQ(face->Field().Text(), words);
    EXPECT_GT(CaretX(), size.width() / 2) << "deleting at the end keeps the field full";
    face->Draw();

    // A press at the right edge puts the caret near the end; a double
    // click selects the word under the pointer.
    const QPointF right(size.width() - 3, size.height() / 2);
    face->Mouse(QEvent::MouseButtonPress, right, Qt::LeftButton, Qt::LeftButton);
    face->Mouse(QEvent::MouseButtonRelease, right, Qt::LeftButton, Qt::NoButton);
    EXPECT_GT(face->Field().SelStart(), units - 40);
    const QPointF middle(size.width() / 2, size.height() / 2);
    face->DoubleClick(middle);
    EXPECT_EQ(face->Field().SelLength(), 4) << "one word, without the blank after it";
    EXPECT_EQ(face->Field().Text().substr(static_cast<std::size_t>(face->Field().SelStart()), 4), "word");

    face->Key({Qt::Key_Home});
    EXPECT_LT(CaretX(), 8) << "Home shows the start again";
}

// A drag with the left button selects from the press to the pointer, in
// either direction; Shift with a press extends the selection.
TEST_P(FieldEditing, ADragWithTheMouseSelects) {
    Start("alpha beta gamma", 0, 0);
    const qreal y = face->Size().height() / 2;
    const qreal at2 = CaretX(2);
    const qreal at8 = CaretX(8);
    const qreal at12 = CaretX(12);
    face->Field().SelStart(0);
    face->Mouse(QEvent::MouseButtonPress, {at2, y}, Qt::LeftButton, Qt::LeftButton);
    face->Mouse(QEvent::MouseMove, {(at2 + at8) / 2, y}, Qt::NoButton, Qt::LeftButton);
    face->Mouse(QEvent::MouseMove, {at8, y}, Qt::NoButton, Qt::LeftButton);
    face->Mouse(QEvent::MouseButtonRelease, {at8, y}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(face->Field().SelStart(), 2);
    EXPECT_EQ(face->Field().SelLength(), 6);
    EXPECT_EQ(face->Query(Qt::ImCurrentSelection).toString(), QStringLiteral("pha be"));

    face->Mouse(QEvent::MouseButtonPress, {at12, y}, Qt::LeftButton, Qt::LeftButton);
    face->Mouse(QEvent::MouseMove, {at2, y}, Qt::NoButton, Qt::LeftButton);
    face->Mouse(QEvent::MouseButtonRelease, {at2, y}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(face->Field().SelStart(), 2) << "dragged backwards";
    EXPECT_EQ(face->Field().SelLength(), 10);

    face->Mouse(QEvent::MouseMove, {at8, y}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(face->Field().SelLength(), 10) << "a move without the button selects nothing";
    face->Key({Qt::Key_Q, {}, "q"});
    EXPECT_EQ(face->Field().Text(), "alqamma") << "typing replaces what was dragged over";
    face->Draw();
}

// An input method composes a character before it commits it: the text
// shows the composition but holds only what was committed; a commit may
// replace text around the caret.
TEST_P(FieldEditing, AnInputMethodsCompositionIsTypedOnlyWhenCommitted) {
    Start("ab", 1, 0);
    EXPECT_TRUE(face->Query(Qt::ImEnabled).toBool());
    QInputMethodEvent composing(QStringLiteral("\u3042"), {});
    face->InputMethod(composing);
    EXPECT_EQ(face->Field().Text(), "ab");
    EXPECT_EQ(face->Changes(), 0);
    face->Draw();
    QInputMethodEvent committed;
    committed.setCommitString(QStringLiteral("\u3042"));
    face->InputMethod(committed);
    EXPECT_EQ(face->Field().Text(),
              "a\xE3\x81\x82"
              "b");
    EXPECT_EQ(face->Field().SelStart(), 2);
    EXPECT_EQ(face->Changes(), 1);
    EXPECT_EQ(face->Query(Qt::ImSurroundingText).toString(), QStringLiteral("a\u3042b"));
    EXPECT_EQ(face->Query(Qt::ImCursorPosition).toInt(), 2);
    EXPECT_EQ(face->Query(Qt::ImTextBeforeCursor).toString(), QStringLiteral("a\u3042"));

    // The input method corrects the character before the caret.
    QInputMethodEvent corrected;
    corrected.setCommitString(QStringLiteral("\u3044"), -1, 1);
    face->InputMethod(corrected);
    EXPECT_EQ(face->Field().Text(),
              "a\xE3\x81\x84"
              "b");
    EXPECT_EQ(face->Changes(), 2);
    face->Key(kCtrlZ);
    EXPECT_EQ(face->Field().Text(),
              "a\xE3\x81\x82"
              "b")
        << "undo takes the correction back";
    face->Key(kCtrlZ);
    EXPECT_EQ(face->Field().Text(), "ab") << "and then what was committed";

    face->Field().Locked(true);
    EXPECT_FALSE(face->Query(Qt::ImEnabled).toBool());
    EXPECT_TRUE(face->Query(Qt::ImReadOnly).toBool());
    QInputMethodEvent refused;
    refused.setCommitString(QStringLiteral("x"));
    face->InputMethod(refused);
    EXPECT_EQ(face->Field().Text(), "ab") << "a locked field takes no input method's text";
    face->Field().Locked(false);
}

// Text that runs right to left is ordered as Qt orders it: its first
// character stands on the right, inside the field. In a right-to-left
// application the field keeps the left-to-right layout the whole control
// keeps, and the arrows step through the text in its own order.
TEST_P(FieldEditing, RightToLeftTextRunsFromTheRight) {
    struct Direction {
        explicit Direction(Qt::LayoutDirection d) { QGuiApplication::setLayoutDirection(d); }
        ~Direction() { QGuiApplication::setLayoutDirection(Qt::LeftToRight); }
    };
    for (const Qt::LayoutDirection application : {Qt::LeftToRight, Qt::RightToLeft}) {
        SCOPED_TRACE(application == Qt::LeftToRight ? "left-to-right application" : "right-to-left application");
        Direction direction(application);
        face->Settle();
        Start("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D", 0, 0);  // four Hebrew letters
        const qreal start = CaretX(0);
        const qreal end = CaretX(4);
        EXPECT_GT(start, end) << "the text starts on the right";
        EXPECT_GE(end, 0) << "and lies within the field";
        EXPECT_LT(start, face->Size().width());
        face->Draw();
        face->Field().SelStart(2);
        face->Key({Qt::Key_Right});
        EXPECT_EQ(face->Field().SelStart(), 3);
        face->Key({Qt::Key_Left, Qt::ShiftModifier});
        face->Key({Qt::Key_Left, Qt::ShiftModifier});
        EXPECT_EQ(face->Field().SelStart(), 1);
        EXPECT_EQ(face->Field().SelLength(), 2);
        face->Key({Qt::Key_Delete});
        EXPECT_EQ(face->Field().Text(), "\xD7\xA9\xD7\x9D");
    }
    face->Settle();
}

}  // namespace
}  // namespace korvane::test::field
