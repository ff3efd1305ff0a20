// Fuzz target of late-bound calls: the bytes become a live control on a
// headless form (its style and run or design time from the first byte) and
// then a sequence of Invoke calls (known and unknown member numbers, every
// mix of get, let, set and method, 0 to 4 arguments of every type with NaN,
// infinities, huge numbers, hostile strings and fonts) interleaved with a
// person's gestures. The event sink calls back into the control from inside
// its events, and may release it there.
//
// Every call either succeeds or fails with a result code; after every step
// the control's ListIndex and TopIndex are within its rows.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "korvane/component/dispatch.h"
#include "korvane/toolkit/headless.h"

namespace {

using namespace korvane;
using namespace korvane::component;

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::int32_t Int32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | Byte();
        return static_cast<std::int32_t>(v);
    }
    std::string Text(std::size_t most) {
        const std::size_t n = std::min<std::size_t>(Byte() % (most + 1), size_ - std::min(at_, size_));
        std::string s(reinterpret_cast<const char*>(data_ + at_), n);
        at_ += n;
        return s;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

double SpecialNumber(Bytes& in) {
    switch (in.Byte() % 12) {
        case 0:
            return std::numeric_limits<double>::quiet_NaN();
        case 1:
            return std::numeric_limits<double>::infinity();
        case 2:
            return -std::numeric_limits<double>::infinity();
        case 3:
            return 1e300;
        case 4:
            return -1e300;
        case 5:
            return 2147483648.0;
        case 6:
            return -2147483649.0;
        case 7:
            return 32767.5;
        case 8:
            return std::numeric_limits<double>::denorm_min();
        case 9:
            return -0.0;
        case 10: {
            double d;
            std::uint64_t bits = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(in.Int32())) << 32) |
                                 static_cast<std::uint32_t>(in.Int32());
            std::memcpy(&d, &bits, sizeof d);
            return d;
        }
        default:
            return static_cast<double>(in.Int32()) / 16.0;
    }
}

std::string HostileText(Bytes& in) {
    switch (in.Byte() % 8) {
        case 0:
            return std::string(static_cast<std::size_t>(in.Byte()) * 400, 'W');
        case 1:
            return std::string("a\0b", 3);
        case 2:
            return "\xC3\x28\xFF\xFE\x80";
        case 3:
            return "col1\tcol2\tmore";
        case 4:
            return "x;y";
        case 5:
            return "  12,5  ";
        default:
            return in.Text(64);
    }
}

Variant AnyValue(Bytes& in) {
    switch (in.Byte() % 10) {
        case 0:
            return std::monostate{};
        case 1:
            return (in.Byte() & 1) != 0;
        case 2:
            return static_cast<std::int16_t>(in.Int32());
        case 3:
            return in.Int32();
        case 4:
            return static_cast<float>(SpecialNumber(in));
        case 5:
            return SpecialNumber(in);
        case 6:
        case 7:
            return HostileText(in);
        case 8: {
            if (in.Byte() % 4 == 0)
                return tk::FontRef();  // a null font object
            auto font = std::make_shared<tk::Font>();
            font->Name = HostileText(in);
            font->Size = static_cast<float>(SpecialNumber(in));
            font->Bold = (in.Byte() & 1) != 0;
            return tk::FontRef(font);
        }
        default:
            return static_cast<std::int32_t>(in.Byte() % 40) - 2;  // small row numbers
    }
}

struct Session;

// Calls back into the control from inside its events, a few levels deep at
// most, and sometimes releases it there.
class ReenteringSink : public EventSink {
public:
    explicit ReenteringSink(Session& session) : session_(session) {}
    void Invoke(DispId event, std::span<Variant> args) override;

private:
    Session& session_;
    int depth_ = 0;
};

struct Session {
    Bytes in;
    tk::headless::HeadlessDesktop desktop;
    std::unique_ptr<tk::Form> form;
    Control* control = nullptr;
    ReenteringSink sink{*this};

    Session(const std::uint8_t* data, std::size_t size) : in(data, size) {}
    ~Session() {
        if (control)
            control->Release();
    }

    void Call() {
        if (!control)
            return;
        const auto& members = Library().Members;
        DispId id;
        const std::uint8_t pick = in.Byte();
        if (pick < 230) {
            id = members[pick % members.size()].Id;
        } else {
            id = in.Int32();
        }
        std::uint8_t kinds = in.Byte() & 0x0F;
        const std::size_t argc = in.Byte() % 5;
        std::vector<Variant> args;
        for (std::size_t i = 0; i < argc; ++i)
            args.push_back(AnyValue(in));
        // The About box waits for a person; the fuzzer has none.
        if (id == kDispIdAbout)
            return;
        Variant out;
        ExceptionInfo info;
        control->Invoke(id, kinds, args, &out, &info);
    }

