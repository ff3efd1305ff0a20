// What every toolkit must do for the control (toolkit_contract.h): the cases,
// built once as a library that the headless and the Qt test programs link
// and instantiate with their own desktops. The user-input side of the
// headless desktop is tested in headless_desktop_test.cpp.
#include "toolkit_contract.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace korvane::tk::contract {

// --- list box ------------------------------------------------------------------------

TEST_P(ToolkitContract, ListIndexWritesRaiseClickOnlyWhenTheSelectionChanges) {
    Fill(20);
    struct Step {
        std::int32_t Write;
        int Clicks;
    };
    const Step steps[] = {{3, 1}, {3, 0}, {-1, 1}, {-1, 0}, {19, 1}, {0, 1}};
    for (const Step& step : steps) {
        clicks = 0;
        list->ListIndex(step.Write);
        EXPECT_EQ(clicks, step.Clicks) << "ListIndex = " << step.Write;
        EXPECT_EQ(list->ListIndex(), step.Write);
        if (step.Write >= 0) {  // scrolled into view: 9 rows show at 1785 twips
            EXPECT_LE(list->TopIndex(), step.Write);
            EXPECT_GT(list->TopIndex() + 9, step.Write);
        }
    }
}

TEST_P(ToolkitContract, RemovingEntriesMovesTheSelectionWithoutClick) {
    Fill(5);
    list->ListIndex(3);
    clicks = 0;
    list->RemoveItem(1);  // above the selection
    EXPECT_EQ(list->ListIndex(), 2);
    EXPECT_EQ(list->List(2), "row 3");
    list->RemoveItem(2);  // the selection itself
    EXPECT_EQ(list->ListIndex(), -1);
    list->RemoveItem(0);  // below nothing
    EXPECT_EQ(clicks, 0);
    list->ListIndex(1);
    list->Clear();
    EXPECT_EQ(list->ListCount(), 0);
    EXPECT_EQ(list->ListIndex(), -1);
    EXPECT_EQ(list->TopIndex(), 0);
}

// A view (a search's matches) shows some entries; the indexes stay entry
// numbers while the top row and the rows drawn walk the entries shown,
// and the view follows removals and reorders.
TEST_P(ToolkitContract, AViewShowsSomeEntriesAndTheIndexesKeepTheirNumbers) {
    Fill(40);
    std::vector<std::int32_t> view;
    for (std::int32_t e = 1; e < 40; e += 3)
        view.push_back(e);  // 1, 4, ..., 37: 13 entries
    list->ShowOnly(view);
    EXPECT_TRUE(list->Filtered());
    EXPECT_EQ(list->ListCount(), 40);
    EXPECT_EQ(list->ShownCount(), 13);
    EXPECT_EQ(list->ShownEntry(2), 7);
    EXPECT_EQ(list->ShownPosition(7), 2);
    EXPECT_EQ(list->ShownPosition(8), -1);
    EXPECT_EQ(list->ShownEntry(13), -1);
    EXPECT_EQ(list->TopIndex(), 1);
    list->TopIndex(30);  // the last page stays full: 9 of the 13 rows
    EXPECT_EQ(list->TopIndex(), 13);
    list->ListIndex(37);
    EXPECT_EQ(list->ListIndex(), 37);
    EXPECT_EQ(list->TopIndex(), 13);
    list->ListIndex(1);  // scrolled into view
    EXPECT_EQ(list->TopIndex(), 1);
    list->RemoveItem(4);  // a shown entry: the later ones move up
    EXPECT_EQ(list->ShownCount(), 12);
    EXPECT_EQ(list->ShownEntry(1), 6);
    EXPECT_EQ(list->ListIndex(), 1);
    std::vector<std::int32_t> reversed(39);
    for (std::int32_t k = 0; k < 39; ++k)
        reversed[static_cast<std::size_t>(k)] = 38 - k;
    list->Reorder(reversed);              // entry e is now 38 - e
    EXPECT_EQ(list->ShownEntry(0), 2);    // was 36
    EXPECT_EQ(list->ShownEntry(11), 37);  // was 1
    EXPECT_EQ(list->EntryText(37), "row 1");
    list->ShowAll();
    EXPECT_FALSE(list->Filtered());
    EXPECT_EQ(list->ShownCount(), 39);
    EXPECT_EQ(list->ShownEntry(5), 5);
    EXPECT_EQ(list->ListIndex(), 1);  // Reorder keeps the selection's number
    EXPECT_EQ(clicks, 2) << "writes select, the view does not";
}

