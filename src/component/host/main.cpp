// korvane-host: runs a Lua script against a KorvaneBox reached only the way
// a foreign host reaches it. The control's class is looked up in the
// per-user registry, its library loaded with dlopen, a class factory taken
// from DllGetClassObject, and the control placed on a form of a headless
// desktop, new or from a saved form file, at design or run time. The script
// then reads and writes properties, calls methods, handles events and plays
// the user; every event is printed with its arguments.
#include <dlfcn.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "component/host/lua_binding.h"
#include "korvane/component/dispatch.h"
#include "korvane/component/entry_points.h"
#include "korvane/component/ids.h"
#include "korvane/component/registry.h"
#include "korvane/errors.h"
#include "korvane/form_file.h"
#include "korvane/toolkit/headless.h"
#include "korvane/toolkit/widgets.h"

namespace {

using namespace korvane;
using namespace korvane::component;

constexpr const char* kUsage = R"(usage: korvane-host [options] SCRIPT.lua [script arguments...]
       korvane-host [--registry FILE] --register LIBRARY
       korvane-host [--registry FILE] --unregister [LIBRARY]

Runs SCRIPT against a KorvaneBox created through the registry entry of
Korvane.ucvKorvane, on a headless desktop.

options:
  --design          place the control at design time (default: run time)
  --style N         style of a new control: 0 Dropdown Combo, 1 Simple Combo,
                    2 Dropdown List (default 0)
  --form FILE       place the control saved in this form file
  --control NAME    which control of the form file (default: the first KorvaneBox)
  --no-mouse-moves  do not print MouseMove events
  --sandbox         give the script only what does not reach the system: no
                    io, os.execute, io.popen, package, require, debug, dofile
                    or loadfile, and load for text only; host.save only
                    below --save-dir
  --save-dir DIR    host.save writes form files only in DIR or below it
                    (under --sandbox: no saves without it)
  --instruction-limit N
                    end the script with an error after N Lua instructions
  --time-limit S    end the script with an error after S seconds (at the
                    latest 1 s past it, whatever the script does)
  --memory-limit M  the script's Lua values may take M MiB (default 1024;
                    0: no limit); rows it adds to the control are not counted
  --registry FILE   the registry file (default: $KORVANE_REGISTRY, else
                    ~/.config/korvane/registry.json)

In the script: ctl.Name reads a property, ctl.Name = v writes it (an object
such as a font is assigned by reference), ctl:Method(...) calls a method or a
property with arguments, ctl:let("List", 0, "a\tb") writes one; event
handlers are ctl.on.Click = function() end or function ctl_Click() end, and
may return new values for by-reference arguments; desktop.click(name),
desktop.clickRow(list, row), desktop.keys("Down", "Alt+Down"), desktop.type(text),
desktop.tab(), desktop.advance(ms) play the user; desktop.onModal(fn) plays
the user inside the next modal window; desktop.focus(), desktop.visible(name),
desktop.messages() and desktop.beeps() tell what the user sees. host.design
is true at design time; host.save(path) saves the form with the control.
korvane.font{Name = "Arial", Size = 10} makes a font object.
)";

struct Options {
    bool design = false;
    int style = 0;
    std::string formFile;
    std::string controlName;
    bool printMoves = true;
    bool sandbox = false;
    std::string saveDir;
    std::uint64_t instructionLimit = 0;
    std::uint64_t timeLimitMs = 0;
    std::size_t memoryLimitMiB = 1024;
    std::optional<std::string> registerLibrary;
    std::optional<std::string> unregisterLibrary;
    std::string script;
    std::vector<std::string> scriptArgs;
};

int Fail(const std::string& message, int code = 2) {
    std::fflush(stdout);
    std::fprintf(stderr, "korvane-host: %s\n", message.c_str());
    return code;
}

// The library's entry points, for as long as it is loaded.
class LoadedLibrary {
public:
    ~LoadedLibrary() {
        if (handle_)
            ::dlclose(handle_);
    }
    bool Load(const std::string& path, std::string& why) {
        handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_) {
            const char* error = ::dlerror();
            why = "cannot load " + path + ": " + (error ? error : "unknown reason");
            return false;
        }
        Register = reinterpret_cast<KorvaneRegisterFn>(::dlsym(handle_, "DllRegisterServer"));
        Unregister = reinterpret_cast<KorvaneRegisterFn>(::dlsym(handle_, "DllUnregisterServer"));
        GetClassObject = reinterpret_cast<KorvaneGetClassObjectFn>(::dlsym(handle_, "DllGetClassObject"));
        CanUnloadNow = reinterpret_cast<KorvaneCanUnloadNowFn>(::dlsym(handle_, "DllCanUnloadNow"));
        if (!Register || !Unregister || !GetClassObject || !CanUnloadNow) {
            why = path + " is not a component library: its entry points are missing";
            return false;
        }
        return true;
    }

    KorvaneRegisterFn Register = nullptr;
    KorvaneRegisterFn Unregister = nullptr;
    KorvaneGetClassObjectFn GetClassObject = nullptr;
    KorvaneCanUnloadNowFn CanUnloadNow = nullptr;

