// The field editing suite: what a person does in a text box of a Qt face
// (keys, the clipboard, undo, an input method, the mouse, right-to-left
// text, a long text), written once against FieldFace and played on the Qt
// Widgets desktop (tests/qt/field_on_qt.cpp) and the Qt Quick desktop
// (tests/quick/field_on_quick.cpp). Each program instantiates it:
//
//   INSTANTIATE_TEST_SUITE_P(Name, FieldEditing, testing::Values(FieldFaceFactory{...}), FieldFaceName);
#pragma once

#include <gtest/gtest.h>

#include <QEvent>
#include <QInputMethodEvent>
#include <QPointF>
#include <QSizeF>
#include <QTest>
#include <QVariant>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "korvane/toolkit/widgets.h"

namespace korvane::test::field {

// A key as Qt delivers it: the key, its modifiers and the text it types.
struct Press {
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
    const char* Text = "";
};

// A key pressed and released through QTest, at a widget or a window.
template <class Target>
void SendKey(Target* target, const Press& press) {
    const QString text = QString::fromUtf8(press.Text);
    QTest::sendKeyEvent(QTest::Press, target, press.Key, text, press.Modifiers);
    QTest::sendKeyEvent(QTest::Release, target, press.Key, text, press.Modifiers);
}

// A text box of the host's on a shown form, focused, on one face. Its
// positions are the field's own pixels.
class FieldFace {
public:
    virtual ~FieldFace() = default;
    virtual tk::TextBox& Field() = 0;
    // How often the text box raised Change.
    virtual int Changes() const = 0;
    virtual void ResetChanges() = 0;
    // A key pressed and released, through the window as Qt delivers a
    // person's key to the widget with the focus.
    virtual void Key(const Press& press) = 0;
    // A mouse event at `at`, through the window.
    virtual void Mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons) = 0;
    // A double click of the left button at `at`, as the face's toolkit
    // delivers one.
    virtual void DoubleClick(QPointF at) = 0;
    virtual void InputMethod(QInputMethodEvent& event) = 0;
    virtual QVariant Query(Qt::InputMethodQuery query) = 0;
    virtual QSizeF Size() = 0;
    // The field drawn as it shows now (what a screenshot would see).
    virtual void Draw() = 0;
    // The events posted so far handled.
    virtual void Settle() = 0;
};

struct FieldFaceFactory {
    const char* Name;
    std::function<std::unique_ptr<FieldFace>()> Make;
};

inline void PrintTo(const FieldFaceFactory& factory, std::ostream* out) {
    *out << factory.Name;
}

inline std::string FieldFaceName(const testing::TestParamInfo<FieldFaceFactory>& info) {
    return info.param.Name;
}

class FieldEditing : public testing::TestWithParam<FieldFaceFactory> {
protected:
    void SetUp() override { face = GetParam().Make(); }
    void TearDown() override { face.reset(); }

    // The text and the selection a case starts from, with no Change
    // counted yet.
    void Start(const std::string& text, std::int32_t selStart, std::int32_t selLength) {
        tk::TextBox& f = face->Field();
        f.Text(text);
        f.SelStart(selStart);
        f.SelLength(selLength);
        face->ResetChanges();
    }
    // Where the caret stands, across the field, with the caret at `unit`.
    qreal CaretX(std::int32_t unit) {
        face->Field().SelStart(unit);
        return face->Query(Qt::ImCursorRectangle).toRect().left();
    }
    qreal CaretX() { return face->Query(Qt::ImCursorRectangle).toRect().left(); }

    std::unique_ptr<FieldFace> face;
};

}  // namespace korvane::test::field
