// The README's example: a KorvaneBox on the headless desktop, filled, a row
// chosen, and what the host reads back. Exits with 1 when that is not what
// the README says.
#include <cstdint>
#include <iostream>
#include <string>

#include "korvane/toolkit/headless.h"
#include "korvane/ucvKorvane.h"

// clang-format off
class MyHandlers : public korvane::ucvKorvaneEvents {
    void Click() override { /* the user chose a row */ }
    void Filled() override { /* the user added a row with Enter */ }
};
// clang-format on

int main() {
    // clang-format off
    korvane::tk::headless::HeadlessDesktop desktop;     // or the desktop of your toolkit
    auto form = desktop.CreateForm("Form1");
    korvane::ucvKorvane box(*form, korvane::Site{"Currency"});
    MyHandlers handlers;
    box.Advise(&handlers);
    box.InitProperties();                              // a new control: Dropdown Combo

    box.AddItem("EUR", "Euro", 978);
    box.AddItem("USD", "US dollar", 840);
    box.ListIndex(1);                                  // shows USD, raises Click
    std::string chosen = box.Text();                   // "USD\tUS dollar"
    std::int32_t code = box.ItemData(box.ListIndex()); // 840
    // clang-format on

    // Find as you type, as the README turns it on.
    // clang-format off
    box.SearchMode(2);     // 1 starts with, 2 contains, 3 every typed word starts a word
    box.SearchColumns(3);  // 1 column 1, 2 column 2, 4 the item number; added together
    // clang-format on
    const bool searching = box.SearchMode() == 2 && box.SearchColumns() == 3;

    std::cout << "chose \"" << chosen << "\", item number " << code << "\n";
    return chosen == "USD\tUS dollar" && code == 840 && searching ? 0 : 1;
}