private:
    void* handle_ = nullptr;
};

// --instruction-limit and --memory-limit: a whole number, the memory at
// most 1 TiB.
bool ParseLimit(const std::string& a, const std::string& v, Options& o, std::string& why) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long n = std::strtoull(v.c_str(), &end, 10);
    if (v.empty() || v[0] == '-' || *end || errno == ERANGE || (a == "--memory-limit" && n > (1ull << 40))) {
        why = a + " is a whole number" + (a == "--memory-limit" ? " of MiB" : "");
        return false;
    }
    if (a == "--instruction-limit")
        o.instructionLimit = n;
    else
        o.memoryLimitMiB = static_cast<std::size_t>(n);
    return true;
}

bool TakesValue(const std::string& a) {
    for (const char* option : {"--style", "--form", "--control", "--save-dir", "--instruction-limit", "--memory-limit",
                               "--time-limit", "--registry", "--register"})
        if (a == option)
            return true;
    return false;
}

// An option that takes a value, with its value `v`.
bool ParseValueOption(const std::string& a, const std::string& v, Options& o, std::string& why) {
    if (a == "--style") {
        if (v != "0" && v != "1" && v != "2") {
            why = "--style is 0, 1 or 2";
            return false;
        }
        o.style = v[0] - '0';
    } else if (a == "--form") {
        o.formFile = v;
    } else if (a == "--control") {
        o.controlName = v;
    } else if (a == "--save-dir") {
        o.saveDir = v;
        if (o.saveDir.empty()) {
            why = "--save-dir is a folder";
            return false;
        }
    } else if (a == "--instruction-limit" || a == "--memory-limit") {
        return ParseLimit(a, v, o, why);
    } else if (a == "--time-limit") {
        char* end = nullptr;
        const double seconds = std::strtod(v.c_str(), &end);
        if (v.empty() || *end || !(seconds > 0) || seconds > 1e9) {
            why = "--time-limit is a number of seconds above 0";
            return false;
        }
        o.timeLimitMs = static_cast<std::uint64_t>(std::ceil(seconds * 1000));
    } else if (a == "--registry") {
        ::setenv("KORVANE_REGISTRY", v.c_str(), 1);  // the library reads the same file
    } else if (a == "--register") {
        o.registerLibrary = v;
    }
    return true;
}

bool ParseArgs(int argc, char** argv, Options& o, std::string& why) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (!o.script.empty()) {
            o.scriptArgs.push_back(a);
        } else if (TakesValue(a)) {
            if (i + 1 >= argc) {
                why = a + " needs a value";
                return false;
            }
            if (!ParseValueOption(a, argv[++i], o, why))
                return false;
        } else if (a == "--design") {
            o.design = true;
        } else if (a == "--no-mouse-moves") {
            o.printMoves = false;
        } else if (a == "--sandbox") {
            o.sandbox = true;
        } else if (a == "--unregister") {
            o.unregisterLibrary = (i + 1 < argc && argv[i + 1][0] != '-') ? std::string(argv[++i]) : std::string();
        } else if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (a.rfind("--", 0) == 0) {
            why = "unknown option " + a;
            return false;
        } else {
            o.script = a;
        }
    }
    if (o.script.empty() && !o.registerLibrary && !o.unregisterLibrary) {
        why = "no script given";
        return false;
    }
    return true;
}

// An outcome of the registry for the user: its sentence, exit status 0 or 1.
int Told(const registry::Outcome& outcome) {
    if (!Succeeded(outcome.Code))
        return Fail(outcome.Message, 1);
    std::printf("%s\n", outcome.Message.c_str());
    return 0;
}

