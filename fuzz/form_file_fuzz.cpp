// Fuzz target of the form-file reader: any bytes are either refused with a
// RuntimeError or read into a form, and what was read is written and read
// back again without a single warning, since every value kept is one the
// control can hold.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "korvane/errors.h"
#include "korvane/form_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    korvane::FormFile form;
    try {
        form = korvane::ParseFormFile(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.json");
    } catch (const korvane::RuntimeError&) {
        return 0;
    }
    const std::string text = korvane::FormatFormFile(form);
    const korvane::FormFile again = korvane::ParseFormFile(text, "again.json");
    if (!again.Warnings.empty() || again.Controls.size() != form.Controls.size() || again.Name != form.Name)
        __builtin_trap();
    for (std::size_t i = 0; i < form.Controls.size(); ++i) {
        const auto& a = form.Controls[i].Properties.Entries();
        const auto& b = again.Controls[i].Properties.Entries();
        if (a.size() != b.size())
            __builtin_trap();
        for (std::size_t k = 0; k < a.size(); ++k)
            if (a[k].first != b[k].first || !korvane::SamePropertyValue(a[k].second, b[k].second))
                __builtin_trap();
    }
    return 0;
}
