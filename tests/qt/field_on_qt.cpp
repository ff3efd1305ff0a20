// A text box of the Qt Widgets desktop as a person and a screen reader
// meet it. The field editing suite (tests/field) runs here on a text box
// of the host's form: keys sent through QTest to the focused field (a
// window's shortcuts see them first), the mouse and an input method's
// events sent to the field's widget. What only this face has follows: a
// screen reader finding where characters show, and reading, selecting and
// editing the whole text.
#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <string>
#include <vector>

#include "field/field_face.h"
#include "qt_support.h"

namespace korvane::test::field {
namespace {

class QtFieldFace final : public FieldFace {
public:
    QtFieldFace() : host_({.Fill = false}) {
        field_ = host_.desktop.CreateTextBox(*host_.form, "txtProbe");
        field_->Top(2400);
        field_->Width(3000);
        field_->Height(330);
        field_->OnChange = [this] { ++changes_; };
        w_ = host_.desktop.WidgetOf(*field_);
        field_->SetFocus();
        host_.desktop.ProcessEventsFor(20);
    }
    ~QtFieldFace() override { field_.reset(); }

    tk::TextBox& Field() override { return *field_; }
    int Changes() const override { return changes_; }
    void ResetChanges() override { changes_ = 0; }
    void Key(const Press& p) override { SendKey(w_, p); }
    void Mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons) override {
        QMouseEvent e(type, at, w_->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(w_, &e);
    }
    // Qt Widgets delivers the second press of a double click as the
    // double click.
    void DoubleClick(QPointF at) override {
        Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
        Mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }
    void InputMethod(QInputMethodEvent& e) override { QApplication::sendEvent(w_, &e); }
    QVariant Query(Qt::InputMethodQuery query) override { return w_->inputMethodQuery(query); }
    QSizeF Size() override { return w_->size(); }
    void Draw() override { w_->grab(); }
    void Settle() override { QCoreApplication::processEvents(); }

    void Start(const std::string& text, std::int32_t selStart, std::int32_t selLength) {
        field_->Text(text);
        field_->SelStart(selStart);
        field_->SelLength(selLength);
        changes_ = 0;
    }
    QWidget* Widget() const { return w_; }
    QtHost& Host() { return host_; }

private:
    QtHost host_;
    std::unique_ptr<tk::TextBox> field_;
    QWidget* w_ = nullptr;
    int changes_ = 0;
};

INSTANTIATE_TEST_SUITE_P(Qt, FieldEditing,
                         testing::Values(FieldFaceFactory{"QtWidgets", [] { return std::make_unique<QtFieldFace>(); }}),
                         FieldFaceName);

// Text that runs right to left is ordered as Qt orders it, inside the
// field: every character lies within the field's frame, the first
// character on the right of the second.
TEST(QtFieldReader, RightToLeftTextShowsInsideTheField) {
    QtFieldFace f;
    f.Start("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D", 0, 0);  // four Hebrew letters
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(f.Widget());
    ASSERT_NE(reader, nullptr);
    QAccessibleTextInterface* t = reader->textInterface();
    ASSERT_NE(t, nullptr);
    const QRect frame(f.Widget()->mapToGlobal(QPoint(0, 0)), f.Widget()->size());
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(frame.contains(t->characterRect(i))) << "within the field";
    }
    EXPECT_GT(t->characterRect(0).left(), t->characterRect(1).left()) << "the first letter is the rightmost";
    f.Host().Shot("field-right-to-left");
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

TEST(QtFieldReader, AScreenReaderReadsSelectsAndEditsTheWholeText) {
    QAccessible::installUpdateHandler(Listen);
    QtFieldFace f;
    const std::string text =
        "a\xF0\x9F\x98\x80"
        "b\xFF"
        "c";
    f.Start(text, 0, 0);
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(f.Widget());
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->role(), QAccessible::EditableText);
    EXPECT_TRUE(reader->state().editable);
    QAccessibleTextInterface* t = reader->textInterface();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->characterCount(), 6);
    EXPECT_EQ(t->text(0, 3), QString::fromUtf8("a\xF0\x9F\x98\x80"));
    t->setCursorPosition(3);
    EXPECT_EQ(f.Field().SelStart(), 2) << "past the pair is after the second character";
    t->setSelection(0, 1, 5);
    EXPECT_EQ(f.Field().SelStart(), 1);
    EXPECT_EQ(f.Field().SelLength(), 3);
    int start = 0, end = 0;
    t->selection(0, &start, &end);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 5);
    auto* edit =
        static_cast<QAccessibleEditableTextInterface*>(reader->interface_cast(QAccessible::EditableTextInterface));
    ASSERT_NE(edit, nullptr);
    edit->insertText(6, QStringLiteral("!"));
    EXPECT_EQ(f.Field().Text(), text + "!") << "the byte that is no UTF-8 stays";
    f.Field().Locked(true);
    edit->deleteText(0, 1);
    EXPECT_EQ(f.Field().Text(), text + "!") << "a locked field refuses the reader's edits too";
    f.Field().Locked(false);

    // What the reader hears, while the desktop's accessibility is on (with
    // a bus a reader listens on, run_with_atspi.sh): each edit at its
    // offset, a text written by code as a whole.
    g_news.clear();
    f.Field().SelStart(4);
    f.Key({Qt::Key_Backspace, {}, "\b"});
    f.Key({Qt::Key_Q, {}, "q"});
    f.Field().Text("new");
    if (QAccessible::isActive()) {
        const QString byte(QChar(0xDCFF));  // the byte that is no UTF-8, as Qt carries it
        EXPECT_EQ(g_news, (std::vector<QString>{"-" + byte + "@4", "+q@4", "=new"}));
    }
    QAccessible::installUpdateHandler(nullptr);
}

}  // namespace
}  // namespace korvane::test::field
