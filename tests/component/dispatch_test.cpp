// Late-bound calls on a control object: names to numbers, members reached
// by number with converted arguments, omitted optionals, errors coming back
// as number and text, events by number with by-reference arguments, and the
// object's life with its host's references.
#include "korvane/component/dispatch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "korvane/toolkit/headless.h"
#include "korvane/ucvKorvane.h"

namespace korvane::component {
namespace {

using tk::headless::HeadlessDesktop;

// Records events as "Name arg arg"; a test may act inside any event.
class RecordingSink : public EventSink {
public:
    std::vector<std::string> events;
    std::function<void(DispId, std::span<Variant>)> act;

    void Invoke(DispId event, std::span<Variant> args) override {
        std::string line(FindEvent(event) ? FindEvent(event)->Name : "?");
        for (const auto& a : args)
            line += " " + ToDisplay(a);
        events.push_back(line);
        if (act)
            act(event, args);
    }
};

// A host form with one late-bound control on it, at run time in `style`.
class LateBoundHost {
public:
    explicit LateBoundHost(StyleType style = StyleType::DropdownCombo, bool userMode = true) {
        form = desktop.CreateForm("Form1");
        form->Width(9000);
        form->Height(6000);
        CreateOptions options;
        options.UserMode = userMode;
        options.Left = 300;
        options.Top = 300;
        options.Width = style == StyleType::SimpleCombo ? 3970 : 4240;
        options.Height = style == StyleType::SimpleCombo ? 2130 : 330;
        tk::MemoryPropertyBag bag;
        bag.Set("Style", static_cast<std::int32_t>(style));
        if (userMode)
            options.Saved = &bag;
        EXPECT_EQ(CreateControl(*form, options, &ctl), result::Ok);
        ctl->Advise(&sink);
        form->Show();
    }
    ~LateBoundHost() {
        if (ctl)
            ctl->Release();
    }

    Variant Get(std::string_view name, std::vector<Variant> args = {}) {
        return Call(name, kPropertyGet | kMethod, std::move(args));
    }
    Variant Call(std::string_view name, std::uint8_t kinds, std::vector<Variant> args) {
        DispId id = 0;
        EXPECT_EQ(ctl->GetIDsOfNames(name, id, nullptr), result::Ok) << name;
        Variant out;
        ExceptionInfo info;
        last = ctl->Invoke(id, kinds, args, &out, &info);
        lastInfo = info;
        if (last == result::Ok)
            for (InvokeKind k : {kMethod, kPropertyGet, kPropertyLet, kPropertySet})
                if ((kinds & k) && FindMember(id, k)) {
                    reached.insert({id, k});
                    break;
                }
        return out;
    }
    void Let(std::string_view name, std::vector<Variant> args) { Call(name, kPropertyLet, std::move(args)); }

