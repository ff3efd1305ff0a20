// Find as you type in the KorvaneBox widget among plain Qt widgets: the
// searchMode and searchColumns properties (refusals logged, nothing
// thrown), a person typing into the field, the searchChanged signal, the
// keys and a click that choose a match, Escape, and slots that change the
// rows or destroy the box inside the signals.
#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <memory>

#include "korvane/qt/KorvaneBox.h"
#include "qt_support.h"
#include "widget_support.h"

namespace korvane::test {
namespace {

using korvane::qt::KorvaneBox;

struct SearchForm {
    explicit SearchForm(KorvaneBox::Style style) {
        auto* layout = new QVBoxLayout(top.get());
        box = new KorvaneBox;
        box->setBoxStyle(style);
        layout->addWidget(box);
        const char* const towns[][2] = {{"DE-10115", "Berlin Mitte"},     {"DE-20095", "Hamburg Altstadt"},
                                        {"AT-1010", "Wien Innere Stadt"}, {"DE-80331", "München Altstadt"},
                                        {"FR-75001", "Paris Louvre"},     {"DE-01067", "Dresden Altstadt"}};
        int id = 0;
        for (const auto& row : towns)
            box->addItem(QString::fromUtf8(row[0]), QString::fromUtf8(row[1]), ++id);
        top->show();
        top->activateWindow();
        Until([&] { return top->isActiveWindow(); }, 1000);
        field = Child(*box, "txtCol1");
        field->setFocus(Qt::OtherFocusReason);
        Until([&] { return QApplication::focusWidget() == field; }, 1000);
    }
    ~SearchForm() { Pump(10); }
    void Type(const QString& text) {
        for (const QChar c : text)
            SendKey(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : field.data(), 0, c);
        Pump(20);
    }
    std::unique_ptr<QWidget> top = std::make_unique<QWidget>();
    QPointer<KorvaneBox> box;
    QPointer<QWidget> field;
};

TEST(KorvaneBoxSearch, PropertiesRefuseWhatTheControlRefusesWithoutThrowing) {
    SearchForm f(KorvaneBox::DropdownCombo);
    QSignalSpy modes(f.box.data(), &KorvaneBox::searchModeChanged);
    EXPECT_EQ(f.box->property("searchMode").toInt(), 0);
    EXPECT_EQ(f.box->property("searchColumns").toInt(), 3);
    EXPECT_TRUE(f.box->setProperty("searchMode", 2));
    EXPECT_EQ(f.box->searchMode(), 2);
    EXPECT_EQ(modes.count(), 1);
    for (int bad : {-1, 4, 70000}) {
        f.box->setSearchMode(bad);
        EXPECT_EQ(f.box->errorNumber(), 380);
        EXPECT_EQ(f.box->searchMode(), 2);
    }
    for (int bad : {0, 8, -3}) {
        f.box->setSearchColumns(bad);
        EXPECT_EQ(f.box->errorNumber(), 380);
        EXPECT_EQ(f.box->searchColumns(), 3);
    }
    EXPECT_EQ(modes.count(), 1);
}

class KorvaneBoxSearchTyping : public testing::TestWithParam<KorvaneBox::Style> {};

// A click on the second row shown chooses the second match; every row
// shows again.
TEST_P(KorvaneBoxSearchTyping, AClickOnAMatchChoosesItsRow) {
    SearchForm f(GetParam());
    f.box->setSearchMode(2);
    QSignalSpy activated(f.box.data(), &KorvaneBox::activated);
    f.Type(QStringLiteral("alt"));
    QWidget* list = GetParam() == KorvaneBox::SimpleCombo ? Child(*f.box, "lstCol1a") : DropDownList();
    ASSERT_NE(list, nullptr);
    auto* area = qobject_cast<QAbstractScrollArea*>(list);
    ASSERT_NE(area, nullptr);
    QWidget* rows = area->viewport();
    const int rowPx = QFontMetrics(f.box->font()).height();
    const QPointF at(10, rowPx * 1.5);
    QMouseEvent press(QEvent::MouseButtonPress, at, rows->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(rows, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, rows->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(rows, &release);
    EXPECT_TRUE(Until([&] { return f.box->currentIndex() == 3; })) << f.box->currentIndex();
    EXPECT_GE(activated.count(), 1);
    EXPECT_EQ(f.box->count(), 6);
}

// The box's face for a screen reader: the one combo box among its parts.
QAccessibleInterface* ComboFace(KorvaneBox& box) {
    for (QWidget* w : box.findChildren<QWidget*>()) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        if (face != nullptr && face->role() == QAccessible::ComboBox)
            return face;
    }
    return nullptr;
}

// A reader hears how many rows match and meets only them in the list.
TEST_P(KorvaneBoxSearchTyping, AReaderHearsTheMatchCountAndMeetsOnlyTheMatches) {
    SearchForm f(GetParam());
    f.box->setSearchMode(2);
    f.Type(QStringLiteral("alt"));
    QAccessibleInterface* combo = ComboFace(*f.box);
    ASSERT_NE(combo, nullptr);
    EXPECT_TRUE(combo->text(QAccessible::Description).contains(QStringLiteral("3 matches")))
        << combo->text(QAccessible::Description).toStdString();
    QAccessibleInterface* rows = nullptr;
    for (int i = 0; i < combo->childCount(); ++i) {
        if (QAccessibleInterface* child = combo->child(i); child != nullptr && child->role() == QAccessible::List)
            rows = child;
    }
    ASSERT_NE(rows, nullptr);
    ASSERT_EQ(rows->childCount(), 3);
    EXPECT_TRUE(rows->child(0)->text(QAccessible::Name).contains(QStringLiteral("Hamburg")));
    EXPECT_TRUE(rows->child(2)->text(QAccessible::Name).contains(QStringLiteral("Dresden")));
    SendKey(f.field, Qt::Key_Escape, QStringLiteral("\x1b"));
    Pump(20);
    EXPECT_FALSE(combo->text(QAccessible::Description).contains(QStringLiteral("matches")));
}

TEST_P(KorvaneBoxSearchTyping, TypingShowsTheMatchesAndTheKeysChooseOne) {
    SearchForm f(GetParam());
    f.box->setSearchMode(2);
    QSignalSpy changed(f.box.data(), &KorvaneBox::searchChanged);
    QSignalSpy activated(f.box.data(), &KorvaneBox::activated);
    f.Type(QStringLiteral("ALT"));
    ASSERT_FALSE(changed.isEmpty());
    EXPECT_EQ(changed.last().at(0).toInt(), 3);  // Hamburg, München, Dresden
    EXPECT_EQ(f.box->count(), 6);
    if (GetParam() == KorvaneBox::DropdownCombo) {
        EXPECT_TRUE(Until([] { return DropDownShown(); }));
    }
    EXPECT_EQ(QApplication::focusWidget(), f.field.data());  // the field keeps the keys
    SendKey(f.field, Qt::Key_Down);
    SendKey(f.field, Qt::Key_Down);
    SendKey(f.field, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_TRUE(Until([&] { return f.box->currentIndex() == 3; }));
    EXPECT_EQ(activated.count(), 1);
    EXPECT_EQ(f.box->text(), QStringLiteral("DE-80331\tMünchen Altstadt"));
}

TEST_P(KorvaneBoxSearchTyping, EscapeShowsEveryRowAndSlotsMayChangeTheRows) {
    SearchForm f(GetParam());
    f.box->setSearchMode(3);
    int added = 0;
    QObject::connect(f.box.data(), &KorvaneBox::searchChanged, f.box.data(), [&](int) {
        f.box->addItem(QStringLiteral("X-%1").arg(added), QStringLiteral("Altona %1").arg(added), 0);
        ++added;
        f.box->removeItem(0);
    });
    f.Type(QStringLiteral("alt"));
    EXPECT_EQ(f.box->count(), 6);
    SendKey(f.field, Qt::Key_Escape, QStringLiteral("\x1b"));
    Pump(20);
    EXPECT_FALSE(DropDownShown());
    QObject::disconnect(f.box.data(), &KorvaneBox::searchChanged, nullptr, nullptr);
    QObject::connect(f.box.data(), &KorvaneBox::searchChanged, f.box.data(), [&](int) { delete f.box.data(); });
    f.Type(QStringLiteral("b"));
    EXPECT_TRUE(Until([&] { return f.box.isNull(); }));
}

INSTANTIATE_TEST_SUITE_P(Styles, KorvaneBoxSearchTyping,
                         testing::Values(KorvaneBox::DropdownCombo, KorvaneBox::SimpleCombo));

}  // namespace
}  // namespace korvane::test