int RunRegistration(const Options& o) {
    std::string path = o.registerLibrary ? *o.registerLibrary : *o.unregisterLibrary;
    if (path.empty()) {
        registry::ClassEntry entry;
        const auto found = registry::Lookup(registry::DefaultPath(), ids::kProgId, entry);
        // An entry whose library is gone, or names none, has no library to
        // ask: its entries are removed here, as the library would.
        if (found.Code == result::LibraryMissing)
            return Told(registry::Unregister(registry::DefaultPath()));
        if (found.Code != result::Ok)
            return Fail(found.Message);
        path = entry.Library;
    }
    if (path.find('/') == std::string::npos)
        path = "./" + path;  // dlopen would search the system's folders
    LoadedLibrary lib;
    std::string why;
    if (!lib.Load(path, why))
        return Fail(why);
    char message[1024] = {};
    const Result r = (o.registerLibrary ? lib.Register : lib.Unregister)(message, sizeof message);
    if (!Succeeded(r))
        return Fail(message, 1);
    std::printf("%s\n", message);
    return 0;
}

// The style's name as the control's own type information gives it.
std::string StyleNameOf(const Control& ctl, const Variant& style) {
    if (!std::holds_alternative<std::int32_t>(style))
        return "?";
    for (const EnumMember& m : ctl.TypeInfo().Style.Members)
        if (m.Value == std::get<std::int32_t>(style))
            return std::string(m.Name);
    return "?";
}

// The class factory of the registered library, loaded into `lib`; null
// after telling why not.
ClassFactory* LoadFactory(LoadedLibrary& lib, int& failed) {
    registry::ClassEntry entry;
    const auto found = registry::Lookup(registry::DefaultPath(), ids::kProgId, entry);
    if (found.Code != result::Ok) {
        failed = Fail(found.Message);
        return nullptr;
    }
    std::string why;
    if (!lib.Load(entry.Library, why)) {
        failed = Fail(why);
        return nullptr;
    }
    void* raw = nullptr;
    const Result r = lib.GetClassObject(entry.ClassId.c_str(), kClassFactoryInterface, &raw);
    if (!Succeeded(r)) {
        failed = Fail("the library at " + entry.Library + " does not serve " + entry.ClassId + " (result " +
                      std::to_string(r) + ")");
        return nullptr;
    }
    return static_cast<ClassFactory*>(raw);
}

// The form file named by --form and its KorvaneBox (the one --control
// names); an empty message when there is none to read or all went well.
std::string ReadSaved(const Options& o, std::optional<FormFile>& saved, const FormControl*& savedControl) {
    if (o.formFile.empty())
        return {};
    try {
        saved = ReadFormFile(o.formFile);
    } catch (const RuntimeError& e) {
        return e.Description();
    }
    for (const auto& c : saved->Controls)
        if (c.Class == ids::kProgId && (o.controlName.empty() || c.Name == o.controlName)) {
            savedControl = &c;
            break;
        }
    if (!savedControl)
        return o.formFile + " holds no KorvaneBox" +
               (o.controlName.empty() ? std::string() : " named " + o.controlName);
    for (const auto& w : saved->Warnings)
        std::printf("form file: %s\n", w.c_str());
    return {};
}

// Where and how the control is placed: as saved, or new in the style
// --style names.
CreateOptions PlacementOf(const Options& o, const FormControl* savedControl, tk::MemoryPropertyBag& fresh) {
    CreateOptions create;
    create.UserMode = !o.design;
    if (savedControl) {
        create.Name = savedControl->Name;
        create.Left = savedControl->Left;
        create.Top = savedControl->Top;
        create.Width = savedControl->Width;
        create.Height = savedControl->Height;
        create.Saved = &savedControl->Properties;
        return create;
    }
    create.Left = 300;
    create.Top = 300;
    create.Width = o.style == 1 ? 3970 : 4240;
    create.Height = o.style == 1 ? 2130 : 330;
    if (!o.design) {
        // A control placed at run time comes from its designed
        // properties, of which only the style is not a default here.
        fresh.Set("Style", static_cast<std::int32_t>(o.style));
        create.Saved = &fresh;
    }
    return create;
}