    HeadlessDesktop desktop;
    std::unique_ptr<tk::Form> form;
    RecordingSink sink;
    Control* ctl = nullptr;
    Result last = result::Ok;
    ExceptionInfo lastInfo;
    std::set<std::pair<DispId, InvokeKind>> reached;  // members called successfully, and how
};

TEST(Coerce, ConvertsAsAnAutomationClient) {
    const auto nan = std::numeric_limits<double>::quiet_NaN();
    const auto inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* label;
        Variant in;
        VarType to;
        Variant want;     // when no error
        int errorNumber;  // 0, 6 (Overflow), 13 (Type mismatch) or 424 (Object required)
    } rows[] = {
        {"int32 to int16", std::int32_t{-7}, VarType::Int16, std::int16_t{-7}, 0},
        {"half rounds to even, down", 2.5, VarType::Int16, std::int16_t{2}, 0},
        {"half rounds to even, up", 3.5, VarType::Int16, std::int16_t{4}, 0},
        {"negative half to even", -2.5, VarType::Int32, std::int32_t{-2}, 0},
        {"single rounds too", 1.5f, VarType::Int32, std::int32_t{2}, 0},
        {"numeric string", std::string(" 12 "), VarType::Int32, std::int32_t{12}, 0},
        {"numeric string with fraction", std::string("2.5"), VarType::Int16, std::int16_t{2}, 0},
        {"True is -1", true, VarType::Int16, std::int16_t{-1}, 0},
        {"empty is 0", Variant{}, VarType::Int32, std::int32_t{0}, 0},
        {"int16 largest", 32767.0, VarType::Int16, std::int16_t{32767}, 0},
        {"rounding past int16", 32767.5, VarType::Int16, {}, 6},
        {"int32 beyond int16", std::int32_t{40000}, VarType::Int16, {}, 6},
        {"below int16", -32769.0, VarType::Int16, {}, 6},
        {"beyond int32", 2147483648.0, VarType::Int32, {}, 6},
        {"NaN", nan, VarType::Int16, {}, 6},
        {"infinity", inf, VarType::Int32, {}, 6},
        {"huge numeric string", std::string("1e400"), VarType::Double, {}, 6},
        {"text", std::string("abc"), VarType::Int32, {}, 13},
        {"blank text", std::string(""), VarType::Int32, {}, 13},
        {"the word nan", std::string("nan"), VarType::Double, {}, 13},
        {"font to number", std::make_shared<tk::Font>(), VarType::Int32, {}, 13},
        {"number to Boolean", 2.0, VarType::Bool, true, 0},
        {"zero to Boolean", std::int16_t{0}, VarType::Bool, false, 0},
        {"word to Boolean", std::string("false"), VarType::Bool, false, 0},
        {"text to Boolean", std::string("maybe"), VarType::Bool, {}, 13},
        {"Boolean to text", true, VarType::String, std::string("True"), 0},
        {"number to text", 1.5, VarType::String, std::string("1.5"), 0},
        {"empty to text", Variant{}, VarType::String, std::string(""), 0},
        {"font to text", std::make_shared<tk::Font>(), VarType::String, {}, 13},
        {"colour upper half as negative", std::int32_t{-1}, VarType::Color, std::int32_t{-1}, 0},
        {"colour upper half as unsigned", 4294967295.0, VarType::Color, std::int32_t{-1}, 0},
        {"colour beyond 32 bits", 4294967296.0, VarType::Color, {}, 6},
        {"double beyond single", 1e39, VarType::Single, {}, 6},
        {"text to font", std::string("Arial"), VarType::Font, {}, 424},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        try {
            const Variant got = Coerce(row.in, row.to);
            EXPECT_EQ(row.errorNumber, 0) << "converted to " << ToDisplay(got);
            EXPECT_EQ(got, row.want);
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.Number(), row.errorNumber) << e.Description();
            const char* text = row.errorNumber == 6    ? "Overflow"
                               : row.errorNumber == 13 ? "Type mismatch"
                                                       : "Object required";
            EXPECT_EQ(e.Description(), text);
        }
    }
}

// Every public member, called late-bound on one control and through C++ on
// another, leaves both alike.
std::int32_t ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const RuntimeError& e) {
        return e.Number();
    }
    return 0;
}

