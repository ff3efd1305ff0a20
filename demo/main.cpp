// The demo host on the headless desktop: a form designed with three
// KorvaneBoxes and saved to a form file, loaded again at run time, filled
// with currencies, and a short user session played on the first control
// (open the list, move over the rows, pick one, the keyboard, typing, a new
// row with AutoFill). Every event the host receives is printed with its
// arguments, and after each step what the host reads back.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "korvane/form_file.h"
#include "korvane/toolkit/headless.h"
#include "korvane/ucvKorvane.h"

namespace {

using korvane::StyleType;
using korvane::ucvKorvane;
using korvane::tk::headless::HeadlessDesktop;

class PrintingHost : public korvane::ucvKorvaneEvents {
public:
    void Click() override { Print("Click"); }
    void KeyDown(std::int16_t& keyCode, std::int16_t& shift) override {
        Print("KeyDown(KeyCode=" + std::to_string(keyCode) + ", Shift=" + std::to_string(shift) + ")");
    }
    void KeyPress(std::int16_t& keyAscii, std::int16_t& col) override {
        Print("KeyPress(KeyAscii=" + std::to_string(keyAscii) + ", Col=" + std::to_string(col) + ")");
    }
    void KeyUp(std::int16_t& keyCode, std::int16_t& shift) override {
        Print("KeyUp(KeyCode=" + std::to_string(keyCode) + ", Shift=" + std::to_string(shift) + ")");
    }
    void MouseDown(std::int16_t& b, std::int16_t& s, float& x, float& y) override { Mouse("MouseDown", b, s, x, y); }
    void MouseMove(std::int16_t&, std::int16_t&, float&, float&) override { ++moves_; }
    void MouseUp(std::int16_t& b, std::int16_t& s, float& x, float& y) override { Mouse("MouseUp", b, s, x, y); }
    void Filled() override { Print("Filled"); }
    void SearchChanged(std::int32_t& matches) override {
        Print("SearchChanged(Matches=" + std::to_string(matches) + ")");
    }

private:
    void Print(const std::string& line) {
        if (moves_ > 0) {
            std::cout << "    event MouseMove x" << moves_ << "\n";
            moves_ = 0;
        }
        std::cout << "    event " << line << "\n";
    }
    void Mouse(const char* name, std::int16_t b, std::int16_t s, float x, float y) {
        char buffer[160];
        std::snprintf(buffer, sizeof buffer, "%s(Button=%d, Shift=%d, X=%.0f, Y=%.0f)", name, b, s, x, y);
        Print(buffer);
    }
    int moves_ = 0;
};

void Report(ucvKorvane& ctl) {
    std::cout << "    -> ListIndex=" << ctl.ListIndex() << " Text=\"";
    for (char c : ctl.Text())
        std::cout << (c == '\t' ? std::string("\\t") : std::string(1, c));
    std::cout << "\"\n";
}

const struct {
    const char* code;
    const char* name;
    std::int32_t number;
} kCurrencies[] = {
    {"CHF", "Swiss franc", 756},    {"DKK", "Danish krone", 208},     {"EUR", "Euro", 978},
    {"GBP", "Pound sterling", 826}, {"JPY", "Japanese yen", 392},     {"NOK", "Norwegian krone", 578},
    {"SEK", "Swedish krona", 752},  {"USD", "US dollar", 840},        {"CZK", "Czech koruna", 203},
    {"PLN", "Polish zloty", 985},   {"HUF", "Hungarian forint", 348}, {"ISK", "Icelandic krona", 352},
};

}  // namespace

// Design time: a form designer places three controls, one of each style,
// sets their properties and saves the form.
void DesignForm(const std::filesystem::path& file) {
    HeadlessDesktop desktop;
    auto form = desktop.CreateForm("Form1");
    korvane::FormFile saved;
    saved.Caption = "Currencies";
    const struct {
        const char* name;
        StyleType style;
        float top;
    } placed[] = {{"Simple", StyleType::SimpleCombo, 900},
                  {"Picker", StyleType::DropdownList, 3300},
                  {"Currency", StyleType::DropdownCombo, 300}};
    for (const auto& p : placed) {
        korvane::Site site{p.name, /*UserMode=*/false, 300, p.top};
        ucvKorvane ctl(*form, site);
        ctl.Container().Width(4240);
        ctl.Container().Height(330);
        ctl.InitProperties();
        ctl.Style(p.style);
        ctl.WidthCol1(900);
        if (p.style == StyleType::SimpleCombo)
            ctl.ListHeight(1950);
        if (p.style != StyleType::DropdownList)
            ctl.AutoFill(true);
        korvane::FormControl control;
        control.Name = p.name;
        control.Left = ctl.Container().Left();
        control.Top = ctl.Container().Top();
        control.Width = ctl.Container().Width();
        control.Height = ctl.Container().Height();
        ctl.WriteProperties(control.Properties);
        saved.Controls.push_back(std::move(control));
    }
    korvane::WriteFormFile(file, saved);
}

