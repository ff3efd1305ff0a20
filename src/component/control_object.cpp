// The late-bound control object and the class factory. A ControlObject owns
// one ucvKorvane, reaches its members through the member table, and turns
// its events into numbered calls on the host's sink, with the by-reference
// arguments packed into variants and read back once the sink returns.
#include <atomic>
#include <cctype>
#include <exception>
#include <memory>
#include <vector>

#include "component/names.h"
#include "korvane/component/dispatch.h"
#include "korvane/component/ids.h"
#include "korvane/errors.h"
#include "korvane/toolkit/widgets.h"
#include "korvane/ucvKorvane.h"

namespace korvane::component {

namespace {

std::atomic<std::int32_t> g_liveObjects{0};

void Fill(ExceptionInfo* info, const RuntimeError& e, std::int32_t argIndex = -1) {
    if (!info)
        return;
    info->Number = e.Number();
    info->Description = e.Description();
    info->Source = ids::kProgId;
    info->ArgIndex = argIndex;
}

Result Fail(ExceptionInfo* info, Result code, ErrorCode error, std::int32_t argIndex = -1) {
    Fill(info, RuntimeError(ErrorNumber(error), ErrorDescription(error)), argIndex);
    return code;
}

Variant DefaultOf(const ParamInfo& p) {
    return p.Type == VarType::Bool ? Variant(p.Default != 0) : Coerce(Variant(p.Default), p.Type);
}

// Reads back what a sink left in a by-reference argument; a value that does
// not convert leaves the control's own value as it was.
template <typename T>
void Unpack(const Variant& v, VarType type, T& target) {
    try {
        target = std::get<T>(Coerce(v, type));
    } catch (const RuntimeError&) {
    }
}

// The reference count of every object the layer hands out: the object
// deletes itself when its last reference goes.
template <class Derived, class Interface>
class RefCounted : public Interface {
public:
    std::uint32_t AddRef() override { return ++refs_; }
    std::uint32_t Release() override {
        const std::uint32_t left = --refs_;
        if (left == 0)
            delete static_cast<Derived*>(this);
        return left;
    }

private:
    std::atomic<std::uint32_t> refs_{1};
};

class ControlObject final : public RefCounted<ControlObject, Control>, private ucvKorvaneEvents {
public:
    ControlObject(tk::Form& form, const CreateOptions& options) {
        Site site;
        site.Name = options.Name;
        site.UserMode = options.UserMode;
        site.Left = options.Left;
        site.Top = options.Top;
        control_ = std::make_unique<ucvKorvane>(form, site);
        control_->Advise(this);
        if (options.Width > 0)
            control_->Container().Width(options.Width);
        if (options.Height > 0)
            control_->Container().Height(options.Height);
        if (options.Saved)
            control_->ReadProperties(*options.Saved);
        else
            control_->InitProperties();
        ++g_liveObjects;
    }
    ~ControlObject() {
        control_->Advise(nullptr);
        control_.reset();
        --g_liveObjects;
    }

    const LibraryInfo& TypeInfo() const override { return Library(); }

    Result GetIDsOfNames(std::string_view name, DispId& id, ExceptionInfo* info) override {
        id = MemberId(name);
        if (id == kDispIdUnknown)
            return Fail(info, result::UnknownName, ErrorCode::UnknownMember);
        return result::Ok;
    }

    Result Invoke(DispId id, std::uint8_t kinds, std::span<const Variant> args, Variant* out,
                  ExceptionInfo* info) override {
        const MemberInfo* member = nullptr;
        InvokeKind kind = kMethod;
        for (InvokeKind k : {kMethod, kPropertyGet, kPropertyLet, kPropertySet}) {
            if ((kinds & k) && (member = FindMember(id, k))) {
                kind = k;
                break;
            }
        }
        if (!member)
            return Fail(info, result::MemberNotFound, ErrorCode::UnknownMember);

        const auto params = member->ParametersOf(kind);
        std::size_t required = 0;
        for (const auto& p : params)
            required += p.Optional ? 0 : 1;
        if (args.size() > params.size() || args.size() < required)
            return Fail(info, result::BadParamCount, ErrorCode::WrongArgumentCount);

        std::vector<Variant> converted;
        converted.reserve(params.size());
        for (std::size_t i = 0; i < params.size(); ++i) {
            const bool omitted = i >= args.size() || std::holds_alternative<std::monostate>(args[i]);
            if (omitted) {
                if (!params[i].Optional)
                    return Fail(info, result::ParamNotOptional, ErrorCode::ArgumentNotOptional,
                                static_cast<std::int32_t>(i));
                converted.push_back(DefaultOf(params[i]));
                continue;
            }
            try {
                converted.push_back(Coerce(args[i], params[i].Type));
            } catch (const RuntimeError& e) {
                Fill(info, e, static_cast<std::int32_t>(i));
                return e.Description() == ErrorDescription(ErrorCode::Overflow) ? result::Overflow
                                                                                : result::TypeMismatch;
            }
        }

        // A handler of an event raised inside the call may release the last
        // reference; the object stays until the call is over.
        Grip grip(this);
        try {
            Binding call = kind == kPropertyLet || kind == kPropertySet ? member->Put : member->Get;
            Variant value = call(*control_, converted);
            if (out)
                *out = std::move(value);
        } catch (const RuntimeError& e) {
            Fill(info, e);
            return result::Exception;
        } catch (const std::exception& e) {
            // Not one of the control's errors (out of memory, ...): the call
            // failed, and the host still gets a sentence.
            if (info) {
                info->Number = 0;
                info->Description = e.what();
                info->Source = ids::kProgId;
            }
            return result::Failed;
        }
        return result::Ok;
    }

