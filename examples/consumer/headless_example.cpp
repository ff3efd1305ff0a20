// The README's example: a KorvaneBox on the headless desktop, filled, a row
// chosen, and what the host reads back. Exits with 1 when that is not what
// the README says.
#include <cstdint>
#include <iostream>
#include <string>

#include "korvane/toolkit/headless.h"
#include "korvane/ucvKorvane.h"

class MyHandlers : public korvane::ucvKorvaneEvents {
public:
    void Click() override { ++clicks; }
    int clicks = 0;
};

int main() {
    korvane::tk::headless::HeadlessDesktop desktop;
    auto form = desktop.CreateForm("Form1");
    korvane::ucvKorvane box(*form, korvane::Site{"Currency"});
    MyHandlers handlers;
    box.Advise(&handlers);
    box.InitProperties();

    box.AddItem("EUR", "Euro", 978);
    box.AddItem("USD", "US dollar", 840);
    box.ListIndex(1);
    const std::string chosen = box.Text();
    const std::int32_t code = box.ItemData(box.ListIndex());

    std::cout << "chose \"" << chosen << "\", item number " << code << ", " << handlers.clicks << " Click\n";
    return chosen == "USD\tUS dollar" && code == 840 && handlers.clicks == 1 ? 0 : 1;
}