TEST_P(ToolkitContract, TopIndexKeepsTheLastPageFull) {
    Fill(20);
    ASSERT_FLOAT_EQ(list->Height(), 1785);  // 9 rows
    const std::pair<std::int32_t, std::int32_t> writes[] = {{5, 5}, {11, 11}, {12, 11}, {19, 11}, {0, 0}};
    for (auto [write, read] : writes) {
        list->TopIndex(write);
        EXPECT_EQ(list->TopIndex(), read) << "TopIndex = " << write;
    }
    EXPECT_EQ(clicks, 0) << "scrolling is not selecting";

    list->Clear();
    Fill(4);  // fewer entries than rows: nothing to scroll
    list->TopIndex(3);
    EXPECT_EQ(list->TopIndex(), 0);
}

TEST_P(ToolkitContract, HeightSettlesOnWholeRowsOfTheFont) {
    const std::pair<float, float> heights[] = {
        {1800, 1785}, {1785, 1785}, {1799, 1785}, {225, 225}, {224, 0}, {0, 0}, {3000, 2955},
    };
    for (auto [write, read] : heights) {
        list->Height(write);
        EXPECT_FLOAT_EQ(list->Height(), read) << "Height = " << write;
    }

    // A new font settles the height again, on rows of the new font.
    auto big = std::make_shared<Font>();
    big->Size = 14;
    form->Font(big);
    const float row = form->TextHeight("X");
    list->Height(1800);
    list->Font(big);
    const float rows = std::floor((1800.0f / 15 - 2) / (row / 15));
    EXPECT_FLOAT_EQ(list->Height(), rows * row + 30);
}

TEST_P(ToolkitContract, IndexesOutsideTheEntriesAreRefused) {
    Fill(3);
    const std::pair<const char*, std::function<void()>> refusals[] = {
        {"RemoveItem(3)", [&] { list->RemoveItem(3); }},
        {"RemoveItem(-1)", [&] { list->RemoveItem(-1); }},
        {"List(3)", [&] { list->List(3); }},
        {"List(-2)", [&] { list->List(-2); }},
        {"List(3) =", [&] { list->List(3, "x"); }},
        {"ItemData(3)", [&] { list->ItemData(3); }},
        {"ItemData(-1)", [&] { list->ItemData(-1); }},
        {"ItemData(-1) =", [&] { list->ItemData(-1, 7); }},
        {"ListIndex = 3", [&] { list->ListIndex(3); }},
        {"ListIndex = -2", [&] { list->ListIndex(-2); }},
        {"TopIndex = 3", [&] { list->TopIndex(3); }},
        {"TopIndex = -1", [&] { list->TopIndex(-1); }},
    };
    for (const auto& [what, action] : refusals)
        EXPECT_EQ(ErrorNumber(action), kInvalidIndex) << what;
    EXPECT_EQ(list->ListCount(), 3);
    EXPECT_EQ(list->ListIndex(), -1);
    EXPECT_EQ(list->List(-1), "") << "entry -1 reads as empty";
}

TEST_P(ToolkitContract, EntriesKeepTheirOrderUpToTheLimit) {
    list->AddItem("b");
    EXPECT_EQ(list->NewIndex(), 0);
    list->AddItem("a");
    EXPECT_EQ(list->NewIndex(), 1);
    list->ItemData(1, -5);
    EXPECT_EQ(list->List(0), "b") << "never sorted";
    EXPECT_EQ(list->ItemData(1), -5);
    EXPECT_EQ(list->ItemData(0), 0);

    list->Clear();
    const auto start = std::chrono::steady_clock::now();
    Fill(ListBox::MaxEntries);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(2)) << "appending must not slow down as the list grows";
    EXPECT_EQ(list->NewIndex(), ListBox::MaxEntries - 1);
    EXPECT_EQ(ErrorNumber([&] { list->AddItem("one too many"); }), kInvalidIndex);
    EXPECT_EQ(list->ListCount(), ListBox::MaxEntries);
}

