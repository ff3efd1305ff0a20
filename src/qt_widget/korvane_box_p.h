// What the KorvaneBox widget keeps beside its control: the desktop and the
// hidden host form the control lives on, the last values its change
// signals reported, the error of the last refused call, and the one route
// by which every call of the widget reaches the control (Read and Write:
// nothing the control raises gets past them).
#pragma once

#include <QColor>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "korvane/errors.h"
#include "korvane/events.h"
#include "korvane/qt/KorvaneBox.h"
#include "korvane/toolkit/qt.h"
#include "korvane/ucvKorvane.h"

namespace korvane::qt {

Q_DECLARE_LOGGING_CATEGORY(lcKorvaneQt)

inline std::string Utf8(const QString& s) {
    return s.toStdString();
}

inline QString FromUtf8(const std::string& s) {
    return QString::fromStdString(s);
}

inline QColor ToQColor(tk::OleColor c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

inline tk::OleColor FromQColor(const QColor& c) {
    return tk::Rgb(c.red(), c.green(), c.blue());
}

// Everything a change signal reports, read back from the control.
struct Snapshot {
    int style = 0;
    int listIndex = -1;
    std::string text;
    std::string text1;
    std::string text2;
    bool locked = false;
    bool autoFill = false;
    int searchMode = 0;
    int searchColumns = 3;
    int widthCol1 = 0;
    int widthCol2 = 0;
    int listHeight = 0;
    int topIndex = 0;
    tk::OleColor back = 0;
    tk::OleColor fore = 0;
};

// Counts a nesting level for as long as it lives, and gives it back only
// while the widget still exists: a slot may destroy it on the way.
class Nesting {
public:
    Nesting(KorvaneBox& box, int& depth) : alive_(&box), depth_(depth) { ++depth_; }
    ~Nesting() {
        if (alive_)
            --depth_;
    }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

private:
    QPointer<KorvaneBox> alive_;
    int& depth_;
};

struct KorvaneBox::Private final : ucvKorvaneEvents {
    Private(KorvaneBox& owner, bool design) : q(owner), designMode(design) {}

    KorvaneBox& q;
    bool designMode;
    bool shown = false;  // the style is read-only at run time once the form is on the screen
    bool notifyQueued = false;
    int syncing = 0;  // our own resizes of the widget, not the layout's
    // The application's one desktop, shared by all boxes, and its hidden host form.
    std::shared_ptr<tk::qt::QtDesktop> desktop;
    tk::Form* form = nullptr;
    std::unique_ptr<ucvKorvane> control;
    tk::Hwnd hostWindow = 0;
    Snapshot last;
    ucvKorvaneEvents* hostSink = nullptr;

    // How deep the control's events to us are nested. The desktop may be on
    // the stack below them; a widget destroyed inside one lets its share of
    // the desktop go later.
    int inEvent = 0;
    // How deep the program's calls into the control are nested: a Click
    // raised inside one is the program's choice, not the user's.
    int programCalls = 0;

    // The error of the last call; 0 and empty after one that succeeded.
    mutable int errorNumber = 0;
    mutable QString errorString;

    // Colours the host chose; the others follow the widget's palette.
    bool hostBackColor = false;
    bool hostForeColor = false;
    void FollowPalette();
    // Enter and Escape on the box: a dialog's default button and its
    // rejection take them before the control.
    bool DialogTakes(const QKeyEvent& key);

    // Key and mouse events of the box's parts offered to the box first.
    std::unique_ptr<QObject> partsFilter;
    bool forwarding = false;    // a copy is on its way to the box's handlers
    bool forwardTaken = false;  // the box's filters or handlers took it

    // --- building (korvane_box.cpp) ---------------------------------------
    void Build(const tk::PropertyBag* bag);
    void Rebuild(std::optional<StyleType> style);
    void Fit();
    void UpdateFocusProxy();
    float Tpp() const { return static_cast<float>(desktop->TwipsPerPixelX()); }
    int ToPx(float twips) const;
    int ToTwips(int pixels) const;
    int ButtonTwips() const;
    // The container's width that shows both columns and the button as the
    // control lays them out, in twips.
    float NaturalWidth() const;
    // The same for columns `col1` and `col2` wide, before the control has them.
    float NaturalWidth(std::int32_t col1, std::int32_t col2, bool simple) const;

    // --- calls into the control (korvane_box_members.cpp) -------------------
    void Succeeded() const;
    void Refused(const char* what, const RuntimeError& e, bool remember = true) const;
    void Failed(const char* what, const std::exception& e, bool remember = true) const;

    // A getter: the control's error becomes `fallback` and errorNumber().
    template <class F, class R>
    R Read(const char* what, R fallback, F&& f) const {
        try {
            R value = f();
            Succeeded();
            return value;
        } catch (const RuntimeError& e) {
            Refused(what, e);
        } catch (const std::exception& e) {
            Failed(what, e);
        }
        return fallback;
    }

    // A call that may change the control: a refused one changes nothing
    // and is logged; what changed goes out as signals afterwards. Nothing
    // escapes, also not from a slot the control's events reached.
    // The widget's own follow-ups (a new font, enabled state or size) are
    // not the host's calls and leave errorNumber() alone.
    enum class Caller { Host, Widget };
    template <class F>
    void Write(const char* what, F&& f, Caller caller = Caller::Host) {
        QPointer<KorvaneBox> alive(&q);
        const bool host = caller == Caller::Host;
        try {
            Nesting program(q, programCalls);
            f();
            if (alive && host)
                Succeeded();
        } catch (const RuntimeError& e) {
            if (alive)
                Refused(what, e, host);
        } catch (const std::exception& e) {
            if (alive)
                Failed(what, e, host);
        }
        if (alive)
            Notify();
    }
    // A column width in twips, as the property editor expects it in design
    // mode: a refused width shows the control's message and then keeps the
    // width it had, not the smallest one the control stores.
    void WriteWidth(int col, int twips);

    // --- the control's events and the change signals (korvane_box_signals.cpp)
    Snapshot Take() const;
    void Notify();
    void QueueNotify();
    void WatchParts();
    void WatchScrolling();
    // Offers a key or mouse event of one of the box's parts to the box's
    // filters and handlers; true when they took it.
    bool Offer(QWidget& part, QEvent& event);
    // Runs `emitIt` (signals to the host) as one of the control's events:
    // a throwing slot is logged, a slot may destroy the widget.
    template <class F>
    void Raise(const char* what, F&& emitIt);
    // Hands one of the control's key or mouse events to the advised sink.
    template <class Call>
    void ToSink(const char* what, bool changes, Call&& call);

    void Click() override;
    void Filled() override;
    void SearchChanged(std::int32_t& matches) override;
    void KeyDown(std::int16_t& code, std::int16_t& shift) override;
    void KeyUp(std::int16_t& code, std::int16_t& shift) override;
    void KeyPress(std::int16_t& ascii, std::int16_t& col) override;
    void MouseDown(std::int16_t& b, std::int16_t& s, float& x, float& y) override;
    void MouseMove(std::int16_t& b, std::int16_t& s, float& x, float& y) override;
    void MouseUp(std::int16_t& b, std::int16_t& s, float& x, float& y) override;
    void Highlighted(std::int32_t row);
};

}  // namespace korvane::qt
