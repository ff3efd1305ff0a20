// Host handlers that turn on the control: every event the control raises
// (and host work that runs while it sorts or opens its drop-down), each
// brought about by a real gesture, answered by a handler that destroys the
// control, clears it, removes the current row, sorts, moves ListIndex, adds
// a row or throws. Afterwards the rows are consistent and a control that is
// still there still works; the sanitizer build sees every path once.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "control/guards.h"
#include "support.h"

namespace korvane::test {
namespace {

// What a handler does, once, when its event arrives.
struct Action {
    const char* name;
    std::function<void(Host&)> run;
};

const Action kActions[] = {
    {"Destroy", [](Host& h) { h.control.reset(); }},
    {"Clear", [](Host& h) { h.ctl().Clear(); }},
    {"RemoveCurrentRow",
     [](Host& h) {
         if (h.ctl().ListCount() > 0)
             h.ctl().RemoveItem(std::max(0, h.ctl().ListIndex()));
     }},
    {"Sort", [](Host& h) { h.ctl().Sort(2); }},
    {"SetListIndex", [](Host& h) { h.ctl().ListIndex(h.ctl().ListCount() - 1); }},
    {"AddItem", [](Host& h) { h.ctl().AddItem("added", "in a handler", 99); }},
    {"Throw", [](Host&) { throw std::runtime_error("host failure"); }},
};

// A host that answers one event (by name) with the action, the first time.
class Answering : public ucvKorvaneEvents {
public:
    Answering(Host& host, std::string event, const Action& action)
        : host_(host), event_(std::move(event)), action_(action) {}
    bool fired = false;

    void Click() override { On("Click"); }
    void KeyDown(std::int16_t&, std::int16_t&) override { On("KeyDown"); }
    void KeyPress(std::int16_t&, std::int16_t&) override { On("KeyPress"); }
    void KeyUp(std::int16_t&, std::int16_t&) override { On("KeyUp"); }
    void MouseDown(std::int16_t&, std::int16_t&, float&, float&) override { On("MouseDown"); }
    void MouseMove(std::int16_t&, std::int16_t&, float&, float&) override { On("MouseMove"); }
    void MouseUp(std::int16_t&, std::int16_t&, float&, float&) override { On("MouseUp"); }
    void Filled() override { On("Filled"); }

