// KorvaneBox as a person meets it in a Qt window: Enter and Escape go to a
// dialog's buttons before the control, a disabled box looks disabled, a
// palette switched at run time is followed, and a Simple Combo made in
// code shows several rows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <functional>
#include <memory>
#include <string>

#include "korvane/qt/KorvaneBox.h"
#include "qt_support.h"
#include "widget_support.h"

namespace korvane::test {
namespace {

using korvane::qt::KorvaneBox;

void Fill(KorvaneBox& box) {
    box.addItem(QStringLiteral("EUR"), QStringLiteral("Euro"), 978);
    box.addItem(QStringLiteral("USD"), QStringLiteral("US dollar"), 840);
    box.addItem(QStringLiteral("CHF"), QStringLiteral("Swiss franc"), 756);
}

// The widget of the box that has the focus once the box is given it.
QWidget* FocusIn(KorvaneBox& box) {
    box.setFocus();
    Until([&] { return box.isAncestorOf(QApplication::focusWidget()); }, 1000);
    Pump(30);  // the control hears of the focus
    return QApplication::focusWidget();
}

const KorvaneBox::Style kStyles[] = {KorvaneBox::DropdownCombo, KorvaneBox::SimpleCombo, KorvaneBox::DropdownList};

// --- Enter and Escape ---------------------------------------------------------------------

TEST(KorvaneBoxInADialog, EnterPressesTheDefaultButtonAndEscapeRejectsBeforeTheControl) {
    for (auto style : kStyles) {
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            SCOPED_TRACE(std::to_string(style) + (key == Qt::Key_Return ? " Enter" : " Escape"));
            QDialog dialog;
            auto* layout = new QVBoxLayout(&dialog);
            auto* box = new KorvaneBox;
            box->setBoxStyle(style);
            Fill(*box);
            layout->addWidget(box);
            auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
            QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
            QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
            layout->addWidget(buttons);
            dialog.show();
            dialog.activateWindow();
            ASSERT_TRUE(Until([&] { return dialog.isActiveWindow(); }));
            box->setCurrentIndex(1);
            QWidget* focus = FocusIn(*box);
            ASSERT_TRUE(box->isAncestorOf(focus));
            QSignalSpy changed(box, &KorvaneBox::currentIndexChanged);
            SendKey(focus, key, key == Qt::Key_Return ? QStringLiteral("\r") : QStringLiteral("\x1b"));
            EXPECT_FALSE(dialog.isVisible()) << "the dialog took the key";
            EXPECT_EQ(dialog.result(), key == Qt::Key_Return ? QDialog::Accepted : QDialog::Rejected);
            EXPECT_EQ(box->currentIndex(), 1) << "the control never saw it";
            EXPECT_EQ(changed.count(), 0);
        }
    }
}

// A field's context menu takes the keys until it closes: Down moves in the
// menu, and Escape closes the menu, not the dialog.
TEST(KorvaneBoxInADialog, AFieldsContextMenuTakesTheKeysUntilItCloses) {
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* box = new KorvaneBox;
    Fill(*box);
    box->setCurrentIndex(1);
    layout->addWidget(box);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(Until([&] { return dialog.isActiveWindow(); }));
    QWidget* field = FocusIn(*box);
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(5, 5), field->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(field, &menuKey);
    ASSERT_TRUE(Until([] { return QApplication::activePopupWidget() != nullptr; }));
    SendKey(QApplication::activePopupWidget(), Qt::Key_Down, QString());
    EXPECT_EQ(box->currentIndex(), 1) << "Down moved in the menu, not the rows underneath";
    SendKey(QApplication::activePopupWidget(), Qt::Key_Escape, QStringLiteral("\x1b"));
    EXPECT_TRUE(Until([] { return QApplication::activePopupWidget() == nullptr; })) << "the menu closed";
    EXPECT_TRUE(dialog.isVisible()) << "and the dialog stayed";
}

// Where no dialog takes them, Enter and Escape keep the control's rules:
// Escape, as any key typed in a field, drops the row, and Enter in column 2
// with autoFill adds the pair.
TEST(KorvaneBoxInADialog, WithoutADialogEnterAndEscapeKeepTheControlsRules) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* box = new KorvaneBox;
    Fill(*box);
    layout->addWidget(box);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(Until([&] { return window.isActiveWindow(); }));
    box->setCurrentIndex(1);
    QWidget* focus = FocusIn(*box);
    SendKey(focus, Qt::Key_Escape, QStringLiteral("\x1b"));
    EXPECT_EQ(box->currentIndex(), -1) << "Escape dropped the row";

