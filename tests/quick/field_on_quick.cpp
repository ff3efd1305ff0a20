// The field editing suite (tests/field) on the Qt Quick desktop: a text
// box on a form of the desktop's own, keys through QTest into the form's
// window (which hands them to the item with the active focus, after the
// window's shortcuts), the mouse through the window, and an input
// method's events sent to the field's item.
#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include "field/field_face.h"
#include "korvane/toolkit/quick.h"

namespace korvane::test::field {
namespace {

class QuickFieldFace final : public FieldFace {
public:
    QuickFieldFace() : desktop_(tk::quick::QuickDesktop::Options{true}) {
        form_ = desktop_.CreateForm("frmHost");
        form_->Width(6000);
        form_->Height(3000);
        field_ = desktop_.CreateTextBox(*form_, "txtProbe");
        field_->Top(2400);
        field_->Width(3000);
        field_->Height(330);
        field_->OnChange = [this] { ++changes_; };
        form_->Show();
        window_ = desktop_.WindowOf(*form_);
        item_ = desktop_.ItemOf(*field_);
        EXPECT_TRUE(QTest::qWaitForWindowActive(window_));
        field_->SetFocus();
        EXPECT_TRUE(item_->hasActiveFocus());
    }
    ~QuickFieldFace() override {
        field_.reset();
        form_.reset();
    }

    tk::TextBox& Field() override { return *field_; }
    int Changes() const override { return changes_; }
    void ResetChanges() override { changes_ = 0; }
    void Key(const Press& p) override { SendKey(window_, p); }
    void Mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons) override {
        const QPointF inWindow = item_->mapToScene(at);
        QMouseEvent e(type, inWindow, inWindow, window_->mapToGlobal(inWindow), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(window_, &e);
    }
    // Qt Quick delivers the second press of a double click as a press,
    // and the double click after it.
    void DoubleClick(QPointF at) override {
        Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
        Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }
    void InputMethod(QInputMethodEvent& e) override { QCoreApplication::sendEvent(item_, &e); }
    QVariant Query(Qt::InputMethodQuery query) override { return item_->inputMethodQuery(query); }
    QSizeF Size() override { return item_->size(); }
    void Draw() override { window_->grabWindow(); }
    void Settle() override { QCoreApplication::processEvents(); }

private:
    tk::quick::QuickDesktop desktop_;
    std::unique_ptr<tk::Form> form_;
    std::unique_ptr<tk::TextBox> field_;
    QQuickWindow* window_ = nullptr;
    QQuickItem* item_ = nullptr;
    int changes_ = 0;
};

INSTANTIATE_TEST_SUITE_P(Quick, FieldEditing,
                         testing::Values(FieldFaceFactory{"QtQuick",
                                                          [] { return std::make_unique<QuickFieldFace>(); }}),
                         FieldFaceName);

}  // namespace
}  // namespace korvane::test::field