TEST(LateBound, EveryMemberBehavesAsThroughCpp) {
    for (StyleType style : {StyleType::DropdownCombo, StyleType::SimpleCombo, StyleType::DropdownList}) {
        SCOPED_TRACE("style " + std::to_string(static_cast<int>(style)));
        LateBoundHost lb(style);
        HeadlessDesktop desktop;
        auto form = desktop.CreateForm("Form1");
        ucvKorvane direct(*form, Site{.Name = "KorvaneBox1", .UserMode = true, .Left = 300, .Top = 300});
        direct.Container().Width(style == StyleType::SimpleCombo ? 3970.0f : 4240.0f);
        direct.Container().Height(style == StyleType::SimpleCombo ? 2130.0f : 330.0f);
        tk::MemoryPropertyBag bag;
        bag.Set("Style", static_cast<std::int32_t>(style));
        direct.ReadProperties(bag);

        lb.Call("AddItem", kMethod, {std::string("b"), std::string("2"), 20.0});
        direct.AddItem("b", "2", 20);
        lb.Call("AddItem", kMethod, {std::string("a"), std::string("10")});
        direct.AddItem("a", "10");
        lb.Call("AddItem", kMethod, {std::string("c"), std::string("3"), std::string("30")});
        direct.AddItem("c", "3", 30);
        lb.Call("Sort", kMethod, {std::int16_t{2}, true});
        direct.Sort(2, true);
        lb.Let("List", {std::int32_t{1}, std::string("x\ty")});
        direct.List(1, "x\ty");
        lb.Let("ItemData", {std::int32_t{0}, std::int32_t{99}});
        direct.ItemData(0, 99);
        lb.Let("ListIndex", {std::int32_t{2}});
        direct.ListIndex(2);
        lb.Let("WidthCol1", {std::int32_t{1500}});
        direct.WidthCol1(1500);
        lb.Let("ListHeight", {std::int32_t{900}});
        direct.ListHeight(900);
        lb.Let("Backcolor", {std::int32_t{0x00FF00}});
        direct.Backcolor(0x00FF00);
        lb.Let("Locked", {true});
        direct.Locked(true);
        lb.Let("AutoFill", {true});
        direct.AutoFill(true);
        lb.Let("ToolTipText", {std::string("tip")});
        direct.ToolTipText("tip");
        lb.Let("Forecolor", {4294967295.0});  // the upper half of the colour range
        direct.Forecolor(0xFFFFFFFFu);
        lb.Let("WidthCol2", {std::int32_t{2000}});
        direct.WidthCol2(2000);
        lb.Let("SearchMode", {std::int16_t{3}});
        direct.SearchMode(3);
        lb.Let("SearchColumns", {std::int16_t{5}});
        direct.SearchColumns(5);
        lb.Let("Text", {std::string("free;text")});
        if (style != StyleType::DropdownList)
            direct.Text("free;text");
        EXPECT_EQ(lb.last, style == StyleType::DropdownList ? result::Exception : result::Ok);
        for (int i = 0; i < 12; ++i) {
            lb.Call("AddItem", kMethod, {"r" + std::to_string(i), std::to_string(i)});
            direct.AddItem("r" + std::to_string(i), std::to_string(i));
        }
        lb.Let("TopIndex", {std::int32_t{4}});
        direct.TopIndex(4);
        auto font = std::make_shared<tk::Font>();
        font->Name = "Arial";
        lb.Call("Font", kPropertySet, {font});
        direct.Font(std::make_shared<tk::Font>(*font));
        lb.Let("Enabled", {false});
        direct.Enabled(false);
        lb.Call("Refresh", kMethod, {});
        direct.Refresh();
        // The About box is modal: the user closes it with its OK button.
        for (HeadlessDesktop* d : {&lb.desktop, &desktop})
            d->OnModal([d](tk::Form& about) {
                d->ClickAt(*d->Find(about.Name() + ".btnOK"), 10, 10);
                d->Advance(500);
            });
        lb.Call("About", kMethod, {});
        direct.About();
        EXPECT_EQ(lb.last, result::Ok);
        EXPECT_EQ(lb.desktop.MessageBoxes().size(), desktop.MessageBoxes().size());

        EXPECT_EQ(lb.Get("ListCount"), Variant(direct.ListCount()));
        for (std::int32_t i = 0; i < direct.ListCount(); ++i) {
            EXPECT_EQ(lb.Get("List", {i}), Variant(direct.List(i)));
            EXPECT_EQ(lb.Get("ItemData", {i}), Variant(direct.ItemData(i)));
            EXPECT_EQ(lb.Get("ListCol", {std::int16_t{2}, i}), Variant(direct.ListCol(2, i)));
        }
        EXPECT_EQ(lb.Get("TextCol", {std::int16_t{1}}), Variant(direct.TextCol(1)));
        EXPECT_EQ(lb.Get("Text"), Variant(direct.Text()));
        EXPECT_EQ(lb.Get("ListIndex"), Variant(direct.ListIndex()));
        EXPECT_EQ(lb.Get("NewIndex"), Variant(direct.NewIndex()));
        EXPECT_EQ(lb.Get("TopIndex"), Variant(direct.TopIndex()));
        EXPECT_EQ(lb.Get("WidthCol1"), Variant(direct.WidthCol1()));
        EXPECT_EQ(lb.Get("WidthCol2"), Variant(direct.WidthCol2()));
        EXPECT_EQ(lb.Get("ListHeight"), Variant(direct.ListHeight()));
        EXPECT_EQ(lb.Get("Style"), Variant(static_cast<std::int32_t>(direct.Style())));
        EXPECT_EQ(lb.Get("Backcolor"), Variant(static_cast<std::int32_t>(direct.Backcolor())));
        EXPECT_EQ(lb.Get("Forecolor"), Variant(static_cast<std::int32_t>(direct.Forecolor())));
        EXPECT_EQ(lb.Get("Locked"), Variant(direct.Locked()));
        EXPECT_EQ(lb.Get("AutoFill"), Variant(direct.AutoFill()));
        EXPECT_EQ(lb.Get("Enabled"), Variant(direct.Enabled()));
        EXPECT_EQ(lb.Get("ToolTipText"), Variant(direct.ToolTipText()));
        EXPECT_EQ(lb.Get("SearchMode"), Variant(direct.SearchMode()));
        EXPECT_EQ(lb.Get("SearchColumns"), Variant(direct.SearchColumns()));
        EXPECT_EQ(lb.Get("SearchMatches"), Variant(direct.SearchMatches()));
        EXPECT_EQ(std::get<tk::FontRef>(lb.Get("Font"))->Name, direct.Font()->Name);
        EXPECT_TRUE(std::holds_alternative<std::int32_t>(lb.Get("hWnd")));
        EXPECT_TRUE(std::holds_alternative<std::int32_t>(lb.Get("hDC")));
        EXPECT_EQ(lb.last, result::Ok);

        lb.Call("RemoveItem", kMethod, {std::int32_t{0}});
        direct.RemoveItem(0);
        EXPECT_EQ(lb.Get("List", {std::int32_t{0}}), Variant(direct.List(0)));
        lb.Call("Clear", kMethod, {});
        direct.Clear();
        EXPECT_EQ(lb.Get("ListCount"), Variant(std::int32_t{0}));
        lb.Let("ListCount", {std::int32_t{1}});
        EXPECT_EQ(lb.lastInfo.Number, ErrorOf([&] { direct.ListCount(1); }));
        lb.Let("Style", {std::int32_t{1}});
        EXPECT_EQ(lb.lastInfo.Number, ErrorOf([&] { direct.Style(StyleType::SimpleCombo); }));

        // Every way of reaching every member was taken (the two refused lets
        // above count as reached: the control itself refused them).
        lb.reached.insert({MemberId("ListCount"), kPropertyLet});
        lb.reached.insert({MemberId("Style"), kPropertyLet});
        if (style == StyleType::DropdownList)
            lb.reached.insert({kDispIdValue, kPropertyLet});
        for (const auto& m : Library().Members)
            for (InvokeKind k : {kMethod, kPropertyGet, kPropertyLet, kPropertySet})
                if (m.Kinds & k) {
                    EXPECT_TRUE(lb.reached.count({m.Id, k})) << m.Name << " kind " << int(k) << " never called";
                }
    }
}