// Removals at the front, the back and scattered places, across many
// leaves of entries, emptying some of them and packing the rest again, leave
// exactly the entries a plain sequence keeps, each with its number, texts
// of every length included.
TEST_P(ToolkitContract, RemovingAnywhereKeepsTheOtherEntriesInOrderWithTheirNumbers) {
    std::vector<std::pair<std::string, std::int32_t>> expected;
    for (int i = 0; i < 3000; ++i) {
        std::string text = "row " + std::to_string(i);
        if (i % 7 == 0)
            text += std::string(static_cast<std::size_t>(i % 40), 'x');  // past the inline length
        list->AddItem(text);
        list->ItemData(list->NewIndex(), i);
        expected.emplace_back(text, i);
    }
    std::uint32_t seed = 12345;
    auto next = [&seed](std::uint32_t below) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % below;
    };
    for (int step = 0; step < 2900; ++step) {
        const auto count = static_cast<std::uint32_t>(expected.size());
        const std::uint32_t at = step % 3 == 0 ? 0 : step % 3 == 1 ? count - 1 : next(count);
        list->RemoveItem(static_cast<std::int32_t>(at));
        expected.erase(expected.begin() + at);
        if (step % 97 == 0) {
            const std::string text = "added " + std::to_string(step);
            list->AddItem(text);
            list->ItemData(list->NewIndex(), -step);
            expected.emplace_back(text, -step);
        }
    }
    ASSERT_EQ(list->ListCount(), static_cast<std::int32_t>(expected.size()));
    for (std::size_t k = 0; k < expected.size(); ++k) {
        const auto index = static_cast<std::int32_t>(k);
        ASSERT_EQ(list->List(index), expected[k].first) << "entry " << k;
        ASSERT_EQ(list->ItemData(index), expected[k].second) << "entry " << k;
    }
}

TEST_P(ToolkitContract, ReorderMovesEntriesWithTheirNumbersAndRefusesAnythingButAPermutation) {
    for (int i = 0; i < 200; ++i) {
        list->AddItem("entry number " + std::to_string(i));
        list->ItemData(i, i * 10);
    }
    std::vector<std::int32_t> order(200);
    for (std::int32_t k = 0; k < 200; ++k)
        order[static_cast<std::size_t>(k)] = (k * 37 + 11) % 200;  // 37 is prime to 200
    list->Reorder(order);
    for (std::int32_t k = 0; k < 200; ++k) {
        const std::int32_t was = order[static_cast<std::size_t>(k)];
        ASSERT_EQ(list->List(k), "entry number " + std::to_string(was));
        ASSERT_EQ(list->ItemData(k), was * 10);
    }
    const std::vector<std::int32_t> refused[] = {{}, {0, 1}, std::vector<std::int32_t>(200, 0), [] {
                                                     std::vector<std::int32_t> o(200);
                                                     for (std::int32_t k = 0; k < 200; ++k)
                                                         o[static_cast<std::size_t>(k)] = k == 5 ? 200 : k;
                                                     return o;
                                                 }()};
    for (const auto& bad : refused)
        EXPECT_EQ(ErrorNumber([&] { list->Reorder(bad); }), kInvalidIndex) << bad.size() << " numbers";
    EXPECT_EQ(list->List(0), "entry number " + std::to_string(order[0])) << "a refused order changes nothing";
    EXPECT_EQ(list->ListCount(), 200);
}