    void Gesture() {
        if (!control)
            return;
        switch (in.Byte() % 9) {
            case 0:
                if (auto* w = desktop.Find("Form1.KorvaneBox1.imgCombo"))
                    desktop.ClickAt(*w, 90, 90);
                break;
            case 1:
                desktop.PressKey(static_cast<std::int16_t>(in.Byte()), static_cast<std::int16_t>(in.Byte() % 8));
                break;
            case 2:
                desktop.Type(in.Text(8));
                break;
            case 3:
                desktop.Advance(in.Byte() * 4);
                break;
            case 4:
                desktop.Click(in.Byte() * 4, in.Byte() * 3);
                break;
            case 5:
                desktop.MouseWheel(static_cast<std::int8_t>(in.Byte()) % 4);
                break;
            case 6:
                for (const char* name : {"Window.lstCol1", "Form1.KorvaneBox1.lstCol1a"})
                    if (auto* list = dynamic_cast<tk::ListBox*>(desktop.Find(name));
                        list && list->Visible() && list->ListCount() > 0)
                        desktop.ClickRow(*list, in.Byte() % list->ListCount());
                break;
            case 7:
                desktop.Tab((in.Byte() & 1) != 0);
                break;
            default:
                if (auto* w = desktop.Find(in.Byte() & 1 ? "Form1.KorvaneBox1.txtCol1" : "Form1.KorvaneBox1.lblCol1"))
                    desktop.ClickAt(*w, 60, 60);
                break;
        }
    }

    std::int32_t Read(const char* name) {
        DispId id = 0;
        Variant out;
        if (!control || control->GetIDsOfNames(name, id, nullptr) != result::Ok ||
            control->Invoke(id, kPropertyGet, {}, &out, nullptr) != result::Ok)
            return 0;
        return std::get<std::int32_t>(Coerce(out, VarType::Int32));
    }

    void Check() {
        if (!control)
            return;
        const std::int32_t n = Read("ListCount");
        const std::int32_t index = Read("ListIndex");
        const std::int32_t top = Read("TopIndex");
        if (n < 0 || index < -1 || (index != -1 && index >= n) || top < 0 || (n > 0 && top >= n))
            __builtin_trap();
    }
};

void ReenteringSink::Invoke(DispId, std::span<Variant> args) {
    if (depth_ >= 2 || session_.in.Empty())
        return;
    ++depth_;
    const std::uint8_t what = session_.in.Byte();
    if (what < 40) {
        session_.Call();
    } else if (what < 44 && session_.control) {
        // The host lets go of the control inside its event.
        Control* c = session_.control;
        session_.control = nullptr;
        c->Release();
    } else if (what < 60 && !args.empty()) {
        args[0] = AnyValue(session_.in);  // a by-reference argument changed
    }
    --depth_;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Session s(data, size);
    const std::uint8_t setup = s.in.Byte();
    s.form = s.desktop.CreateForm("Form1");
    s.form->Width(9000);
    s.form->Height(6000);
    CreateOptions options;
    options.UserMode = (setup & 4) == 0;
    options.Left = 300;
    options.Top = 300;
    tk::MemoryPropertyBag bag;
    bag.Set("Style", static_cast<std::int32_t>(setup % 3));
    if (options.UserMode)
        options.Saved = &bag;
    if (CreateControl(*s.form, options, &s.control) != result::Ok)
        return 0;
    if (!options.UserMode && setup % 3 != 0) {
        DispId id = 0;
        s.control->GetIDsOfNames("Style", id, nullptr);
        Variant style = static_cast<std::int32_t>(setup % 3);
        s.control->Invoke(id, kPropertyLet, std::span<const Variant>(&style, 1), nullptr, nullptr);
    }
    s.control->Advise(&s.sink);
    s.form->Show();
    int steps = 0;
    while (!s.in.Empty() && s.control && ++steps < 400) {
        try {
            if (s.in.Byte() < 170)
                s.Call();
            else
                s.Gesture();
        } catch (const std::exception&) {
            // A gesture may raise only what the desktop itself refuses (a
            // modal form nobody answers); the control's own errors never
            // come out of a gesture, and a call never throws.
            __builtin_trap();
        }
        s.Check();
    }
    return 0;
}
