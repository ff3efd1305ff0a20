// Row texts a host may get from anywhere: very long, right-to-left marks,
// combining characters, malformed UTF-8, an embedded NUL. The Qt desktop
// draws them in the fields and the drop-down, measures them and reads them
// out to a screen reader without a crash, and loses none of them.
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <string>
#include <utility>
#include <vector>

#include "qt_support.h"

namespace korvane::test {
namespace {

std::vector<std::pair<std::string, std::string>> HostileRows() {
    std::string combining = "a";
    for (int i = 0; i < 5000; ++i)
        combining += "\xCC\x81";  // U+0301 combining acute accent
    return {
        {std::string(1 << 20, 'W'), std::string(300000, 'm') + "\xD7\x90"},
        {"\xE2\x80\xAE"
         "abc\xE2\x80\x8F",
         "\xD7\x90\xD7\x91 mixed \xE2\x80\xAD"},  // RLO, RLM; Hebrew, LRO
        {combining, "e\xCC\x81\xCC\x81\xCC\x81"},
        {"\xFF\xFE\xC3", "ok\xE2\x82"},  // bytes that are no UTF-8
        {std::string("nul\0inside", 10), std::string(1, '\0')},
    };
}

TEST(QtHostileText, AnyRowTextIsDrawnMeasuredAndReadOutAndKeptWhole) {
    QtHost::Options options;
    options.Fill = false;
    QtHost host(options);
    const auto rows = HostileRows();
    for (const auto& [col1, col2] : rows)
        host.control->AddItem(col1, col2);

    for (std::int32_t i = 0; i < static_cast<std::int32_t>(rows.size()); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        host.control->ListIndex(i);
        host.desktop.ProcessEventsFor(20);  // the fields paint the row
        EXPECT_EQ(host.Text("txtCol1").Text(), rows[static_cast<std::size_t>(i)].first) << "the field keeps it whole";
        EXPECT_EQ(host.Text("txtCol2").Text(), rows[static_cast<std::size_t>(i)].second);
        EXPECT_GE(host.form->TextWidth(rows[static_cast<std::size_t>(i)].first), 0.0f);
        EXPECT_GT(host.form->TextHeight(rows[static_cast<std::size_t>(i)].second), 0.0f);
    }
    host.control->ListIndex(0);
    QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(host.desktop.WidgetOf(host.Text("txtCol1")));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(static_cast<std::size_t>(shown->text(QAccessible::Value).size()), rows[0].first.size())
        << "the field shows the whole text, so an edit keeps it";

    SendClick(host.desktop.WidgetOf(host.Widget("imgCombo")));
    ASSERT_TRUE(WaitUntil(host.desktop, [&] { return host.DropDownOpen(); }));
    auto& list1 = host.List("lstCol1");
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(host.desktop.WidgetOf(list1));
    ASSERT_NE(reader, nullptr);
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(rows.size()); ++i) {
        SCOPED_TRACE("row " + std::to_string(i) + " in the drop-down");
        list1.ListIndex(i);
        host.desktop.ProcessEventsFor(20);  // the lists paint it
        EXPECT_EQ(list1.List(i), rows[static_cast<std::size_t>(i)].first);
        EXPECT_FALSE(reader->text(QAccessible::Value).isNull());
    }
    host.Shot("dropdown-hostile-rows");
    EXPECT_EQ(host.control->ListCount(), static_cast<std::int32_t>(rows.size()));
}

// A person edits a field whose text holds bytes that are no UTF-8 (the
// field turned each into a replacement character and wrote those back),
// a NUL, or a character whose second UTF-16 half looks like such a byte.
TEST(QtHostileText, EditingAFieldKeepsEveryByteOfItsText) {
    struct Case {
        const char* name;
        std::string text;
        std::int32_t chars;  // what the caret steps over
    };
    const Case cases[] = {
        {"bytes that are no UTF-8", "\xFF\xFE\xC3 ok \xE2\x82", 9},
        {"a NUL inside", std::string("nul\0inside", 10), 10},
        {"U+10080, whose second half is DC80",
         "a\xF0\x90\x82\x80"
         "b",
         3},
        {"no UTF-8 after U+10080", "\xF0\x90\x82\x80\x80", 2},
    };
    QtHost::Options options;
    options.Fill = false;
    QtHost host(options);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.control->Clear();
        host.control->AddItem(c.text, "x");
        host.control->ListIndex(0);
        auto& field = host.Text("txtCol1");
        ASSERT_EQ(field.Text(), c.text);
        QWidget* edit = host.desktop.WidgetOf(field);
        ASSERT_NE(edit, nullptr);
        field.SetFocus();
        host.desktop.ProcessEventsFor(20);
        QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
        QApplication::sendEvent(edit, &end);
        EXPECT_EQ(field.SelStart(), c.chars) << "the caret counts each such byte as one character";
        QKeyEvent typed(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, "z");
        QApplication::sendEvent(edit, &typed);
        host.desktop.ProcessEventsFor(20);
        EXPECT_EQ(field.Text(), c.text + "z");
        QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
        QApplication::sendEvent(edit, &back);
        host.desktop.ProcessEventsFor(20);
        EXPECT_EQ(field.Text(), c.text);
    }
}

}  // namespace
}  // namespace korvane::test