// Entries read in place (one at a time or in runs) must be the entries List
// reads, also over leaves that removals left part full and after a reorder
// made of many short cycles; runs outside the entries are refused.
TEST_P(ToolkitContract, EntriesReadInPlaceAreTheEntriesListReads) {
    for (int i = 0; i < 300; ++i) {
        list->AddItem(i % 2 ? "short " + std::to_string(i) : "a longer entry, number " + std::to_string(i));
        list->ItemData(i, i);
    }
    for (std::int32_t k = 250; k > 0; k -= 3)
        list->RemoveItem(k);
    const std::int32_t n = list->ListCount();
    std::vector<std::int32_t> reversed(static_cast<std::size_t>(n));
    for (std::int32_t k = 0; k < n; ++k)
        reversed[static_cast<std::size_t>(k)] = n - 1 - k;  // cycles of two
    list->Reorder(reversed);
    std::vector<std::pair<std::string, std::int32_t>> seen;
    for (std::int32_t first = 0; first < n; first += 37) {
        const std::int32_t count = std::min(37, n - first);
        list->VisitEntries(first, count,
                           [&](std::string_view text, std::int32_t data) { seen.emplace_back(text, data); });
    }
    ASSERT_EQ(static_cast<std::int32_t>(seen.size()), n);
    for (std::int32_t k = 0; k < n; ++k) {
        ASSERT_EQ(list->EntryText(k), list->List(k)) << "entry " << k;
        ASSERT_EQ(seen[static_cast<std::size_t>(k)].first, list->List(k)) << "entry " << k;
        ASSERT_EQ(seen[static_cast<std::size_t>(k)].second, list->ItemData(k)) << "entry " << k;
    }
    int calls = 0;
    const auto count = [&](std::string_view, std::int32_t) { ++calls; };
    list->VisitEntries(n, 0, count);
    EXPECT_EQ(calls, 0);
    const std::pair<std::int32_t, std::int32_t> refused[] = {{-1, 1}, {0, n + 1}, {n, 1}, {1, -1}};
    for (auto [first, runLength] : refused)
        EXPECT_EQ(ErrorNumber([&] { list->VisitEntries(first, runLength, count); }), kInvalidIndex)
            << first << " + " << runLength;
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(ErrorNumber([&] { list->EntryText(n); }), kInvalidIndex);
}

// Short entries are kept apart from long ones: every length on both sides
// of the border comes back byte for byte, also when rewritten in place.
TEST_P(ToolkitContract, EntriesOfEveryLengthComeBackByteForByte) {
    std::vector<std::string> texts;
    for (std::size_t length = 0; length <= 40; ++length) {
        std::string text;
        for (std::size_t k = 0; k < length; ++k)
            text += static_cast<char>('a' + (length * 7 + k * 3) % 26);
        texts.push_back(text);
        list->AddItem(text);
    }
    for (std::int32_t k = 0; k < list->ListCount(); ++k)
        ASSERT_EQ(list->List(k), texts[static_cast<std::size_t>(k)]) << "length " << k;
    for (std::int32_t k = 0; k < list->ListCount(); ++k) {
        const std::string shorter = list->List(k).substr((static_cast<std::size_t>(k) + 1) / 2);
        list->List(k, list->EntryText(k).substr((static_cast<std::size_t>(k) + 1) / 2));  // a view of itself
        ASSERT_EQ(list->List(k), shorter) << "length " << k;
    }
}

// --- text box, fonts, sizes -------------------------------------------------------------

TEST_P(ToolkitContract, TextBoxRaisesChangeForEveryRealChangeOfItsText) {
    auto text = desktop->CreateTextBox(*form, "txtEntry");
    int changes = 0;
    text->OnChange = [&] { ++changes; };
    const std::pair<const char*, int> writes[] = {{"abc", 1}, {"abc", 0}, {"", 1}, {"añ€", 1}};
    for (auto [write, expected] : writes) {
        changes = 0;
        text->Text(write);
        EXPECT_EQ(changes, expected) << "Text = \"" << write << "\"";
    }
    // The selection counts characters, not bytes, and stays inside the text.
    text->SelStart(10);
    EXPECT_EQ(text->SelStart(), 3);
    text->SelStart(1);
    text->SelLength(10);
    EXPECT_EQ(text->SelLength(), 2);
}

// Every text, malformed or not, is a row of characters the caret steps
// over: a character past U+FFFF is one, a combining mark is one of its
// own, and so is each byte that is no UTF-8. A new text puts the caret
// back at the start.
TEST_P(ToolkitContract, TheSelectionCountsCharactersOfAnyText) {
    auto text = desktop->CreateTextBox(*form, "txtEntry");
    struct Case {
        const char* Name;
        std::string Text;
        std::int32_t Characters;
    };
    const Case cases[] = {
        {"empty", "", 0},
        {"a character past U+FFFF",
         "a\xF0\x9F\x98\x80"
         "b",
         3},
        {"a combining mark", "e\xCC\x81", 2},
        {"bytes that are no UTF-8", "x\xFF\xC3(\xE2\x82", 6},
        {"a NUL", std::string("a\0b", 3), 3},
        {"long", std::string(100000, 'z') + "\xE2\x82\xAC", 100001},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        text->SelStart(1);
        text->Text(c.Text);
        EXPECT_EQ(text->SelStart(), 0);
        EXPECT_EQ(text->SelLength(), 0);
        text->SelStart(1 << 30);
        EXPECT_EQ(text->SelStart(), c.Characters);
        text->SelStart(c.Characters / 2);
        text->SelLength(1 << 30);
        EXPECT_EQ(text->SelStart() + text->SelLength(), c.Characters);
        EXPECT_EQ(text->Text(), c.Text) << "moving the caret changes no byte";
    }
}