    Result Advise(EventSink* sink) override {
        sink_ = sink;
        return result::Ok;
    }

    Result Save(tk::PropertyBag& bag, ExceptionInfo* info) override {
        try {
            control_->WriteProperties(bag);
        } catch (const RuntimeError& e) {
            Fill(info, e);
            return result::Exception;
        }
        return result::Ok;
    }

private:
    struct Grip {
        explicit Grip(ControlObject* o) : object(o) { object->AddRef(); }
        ~Grip() { object->Release(); }
        Grip(const Grip&) = delete;
        Grip& operator=(const Grip&) = delete;
        ControlObject* object;
    };

    // Raises `event` to the sink. The grip keeps this object (and so the
    // control) until the arguments are read back; releasing the last
    // reference in a handler destroys the control only then, which the
    // control is prepared for.
    template <typename Unpacker>
    void Raise(DispId event, std::span<Variant> args, Unpacker unpack) {
        if (!sink_)
            return;
        Grip grip(this);
        sink_->Invoke(event, args);
        unpack();
    }

    void Click() override {
        Raise(event_id::Click, {}, [] {});
    }
    void Filled() override {
        Raise(event_id::Filled, {}, [] {});
    }
    void SearchChanged(std::int32_t& matches) override {
        Variant args[] = {matches};
        Raise(event_id::SearchChanged, args, [&] { Unpack(args[0], VarType::Int32, matches); });
    }
    void KeyDown(std::int16_t& keyCode, std::int16_t& shift) override { Key(event_id::KeyDown, keyCode, shift); }
    void KeyUp(std::int16_t& keyCode, std::int16_t& shift) override { Key(event_id::KeyUp, keyCode, shift); }
    void KeyPress(std::int16_t& keyAscii, std::int16_t& col) override { Key(event_id::KeyPress, keyAscii, col); }
    void MouseDown(std::int16_t& b, std::int16_t& s, float& x, float& y) override {
        Mouse(event_id::MouseDown, b, s, x, y);
    }
    void MouseMove(std::int16_t& b, std::int16_t& s, float& x, float& y) override {
        Mouse(event_id::MouseMove, b, s, x, y);
    }
    void MouseUp(std::int16_t& b, std::int16_t& s, float& x, float& y) override {
        Mouse(event_id::MouseUp, b, s, x, y);
    }

    void Key(DispId event, std::int16_t& a, std::int16_t& b) {
        Variant args[] = {a, b};
        Raise(event, args, [&] {
            Unpack(args[0], VarType::Int16, a);
            Unpack(args[1], VarType::Int16, b);
        });
    }
    void Mouse(DispId event, std::int16_t& button, std::int16_t& shift, float& x, float& y) {
        Variant args[] = {button, shift, x, y};
        Raise(event, args, [&] {
            Unpack(args[0], VarType::Int16, button);
            Unpack(args[1], VarType::Int16, shift);
            Unpack(args[2], VarType::Single, x);
            Unpack(args[3], VarType::Single, y);
        });
    }

    std::unique_ptr<ucvKorvane> control_;
    EventSink* sink_ = nullptr;
};

class Factory final : public RefCounted<Factory, ClassFactory> {
public:
    Factory() { ++g_liveObjects; }
    ~Factory() { --g_liveObjects; }

    Result CreateInstance(tk::Form& hostForm, const CreateOptions& options, Control** out) override {
        return CreateControl(hostForm, options, out);
    }
    Result LockServer(bool lock) override {
        g_liveObjects += lock ? 1 : -1;
        return result::Ok;
    }
};

}  // namespace

std::int32_t LiveObjects() {
    return g_liveObjects.load();
}

Result CreateControl(tk::Form& hostForm, const CreateOptions& options, Control** out) {
    if (!out)
        return result::InvalidPointer;
    *out = nullptr;
    try {
        *out = new ControlObject(hostForm, options);
    } catch (const std::exception&) {
        return result::Failed;
    }
    return result::Ok;
}

Result GetClassFactory(std::string_view classId, std::string_view interfaceName, void** out) {
    if (!out)
        return result::InvalidPointer;
    *out = nullptr;
    if (!SameName(classId, ids::kClass))
        return result::ClassNotAvailable;
    if (interfaceName != kClassFactoryInterface)
        return result::NoInterface;
    *out = static_cast<ClassFactory*>(new Factory());
    return result::Ok;
}

}  // namespace korvane::component