TEST(LateBound, DefaultMemberIsText) {
    LateBoundHost lb;
    Variant out;
    ASSERT_EQ(lb.ctl->Invoke(kDispIdValue, kPropertyLet, std::vector<Variant>{std::string("a;b")}, nullptr, nullptr),
              result::Ok);
    ASSERT_EQ(lb.ctl->Invoke(kDispIdValue, kPropertyGet, {}, &out, nullptr), result::Ok);
    EXPECT_EQ(out, Variant(std::string("a\tb")));
    EXPECT_EQ(lb.Get("TextCol", {std::int16_t{2}}), Variant(std::string("b")));
}

TEST(LateBound, OmittedOptionalsTakeTheirDefaults) {
    LateBoundHost lb;
    lb.Call("AddItem", kMethod, {std::string("b"), std::string("9")});
    lb.Call("AddItem", kMethod, {std::string("a"), std::string("10"), Variant{}});
    EXPECT_EQ(lb.last, result::Ok);
    EXPECT_EQ(lb.Get("ItemData", {std::int32_t{0}}), Variant(std::int32_t{0}));
    EXPECT_EQ(lb.Get("ItemData", {std::int32_t{1}}), Variant(std::int32_t{0}));
    lb.Call("Sort", kMethod, {std::int16_t{2}});  // as text: "10" before "9"
    EXPECT_EQ(lb.last, result::Ok);
    EXPECT_EQ(lb.Get("List", {std::int32_t{0}}), Variant(std::string("a\t10")));
    lb.Call("Sort", kMethod, {std::int16_t{2}, Variant{}});
    EXPECT_EQ(lb.Get("List", {std::int32_t{0}}), Variant(std::string("a\t10")));
    lb.Call("Sort", kMethod, {std::int16_t{2}, true});
    EXPECT_EQ(lb.Get("List", {std::int32_t{0}}), Variant(std::string("b\t9")));
}