TEST_P(ToolkitContract, DefaultFontMeasuresLikeA96DpiScreen) {
    const std::pair<const char*, float> heights[] = {
        {"X", 195}, {"", 195}, {"a\r\nb", 390}, {"a\nb\rc", 585}, {"a\r\n", 390},
    };
    for (auto [text, twips] : heights)
        EXPECT_FLOAT_EQ(form->TextHeight(text), twips) << text;
    auto control = desktop->CreateUserControl(*form, "ucvBox", Ambient{});
    EXPECT_FLOAT_EQ(control->TextHeight("X"), 195);
    EXPECT_LT(control->TextWidth("X"), control->TextWidth("XX"));

    // Every widget starts with a font object of its own.
    EXPECT_EQ(form->Font()->Name, "MS Sans Serif");
    EXPECT_FLOAT_EQ(form->Font()->Size, 8);
    EXPECT_NE(form->Font(), control->Font());
    // A text box is never lower than one line of its font.
    auto text = desktop->CreateTextBox(*form, "txtEntry");
    text->Height(100);
    EXPECT_FLOAT_EQ(text->Height(), 195);
}

// Font objects are shared: whoever holds one may spoil its size after a
// widget took it.
TEST_P(ToolkitContract, AFontSpoiledAfterAWidgetTookItMeasuresAtTheDefaultSize) {
    const float fine = form->TextHeight("X");
    auto font = std::make_shared<Font>();
    form->Font(font);
    list->Font(font);
    for (float size : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 1e30f, 4096.0f,
                       0.0f, -12.0f}) {
        font->Size = size;
        EXPECT_FLOAT_EQ(form->TextHeight("X"), fine) << size;
        EXPECT_TRUE(std::isfinite(form->TextWidth("Some text"))) << size;
        list->Height(1800);
        EXPECT_TRUE(std::isfinite(list->Height())) << size;
        EXPECT_LE(list->Height(), 1800) << size;
    }
}

TEST_P(ToolkitContract, NegativeSizesAreRefusedAndChangeNothing) {
    auto control = desktop->CreateUserControl(*form, "ucvBox", Ambient{});
    auto text = desktop->CreateTextBox(*control, "txtEntry");
    auto label = desktop->CreateLabel(*control, "lblCaption");
    auto image = desktop->CreateImage(*control, "imgButton");
    Widget* widgets[] = {form.get(), list.get(), control.get(), text.get(), label.get(), image.get()};
    for (Widget* w : widgets) {
        const float width = w->Width(), height = w->Height();
        EXPECT_EQ(ErrorNumber([&] { w->Width(-1); }), kInvalidValue) << w->Name();
        EXPECT_EQ(ErrorNumber([&] { w->Height(-15); }), kInvalidValue) << w->Name();
        EXPECT_FLOAT_EQ(w->Width(), width);
        EXPECT_FLOAT_EQ(w->Height(), height);
    }
}

TEST_P(ToolkitContract, ScreenIsMeasuredInTwips) {
    EXPECT_FLOAT_EQ(desktop->ScreenWidth(), desktop->GetSystemMetrics(0) * desktop->TwipsPerPixelX());
    EXPECT_FLOAT_EQ(desktop->ScreenHeight(), desktop->GetSystemMetrics(1) * desktop->TwipsPerPixelY());
    EXPECT_GT(desktop->GetSystemMetrics(sm::CxVScroll), 0);
}

TEST_P(ToolkitContract, UserControlResizesOnEveryRealChangeAndPaintsWhenAsked) {
    auto control = desktop->CreateUserControl(*form, "ucvBox", Ambient{});
    std::vector<float> resizes;
    int paints = 0;
    control->OnResize = [&] {
        resizes.push_back(control->Height());
        if (control->Height() < 330)
            control->Height(330);  // a control that keeps a minimum height
    };
    control->OnPaint = [&] { ++paints; };
    control->Height(500);
    control->Width(4000);
    control->Width(4000);
    control->Height(100);
    EXPECT_EQ(resizes, (std::vector<float>{500, 500, 100, 330}));
    EXPECT_FLOAT_EQ(control->Height(), 330);
    paints = 0;
    form->Show();
    EXPECT_EQ(paints, 1) << "painted when it comes on view";
    control->Refresh();
    EXPECT_EQ(paints, 2);
}