    // A dialog without a default button leaves Enter to the control too.
    QDialog dialog;
    auto* inner = new QVBoxLayout(&dialog);
    auto* second = new KorvaneBox;
    second->setAutoFill(true);
    inner->addWidget(second);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(Until([&] { return dialog.isActiveWindow(); }));
    second->setText(QStringLiteral("NZD\tNew Zealand dollar"));
    QWidget* column2 = Child(*second, "txtCol2");
    column2->setFocus();
    ASSERT_TRUE(Until([&] { return column2->hasFocus(); }));
    QSignalSpy filled(second, &KorvaneBox::filled);
    SendKey(column2, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_TRUE(Until([&] { return filled.count() == 1; }));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(second->count(), 1);
}

// --- colours ------------------------------------------------------------------------------

TEST(KorvaneBoxInADialog, ADisabledBoxDrawsInTheStylesDisabledColours) {
    const QPalette app = QApplication::palette();
    const QColor disabledText = app.color(QPalette::Disabled, QPalette::Text);
    const QColor disabledBase = app.color(QPalette::Disabled, QPalette::Base);
    ASSERT_NE(disabledText, app.color(QPalette::Active, QPalette::Text)) << "the style greys disabled text";
    for (auto style : kStyles) {
        SCOPED_TRACE(style);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* box = new KorvaneBox;
        box->setBoxStyle(style);
        Fill(*box);
        box->setCurrentIndex(0);
        layout->addWidget(box);
        window.show();
        Pump(20);
        box->setEnabled(false);
        Pump(20);
        const char* parts[] = {style == KorvaneBox::DropdownList ? "lblCol1" : "txtCol1",
                               style == KorvaneBox::DropdownList ? "lblCol2" : "txtCol2",
                               style == KorvaneBox::SimpleCombo ? "lstCol1a" : nullptr};
        for (const char* name : parts) {
            if (name == nullptr)
                continue;
            SCOPED_TRACE(name);
            QWidget* part = Child(*box, name);
            ASSERT_NE(part, nullptr);
            EXPECT_FALSE(part->isEnabled());
            EXPECT_EQ(part->palette().color(QPalette::Text), disabledText);
            // What is on the screen: the part's background where no text is.
            const QImage shot = part->grab().toImage();
            EXPECT_EQ(QColor(shot.pixel(shot.width() - 4, shot.height() / 2)), disabledBase);
        }
        box->setEnabled(true);
        Pump(20);
        QWidget* first = Child(*box, parts[0]);
        EXPECT_EQ(first->palette().color(QPalette::Text), box->foreColor()) << "enabled again, the control's colour";
    }
}

TEST(KorvaneBoxInADialog, APaletteSwitchedAtRunTimeIsFollowedUnlessTheHostChoseTheColour) {
    const QPalette light = QApplication::palette();
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* plain = new KorvaneBox;
    auto* chosen = new KorvaneBox;
    chosen->setBackColor(QColor(255, 255, 200));
    layout->addWidget(plain);
    layout->addWidget(chosen);
    window.show();
    Pump(20);
    QPalette dark = light;
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Window, QColor(45, 45, 45));
    QApplication::setPalette(dark);
    Pump(20);
    EXPECT_EQ(plain->backColor(), QColor(30, 30, 30));
    EXPECT_EQ(plain->foreColor(), QColor(230, 230, 230));
    EXPECT_EQ(Child(*plain, "txtCol1")->palette().color(QPalette::Base), QColor(30, 30, 30))
        << "and its fields show it";
    EXPECT_EQ(chosen->backColor(), QColor(255, 255, 200)) << "the host's colour stays";
    EXPECT_EQ(chosen->foreColor(), QColor(230, 230, 230)) << "the other follows";
    QApplication::setPalette(light);
    Pump(20);
    EXPECT_EQ(plain->backColor(), light.color(QPalette::Base));
}

// A style sheet rule for QLineEdit reaches the box's fields as it reaches a
// QLineEdit beside it, set before the box is shown or while it is.
TEST(KorvaneBoxInADialog, AStyleSheetRuleForQLineEditReachesTheFields) {
    for (bool before : {true, false}) {
        SCOPED_TRACE(before ? "set before showing" : "set while shown");
        const QString sheet =
            QStringLiteral("QLineEdit { background-color: rgb(255, 240, 200); color: rgb(120, 0, 0); }");
        QDialog dialog;
        auto* layout = new QVBoxLayout(&dialog);
        auto* box = new KorvaneBox;
        auto* edit = new QLineEdit;
        layout->addWidget(box);
        layout->addWidget(edit);
        if (before)
            dialog.setStyleSheet(sheet);
        dialog.show();
        Pump(20);
        if (!before)
            dialog.setStyleSheet(sheet);
        Pump(20);
        const QColor base = edit->palette().color(QPalette::Base);
        const QColor text = edit->palette().color(QPalette::Text);
        ASSERT_EQ(base, QColor(255, 240, 200)) << "the QLineEdit takes the rule";
        for (const char* field : {"txtCol1", "txtCol2"}) {
            EXPECT_EQ(Child(*box, field)->palette().color(QPalette::Base), base) << field;
            EXPECT_EQ(Child(*box, field)->palette().color(QPalette::Text), text) << field;
        }
        dialog.setStyleSheet(QString());
        Pump(20);
        EXPECT_EQ(Child(*box, "txtCol1")->palette().color(QPalette::Base),
                  QApplication::palette().color(QPalette::Base))
            << "and the rule's end is followed too";
    }
}