// Run time: the form is loaded and each control reads its saved properties.
std::vector<std::unique_ptr<ucvKorvane>> LoadControls(korvane::tk::Form& form, const korvane::FormFile& loaded) {
    std::vector<std::unique_ptr<ucvKorvane>> controls;
    for (const auto& saved : loaded.Controls) {
        korvane::Site site{saved.Name, /*UserMode=*/true, saved.Left, saved.Top};
        auto ctl = std::make_unique<ucvKorvane>(form, site);
        ctl->Container().Width(saved.Width);
        ctl->Container().Height(saved.Height);
        ctl->ReadProperties(saved.Properties);
        std::cout << "Loaded " << saved.Name << ": " << korvane::StyleName(ctl->Style()) << "\n";
        controls.push_back(std::move(ctl));
    }
    return controls;
}

// The user's session on the Dropdown Combo; false when its widgets are
// missing.
bool PlayTheUser(HeadlessDesktop& desktop, ucvKorvane& ctl) {
    auto* button = desktop.Find("Form1.Currency.imgCombo");
    auto* list = dynamic_cast<korvane::tk::ListBox*>(desktop.Find("Window.lstCol1"));
    auto* field1 = desktop.Find("Form1.Currency.txtCol1");
    if (!button || !list || !field1) {
        std::cerr << "the control's widgets are missing\n";
        return false;
    }
    std::cout << "The user presses the drop-down button\n";
    desktop.ClickAt(*button, button->Width() / 2, button->Height() / 2);
    std::cout << "    drop-down open=" << (list->Visible() ? "yes" : "no") << "\n";

    std::cout << "The user moves the pointer over the fourth row\n";
    desktop.MoveToRow(*list, 3);
    std::cout << "    highlighted row=" << list->ListIndex() << "\n";

    std::cout << "The user clicks it; the next tick hands it to the control\n";
    desktop.ClickRow(*list, 3);
    desktop.Advance(100);
    Report(ctl);

    std::cout << "The user opens the list with Alt+Down, goes down two rows and presses Enter\n";
    desktop.ClickAt(*field1, 100, 100);
    desktop.PressKey(korvane::tk::key::Down, korvane::tk::shift::Alt);
    desktop.PressKey(korvane::tk::key::Down);
    desktop.PressKey(korvane::tk::key::Down);
    desktop.PressKey(korvane::tk::key::Return);
    desktop.Advance(100);
    Report(ctl);

    std::cout << "The user tabs to column 2, which selects its text, and types over it\n";
    desktop.Tab();
    desktop.Type("Krone");
    Report(ctl);

    std::cout << "The host sorts by the numeric code and picks the first row\n";
    ctl.Sort(3);
    ctl.ListIndex(0);
    Report(ctl);

    std::cout << "The user types a new row and presses Enter twice (AutoFill)\n";
    desktop.ClickAt(*field1, 100, 100);
    desktop.Type("XAU");
    desktop.PressKey(korvane::tk::key::Return);
    desktop.Type("Gold (troy ounce)");
    desktop.PressKey(korvane::tk::key::Return);
    std::cout << "    ListCount=" << ctl.ListCount() << " NewIndex=" << ctl.NewIndex() << " row=\"";
    for (char c : ctl.List(ctl.NewIndex()))
        std::cout << (c == '\t' ? std::string("\\t") : std::string(1, c));
    std::cout << "\"\n";
    return true;
}

int main(int argc, char** argv) {
    const std::filesystem::path formFile =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path() / "korvane-demo-form.json";
    DesignForm(formFile);
    std::cout << "Designed and saved " << formFile.string() << "\n";

    const korvane::FormFile loaded = korvane::ReadFormFile(formFile);
    HeadlessDesktop desktop;
    auto form = desktop.CreateForm(loaded.Name);
    form->Left(1500);
    form->Top(1500);
    form->Width(loaded.Width);
    form->Height(loaded.Height);

    PrintingHost host;
    std::vector<std::unique_ptr<ucvKorvane>> controls = LoadControls(*form, loaded);
    form->Show();
    // The session plays on the Dropdown Combo, loaded last, so that its
    // drop-down window is the newest one on the desktop.
    ucvKorvane* ctl = controls.back().get();
    ctl->Advise(&host);

    std::cout << "Filling " << std::size(kCurrencies) << " currencies\n";
    for (auto& each : controls) {
        for (const auto& c : kCurrencies)
            each->AddItem(c.code, c.name, c.number);
    }
    ctl->AddItem("eur", "EURO");  // a duplicate: refused with a beep
    std::cout << "    ListCount=" << ctl->ListCount() << " beeps=" << desktop.Beeps() << "\n";
    return PlayTheUser(desktop, *ctl) ? 0 : 1;
}