// --- focus ------------------------------------------------------------------------------

TEST_P(ToolkitContract, SetFocusIsRefusedWhereNobodyCouldTypeAndWorksElsewhere) {
    auto control = desktop->CreateUserControl(*form, "ucvBox", Ambient{});
    auto inner = desktop->CreateTextBox(*control, "txtInner");
    auto hidden = desktop->CreateTextBox(*form, "txtHidden");
    auto disabled = desktop->CreateTextBox(*form, "txtDisabled");
    auto label = desktop->CreateLabel(*form, "lblCaption");
    auto image = desktop->CreateImage(*form, "imgButton");
    auto text = desktop->CreateTextBox(*form, "txtEntry");
    hidden->Visible(false);
    disabled->Enabled(false);

    EXPECT_EQ(ErrorNumber([&] { text->SetFocus(); }), kCantSetFocus) << "the form is not shown yet";
    form->Show();
    control->Visible(false);
    Widget* refused[] = {inner.get(), hidden.get(), disabled.get(), label.get(), image.get()};
    for (Widget* w : refused)
        EXPECT_EQ(ErrorNumber([&] { w->SetFocus(); }), kCantSetFocus) << w->Name();

    int gotFocus = 0;
    text->OnGotFocus = [&] { ++gotFocus; };
    text->SetFocus();
    EXPECT_EQ(desktop->GetFocus(), text->hWnd());
    EXPECT_EQ(gotFocus, 1);
    control->Visible(true);
    inner->SetFocus();
    EXPECT_EQ(desktop->GetFocus(), inner->hWnd());
}

// A LostFocus handler that sends the focus to a third widget has the last
// word: the widget the focus was heading to hears nothing, the third gets
// GotFocus, and each event comes once.
TEST_P(ToolkitContract, ALostFocusHandlerThatMovesTheFocusElsewhereHasTheLastWord) {
    auto first = desktop->CreateTextBox(*form, "txtFirst");
    auto target = desktop->CreateTextBox(*form, "txtTarget");
    auto third = desktop->CreateTextBox(*form, "txtThird");
    form->Show();
    first->SetFocus();
    std::vector<std::string> heard;
    for (TextBox* t : {first.get(), target.get(), third.get()}) {
        t->OnGotFocus = [&heard, t] { heard.push_back("GotFocus " + t->Name()); };
        t->OnLostFocus = [&heard, t] { heard.push_back("LostFocus " + t->Name()); };
    }
    bool redirected = false;
    first->OnLostFocus = [&] {
        heard.push_back("LostFocus txtFirst");
        if (!redirected) {
            redirected = true;
            third->SetFocus();
        }
    };
    target->SetFocus();
    desktop->DoEvents();
    EXPECT_EQ(desktop->GetFocus(), third->hWnd());
    EXPECT_EQ(heard, (std::vector<std::string>{"LostFocus txtFirst", "GotFocus txtThird"}));
}

// A push button is a window that takes the focus like a field, and keeps
// what it is told; a dialog form keeps its frame through show and hide.
TEST_P(ToolkitContract, ButtonsTakeTheFocusAndDialogsKeepTheirFrame) {
    auto ok = desktop->CreateCommandButton(*form, "btnOK");
    auto link = desktop->CreateCommandButton(*form, "btnLink");
    EXPECT_NE(ok->hWnd(), 0);
    EXPECT_FALSE(ok->Default());
    EXPECT_FALSE(ok->Cancel());
    EXPECT_FALSE(link->Flat());
    ok->Caption("OK");
    ok->Default(true);
    ok->Cancel(true);
    link->Flat(true);
    EXPECT_EQ(ok->Caption(), "OK");
    EXPECT_TRUE(ok->Default());
    EXPECT_TRUE(ok->Cancel());
    EXPECT_TRUE(link->Flat());
    form->Dialog(true);
    form->Show();
    EXPECT_TRUE(form->Dialog());
    link->SetFocus();
    EXPECT_EQ(desktop->GetFocus(), link->hWnd());
    ok->Visible(false);
    EXPECT_EQ(ErrorNumber([&] { ok->SetFocus(); }), kCantSetFocus);
    form->Hide();
    form->Show();
    EXPECT_TRUE(form->Dialog());
    EXPECT_TRUE(form->Visible());
}