// What a person sees, taken from the X server with a QComboBox beside the
// box in each style: the disabled look, a dark palette switched on at run
// time, and the open drop-down lined up under the box. The screenshots go
// into the test run's screenshot folder.
TEST(KorvaneBoxInADialog, TheScreenShowsTheDisabledLookADarkPaletteAndTheAlignedDropDown) {
    const QPalette light = QApplication::palette();
    const char* names[] = {"dropdown-combo", "simple-combo", "dropdown-list"};
    for (auto style : kStyles) {
        SCOPED_TRACE(style);
        const QString name = QStringLiteral("korvane-box-") + names[style];
        QDialog dialog;
        auto* form = new QFormLayout(&dialog);
        auto* box = new KorvaneBox;
        box->setBoxStyle(style);
        Fill(*box);
        box->setCurrentIndex(0);
        auto* combo = new QComboBox;
        combo->addItems({QStringLiteral("EUR Euro"), QStringLiteral("USD US dollar")});
        form->addRow(QStringLiteral("&Currency"), box);
        form->addRow(QStringLiteral("&Qt's"), combo);
        dialog.show();
        ASSERT_TRUE(Until([&] { return dialog.isActiveWindow() || dialog.isVisible(); }));
        Pump(50);
        QWidget* field = Child(*box, style == KorvaneBox::DropdownList ? "lblCol2" : "txtCol2");
        const QPoint blank(OnScreen(field).right() - 4, OnScreen(field).center().y());

        box->setEnabled(false);
        combo->setEnabled(false);
        Pump(50);
        QImage shot = ScreenShot(dialog.frameGeometry(), name + "-disabled");
        const QPoint at = blank - dialog.frameGeometry().topLeft();
        EXPECT_EQ(QColor(shot.pixel(at)), light.color(QPalette::Disabled, QPalette::Base)) << "disabled, on the screen";
        box->setEnabled(true);
        combo->setEnabled(true);

        QPalette dark = light;
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        dark.setColor(QPalette::Text, QColor(230, 230, 230));
        dark.setColor(QPalette::Window, QColor(45, 45, 45));
        dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
        dark.setColor(QPalette::Button, QColor(60, 60, 60));
        dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
        QApplication::setPalette(dark);
        Pump(80);
        shot = ScreenShot(dialog.frameGeometry(), name + "-dark");
        EXPECT_EQ(QColor(shot.pixel(at)), QColor(30, 30, 30)) << "the dark palette, on the screen";
        QApplication::setPalette(light);
        Pump(50);

        if (style == KorvaneBox::SimpleCombo)
            continue;
        SendClick(Child(*box, "imgCombo"));
        ASSERT_TRUE(Until(DropDownShown));
        QWidget* drop = DropDownWindow();
        Until([&] { return ShownAsDrawn(drop) > 0.95; }, 1500);
        EXPECT_GT(ShownAsDrawn(drop), 0.95) << "the X server shows the drop-down as drawn";
        EXPECT_EQ(OnScreen(drop).left(), OnScreen(box).left()) << "lined up with the box";
        EXPECT_EQ(OnScreen(drop).right(), OnScreen(box).right()) << "lined up with the box";
        ScreenShot(dialog.frameGeometry().united(OnScreen(drop)), name + "-open");
        SendClick(Child(*box, "imgCombo"));
        EXPECT_TRUE(Until([] { return !DropDownShown(); }));
    }
}