    void Now() { On(event_); }  // host work run from the desktop's queue (the Queued... triggers)

private:
    void On(const std::string& event) {
        if (fired || event != event_)
            return;
        fired = true;
        action_.run(host_);
    }
    Host& host_;
    std::string event_;
    const Action& action_;
};

enum Styles { kCombo = 1, kSimple = 2, kList = 4, kDrop = kCombo | kList, kEdit = kCombo | kSimple, kAll = 7 };

int Bit(StyleType s) {
    return s == StyleType::DropdownCombo ? kCombo : s == StyleType::SimpleCombo ? kSimple : kList;
}

void FocusControl(Host& h) {
    if (h.ctl().Style() == StyleType::DropdownList)
        h.ctl().Container().SetFocus();
    else
        h.desktop.ClickAt(h.Widget("txtCol1"), 60, 60);
}

// A gesture and the event it must raise on the way.
struct Trigger {
    const char* name;
    const char* event;  // "Queued" for host work from the desktop's queue
    int styles;
    std::function<void(Host&)> gesture;
};

const Trigger kTriggers[] = {
    {"DownKeyClick", "Click", kAll,
     [](Host& h) {
         FocusControl(h);
         h.desktop.PressKey(tk::key::Down);
     }},
    {"DownKeyKeyDown", "KeyDown", kAll,
     [](Host& h) {
         FocusControl(h);
         h.desktop.PressKey(tk::key::Down);
     }},
    {"PageDownKeyUp", "KeyUp", kAll,
     [](Host& h) {
         FocusControl(h);
         h.desktop.PressKey(tk::key::PageDown);
     }},
    {"AltDownKeyDown", "KeyDown", kList,
     [](Host& h) {
         FocusControl(h);
         h.desktop.PressKey(tk::key::Down, tk::shift::Alt);
         h.desktop.PressKey(tk::key::Down);
         h.desktop.PressKey(tk::key::Return);
         h.desktop.Advance(100);
     }},
    {"TypingKeyPress", "KeyPress", kEdit,
     [](Host& h) {
         FocusControl(h);
         h.desktop.Type("qz");
     }},
    {"DeleteKeyDown", "KeyDown", kEdit,
     [](Host& h) {
         h.ctl().ListIndex(2);
         FocusControl(h);
         h.desktop.PressKey(tk::key::Delete);
     }},
    {"FieldMouseDown", "MouseDown", kEdit, [](Host& h) { h.desktop.ClickAt(h.Widget("txtCol2"), 60, 60); }},
    {"FieldMouseUp", "MouseUp", kEdit, [](Host& h) { h.desktop.ClickAt(h.Widget("txtCol2"), 60, 60); }},
    {"FieldMouseMove", "MouseMove", kEdit, [](Host& h) { h.desktop.MoveTo(h.Widget("txtCol1"), 50, 50); }},
    {"LabelMouseDownOpens", "MouseDown", kList,
     [](Host& h) {
         h.desktop.ClickAt(h.Widget("lblCol2"), 60, 60);
         h.desktop.PressKey(tk::key::Escape);
     }},
    {"LabelMouseUp", "MouseUp", kList, [](Host& h) { h.desktop.ClickAt(h.Widget("lblCol1"), 60, 60); }},
    {"LabelMouseMove", "MouseMove", kList, [](Host& h) { h.desktop.MoveTo(h.Widget("lblCol1"), 50, 50); }},
    {"ListRowMouseDown", "MouseDown", kSimple, [](Host& h) { h.desktop.ClickRow(h.RowList(1), 3); }},
    {"ListRowMouseUp", "MouseUp", kSimple, [](Host& h) { h.desktop.ClickRow(h.RowList(2), 3); }},
    {"ListRowClick", "Click", kSimple, [](Host& h) { h.desktop.ClickRow(h.RowList(2), 4); }},
    {"ListKeyDown", "KeyDown", kSimple,
     [](Host& h) {
         h.desktop.ClickRow(h.RowList(1), 1);
         h.desktop.PressKey(tk::key::Down);
     }},
    {"ListKeyUp", "KeyUp", kSimple,
     [](Host& h) {
         h.desktop.ClickRow(h.RowList(1), 1);
         h.desktop.PressKey(tk::key::Up);
     }},
    {"ListMouseMove", "MouseMove", kSimple, [](Host& h) { h.desktop.MoveToRow(h.RowList(1), 2); }},
    {"DropDownRowHandedOverClick", "Click", kDrop,
     [](Host& h) {
         h.PressButton();
         h.desktop.ClickRow(h.RowList(1), 3);
         h.desktop.Advance(100);
     }},
    {"DropDownKeysHandedOverClick", "Click", kDrop,
     [](Host& h) {
         h.PressButton();
         h.desktop.PressKey(tk::key::Down);
         h.desktop.PressKey(tk::key::PageDown);
         h.desktop.PressKey(tk::key::Return);
         h.desktop.Advance(100);
     }},
    {"FilledByEnter", "Filled", kEdit,
     [](Host& h) {
         h.ctl().AutoFill(true);
         FocusControl(h);
         h.desktop.Type("new");
         h.desktop.PressKey(tk::key::Return);
         h.desktop.Type("row");
         h.desktop.PressKey(tk::key::Return);
     }},
    {"QueuedDuringOpening", "Queued", kDrop, [](Host& h) { h.PressButton(); }},
    {"QueuedDuringAltDownOpening", "Queued", kDrop,
     [](Host& h) {
         FocusControl(h);
         h.desktop.PressKey(tk::key::Down, tk::shift::Alt);
     }},
    {"QueuedDuringSort", "Queued", kAll, [](Host& h) { h.ctl().Sort(1); }},
    // Host work that runs in the second pass of events: inside the opening
    // itself (after the button's own pass), and in the sort's pass after its
    // first (the clock moved on meanwhile).
    {"QueuedInsideTheOpening", "QueuedLater", kDrop, [](Host& h) { h.PressButton(); }},
    {"QueuedInsideTheSortsSecondPass", "QueuedAfterAMoment", kAll,
     [](Host& h) {
         for (int i = 0; i < 400; ++i)
             h.ctl().AddItem("row " + std::to_string(1000 - i), std::to_string(i), i);
         h.ctl().Sort(1);
     }},
};

struct Case {
    StyleType style;
    const Trigger* trigger;
    const Action* action;
};

std::vector<Case> AllCases() {
    std::vector<Case> cases;
    for (StyleType style : kAllStyles)
        for (const Trigger& t : kTriggers)
            if (t.styles & Bit(style))
                for (const Action& a : kActions)
                    cases.push_back({style, &t, &a});
    return cases;
}

std::string CaseName(const testing::TestParamInfo<Case>& info) {
    std::string style = StyleLabel(testing::TestParamInfo<StyleType>(info.param.style, 0));
    return style + "_" + info.param.trigger->name + "_" + info.param.action->name;
}

const std::vector<std::pair<std::string, std::string>> kRows = {
    {"delta", "4"}, {"alpha", "1"}, {"echo", "5"}, {"charlie", "3"}, {"bravo", "2"}, {"golf", "7"}, {"foxtrot", "6"},
};

class Reentrancy : public testing::TestWithParam<Case> {};

INSTANTIATE_TEST_SUITE_P(Matrix, Reentrancy, testing::ValuesIn(AllCases()), CaseName);

// The rows are consistent: both lists of the pair agree, the positions are
// in range, every row reads, and the duplicate rule still refuses a row
// that is there.
void ExpectConsistent(Host& h) {
    ucvKorvane& ctl = h.ctl();
    const std::int32_t n = ctl.ListCount();
    EXPECT_EQ(h.RowList(1).ListCount(), n);
    EXPECT_EQ(h.RowList(2).ListCount(), n);
    EXPECT_GE(ctl.ListIndex(), -1);
    EXPECT_LT(ctl.ListIndex(), n);
    EXPECT_GE(ctl.TopIndex(), 0);
    EXPECT_TRUE(n == 0 ? ctl.TopIndex() == 0 : ctl.TopIndex() < n) << ctl.TopIndex();
    for (std::int32_t k = 0; k < n; ++k)
        EXPECT_EQ(ErrorOf([&] { ctl.List(k); }).first, 0);
    EXPECT_FALSE(detail::g_Busy(h.desktop));
    EXPECT_EQ(h.desktop.MousePointer(), tk::pointer::Default);
    if (n > 0) {
        ctl.AddItem(ctl.ListCol(1, 0), ctl.ListCol(2, 0));
        EXPECT_EQ(ctl.ListCount(), n) << "the duplicate rule lost a row";
    }
}

// The control still does its work: rows come and go, a row becomes the
// current one, and the drop-down opens and closes.
void ExpectWorking(Host& h) {
    ucvKorvane& ctl = h.ctl();
    ctl.Locked(false);
    ctl.Clear();
    h.Fill({{"one", "1"}, {"two", "2"}, {"three", "3"}});
    ASSERT_EQ(ctl.ListCount(), 3);
    ctl.ListIndex(1);
    EXPECT_EQ(ctl.TextCol(1), "two");
    ctl.RemoveItem(0);
    EXPECT_EQ(ctl.ListIndex(), 0);
    EXPECT_EQ(ctl.List(0), "two\t2");
    if (ctl.Style() != StyleType::SimpleCombo) {
        // A drop-down the gesture left open closes first.
        if (h.DropDownWindow()->Visible()) {
            h.desktop.PressKey(tk::key::Escape);
            EXPECT_FALSE(h.DropDownWindow()->Visible());
            h.desktop.Advance(200);
        }
        h.PressButton();
        EXPECT_TRUE(h.DropDownWindow()->Visible());
        h.desktop.PressKey(tk::key::Escape);
        EXPECT_FALSE(h.DropDownWindow()->Visible());
    }
    h.desktop.Advance(300);
}

TEST_P(Reentrancy, TheRowsStayConsistentAndTheControlWorks) {
    const Case& c = GetParam();
    Host h(c.style);
    h.Fill(kRows);
    Answering host(h, c.trigger->event, *c.action);
    h.ctl().Advise(&host);
    const std::string queued = c.trigger->event;
    if (queued == "Queued")
        h.desktop.Post([&] { host.Now(); });
    if (queued == "QueuedLater")
        h.desktop.Post([&] { h.desktop.Post([&] { host.Now(); }); });
    if (queued == "QueuedAfterAMoment") {
        h.desktop.Post([&] {
            h.desktop.Advance(50);
            h.desktop.Post([&] { host.Now(); });
        });
    }
    bool threw = false;
    try {
        c.trigger->gesture(h);
    } catch (const std::runtime_error& e) {
        // Only the host's own failure may come back out of a gesture.
        threw = true;
        EXPECT_STREQ(e.what(), "host failure");
    }
    EXPECT_TRUE(host.fired) << "the gesture did not raise " << c.trigger->event;
    if (threw) {
        EXPECT_STREQ(c.action->name, "Throw");
    }
    // Whatever else the clock brings (the focus watcher's ticks).
    EXPECT_NO_THROW(h.desktop.Advance(300));
    if (!h.control) {
        EXPECT_STREQ(c.action->name, "Destroy");
        // The gestures go on into what is left of the form.
        EXPECT_NO_THROW(h.desktop.Click(300, 300));
        EXPECT_NO_THROW(h.desktop.PressKey(tk::key::Down));
        return;
    }
    h.ctl().Advise(&h.recorder);
    ExpectConsistent(h);
    ExpectWorking(h);
}

}  // namespace
}  // namespace korvane::test
