// The control object: building its child widgets, initialisation and
// termination, the host connection (events and refusals), and the members
// that only report the control's window.
#include <exception>
#include <string>

#include "control/guards.h"
#include "control/ucvKorvane_p.h"
#include "shell/about.h"
#include "shell/window_utils.h"

namespace korvane {

namespace {

tk::PictureRef ButtonPicture(const char* name) {
    return std::make_shared<const tk::Picture>(tk::Picture{name, 16, 16});
}

}  // namespace

const char* StyleName(StyleType style) {
    switch (style) {
        case StyleType::DropdownCombo:
            return "Dropdown Combo";
        case StyleType::SimpleCombo:
            return "Simple Combo";
        case StyleType::DropdownList:
            return "Dropdown List";
    }
    return "";
}

namespace {

void CreateParts(ucvKorvane::Private& d) {
    tk::Desktop& desktop = d.desktop;
    tk::UserControl& container = *d.container;
    d.txtCol1 = desktop.CreateTextBox(container, "txtCol1");
    d.txtCol2 = desktop.CreateTextBox(container, "txtCol2");
    d.lblCol1 = desktop.CreateLabel(container, "lblCol1");
    d.lblCol2 = desktop.CreateLabel(container, "lblCol2");
    d.lstCol1a = desktop.CreateListBox(container, "lstCol1a");
    d.lstCol2a = desktop.CreateListBox(container, "lstCol2a");
    d.imgCombo = desktop.CreateImage(container, "imgCombo");
    d.imgCboUp = desktop.CreateImage(container, "imgCboUp");
    d.imgCboDown = desktop.CreateImage(container, "imgCboDown");
    d.TimerProc = desktop.CreateTimer(container, "TimerProc");
}

// What each part is to a screen reader: the container is the combo box.
void GiveRoles(ucvKorvane::Private& d) {
    d.container->AccessibleRole(tk::Role::ComboBox);
    d.txtCol1->AccessibleRole(tk::Role::Editor);
    d.txtCol2->AccessibleRole(tk::Role::Editor);
    d.lblCol1->AccessibleRole(tk::Role::ShownValue);
    d.lblCol2->AccessibleRole(tk::Role::ShownValue);
    d.lstCol1a->AccessibleRole(tk::Role::RowList);
    d.lstCol2a->AccessibleRole(tk::Role::RowListColumn);
    d.imgCombo->AccessibleRole(tk::Role::DropDownButton);
    d.imgCboUp->AccessibleRole(tk::Role::Decoration);
    d.imgCboDown->AccessibleRole(tk::Role::Decoration);
    d.txtCol1->AccessibleName("Column 1");
    d.txtCol2->AccessibleName("Column 2");
    d.imgCombo->AccessibleName("Open the list");
}

// The design-time arrangement: the fields side by side, the lists under
// them, the button at the right; the picture holders never show.
void ArrangeForDesign(ucvKorvane::Private& d) {
    d.imgCboUp->Picture(ButtonPicture("ComboUp"));
    d.imgCboDown->Picture(ButtonPicture("ComboDown"));
    d.imgCboUp->Visible(false);
    d.imgCboDown->Visible(false);
    d.imgCombo->Picture(d.imgCboUp->Picture());
    detail::Place(*d.txtCol1, 0, 0, 1100, 315);
    detail::Place(*d.txtCol2, 1100, 0, 2870, 315);
    detail::Place(*d.lblCol1, 0, 0, 1100, 315);
    d.lblCol1->Visible(false);
    detail::Place(*d.lblCol2, 1100, 0, 2900, 315);
    d.lblCol2->Visible(false);
    d.lstCol1a->Left(0);
    d.lstCol1a->Top(315);
    d.lstCol1a->Width(1100);
    d.lstCol2a->Left(1100);
    d.lstCol2a->Top(315);
    d.lstCol2a->Width(2870);
    d.lstCol1a->Visible(false);
    d.lstCol2a->Visible(false);
    d.TimerProc->Interval(100);
    d.TimerProc->Enabled(false);
}

// The desktop's measures, colours and the default font: every step is
// skipped on failure and the next one runs.
void Initialize(ucvKorvane::Private& d) {
    detail::ContinueOnError([&] {
        d.Busy() = true;
        d.holdsStartupBusy = true;
    });
    detail::ContinueOnError([&] { d.twipsPerPixelX = d.desktop.TwipsPerPixelX(); });
    detail::ContinueOnError([&] { d.twipsPerPixelY = d.desktop.TwipsPerPixelY(); });
    detail::ContinueOnError([&] { d.sysWindowColor = detail::SysWindowColor(d.desktop); });
    detail::ContinueOnError([&] { d.sysTextColor = detail::SysWindowTextColor(d.desktop); });
    detail::ContinueOnError([&] {
        d.defaultFont = std::make_shared<tk::Font>();
        d.defaultFont->Name = "MS Sans Serif";
        d.defaultFont->Size = 8;
        d.defaultFont->Bold = false;
        d.defaultFont->Underline = false;
        d.defaultFont->Italic = false;
        d.defaultFont->Strikethrough = false;
        d.font = d.defaultFont;
    });
    detail::ContinueOnError([&] { d.closedHeight = 330; });
    detail::ContinueOnError([&] { d.buttonWidth = d.twipsPerPixelX * (detail::VScrollWidth(d.desktop) + 2); });
    detail::ContinueOnError([&] { d.fieldHeight = 315; });
    detail::ContinueOnError([&] { d.listHeight = 1800; });
}

// A control the host places without giving it a size starts at its own:
// both columns at their first widths and the button beside them, one row
// high. The busy flag keeps this from raising the layout work; the host's
// resizes scale the columns from here.
void TakeFirstSize(ucvKorvane::Private& d) {
    const auto buttonLeft = static_cast<float>(1100 + 2900 - 2 * d.twipsPerPixelX);
    d.imgCombo->Left(buttonLeft);
    d.imgCombo->Width(static_cast<float>(d.buttonWidth));
    d.imgCombo->Height(static_cast<float>(d.fieldHeight));
    d.container->Width(buttonLeft + static_cast<float>(d.buttonWidth));
    d.container->Height(static_cast<float>(d.closedHeight));
}

}  // namespace

ucvKorvane::Private::Private(ucvKorvane& owner, tk::Form& form, const Site& site)
    : q(owner), desktop(form.Owner()), hostForm(form) {
    container = desktop.CreateUserControl(hostForm, site.Name, tk::Ambient{site.UserMode});
    container->Left(site.Left);
    container->Top(site.Top);
    CreateParts(*this);
    GiveRoles(*this);
    detail::ContinueOnError([&] { ArrangeForDesign(*this); });

    WireLayout();
    WireTextEntry();
    WireKeyboard();
    WireEmbeddedList();
    WireDropDownButton();
    WireFocusWatcher();

    Initialize(*this);
    detail::ContinueOnError([&] { TakeFirstSize(*this); });
    backColor = sysWindowColor;
    foreColor = sysTextColor;
}

ucvKorvane::Private::~Private() {
    *alive = false;
    detail::ContinueOnError([&] { detail::AboutBoxes::Unload(desktop); });
    // Terminate: stop the timer and release the drop-down window. A control
    // destroyed before its properties were applied gives back the busy flag
    // it took, or every other control on the desktop would stop arranging.
    detail::ContinueOnError([&] { TimerProc->Enabled(false); });
    if (window)
        window->OnHidden(nullptr);
    window.reset();
    if (holdsStartupBusy)
        Busy() = false;
}

bool ucvKorvane::Private::UserMode() const {
    return container->Ambient().UserMode;
}

bool ucvKorvane::Private::HasDropDownStyle() const {
    return style == StyleType::DropdownCombo || style == StyleType::DropdownList;
}

ListPair ucvKorvane::Private::Pair() const {
    switch (style) {
        case StyleType::DropdownCombo:
        case StyleType::DropdownList:
            if (window)
                return {&window->lstCol1(), &window->lstCol2()};
            return {};
        case StyleType::SimpleCombo:
            return {lstCol1a.get(), lstCol2a.get()};
    }
    return {};
}

bool& ucvKorvane::Private::Busy() {
    return detail::g_Busy(desktop);
}

void ucvKorvane::Private::ShowCritical(std::string_view text) {
    desktop.MsgBox(text, tk::msgbox::Critical);
}

void ucvKorvane::Private::RefuseWrite(ErrorCode code) {
    if (UserMode())
        Raise(code);
    ShowCritical(ErrorDescription(code));
}

bool ucvKorvane::Private::RefusedWhileSorting() {
    if (!sorting)
        return false;
    ShowCritical(kSortingMessage);
    return true;
}

void ucvKorvane::Private::CheckIndexNotNegative(std::int32_t index) const {
    if (index < 0)
        Raise(ErrorCode::InvalidProcedureCall);
}

void ucvKorvane::Private::CheckIndexInPair(const ListPair& pair, std::int32_t index) const {
    if (pair && index > pair.col1->ListCount() - 1)
        Raise(ErrorCode::ItemDoesNotExist, std::to_string(index));
}

void ucvKorvane::Private::EnsureWindow() {
    if (window)
        return;
    window = std::make_unique<detail::Window>(desktop);
    window->Form().AccessibleRole(tk::Role::DropDown, container.get());
    window->OnHighlighted([this](std::int32_t row) {
        if (onHighlighted) {
            auto tell = onHighlighted;
            tell(row);
        }
    });
    // A drop-down that hides ends a search's view (Escape, a chosen row,
    // the focus gone elsewhere).
    window->OnHidden([this] {
        searchStaysOpen = false;
        EndSearch();
    });
    RebuildRowIndex();
}

void ucvKorvane::Private::ReleaseWindow() {
    if (!window)
        return;
    auto closing = std::move(window);
    if (closing->Form().Loaded())
        closing->Form().Unload();
    closing.reset();
    RebuildRowIndex();
}

// --- events to the host -------------------------------------------------------
// The token outlives the control: a handler that destroys the control leaves
// it false, and the raising code stops touching members that are gone.

namespace {
// Calls `event` of the control's sink, if any; false when a handler
// destroyed the control.
template <class Event, class... Args>
bool RaiseOn(ucvKorvane::Private& d, Event event, Args&... args) {
    auto token = d.alive;
    if (d.sink)
        (d.sink->*event)(args...);
    return *token;
}
}  // namespace

bool ucvKorvane::Private::RaiseClick() {
    return RaiseOn(*this, &ucvKorvaneEvents::Click);
}
bool ucvKorvane::Private::RaiseKeyDown(std::int16_t& keyCode, std::int16_t& shift) {
    return RaiseOn(*this, &ucvKorvaneEvents::KeyDown, keyCode, shift);
}
bool ucvKorvane::Private::RaiseKeyPress(std::int16_t& keyAscii, std::int16_t& col) {
    return RaiseOn(*this, &ucvKorvaneEvents::KeyPress, keyAscii, col);
}
bool ucvKorvane::Private::RaiseKeyUp(std::int16_t& keyCode, std::int16_t& shift) {
    return RaiseOn(*this, &ucvKorvaneEvents::KeyUp, keyCode, shift);
}
bool ucvKorvane::Private::RaiseMouseDown(std::int16_t& button, std::int16_t& shift, float& x, float& y) {
    return RaiseOn(*this, &ucvKorvaneEvents::MouseDown, button, shift, x, y);
}
bool ucvKorvane::Private::RaiseMouseMove(std::int16_t& button, std::int16_t& shift, float& x, float& y) {
    return RaiseOn(*this, &ucvKorvaneEvents::MouseMove, button, shift, x, y);
}
bool ucvKorvane::Private::RaiseMouseUp(std::int16_t& button, std::int16_t& shift, float& x, float& y) {
    return RaiseOn(*this, &ucvKorvaneEvents::MouseUp, button, shift, x, y);
}
bool ucvKorvane::Private::RaiseFilled() {
    return RaiseOn(*this, &ucvKorvaneEvents::Filled);
}
bool ucvKorvane::Private::RaiseSearchChanged(std::int32_t matches) {
    return RaiseOn(*this, &ucvKorvaneEvents::SearchChanged, matches);
}

// --- public ---------------------------------------------------------------------

ucvKorvane::ucvKorvane(tk::Form& hostForm, Site site) : d(std::make_unique<Private>(*this, hostForm, site)) {}

ucvKorvane::~ucvKorvane() = default;

void ucvKorvane::Advise(ucvKorvaneEvents* sink) {
    d->sink = sink;
}

tk::UserControl& ucvKorvane::Container() const {
    return *d->container;
}

void ucvKorvane::OnHighlighted(std::function<void(std::int32_t row)> handler) {
    d->onHighlighted = std::move(handler);
}

std::int32_t ucvKorvane::hWnd() const {
    return d->container->hWnd();
}

std::int32_t ucvKorvane::hDC() const {
    return d->container->hDC();
}

}  // namespace korvane