// Typing a search into a Dropdown Combo opens the drop-down for the
// matches while the field keeps the focus: the dialog, raised as the field
// takes the focus back, must not cover the drop-down on the screen.
TEST(KorvaneBoxInADialog, TypingASearchShowsTheDropDownAboveTheDialog) {
    QDialog dialog;
    auto* form = new QFormLayout(&dialog);
    auto* box = new KorvaneBox;
    box->setSearchMode(2);
    Fill(*box);
    form->addRow(QStringLiteral("&Currency"), box);
    for (int i = 0; i < 4; ++i)
        form->addRow(QStringLiteral("Other"), new QLineEdit);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(Until([&] { return dialog.isActiveWindow(); }));
    QWidget* field = FocusIn(*box);
    SendKey(field, Qt::Key_R, QStringLiteral("r"));
    SendKey(QApplication::focusWidget(), Qt::Key_A, QStringLiteral("a"));
    ASSERT_TRUE(Until(DropDownShown)) << "the matches open the drop-down";
    EXPECT_TRUE(Child(*box, "txtCol1")->hasFocus()) << "the field keeps the keys";
    QWidget* drop = DropDownWindow();
    ASSERT_TRUE(OnScreen(drop).intersects(dialog.frameGeometry())) << "the drop-down lies over the dialog";
    Until([&] { return ShownAsDrawn(drop) > 0.95; }, 1500);
    EXPECT_GT(ShownAsDrawn(drop), 0.95) << "the X server shows the drop-down above the dialog";
    ScreenShot(dialog.frameGeometry().united(OnScreen(drop)), QStringLiteral("korvane-box-search"));
}

// --- Simple Combo -----------------------------------------------------------------------------

TEST(KorvaneBoxInADialog, ANewSimpleComboMadeInCodeShowsSeveralRows) {
    QWidget window;
    auto* form = new QFormLayout(&window);
    auto* box = new KorvaneBox;
    box->setBoxStyle(KorvaneBox::SimpleCombo);
    Fill(*box);
    form->addRow(QStringLiteral("&Currency"), box);
    window.show();
    Pump(30);
    EXPECT_GT(box->listViewHeight(), 0);
    QWidget* list = Child(*box, "lstCol1a");
    ASSERT_NE(list, nullptr);
    const int row = box->fontMetrics().height();
    EXPECT_GE(list->height(), 4 * row) << "several rows, not one";
    EXPECT_GE(box->height(), box->sizeHint().height() - 1);
}

// --- the keys a combo box user reaches for first -----------------------------------------

// F4 opens the list and F4 or Alt+Up close it without choosing; a Dropdown
// List also opens on Space; Home and End go to the first and last row of
// the open list, and Enter chooses there, as in the QComboBox beside it.
TEST(KorvaneBoxInADialog, F4AltUpSpaceHomeAndEndWorkAsInAQComboBox) {
    for (auto style : {KorvaneBox::DropdownCombo, KorvaneBox::DropdownList}) {
        SCOPED_TRACE(style);
        QDialog dialog;
        auto* layout = new QVBoxLayout(&dialog);
        auto* box = new KorvaneBox;
        box->setBoxStyle(style);
        Fill(*box);
        layout->addWidget(box);
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(Until([&] { return dialog.isActiveWindow(); }));
        box->setCurrentIndex(1);
        QWidget* focus = FocusIn(*box);
        QSignalSpy activated(box, &KorvaneBox::activated);
        QSignalSpy highlighted(box, &KorvaneBox::highlighted);

        SendKey(focus, Qt::Key_F4);
        ASSERT_TRUE(Until(DropDownShown)) << "F4 opens";
        SendKey(QApplication::focusWidget(), Qt::Key_Up, QString(), Qt::AltModifier);
        EXPECT_TRUE(Until([] { return !DropDownShown(); })) << "Alt+Up closes";
        SendKey(QApplication::focusWidget(), Qt::Key_F4);
        ASSERT_TRUE(Until(DropDownShown));
        SendKey(QApplication::focusWidget(), Qt::Key_F4);
        EXPECT_TRUE(Until([] { return !DropDownShown(); })) << "F4 closes what it opened";
        EXPECT_EQ(box->currentIndex(), 1);
        EXPECT_EQ(activated.count(), 0) << "closing by a key chooses nothing";

        if (style == KorvaneBox::DropdownList) {
            SendKey(QApplication::focusWidget(), Qt::Key_Space, QStringLiteral(" "));
            ASSERT_TRUE(Until(DropDownShown)) << "Space opens a Dropdown List";
        } else {
            SendKey(QApplication::focusWidget(), Qt::Key_Down, QString(), Qt::AltModifier);
            ASSERT_TRUE(Until(DropDownShown));
        }
        SendKey(QApplication::focusWidget(), Qt::Key_End);
        ASSERT_FALSE(highlighted.isEmpty());
        EXPECT_EQ(highlighted.last().at(0).toInt(), 2) << "End: the last row";
        SendKey(QApplication::focusWidget(), Qt::Key_Home);
        EXPECT_EQ(highlighted.last().at(0).toInt(), 0) << "Home: the first row";
        SendKey(QApplication::focusWidget(), Qt::Key_Return, QStringLiteral("\r"));
        EXPECT_TRUE(Until([&] { return box->currentIndex() == 0; })) << "Enter chooses the row Home went to";
        EXPECT_TRUE(dialog.isVisible());
    }
}

}  // namespace
}  // namespace korvane::test
