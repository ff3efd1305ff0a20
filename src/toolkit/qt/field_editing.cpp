// The field's editing on Qt: edits with their undo history, the caret
// moving by graphemes and words, the clipboard, and the keys and typed
// characters the control's handlers leave to the field.
#include <QGuiApplication>
#include <QPointer>

#include "field_widget_p.h"
#include "text/utf8.h"

namespace korvane::tk::qt {

using namespace field;

// An edit by the user through the text box, remembered for undo. The
// handlers of Change may do anything, the field's death included.
bool FieldWidget::Impl::Edit(std::int32_t from, std::int32_t count, std::string_view bytes, bool typing) {
    QtTextBox* box = Box();
    if (box == nullptr || box->locked)
        return true;
    model::FieldText& f = box->field;
    from = std::clamp(from, 0, f.Units());
    count = std::clamp(count, 0, f.Units() - from);
    std::string removed(f.Slice(from, from + count));
    if (removed.empty() && bytes.empty())
        return true;
    const bool joins = typing && count == 0 && !undo.empty() && undo.back().typing && typingEnd == from;
    if (joins) {
        undo.back().inserted.append(bytes);
    } else {
        undo.push_back({f.ByteOf(from), std::move(removed), std::string(bytes), typing});
        if (undo.size() > kUndoSteps)
            undo.pop_front();
    }
    redo.clear();
    return Apply(from, count, bytes, typing);
}

// Puts an edit into the text box; its Change handlers may do anything.
bool FieldWidget::Impl::Apply(std::int32_t from, std::int32_t count, std::string_view bytes, bool typing) {
    QPointer<FieldWidget> alive(&w);
    const bool lives = Box()->UserEdit(from, count, bytes);
    if (!lives || alive.isNull() || Box() == nullptr)
        return false;
    typingEnd = typing ? Box()->field.Caret() : -1;
    Changed();
    return true;
}

bool FieldWidget::Impl::DeleteSelectionOr(std::int32_t from, std::int32_t to) {
    const model::FieldText& f = Box()->field;
    if (f.HasSelection())
        return Edit(f.SelStart(), f.SelLength(), {}, false);
    if (to <= from)
        return true;
    return Edit(from, to - from, {}, false);
}

// Undo and redo put back the text of one step and select it.
bool FieldWidget::Impl::Revert(bool back) {
    QtTextBox* box = Box();
    if (box == nullptr || box->locked || (back ? undo.empty() : redo.empty()))
        return true;
    Step step = back ? std::move(undo.back()) : std::move(redo.back());
    if (back)
        undo.pop_back();
    else
        redo.pop_back();
    const std::string now = back ? step.inserted : step.removed;
    const std::string then = back ? step.removed : step.inserted;
    const std::size_t begin = std::min(step.from, box->field.Text().size());
    if (back)
        redo.push_back(std::move(step));
    else
        undo.push_back(std::move(step));
    // The step's bytes may share units with their neighbours: those units
    // are replaced whole, their outer bytes kept, so every byte comes back.
    const model::FieldText& f = box->field;
    const std::string& text = f.Text();
    const std::size_t end = std::min(begin + now.size(), text.size());
    const std::int32_t first = f.UnitAt(begin);
    const std::int32_t last = f.UnitFrom(end);
    const std::size_t outerBegin = f.ByteOf(first);
    const std::size_t outerEnd = f.ByteOf(last);
    std::string bytes = text.substr(outerBegin, begin - outerBegin);
    bytes += then;
    bytes += text.substr(end, outerEnd - end);
    if (!Apply(first, last - first, bytes, false))
        return false;
    model::FieldText& after = Box()->field;
    after.Select(after.UnitAt(begin), after.UnitFrom(begin + then.size()));
    Changed();
    return true;
}

void FieldWidget::Impl::Move(std::int32_t unit, bool extend) {
    QtTextBox* box = Box();
    if (box == nullptr)
        return;
    box->field.MoveCaret(unit, extend);
    typingEnd = -1;
    Changed();
}

// The next or previous place the caret may stand, by characters (whole
// graphemes) or by words.
std::int32_t FieldWidget::Impl::Next(std::int32_t from, int direction, QTextLayout::CursorMode mode) {
    Piece& p = Around(from);
    const int offset = p.Offset(from);
    const int next =
        direction > 0 ? p.layout.nextCursorPosition(offset, mode) : p.layout.previousCursorPosition(offset, mode);
    if (next == offset)
        return std::clamp(from + direction, 0, Box()->field.Units());
    return p.UnitOf(next);
}

// The word under the pointer, without the blanks after it.
void FieldWidget::Impl::SelectWordAt(std::int32_t unit) {
    Piece& p = Around(unit);
    const int offset = p.Offset(unit);
    const QString text = p.layout.text();
    const int next = std::min(offset + 1, static_cast<int>(text.size()));
    const int start = p.layout.previousCursorPosition(next, QTextLayout::SkipWords);
    int end = p.layout.nextCursorPosition(start, QTextLayout::SkipWords);
    while (end > offset && end > 0 && text.at(end - 1).isSpace())
        --end;
    Box()->field.Select(p.UnitOf(start), p.UnitOf(end));
    typingEnd = -1;
    Changed();
}

void FieldWidget::Impl::Copy(QClipboard::Mode mode) const {
    const model::FieldText& f = Box()->field;
    if (f.HasSelection())
        QGuiApplication::clipboard()->setText(ToQ(f.Slice(f.SelStart(), f.SelStart() + f.SelLength())), mode);
}

bool FieldWidget::Impl::Paste(QClipboard::Mode mode) {
    const std::string clip = FromQ(QGuiApplication::clipboard()->text(mode));
    const model::FieldText& f = Box()->field;
    if (clip.empty() && !f.HasSelection())
        return true;
    return Edit(f.SelStart(), f.SelLength(), clip, false);
}

namespace {

// What a key the field owns does.
enum class Does { Step, StepOrCollapse, Start, End, SelectAll, Copy, Cut, Paste, Undo, Redo, Delete };

// The field's keys, Qt's standard ones for the platform. A step goes
// `Direction` places of `Mode` (graphemes or words); Right and Left, and
// the words on them, follow the layout direction; Delete steps in the
// text's own order.
struct Binding {
    QKeySequence::StandardKey Key;
    Does What;
    int Direction = 0;
    QTextLayout::CursorMode Mode = QTextLayout::SkipCharacters;
    bool Extend = false;  // the selection grows from where it began
};

constexpr QTextLayout::CursorMode kWords = QTextLayout::SkipWords;

const Binding kBindings[] = {
    {QKeySequence::MoveToNextChar, Does::StepOrCollapse, 1},
    {QKeySequence::MoveToPreviousChar, Does::StepOrCollapse, -1},
    {QKeySequence::SelectNextChar, Does::Step, 1, QTextLayout::SkipCharacters, true},
    {QKeySequence::SelectPreviousChar, Does::Step, -1, QTextLayout::SkipCharacters, true},
    {QKeySequence::MoveToNextWord, Does::Step, 1, kWords},
    {QKeySequence::MoveToPreviousWord, Does::Step, -1, kWords},
    {QKeySequence::SelectNextWord, Does::Step, 1, kWords, true},
    {QKeySequence::SelectPreviousWord, Does::Step, -1, kWords, true},
    {QKeySequence::MoveToStartOfLine, Does::Start},
    {QKeySequence::MoveToStartOfBlock, Does::Start},
    {QKeySequence::MoveToStartOfDocument, Does::Start},
    {QKeySequence::MoveToEndOfLine, Does::End},
    {QKeySequence::MoveToEndOfBlock, Does::End},
    {QKeySequence::MoveToEndOfDocument, Does::End},
    {QKeySequence::SelectStartOfLine, Does::Start, 0, QTextLayout::SkipCharacters, true},
    {QKeySequence::SelectStartOfBlock, Does::Start, 0, QTextLayout::SkipCharacters, true},
    {QKeySequence::SelectStartOfDocument, Does::Start, 0, QTextLayout::SkipCharacters, true},
    {QKeySequence::SelectEndOfLine, Does::End, 0, QTextLayout::SkipCharacters, true},
    {QKeySequence::SelectEndOfBlock, Does::End, 0, QTextLayout::SkipCharacters, true},
    {QKeySequence::SelectEndOfDocument, Does::End, 0, QTextLayout::SkipCharacters, true},
    {QKeySequence::SelectAll, Does::SelectAll},
    {QKeySequence::Copy, Does::Copy},
    {QKeySequence::Cut, Does::Cut},
    {QKeySequence::Paste, Does::Paste},
    {QKeySequence::Undo, Does::Undo},
    {QKeySequence::Redo, Does::Redo},
    {QKeySequence::DeleteEndOfWord, Does::Delete, 1, kWords},
    {QKeySequence::DeleteStartOfWord, Does::Delete, -1, kWords},
    {QKeySequence::Delete, Does::Delete, 1},
};

const Binding* BindingOf(const QKeyEvent& e) {
    for (const Binding& b : kBindings) {
        if (e.matches(b.Key))
            return &b;
    }
    return nullptr;
}

}  // namespace

// The field's own handling of a key the handlers left: the caret keys,
// Delete and the clipboard keys.
void FieldWidget::Impl::Key(QKeyEvent& e) {
    QtTextBox* box = Box();
    if (box == nullptr)
        return;
    static const Binding kPlainDelete{QKeySequence::Delete, Does::Delete, 1};
    const Binding* b = BindingOf(e);
    if (b == nullptr && e.key() == Qt::Key_Delete)
        b = &kPlainDelete;
    if (b == nullptr)
        return;
    const model::FieldText& f = box->field;
    const std::int32_t caret = f.Caret();
    const int shown = w.layoutDirection() == Qt::RightToLeft ? -b->Direction : b->Direction;
    switch (b->What) {
        case Does::StepOrCollapse:
            if (f.HasSelection()) {
                Move(shown > 0 ? f.SelStart() + f.SelLength() : f.SelStart(), false);
                break;
            }
            [[fallthrough]];
        case Does::Step:
            Move(Next(caret, shown, b->Mode), b->Extend);
            break;
        case Does::Start:
            Move(0, b->Extend);
            break;
        case Does::End:
            Move(f.Units(), b->Extend);
            break;
        case Does::SelectAll:
            box->field.Select(0, f.Units());
            typingEnd = -1;
            Changed();
            break;
        case Does::Copy:
            Copy(QClipboard::Clipboard);
            break;
        case Does::Cut:
            Copy(QClipboard::Clipboard);
            if (!box->locked)
                DeleteSelectionOr(caret, caret);
            break;
        case Does::Paste:
            Paste(QClipboard::Clipboard);
            break;
        case Does::Undo:
            Revert(true);
            break;
        case Does::Redo:
            Revert(false);
            break;
        case Does::Delete:
            if (b->Direction > 0)
                DeleteSelectionOr(caret, Next(caret, 1, b->Mode));
            else
                DeleteSelectionOr(Next(caret, -1, b->Mode), caret);
            break;
    }
}

// A character the handlers left: Backspace deletes one unit back;
// other control characters are not text; the rest replaces the
// selection, as typed or as the handlers changed it.
void FieldWidget::Impl::Char(const QKeyEvent& e, std::int16_t ascii, bool asTyped) {
    QtTextBox* box = Box();
    if (box == nullptr || box->locked)
        return;
    const model::FieldText& f = box->field;
    if (ascii == key::Back) {
        DeleteSelectionOr(std::max(0, f.Caret() - 1), f.Caret());
        return;
    }
    if (ascii > 0 && (ascii < 32 || ascii == 127))
        return;
    const std::string typed =
        asTyped ? FromQ(e.text()) : utf8::Encode(static_cast<char32_t>(static_cast<std::uint16_t>(ascii)));
    Edit(f.SelStart(), f.SelLength(), typed, true);
}

// Whether the field itself uses the key, so that no shortcut of the
// window takes it first: every key it binds, and the characters it types.
bool FieldWidget::Impl::OwnsKey(const QKeyEvent& e) {
    if (BindingOf(e) != nullptr)
        return true;
    const Qt::KeyboardModifiers m = e.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    return m == Qt::NoModifier && !e.text().isEmpty() && e.text().at(0).isPrint();
}

}  // namespace korvane::tk::qt
