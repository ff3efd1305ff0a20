// The headless desktop itself: the widget registry and factories, the screen
// and its settings, the window functions, z-order and window rectangles, the
// records of what a person saw or heard, and the virtual clock with its
// timers and posted work.
#include <algorithm>
#include <cmath>
#include <limits>

#include "korvane/errors.h"
#include "widget_kinds.h"

namespace korvane::tk::headless {

namespace {

constexpr unsigned kNoZOrder = 0x4;

// What the desktop paints with until a test says otherwise.
const std::map<int, std::uint32_t> kDefaultSysColors = {
    {0, 0xC0C0C0},                                   // scroll bar
    {1, 0x808000},                                   // desktop background
    {2, 0x800000},  {3, 0x808080},                   // active / inactive caption
    {4, 0xC0C0C0},  {5, 0xFFFFFF},  {6, 0x000000},   // menu, window, window frame
    {7, 0x000000},  {8, 0x000000},  {9, 0xFFFFFF},   // menu text, window text, caption text
    {10, 0xC0C0C0}, {11, 0xC0C0C0}, {12, 0x808080},  // borders, application workspace
    {13, 0x800000}, {14, 0xFFFFFF},                  // highlight, highlight text
    {15, 0xC0C0C0}, {16, 0x808080}, {17, 0x808080},  // button face, shadow, grey text
    {18, 0x000000}, {19, 0xC0C0C0}, {20, 0xFFFFFF},  // button text, inactive caption text, button highlight
    {21, 0x000000}, {22, 0xDFDFDF},                  // 3-D dark shadow, 3-D light
    {23, 0x000000}, {24, 0xE1FFFF},                  // tooltip text, tooltip background
};

std::int32_t ToPx(double twips, double perPixel) {
    return static_cast<std::int32_t>(std::floor(twips / perPixel + 0.5));
}

}  // namespace

// --- registry ------------------------------------------------------------

HeadlessDesktop::Impl::Impl(HeadlessDesktop& o, Options opts) : DesktopModel(o), options(opts) {
    sysColors = kDefaultSysColors;
}

HeadlessDesktop::Impl::~Impl() {
    // Widgets may outlive the desktop; they must not reach back into it.
    for (auto& [id, node] : nodes)
        node->desk = nullptr;
}

// No handler runs here: the focus or capture held by the widget, or by one
// of its children, is simply dropped.
void HeadlessDesktop::Impl::Unregister(Node& node) {
    if (Inside(capture, node))
        capture = 0;
    Forget(node);
    if (node.kind == Kind::Form) {
        tops.erase(node.hwnd);
        zOrder.erase(std::remove(zOrder.begin(), zOrder.end(), node.hwnd), zOrder.end());
    }
}

std::uint32_t HeadlessDesktop::Impl::SysColor(int index) const {
    auto it = sysColors.find(index);
    return it == sysColors.end() ? 0 : it->second;
}

// --- windows and z-order ----------------------------------------------------

// Every window sits on whole pixels of its parent, as on a real screen.
Rect HeadlessDesktop::Impl::RectPx(const Node& node) const {
    std::int32_t ox = 0, oy = 0;
    if (node.kind != Kind::Form) {
        if (node.foreignParent != 0) {
            auto it = tops.find(node.foreignParent);
            if (it != tops.end()) {
                ox = it->second.BoundsPx.Left;
                oy = it->second.BoundsPx.Top;
            }
        } else if (node.parent != nullptr) {
            Rect p = RectPx(*node.parent);
            ox = p.Left;
            oy = p.Top;
        }
    }
    Rect r;
    r.Left = ox + ToPx(node.left, Tpx());
    r.Top = oy + ToPx(node.top, Tpy());
    r.Right = r.Left + ToPx(node.width, Tpx());
    r.Bottom = r.Top + ToPx(node.GetHeight(), Tpy());
    return r;
}

void HeadlessDesktop::Impl::BringToTop(Hwnd window) {
    auto top = tops.find(window);
    if (top == tops.end())
        return;
    zOrder.erase(std::remove(zOrder.begin(), zOrder.end(), window), zOrder.end());
    auto firstPlain = std::find_if(zOrder.begin(), zOrder.end(), [&](Hwnd h) { return !tops.at(h).TopMost; });
    zOrder.insert(top->second.TopMost ? zOrder.begin() : firstPlain, window);
}

void HeadlessDesktop::Impl::PlaceInZOrder(Hwnd window, Hwnd insertAfter) {
    auto top = tops.find(window);
    if (top == tops.end())
        return;
    if (insertAfter == hwnd::TopMost) {
        top->second.TopMost = true;
        BringToTop(window);
    } else if (insertAfter == hwnd::NoTopMost) {
        if (!top->second.TopMost)
            return;
        top->second.TopMost = false;
        BringToTop(window);
    } else if (insertAfter == hwnd::Top) {
        BringToTop(window);
    } else if (insertAfter == hwnd::Bottom) {
        top->second.TopMost = false;
        zOrder.erase(std::remove(zOrder.begin(), zOrder.end(), window), zOrder.end());
        zOrder.push_back(window);
    } else if (tops.count(insertAfter) != 0 && insertAfter != window) {
        // Right below another window, in that window's band.
        top->second.TopMost = tops.at(insertAfter).TopMost;
        zOrder.erase(std::remove(zOrder.begin(), zOrder.end(), window), zOrder.end());
        zOrder.insert(std::find(zOrder.begin(), zOrder.end(), insertAfter) + 1, window);
    }
}

bool HeadlessDesktop::Impl::IsForeign(Hwnd window) const {
    auto it = tops.find(window);
    return it != tops.end() && it->second.Form == 0;
}

bool HeadlessDesktop::Impl::ForeignRect(Hwnd window, Rect& rect) const {
    rect = tops.at(window).BoundsPx;
    return true;
}

std::string HeadlessDesktop::Impl::ForeignClass(Hwnd window) const {
    return tops.at(window).ClassName;
}

Rect HeadlessDesktop::Impl::ScreenRect() const {
    return {0, 0, options.ScreenWidthPx, options.ScreenHeightPx};
}

bool HeadlessDesktop::Impl::TopVisible(Hwnd window) const {
    auto it = tops.find(window);
    if (it == tops.end())
        return false;
    if (it->second.Form == 0)
        return true;
    Node* form = Get(it->second.Form);
    return form != nullptr && form->visible;
}

std::vector<Hwnd> HeadlessDesktop::Impl::VisibleZOrder() const {
    std::vector<Hwnd> out;
    for (Hwnd h : zOrder) {
        if (TopVisible(h))
            out.push_back(h);
    }
    return out;
}

// --- HeadlessDesktop: construction and factories ----------------------------

HeadlessDesktop::HeadlessDesktop() : HeadlessDesktop(Options{}) {}
HeadlessDesktop::HeadlessDesktop(Options options) : impl_(std::make_unique<Impl>(*this, options)) {}
HeadlessDesktop::~HeadlessDesktop() = default;

std::unique_ptr<Form> HeadlessDesktop::CreateForm(std::string name) {
    return std::make_unique<HeadlessForm>(*impl_, std::move(name));
}
std::unique_ptr<UserControl> HeadlessDesktop::CreateUserControl(Widget& parent, std::string name, tk::Ambient ambient) {
    return std::make_unique<HeadlessUserControl>(*impl_, impl_->OwnNode(parent), std::move(name), ambient);
}
std::unique_ptr<TextBox> HeadlessDesktop::CreateTextBox(Widget& parent, std::string name) {
    return std::make_unique<HeadlessTextBox>(*impl_, impl_->OwnNode(parent), std::move(name));
}
std::unique_ptr<Label> HeadlessDesktop::CreateLabel(Widget& parent, std::string name) {
    return std::make_unique<HeadlessLabel>(*impl_, impl_->OwnNode(parent), std::move(name));
}
std::unique_ptr<ListBox> HeadlessDesktop::CreateListBox(Widget& parent, std::string name) {
    return std::make_unique<HeadlessListBox>(*impl_, impl_->OwnNode(parent), std::move(name));
}
std::unique_ptr<Image> HeadlessDesktop::CreateImage(Widget& parent, std::string name) {
    return std::make_unique<HeadlessImage>(*impl_, impl_->OwnNode(parent), std::move(name));
}
std::unique_ptr<CommandButton> HeadlessDesktop::CreateCommandButton(Widget& parent, std::string name) {
    return std::make_unique<HeadlessCommandButton>(*impl_, impl_->OwnNode(parent), std::move(name));
}
std::unique_ptr<Timer> HeadlessDesktop::CreateTimer(Widget& parent, std::string name) {
    return std::make_unique<HeadlessTimer>(*impl_, impl_->OwnNode(parent), std::move(name));
}

// --- screen and application globals ----------------------------------------

float HeadlessDesktop::ScreenWidth() const {
    return static_cast<float>(impl_->options.ScreenWidthPx) * impl_->Tpx();
}
float HeadlessDesktop::ScreenHeight() const {
    return static_cast<float>(impl_->options.ScreenHeightPx) * impl_->Tpy();
}
std::int16_t HeadlessDesktop::TwipsPerPixelX() const {
    return impl_->options.TwipsPerPixel;
}
std::int16_t HeadlessDesktop::TwipsPerPixelY() const {
    return impl_->options.TwipsPerPixel;
}
std::int16_t HeadlessDesktop::MousePointer() const {
    return impl_->screenPointer;
}
void HeadlessDesktop::MousePointer(std::int16_t value) {
    impl_->screenPointer = value;
    Record(impl_->records.PointerHistory, value);
}

AppInfo HeadlessDesktop::App() const {
    return impl_->app;
}

static_assert(HeadlessDesktop::RecordWindow == model::kRecordWindow);

int HeadlessDesktop::MsgBox(std::string_view prompt, int style, std::string_view title) {
    impl_->RecordMessageBox(prompt, style, title, impl_->app.Title);
    return impl_->msgBoxAnswer;
}

void HeadlessDesktop::Beep() {
    ++impl_->records.Beeps;
}
void HeadlessDesktop::DoEvents() {
    impl_->RunPosted();
}
std::int64_t HeadlessDesktop::TickCount() const {
    return impl_->now;
}

std::uint64_t HeadlessDesktop::PressCount() const {
    return impl_->presses;
}

// --- window functions ----------------------------------------------------------

Hwnd HeadlessDesktop::GetFocus() {
    return impl_->FocusHwnd();
}

std::int32_t HeadlessDesktop::GetWindowRect(Hwnd window, Rect& rect) {
    return impl_->WindowRect(window, rect);
}

Hwnd HeadlessDesktop::GetParent(Hwnd window) {
    return impl_->ParentHwnd(window);
}

std::int32_t HeadlessDesktop::GetClassNameA(Hwnd window, std::string& name, std::int32_t maxCount) {
    return model::CopyClassName(impl_->ClassOf(window), name, maxCount);
}

// Moves, sizes and restacks; with NoMove and NoSize only the stacking (and
// the top-most band) changes. It never activates the window.
std::int32_t HeadlessDesktop::SetWindowPos(Hwnd window, Hwnd insertAfter, std::int32_t x, std::int32_t y,
                                           std::int32_t cx, std::int32_t cy, unsigned flags) {
    Record(impl_->windowPosCalls, {window, insertAfter, x, y, cx, cy, flags});
    auto top = impl_->tops.find(window);
    Node* node = impl_->NodeOf(window);
    if (node == nullptr && top == impl_->tops.end())
        return 0;
    if (top != impl_->tops.end() && (flags & kNoZOrder) == 0)
        impl_->PlaceInZOrder(window, insertAfter);
    if (node == nullptr) {  // a foreign window
        Rect& b = impl_->tops[window].BoundsPx;
        if ((flags & swp::NoMove) == 0)
            b = {x, y, x + b.Right - b.Left, y + b.Bottom - b.Top};
        if ((flags & swp::NoSize) == 0)
            b = {b.Left, b.Top, b.Left + cx, b.Top + cy};
        return 1;
    }
    if ((flags & swp::NoMove) == 0) {
        node->left = static_cast<float>(x) * impl_->Tpx();
        node->top = static_cast<float>(y) * impl_->Tpy();
    }
    if ((flags & swp::NoSize) == 0) {
        std::uint64_t id = node->id;
        node->SetWidth(static_cast<float>(cx) * impl_->Tpx());
        if (Node* still = impl_->Get(id))
            still->SetHeight(static_cast<float>(cy) * impl_->Tpy());
    }
    return 1;
}

std::int32_t HeadlessDesktop::GetSystemMetrics(int index) {
    switch (index) {
        case 0:
            return impl_->options.ScreenWidthPx;
        case 1:
            return impl_->options.ScreenHeightPx;
        case 2:   // vertical scroll bar width
        case 3:   // horizontal scroll bar height
        case 20:  // vertical scroll arrow height
        case 21:  // horizontal scroll arrow width
            return impl_->options.ScrollBarWidthPx;
        default:
            return 0;
    }
}

std::uint32_t HeadlessDesktop::GetSysColor(int index) {
    return impl_->SysColor(index);
}

std::int32_t HeadlessDesktop::DrawFocusRect(Hdc dc, const Rect& rect) {
    Record(impl_->records.FocusRectCalls, {dc, rect});
    return 1;
}

void HeadlessDesktop::Log(std::string_view message) {
    Record(impl_->records.Logged, std::string(message));
}

std::int32_t HeadlessDesktop::MessageBeep(std::uint32_t type) {
    Record(impl_->records.MessageBeeps, type);
    return 1;
}

Hwnd HeadlessDesktop::GetDesktopWindow() {
    return impl_->desktopWindow;
}

std::intptr_t HeadlessDesktop::ShellExecuteA(Hwnd owner, std::string_view operation, std::string_view file,
                                             std::string_view parameters, std::string_view directory,
                                             std::int32_t showCmd) {
    Record(impl_->records.ShellRequests, {owner, std::string(operation), std::string(file), std::string(parameters),
                                          std::string(directory), showCmd});
    return impl_->shellResult;
}

// --- settings ------------------------------------------------------------------

void HeadlessDesktop::SetScreenSize(std::int32_t widthPx, std::int32_t heightPx) {
    impl_->options.ScreenWidthPx = widthPx;
    impl_->options.ScreenHeightPx = heightPx;
}
void HeadlessDesktop::SetSysColor(int index, std::uint32_t color) {
    impl_->sysColors[index] = color;
}
void HeadlessDesktop::SetScrollBarWidth(std::int32_t px) {
    impl_->options.ScrollBarWidthPx = px;
}
void HeadlessDesktop::SetUserLocale(std::string locale) {
    impl_->userLocale = std::move(locale);
}

std::string HeadlessDesktop::UserLocale() const {
    return impl_->userLocale.empty() ? Desktop::UserLocale() : impl_->userLocale;
}

void HeadlessDesktop::SetApp(AppInfo app) {
    impl_->app = std::move(app);
}

void HeadlessDesktop::DefineFont(std::string face, FontMeasure measure) {
    auto& fonts = impl_->fonts;
    auto it = std::find_if(fonts.begin(), fonts.end(), [&](const auto& f) { return SameName(f.first, face); });
    if (it != fonts.end()) {
        it->second = std::move(measure);
    } else {
        fonts.emplace_back(std::move(face), std::move(measure));
    }
}

void HeadlessDesktop::SetMsgBoxAnswer(int answer) {
    impl_->msgBoxAnswer = answer;
}
void HeadlessDesktop::SetShellResult(std::intptr_t code) {
    impl_->shellResult = code;
}

Hwnd HeadlessDesktop::CreateForeignWindow(std::string className, Rect boundsPx) {
    const Hwnd h = impl_->NewHwnd();
    impl_->tops[h] = Impl::TopLevel{h, 0, std::move(className), boundsPx, false};
    impl_->zOrder.push_back(h);
    impl_->BringToTop(h);
    return h;
}

void HeadlessDesktop::Reparent(Widget& child, Hwnd newParent) {
    Node& node = impl_->OwnNode(child);
    auto top = impl_->tops.find(newParent);
    if (top == impl_->tops.end() || top->second.Form != 0) {
        node.foreignParent = 0;  // back under its own parent
    } else {
        node.foreignParent = newParent;
    }
    impl_->CheckFocus();
}

// --- records -----------------------------------------------------------------------

const std::vector<MessageBoxRecord>& HeadlessDesktop::MessageBoxes() const {
    return impl_->records.MessageBoxes;
}
std::int32_t HeadlessDesktop::Beeps() const {
    return impl_->records.Beeps;
}
const std::vector<std::string>& HeadlessDesktop::Logged() const {
    return impl_->records.Logged;
}

const std::vector<std::uint32_t>& HeadlessDesktop::MessageBeeps() const {
    return impl_->records.MessageBeeps;
}
const std::vector<std::int16_t>& HeadlessDesktop::PointerHistory() const {
    return impl_->records.PointerHistory;
}
const std::vector<PropertyChangeRecord>& HeadlessDesktop::PropertyChanges() const {
    return impl_->records.PropertyChanges;
}
const std::vector<FocusRectRecord>& HeadlessDesktop::FocusRects() const {
    return impl_->records.FocusRectCalls;
}
const std::vector<ShellRequest>& HeadlessDesktop::ShellRequests() const {
    return impl_->records.ShellRequests;
}
const std::vector<SetWindowPosRecord>& HeadlessDesktop::WindowPosCalls() const {
    return impl_->windowPosCalls;
}

void HeadlessDesktop::ClearRecords() {
    impl_->records.Clear();
    impl_->windowPosCalls.clear();
}

// --- finding widgets -------------------------------------------------------------

Widget* HeadlessDesktop::Find(std::string_view path) const {
    return impl_->Find(path);
}

Widget* HeadlessDesktop::FromHwnd(Hwnd window) const {
    return impl_->FromHwnd(window);
}

Widget* HeadlessDesktop::FocusWidget() const {
    return impl_->FocusWidget();
}

Form* HeadlessDesktop::ActiveForm() const {
    Node* node = impl_->NodeOf(impl_->active);
    return node != nullptr && node->kind == Kind::Form ? static_cast<HeadlessForm*>(node) : nullptr;
}

bool HeadlessDesktop::IsTopMost(Hwnd window) const {
    auto it = impl_->tops.find(window);
    return it != impl_->tops.end() && it->second.TopMost;
}

std::vector<Hwnd> HeadlessDesktop::ZOrder() const {
    return impl_->VisibleZOrder();
}

Rect HeadlessDesktop::ScreenRectPx(const Widget& widget) const {
    Node* node = impl_->NodeOf(widget);
    return node != nullptr ? impl_->RectPx(*node) : Rect{};
}

std::int32_t HeadlessDesktop::VisibleRows(const ListBox& list) const {
    auto* node = dynamic_cast<const HeadlessListBox*>(&list);
    return node != nullptr ? node->VisibleRows() : 0;
}

std::int32_t HeadlessDesktop::Repaints(const Widget& widget) const {
    Node* node = impl_->NodeOf(widget);
    return node != nullptr ? node->repaints : 0;
}

// --- clock and events --------------------------------------------------------------

// Timers fire one tick at a time in time order (creation order breaks ties),
// with the clock standing at the tick. Work posted so far runs first, and
// again after every tick. If a handler throws, the clock stays at that tick:
// the next Advance goes on from there.
void HeadlessDesktop::Advance(std::int64_t ms) {
    if (ms < 0)
        Raise(ErrorCode::InvalidProcedureCall, "the clock only moves forward");
    Impl& d = *impl_;
    if (ms > std::numeric_limits<std::int64_t>::max() - d.now)
        Raise(ErrorCode::Overflow, "the clock cannot move past its last millisecond");
    const std::int64_t end = d.now + ms;
    d.RunPosted();
    for (;;) {
        HeadlessTimer* due = nullptr;
        for (auto& [id, node] : d.nodes) {
            if (node->kind != Kind::Timer)
                continue;
            auto* timer = static_cast<HeadlessTimer*>(node);
            if (timer->nextDue < 0 || timer->nextDue > end)
                continue;
            if (due == nullptr || timer->nextDue < due->nextDue)
                due = timer;
        }
        if (due == nullptr)
            break;
        d.now = due->nextDue;
        // A tick past the clock's last millisecond never comes.
        due->nextDue =
            due->nextDue > std::numeric_limits<std::int64_t>::max() - due->interval ? -1 : due->nextDue + due->interval;
        Fire(*due, due->OnTimer);
        d.RunPosted();
    }
    d.now = end;
}

std::optional<std::int64_t> HeadlessDesktop::NextTimerDue() const {
    std::optional<std::int64_t> next;
    for (const auto& [id, node] : impl_->nodes) {
        if (node->kind != Kind::Timer)
            continue;
        const auto* timer = static_cast<const HeadlessTimer*>(node);
        if (timer->nextDue >= 0 && (!next || timer->nextDue < *next))
            next = timer->nextDue;
    }
    return next;
}

void HeadlessDesktop::Post(std::function<void()> work) {
    impl_->posted.push_back(std::move(work));
}
std::size_t HeadlessDesktop::PendingEvents() const {
    return impl_->posted.size();
}
void HeadlessDesktop::OnModal(std::function<void(Form& modal)> script) {
    impl_->modalScripts.push_back(std::move(script));
}

}  // namespace korvane::tk::headless