TEST(LateBound, RefusedCallsGiveTheirNumberAndTextAndChangeNothing) {
    const struct {
        const char* label;
        const char* member;
        std::uint8_t kinds;
        std::vector<Variant> args;
        Result result;
        std::int32_t number;
        std::string description;
        std::int32_t argIndex;
    } rows[] = {
        {"too few arguments",
         "AddItem",
         kMethod,
         {std::string("x")},
         result::BadParamCount,
         450,
         "Wrong number of arguments or invalid property assignment",
         -1},
        {"too many arguments",
         "AddItem",
         kMethod,
         {std::string("x"), std::string("y"), std::int32_t{1}, std::int32_t{2}},
         result::BadParamCount,
         450,
         "Wrong number of arguments or invalid property assignment",
         -1},
        {"a required argument left out",
         "AddItem",
         kMethod,
         {Variant{}, std::string("y")},
         result::ParamNotOptional,
         449,
         "Argument not optional",
         0},
        {"16-bit parameter overflows", "TextCol", kMethod, {std::int32_t{40000}}, result::Overflow, 6, "Overflow", 0},
        {"NaN for a 16-bit parameter",
         "Sort",
         kMethod,
         {std::numeric_limits<double>::quiet_NaN()},
         result::Overflow,
         6,
         "Overflow",
         0},
        {"text for a number",
         "RemoveItem",
         kMethod,
         {std::string("first")},
         result::TypeMismatch,
         13,
         "Type mismatch",
         0},
        {"a let of a read-only property",
         "hWnd",
         kPropertyLet,
         {std::int32_t{1}},
         result::MemberNotFound,
         438,
         "Object doesn't support this property or method",
         -1},
        {"a value assigned to the font",
         "Font",
         kPropertyLet,
         {std::string("Arial")},
         result::MemberNotFound,
         438,
         "Object doesn't support this property or method",
         -1},
        {"no object for the font",
         "Font",
         kPropertySet,
         {std::string("Arial")},
         result::TypeMismatch,
         424,
         "Object required",
         0},
        {"the control's own error",
         "RemoveItem",
         kMethod,
         {std::int32_t{5}},
         result::Exception,
         6,
         "Item '5' do not exist",
         -1},
        {"a control error from a let",
         "ListIndex",
         kPropertyLet,
         {std::int32_t{-2}},
         result::Exception,
         5,
         "Invalid procedure call or argument",
         -1},
        {"read-only at run time",
         "ListCount",
         kPropertyLet,
         {std::int32_t{3}},
         result::Exception,
         7,
         "Can't assign to read-only property",
         -1},
        {"a style out of range",
         "Style",
         kPropertyLet,
         {std::int32_t{7}},
         result::Exception,
         9,
         "Illegal value style",
         -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        LateBoundHost lb;
        lb.Call("AddItem", kMethod, {std::string("a"), std::string("1"), std::int32_t{7}});
        lb.Let("ListIndex", {std::int32_t{0}});
        lb.Call(row.member, row.kinds, row.args);
        EXPECT_EQ(lb.last, row.result);
        EXPECT_EQ(lb.lastInfo.Number, row.number);
        EXPECT_EQ(lb.lastInfo.Description, row.description);
        EXPECT_EQ(lb.lastInfo.ArgIndex, row.argIndex);
        EXPECT_EQ(lb.lastInfo.Source, "Korvane.ucvKorvane");
        EXPECT_EQ(lb.Get("ListCount"), Variant(std::int32_t{1}));
        EXPECT_EQ(lb.Get("List", {std::int32_t{0}}), Variant(std::string("a\t1")));
        EXPECT_EQ(lb.Get("ListIndex"), Variant(std::int32_t{0}));
    }
}

TEST(LateBound, UnknownNamesAndNumbers) {
    LateBoundHost lb;
    DispId id = 0;
    ExceptionInfo info;
    EXPECT_EQ(lb.ctl->GetIDsOfNames("Nonsense", id, &info), result::UnknownName);
    EXPECT_EQ(id, kDispIdUnknown);
    EXPECT_EQ(info.Number, 438);
    EXPECT_EQ(lb.ctl->GetIDsOfNames("additem", id, nullptr), result::Ok);
    EXPECT_EQ(id, 0x60030043);
    EXPECT_EQ(lb.ctl->Invoke(12345, kMethod, {}, nullptr, &info), result::MemberNotFound);
    EXPECT_EQ(info.Number, 438);
}

TEST(LateBound, FontIsSharedByReference) {
    LateBoundHost lb;
    const Variant font = lb.Get("Font");
    ASSERT_TRUE(std::holds_alternative<tk::FontRef>(font));
    auto mine = std::make_shared<tk::Font>();
    mine->Name = "Arial";
    mine->Size = 12;
    lb.Call("Font", kPropertySet, {mine});
    EXPECT_EQ(lb.last, result::Ok);
    EXPECT_EQ(std::get<tk::FontRef>(lb.Get("Font")), mine);
}

TEST(Events, ArriveByNumberWithTheirArguments) {
    LateBoundHost lb;
    lb.Call("AddItem", kMethod, {std::string("a"), std::string("1")});
    lb.Let("ListIndex", {std::int32_t{0}});
    auto* field = lb.desktop.Find("Form1.KorvaneBox1.txtCol1");
    ASSERT_NE(field, nullptr);
    lb.sink.events.clear();
    lb.desktop.ClickAt(*field, 150, 150);
    lb.desktop.PressKey(tk::key::Down);
    std::vector<std::string> withoutMoves;
    for (const auto& e : lb.sink.events)
        if (e.rfind("MouseMove", 0) != 0)
            withoutMoves.push_back(e);
    EXPECT_EQ(withoutMoves,
              (std::vector<std::string>{"MouseDown 1 0 150 150", "MouseUp 1 0 150 150", "KeyDown 40 0", "KeyUp 40 0"}));
}

TEST(Events, ByReferenceChangesReachTheControl) {
    LateBoundHost lb;
    auto* field = lb.desktop.Find("Form1.KorvaneBox1.txtCol1");
    lb.desktop.ClickAt(*field, 100, 100);
    lb.sink.act = [](DispId event, std::span<Variant> args) {
        if (event == event_id::KeyPress && args[0] == Variant(std::int16_t{'b'}))
            args[0] = std::int16_t{0};  // consumes the key
        if (event == event_id::KeyPress && args[0] == Variant(std::int16_t{'c'}))
            args[0] = std::string("68");  // converted back: "D"
        if (event == event_id::KeyPress && args[0] == Variant(std::int16_t{'e'}))
            args[0] = std::string("not a key");  // does not convert: the key stays
    };
    lb.desktop.Type("abce");
    EXPECT_EQ(lb.Get("TextCol", {std::int16_t{1}}), Variant(std::string("aDe")));
}

TEST(Events, HandlerMayCallBackIntoTheControl) {
    LateBoundHost lb(StyleType::SimpleCombo);
    lb.Call("AddItem", kMethod, {std::string("a"), std::string("1")});
    lb.Call("AddItem", kMethod, {std::string("b"), std::string("2")});
    std::vector<std::string> seen;
    lb.sink.act = [&](DispId event, std::span<Variant>) {
        if (event == event_id::Click)
            seen.push_back(ToDisplay(lb.Get("Text")));
    };
    lb.Let("ListIndex", {std::int32_t{1}});
    EXPECT_EQ(seen, std::vector<std::string>{"b\t2"});
}

TEST(Events, ReleasingTheLastReferenceInAHandlerEndsTheControlSafely) {
    const auto before = LiveObjects();
    {
        LateBoundHost lb(StyleType::SimpleCombo);
        lb.Call("AddItem", kMethod, {std::string("a"), std::string("1")});
        EXPECT_EQ(LiveObjects(), before + 1);
        lb.sink.act = [&](DispId event, std::span<Variant>) {
            if (event == event_id::Click && lb.ctl) {
                Control* c = lb.ctl;
                lb.ctl = nullptr;
                c->Release();
            }
        };
        auto* list = dynamic_cast<tk::ListBox*>(lb.desktop.Find("Form1.KorvaneBox1.lstCol1a"));
        ASSERT_NE(list, nullptr);
        lb.desktop.ClickRow(*list, 0);
        EXPECT_EQ(lb.ctl, nullptr);
        EXPECT_EQ(LiveObjects(), before);
    }
    EXPECT_EQ(LiveObjects(), before);
}

TEST(Factory, CreatesControlsAtDesignAndRunTimeAndCountsLiveObjects) {
    const auto before = LiveObjects();
    void* raw = nullptr;
    EXPECT_EQ(GetClassFactory("{00000000-0000-0000-0000-000000000000}", kClassFactoryInterface, &raw),
              result::ClassNotAvailable);
    EXPECT_EQ(raw, nullptr);
    EXPECT_EQ(GetClassFactory(Library().Class.Id, "Something", &raw), result::NoInterface);
    EXPECT_EQ(GetClassFactory(Library().Class.Id, kClassFactoryInterface, nullptr), result::InvalidPointer);
    // Identifiers are compared without regard to case.
    ASSERT_EQ(GetClassFactory("{2a784cc5-08fd-4d88-adfc-26a5b3534e6e}", kClassFactoryInterface, &raw), result::Ok);
    auto* factory = static_cast<ClassFactory*>(raw);
    EXPECT_EQ(LiveObjects(), before + 1);

    HeadlessDesktop desktop;
    auto form = desktop.CreateForm("Form1");
    for (bool userMode : {false, true}) {
        SCOPED_TRACE(userMode ? "run time" : "design time");
        CreateOptions options;
        options.UserMode = userMode;
        Control* ctl = nullptr;
        ASSERT_EQ(factory->CreateInstance(*form, options, &ctl), result::Ok);
        EXPECT_EQ(LiveObjects(), before + 2);
        // Read-only at run time; at design time a message box instead.
        std::vector<Variant> args{std::int32_t{3}};
        ExceptionInfo info;
        const Result r = ctl->Invoke(MemberId("ListCount"), kPropertyLet, args, nullptr, &info);
        EXPECT_EQ(r, userMode ? result::Exception : result::Ok);
        EXPECT_EQ(desktop.MessageBoxes().size(), 1u);
        ctl->Release();
    }
    EXPECT_EQ(LiveObjects(), before + 1);
    // A lock keeps the library busy after its last object is gone.
    factory->LockServer(true);
    factory->Release();
    EXPECT_EQ(LiveObjects(), before + 1);
    ASSERT_EQ(GetClassFactory(Library().Class.Id, kClassFactoryInterface, &raw), result::Ok);
    factory = static_cast<ClassFactory*>(raw);
    factory->LockServer(false);
    factory->Release();
    EXPECT_EQ(LiveObjects(), before);
}

}  // namespace
}  // namespace korvane::component
