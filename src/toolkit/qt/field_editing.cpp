// The field's editing on both Qt faces (field_editor.h): edits with their
// undo history, the caret moving by graphemes and words, the clipboard,
// and the keys and typed characters the control's handlers leave to the
// field.
#include <QGuiApplication>

#include "conversions.h"
#include "field_editor.h"

namespace korvane::tk::qt {

using namespace field;

// An edit by the user through the text box, remembered for undo. The
// handlers of Change may do anything, the field's death included.
bool FieldEditor::Edit(std::int32_t from, std::int32_t count, std::string_view bytes, bool typing) {
    model::FieldText* text = face_.Text();
    if (text == nullptr || face_.ReadOnly())
        return true;
    const model::FieldText& f = *text;
    from = std::clamp(from, 0, f.Units());
    count = std::clamp(count, 0, f.Units() - from);
    std::string removed(f.Slice(from, from + count));
    if (removed.empty() && bytes.empty())
        return true;
    const bool joins = typing && count == 0 && !undo_.empty() && undo_.back().typing && typingEnd_ == from;
    if (joins) {
        undo_.back().inserted.append(bytes);
    } else {
        undo_.push_back({f.ByteOf(from), std::move(removed), std::string(bytes), typing});
        if (undo_.size() > kUndoSteps)
            undo_.pop_front();
    }
    redo_.clear();
    return Apply(from, count, bytes, typing);
}

// Puts an edit into the text box; its Change handlers may do anything,
// this editor's death included.
bool FieldEditor::Apply(std::int32_t from, std::int32_t count, std::string_view bytes, bool typing) {
    const std::weak_ptr<bool> alive = alive_;
    const bool lives = face_.UserEdit(from, count, bytes);
    if (alive.expired() || !lives || face_.Text() == nullptr)
        return false;
    typingEnd_ = typing ? face_.Text()->Caret() : -1;
    Changed();
    return true;
}

bool FieldEditor::DeleteSelectionOr(std::int32_t from, std::int32_t to) {
    const model::FieldText* f = face_.Text();
    if (f == nullptr)
        return true;
    if (f->HasSelection())
        return Edit(f->SelStart(), f->SelLength(), {}, false);
    if (to <= from)
        return true;
    return Edit(from, to - from, {}, false);
}

// Undo and redo put back the text of one step and select it.
bool FieldEditor::Revert(bool back) {
    const model::FieldText* field = face_.Text();
    if (field == nullptr || face_.ReadOnly() || (back ? undo_.empty() : redo_.empty()))
        return true;
    Step step = back ? std::move(undo_.back()) : std::move(redo_.back());
    if (back)
        undo_.pop_back();
    else
        redo_.pop_back();
    const std::string now = back ? step.inserted : step.removed;
    const std::string then = back ? step.removed : step.inserted;
    const std::size_t begin = std::min(step.from, field->Text().size());
    if (back)
        redo_.push_back(std::move(step));
    else
        undo_.push_back(std::move(step));
    // The step's bytes may share units with their neighbours: those units
    // are replaced whole, their outer bytes kept, so every byte comes back.
    const model::FieldText& f = *field;
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
    model::FieldText& after = *face_.Text();
    after.Select(after.UnitAt(begin), after.UnitFrom(begin + then.size()));
    Changed();
    return true;
}

void FieldEditor::Move(std::int32_t unit, bool extend) {
    model::FieldText* f = face_.Text();
    if (f == nullptr)
        return;
    f->MoveCaret(unit, extend);
    typingEnd_ = -1;
    Changed();
}

// The next or previous place the caret may stand, by characters (whole
// graphemes) or by words.
std::int32_t FieldEditor::Next(std::int32_t from, int direction, QTextLayout::CursorMode mode) {
    Piece& p = Around(from);
    const int offset = p.Offset(from);
    const int next =
        direction > 0 ? p.layout.nextCursorPosition(offset, mode) : p.layout.previousCursorPosition(offset, mode);
    if (next == offset)
        return std::clamp(from + direction, 0, face_.Text()->Units());
    return p.UnitOf(next);
}

// The word under the pointer, without the blanks after it.
void FieldEditor::SelectWordAt(std::int32_t unit) {
    Piece& p = Around(unit);
    const int offset = p.Offset(unit);
    const QString text = p.layout.text();
    const int next = std::min(offset + 1, static_cast<int>(text.size()));
    const int start = p.layout.previousCursorPosition(next, QTextLayout::SkipWords);
    int end = p.layout.nextCursorPosition(start, QTextLayout::SkipWords);
    while (end > offset && end > 0 && text.at(end - 1).isSpace())
        --end;
    face_.Text()->Select(p.UnitOf(start), p.UnitOf(end));
    typingEnd_ = -1;
    Changed();
}

void FieldEditor::Copy(QClipboard::Mode mode) const {
    const model::FieldText* f = face_.Text();
    if (f != nullptr && f->HasSelection())
        QGuiApplication::clipboard()->setText(ToQ(f->Slice(f->SelStart(), f->SelStart() + f->SelLength())), mode);
}

bool FieldEditor::Paste(QClipboard::Mode mode) {
    const model::FieldText* f = face_.Text();
    if (f == nullptr)
        return true;
    const std::string clip = FromQ(QGuiApplication::clipboard()->text(mode));
    if (clip.empty() && !f->HasSelection())
        return true;
    return Edit(f->SelStart(), f->SelLength(), clip, false);
}

void FieldEditor::Cut() {
    Copy(QClipboard::Clipboard);
    DeleteSelectionOr(0, 0);
}

void FieldEditor::SelectAll() {
    model::FieldText* f = face_.Text();
    if (f == nullptr)
        return;
    f->Select(0, f->Units());
    typingEnd_ = -1;
    Changed();
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
void FieldEditor::Key(const QKeyEvent& e) {
    model::FieldText* text = face_.Text();
    if (text == nullptr)
        return;
    static const Binding kPlainDelete{QKeySequence::Delete, Does::Delete, 1};
    const Binding* b = BindingOf(e);
    if (b == nullptr && e.key() == Qt::Key_Delete)
        b = &kPlainDelete;
    if (b == nullptr)
        return;
    const model::FieldText& f = *text;
    const std::int32_t caret = f.Caret();
    const int shown = face_.Direction() == Qt::RightToLeft ? -b->Direction : b->Direction;
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
            SelectAll();
            break;
        case Does::Copy:
            Copy(QClipboard::Clipboard);
            break;
        case Does::Cut:
            Copy(QClipboard::Clipboard);
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
// selection with `typed`, as typed or as the handlers changed it.
void FieldEditor::Char(std::int16_t ascii, std::string_view typed) {
    const model::FieldText* f = face_.Text();
    if (f == nullptr || face_.ReadOnly())
        return;
    if (ascii == key::Back) {
        DeleteSelectionOr(std::max(0, f->Caret() - 1), f->Caret());
        return;
    }
    if (ascii > 0 && (ascii < 32 || ascii == 127))
        return;
    Edit(f->SelStart(), f->SelLength(), typed, true);
}

// Whether the field itself uses the key, so that no shortcut of the
// window takes it first: every key it binds, and the characters it types.
bool FieldEditor::OwnsKey(const QKeyEvent& e) {
    if (BindingOf(e) != nullptr)
        return true;
    const Qt::KeyboardModifiers m = e.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    return m == Qt::NoModifier && !e.text().isEmpty() && e.text().at(0).isPrint();
}

}  // namespace korvane::tk::qt
