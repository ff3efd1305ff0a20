// The table of a person's keys in a one-line field (tests/contract/
// field_keys.h), played on a text box of the Qt Quick desktop with key
// events sent to its window, as Qt delivers a person's keys.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <cctype>

#include "contract/field_keys.h"
#include "korvane/toolkit/quick.h"

namespace korvane::tk::quick {
namespace {

struct Press {
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
    QString Text;
};

// A toolkit key as Qt delivers it.
Press QtPress(const contract::FieldKey& k) {
    if (k.Typed != nullptr) {
        const char c = k.Typed[0];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        return {letter ? static_cast<Qt::Key>(Qt::Key_A + (std::toupper(static_cast<unsigned char>(c)) - 'A'))
                       : Qt::Key_unknown,
                (c >= 'A' && c <= 'Z') ? Qt::ShiftModifier : Qt::NoModifier, QString::fromUtf8(k.Typed)};
    }
    Qt::KeyboardModifiers m;
    if ((k.Shift & shift::Shift) != 0)
        m |= Qt::ShiftModifier;
    if ((k.Shift & shift::Ctrl) != 0)
        m |= Qt::ControlModifier;
    switch (k.Code) {
        case key::Left:
            return {Qt::Key_Left, m, {}};
        case key::Right:
            return {Qt::Key_Right, m, {}};
        case key::Home:
            return {Qt::Key_Home, m, {}};
        case key::End:
            return {Qt::Key_End, m, {}};
        case key::Delete:
            return {Qt::Key_Delete, m, {}};
        case key::Back:
            return {Qt::Key_Backspace, m, QStringLiteral("\b")};
        default:
            return {static_cast<Qt::Key>(k.Code), m, {}};
    }
}

void Send(QQuickWindow& window, const Press& p) {
    QKeyEvent down(QEvent::KeyPress, p.Key, p.Modifiers, p.Text);
    QCoreApplication::sendEvent(&window, &down);
    QKeyEvent up(QEvent::KeyRelease, p.Key, p.Modifiers, p.Text);
    QCoreApplication::sendEvent(&window, &up);
}

TEST(QuickField, KeysEditAndSelectAsOnEveryDesktop) {
    QuickDesktop desktop(QuickDesktop::Options{true});
    auto form = desktop.CreateForm("frmHost");
    form->Width(6000);
    form->Height(3000);
    auto field = desktop.CreateTextBox(*form, "txtProbe");
    field->Width(3000);
    int changes = 0;
    field->OnChange = [&] { ++changes; };
    form->Show();
    QQuickWindow* window = desktop.WindowOf(*form);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    field->SetFocus();
    ASSERT_TRUE(desktop.ItemOf(*field)->hasActiveFocus());
    for (const auto& c : contract::FieldKeysCases()) {
        field->Locked(c.Locked);
        field->Text(c.Text);
        field->SelStart(c.SelStart);
        field->SelLength(c.SelLength);
        changes = 0;
        for (const auto& k : c.Keys)
            Send(*window, QtPress(k));
        EXPECT_EQ(field->Text(), c.TextAfter) << c.Name;
        EXPECT_EQ(field->SelStart(), c.SelStartAfter) << c.Name;
        EXPECT_EQ(field->SelLength(), c.SelLengthAfter) << c.Name;
        EXPECT_EQ(changes, c.Changes) << c.Name;
    }
}

}  // namespace
}  // namespace korvane::tk::quick