// --- windows ----------------------------------------------------------------------------

TEST_P(ToolkitContract, WindowsReportTheirClassAndParent) {
    auto control = desktop->CreateUserControl(*form, "ucvBox", Ambient{});
    auto label = desktop->CreateLabel(*control, "lblCaption");
    auto timer = desktop->CreateTimer(*control, "tmrWatch");
    EXPECT_EQ(label->hWnd(), 0);
    EXPECT_EQ(timer->hWnd(), 0);
    EXPECT_NE(control->hWnd(), 0);
    EXPECT_NE(control->hWnd(), form->hWnd());
    EXPECT_NE(control->hDC(), 0);

    std::string name;
    ASSERT_GT(desktop->GetClassNameA(form->hWnd(), name, 250), 0);
    EXPECT_NE(name.find("Thunder"), std::string::npos) << "our own forms make a native host";
    EXPECT_EQ(desktop->GetClassNameA(form->hWnd(), name, 4), 3) << "room for three and the terminator";
    EXPECT_EQ(name.size(), 3u);
    EXPECT_EQ(desktop->GetClassNameA(0, name, 250), 0);

    EXPECT_EQ(desktop->GetParent(control->hWnd()), form->hWnd());
    EXPECT_EQ(desktop->GetParent(list->hWnd()), form->hWnd());
    EXPECT_EQ(desktop->GetParent(form->hWnd()), 0);
    EXPECT_TRUE(timer->Enabled()) << "a timer runs once it has an interval";
    EXPECT_EQ(timer->Interval(), 0);
}

TEST_P(ToolkitContract, SetWindowPosWithNoMoveNoSizeOnlyRestacks) {
    form->Left(1500);
    form->Top(3000);
    form->Width(3000);
    form->Height(1500);
    form->Show();
    Rect before;
    ASSERT_NE(desktop->GetWindowRect(form->hWnd(), before), 0);
    EXPECT_EQ(before, (Rect{100, 200, 300, 300}));

    EXPECT_NE(desktop->SetWindowPos(form->hWnd(), hwnd::TopMost, 7, 7, 1, 1, swp::NoMove | swp::NoSize), 0);
    Rect after;
    desktop->GetWindowRect(form->hWnd(), after);
    EXPECT_EQ(after, before);

    desktop->SetWindowPos(form->hWnd(), hwnd::NoTopMost, 10, 20, 30, 40, 0);
    desktop->GetWindowRect(form->hWnd(), after);
    EXPECT_EQ(after, (Rect{10, 20, 40, 60}));
    EXPECT_FLOAT_EQ(form->Left(), 150);
}

TEST_P(ToolkitContract, ModalShowReturnsOnceTheFormIsHidden) {
    auto dialog = desktop->CreateForm("frmDialog");
    int loads = 0;
    dialog->OnLoad = [&] { ++loads; };
    dialog->OnActivate = [&] { dialog->Hide(); };
    dialog->Show(Form::Modal);
    EXPECT_FALSE(dialog->Visible());
    EXPECT_TRUE(dialog->Loaded());
    EXPECT_EQ(loads, 1);

    std::int16_t answer = 1;
    dialog->OnQueryUnload = [&](std::int16_t& cancel) { cancel = answer; };
    dialog->Unload();
    EXPECT_TRUE(dialog->Loaded()) << "QueryUnload cancelled";
    answer = 0;
    dialog->Unload();
    EXPECT_FALSE(dialog->Loaded());
}

TEST_P(ToolkitContract, WidgetsGoInAnyOrder) {
    auto control = desktop->CreateUserControl(*form, "ucvBox", Ambient{});
    auto text = desktop->CreateTextBox(*control, "txtEntry");
    form->Show();
    text->SetFocus();
    control.reset();  // the parent before its child
    form.reset();
    EXPECT_EQ(text->Parent(), nullptr);
    text->Text("still usable");
    EXPECT_EQ(desktop->GetFocus(), 0) << "the focus went with the form";
    text.reset();
    list.reset();
}

}  // namespace korvane::tk::contract