// host.save: the form with the control as it is now, written to `path`;
// the reason it was not, or empty.
std::string SaveForm(const Options& o, tk::headless::HeadlessDesktop& desktop, tk::Form& form,
                     const std::optional<FormFile>& saved, const std::string& controlName, Control& ctl,
                     const std::string& path) {
    FormFile out;
    out.Name = form.Name();
    out.Caption = saved ? saved->Caption : std::string();
    out.Width = form.Width();
    out.Height = form.Height();
    FormControl c;
    c.Name = controlName;
    // The control's site on the form is the host's own widget; its
    // extent now is what the form keeps.
    if (const tk::Widget* site = desktop.Find(form.Name() + "." + controlName)) {
        c.Left = site->Left();
        c.Top = site->Top();
        c.Width = site->Width();
        c.Height = site->Height();
    }
    ExceptionInfo info;
    if (!Succeeded(ctl.Save(c.Properties, &info)))
        return "the control could not save its properties: " + info.Description;
    out.Controls.push_back(std::move(c));
    try {
        // A sandboxed script saves only where the user said it may.
        if (o.sandbox && o.saveDir.empty())
            Raise(ErrorCode::FormFileAccess,
                  "'" + path + "' can't be written: a sandboxed script saves only below --save-dir");
        WriteFormFile(path, out, o.saveDir);
    } catch (const RuntimeError& e) {
        return e.Description();
    }
    return {};
}

// At design time the style is a property like any other.
void SetDesignStyle(Control& ctl, int style) {
    std::vector<Variant> args{static_cast<std::int32_t>(style)};
    DispId id = 0;
    ctl.GetIDsOfNames("Style", id, nullptr);
    ExceptionInfo info;
    if (!Succeeded(ctl.Invoke(id, kPropertyLet, args, nullptr, &info)))
        std::printf("Style could not be set: %s\n", info.Description.c_str());
}

void PrintPlaced(Control& ctl, const Options& o, const std::string& controlName, const tk::Form& form) {
    Variant style;
    DispId styleId = 0;
    ctl.GetIDsOfNames("Style", styleId, nullptr);
    ctl.Invoke(styleId, kPropertyGet, {}, &style, nullptr);
    std::printf("placed %s (%s) on %s at %s, %s\n", controlName.c_str(), ids::kProgId, form.Name().c_str(),
                o.design ? "design time" : "run time", StyleNameOf(ctl, style).c_str());
}

// Runs the script against the control placed on `form`; false when it failed.
bool RunOn(Control& ctl, const Options& o, tk::headless::HeadlessDesktop& desktop, tk::Form& form,
           const CreateOptions& create, const std::optional<FormFile>& saved, bool fromSaved) {
    host::ScriptOptions options;
    options.ControlName = create.Name;
    options.FormName = form.Name();
    options.PrintMouseMoves = o.printMoves;
    options.UserMode = !o.design;
    options.Sandbox = o.sandbox;
    options.InstructionLimit = o.instructionLimit;
    options.TimeLimitMs = o.timeLimitMs;
    options.MemoryLimitBytes = o.memoryLimitMiB << 20;
    options.SaveForm = [&](const std::string& path) {
        return SaveForm(o, desktop, form, saved, create.Name, ctl, path);
    };
    host::ScriptHost script(ctl, desktop, options);
    if (o.design && !fromSaved && o.style != 0)
        SetDesignStyle(ctl, o.style);
    form.Show();
    PrintPlaced(ctl, o, create.Name, form);
    return script.Run(o.script, o.scriptArgs);
}

int RunScript(const Options& o) {
    LoadedLibrary lib;
    int failed = 0;
    ClassFactory* factory = LoadFactory(lib, failed);
    if (!factory)
        return failed;

    std::optional<FormFile> saved;
    const FormControl* savedControl = nullptr;
    if (const std::string why = ReadSaved(o, saved, savedControl); !why.empty()) {
        factory->Release();
        return Fail(why);
    }

    tk::headless::HeadlessDesktop desktop;
    auto form = desktop.CreateForm(saved ? saved->Name : "Form1");
    form->Left(1500);
    form->Top(1500);
    form->Width(saved ? saved->Width : 9000);
    form->Height(saved ? saved->Height : 6000);

    tk::MemoryPropertyBag fresh;
    const CreateOptions create = PlacementOf(o, savedControl, fresh);
    Control* ctl = nullptr;
    const Result r = factory->CreateInstance(*form, create, &ctl);
    factory->Release();
    if (!Succeeded(r))
        return Fail("the factory could not create the control (result " + std::to_string(r) + ")");

    const bool ok = RunOn(*ctl, o, desktop, *form, create, saved, savedControl != nullptr);
    ctl->Release();
    form.reset();
    std::printf("released; the library %s be unloaded\n", lib.CanUnloadNow() == result::Ok ? "can" : "cannot");
    std::fflush(stdout);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::string why;
    if (!ParseArgs(argc, argv, o, why)) {
        std::fputs(kUsage, stderr);
        return Fail(why);
    }
    if (o.registerLibrary || o.unregisterLibrary)
        return RunRegistration(o);
    return RunScript(o);
}
