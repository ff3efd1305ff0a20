// Forms on Qt Quick: a form shown on its own is a QQuickWindow whose
// content is the form's item; the drop-down of a control whose window was
// moved into an item of the host's scene opens in that item's window, as
// an item above everything else there (the window's overlay), so it needs
// no window of its own and moves with the scene. Also here: what the
// activation and the focus do on the screen, the modal loop, and the
// message box, a dialog form of the desktop's own.
#include <QCoreApplication>
#include <QEventLoop>
#include <QPainter>
#include <QQuickWindow>
#include <algorithm>

#include "../qt/conversions.h"
#include "widget_kinds.h"

namespace korvane::tk::quick {

namespace {
// Above the items of any scene a host makes.
constexpr qreal kOverlayZ = 1e6;
}  // namespace

QuickForm::QuickForm(QuickDesktop::Impl& d, std::string n) : FormBase(d, std::move(n)) {
    MakeItem();
}

void QuickForm::ApplyGeometry() {
    Node::ApplyGeometry();
    if (desk != nullptr && (window != nullptr || inOverlay))
        desk->PlaceForm(*this);
}

void QuickForm::CaptionChanged() {
    if (window != nullptr)
        window->setTitle(qt::ToQ(caption));
}

// Where a form lies on the screen, in pixels.
QRect QuickDesktop::Impl::ScreenRectPx(const Node& form) const {
    const float t = Tpp();
    return {static_cast<int>(Px(form.left, t)), static_cast<int>(Px(form.top, t)), static_cast<int>(Px(form.width, t)),
            static_cast<int>(Px(form.GetHeight(), t))};
}

// The item of a host's scene that a drop-down's combo box was moved into,
// if it is in a window; else null.
QQuickItem* QuickDesktop::Impl::SceneItemOf(const Node& form) const {
    if (form.role != Role::DropDown)
        return nullptr;
    Node* whole = Get(form.roleWhole);
    if (whole == nullptr)
        return nullptr;
    auto it = foreign.find(TopOf(*whole));
    if (it == foreign.end() || it->second.Item == nullptr || it->second.Item->window() == nullptr)
        return nullptr;
    return it->second.Item;
}

// A drop-down opens over the scene of its combo box, where the scene's
// window has room for it; one that would leave the window (a box near the
// window's bottom edge, or a window no taller than its box) gets a window
// of its own, as every other form does.
QQuickItem* QuickDesktop::Impl::OverlayHolder(const Node& form) const {
    QQuickItem* scene = SceneItemOf(form);
    if (scene == nullptr || !scene->window()->geometry().contains(ScreenRectPx(form)))
        return nullptr;
    return scene;
}

void QuickDesktop::Impl::PlaceForm(Node& form) {
    const QRect screenPx = ScreenRectPx(form);
    if (form.inOverlay && form.item != nullptr && form.item->parentItem() != nullptr) {
        form.item->setPosition(form.item->parentItem()->mapFromGlobal(QPointF(screenPx.topLeft())));
        form.item->setSize(QSizeF(screenPx.size()));
    } else if (form.window != nullptr) {
        form.window->setGeometry(screenPx);
    }
}

void QuickDesktop::Impl::PresentForm(Node& form, int /*modal*/) {
    if (form.item == nullptr)
        return;
    if (QQuickItem* holder = OverlayHolder(form)) {
        form.inOverlay = true;
        form.item->setParentItem(holder->window()->contentItem());
        form.item->setZ(kOverlayZ);
        PlaceForm(form);
        form.item->setVisible(true);
        AccessibleFormShown(form);
        return;
    }
    form.inOverlay = false;
    if (form.window == nullptr) {
        form.window = std::make_unique<QQuickWindow>();
        // The form's item first: a reader asking for the window's face
        // finds the form in it.
        form.item->setParentItem(form.window->contentItem());
        form.window->setTitle(qt::ToQ(static_cast<QuickForm&>(form).caption));
        if (form.role == Role::DropDown)
            form.window->setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                  Qt::WindowDoesNotAcceptFocus);
        if (form.topMost)
            form.window->setFlag(Qt::WindowStaysOnTopHint, true);
        form.window->installEventFilter(this);
    }
    // The scene's window keeps the keyboard (the drop-down's window takes
    // no focus): its keys go on to the open list as a form's keys do.
    if (QQuickItem* scene = SceneItemOf(form))
        scene->window()->installEventFilter(this);
    PlaceForm(form);
    form.item->setVisible(true);
    form.window->show();
    AccessibleFormShown(form);
}

void QuickDesktop::Impl::ConcealForm(Node& form) {
    if (form.item != nullptr)
        form.item->setVisible(false);
    if (form.window != nullptr)
        form.window->hide();
    AccessibleFormShown(form);
}

// The window last active before, among those still shown.
Hwnd QuickDesktop::Impl::NextActive(std::uint64_t /*formId*/, Hwnd hidden) const {
    for (auto it = activations.rbegin(); it != activations.rend(); ++it) {
        if (*it == hidden)
            continue;
        if (IsForeign(*it) ? ForeignVisible(*it) : (FormOf(*it) != nullptr && FormOf(*it)->visible))
            return *it;
    }
    return 0;
}

void QuickDesktop::Impl::FormHidden(Hwnd window) {
    if (Node* form = FormOf(window)) {
        if (auto loop = modalLoops.find(form->id); loop != modalLoops.end() && loop->second != nullptr)
            loop->second->quit();
    }
}

// A nested event loop until the form is hidden or destroyed; the clock
// keeps ticking inside it. On the manual clock the loop is played
// (RunScriptedModal).
void QuickDesktop::Impl::RunModal(std::uint64_t formId) {
    Node* form = Get(formId);
    if (form == nullptr || !form->visible || modalLoops.count(formId) != 0)
        return;
    if (clock->Manual())
        return RunScriptedModal(formId);
    if (form->window != nullptr)
        form->window->setModality(Qt::ApplicationModal);
    QEventLoop loop;
    modalLoops[formId] = &loop;
    loop.exec();
    modalLoops.erase(formId);
    if (Node* still = Get(formId); still != nullptr && still->window != nullptr)
        still->window->setModality(Qt::NonModal);
}

// Each turn runs Qt's pending events, then the model's scripted turn (the
// next script given to OnModal, the posted work, or the stalled loop's
// failure).
void QuickDesktop::Impl::RunScriptedModal(std::uint64_t formId) {
    int roundsWithoutScript = 0;
    modalLoops[formId] = nullptr;
    struct Leave {
        std::map<std::uint64_t, QEventLoop*>& loops;
        std::uint64_t form;
        ~Leave() { loops.erase(form); }
    } leave{modalLoops, formId};
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    } while (ScriptedModalTurn(formId, roundsWithoutScript));
}

// The newly active window comes to the front; a window the system made
// active already is left as it is.
void QuickDesktop::Impl::ShowActivation(Hwnd window, bool fromSystem) {
    if (window == 0)
        return;
    activations.erase(std::remove(activations.begin(), activations.end(), window), activations.end());
    activations.push_back(window);
    Node* form = FormOf(window);
    if (fromSystem || form == nullptr || form->window == nullptr || form->role == Role::DropDown)
        return;
    form->window->raise();
    form->window->requestActivate();
}

// Qt Quick's active focus item follows the desktop's focus.
void QuickDesktop::Impl::FocusMoved(Node* now, Node* /*old*/) {
    if (now == nullptr || now->item == nullptr)
        return;
    const std::uint64_t id = now->id;
    ++echo;
    now->item->forceActiveFocus(Qt::OtherFocusReason);
    --echo;
    AccessibleFocusMoved(*this, id);
}

// --- the message box -----------------------------------------------------------------

// Qt Quick has no message box of its own: the desktop makes one of its own
// widgets, a dialog form with the prompt and an OK button that is its
// default and cancel button, shown modal (Enter, Escape or a click on OK
// closes it).
int QuickDesktop::MsgBox(std::string_view prompt, int style, std::string_view title) {
    impl_->RecordMessageBox(prompt, style, title, impl_->app.Title);
    if (impl_->recordMessageBoxes)
        return impl_->msgBoxAnswer;
    const float t = impl_->Tpp();
    auto form = CreateForm("KorvaneMessageBox");
    impl_->OwnNode(*form).messageBox = true;
    form->Dialog(true);
    form->Caption(title.empty() ? impl_->app.Title : std::string(title));
    auto label = CreateLabel(*form, "lblPrompt");
    label->Caption(std::string(prompt));
    const float margin = 12 * t;
    const float textWidth = std::clamp(form->TextWidth(prompt), 120 * t, ScreenWidth() * 0.8f);
    label->Left(margin);
    label->Top(margin);
    label->Width(textWidth);
    label->Height(form->TextHeight(prompt));
    auto ok = CreateCommandButton(*form, "btnOK");
    ok->Caption("OK");
    ok->Default(true);
    ok->Cancel(true);
    ok->Width(75 * t);
    ok->Height(23 * t);
    ok->Top(label->Top() + label->Height() + margin);
    form->Width(textWidth + 2 * margin);
    ok->Left((form->Width() - ok->Width()) / 2);
    form->Height(ok->Top() + ok->Height() + margin);
    form->Left((ScreenWidth() - form->Width()) / 2);
    form->Top((ScreenHeight() - form->Height()) / 2);
    Form* shown = form.get();
    ok->OnClick = [shown] { shown->Hide(); };
    form->Show(Form::Modal);
    return 1;
}

// --- the user control ---------------------------------------------------------------

QuickUserControl::QuickUserControl(QuickDesktop::Impl& d, Node& p, std::string n, tk::Ambient a)
    : UserControlBase(d, p, std::move(n), a) {
    MakeItem();
}

// The host saves its forms itself: the notification is only recorded.
void QuickUserControl::PropertyChanged(std::string_view property) {
    if (desk != nullptr)
        model::Record(desk->records.PropertyChanges, {name, std::string(property)});
}

// Paint is raised when the control comes on view and on Refresh, never
// from a frame Qt Quick draws, so drawing the highlight cannot loop.
void QuickUserControl::Repaint() {
    Update();
    Fire(*this, OnPaint);
}

// The background, and the focus rectangles drawn on the control's device
// context and not yet erased.
void QuickUserControl::Paint(QPainter& painter) {
    Node::Paint(painter);
    if (desk == nullptr)
        return;
    auto it = desk->focusRects.find(dc);
    if (it == desk->focusRects.end())
        return;
    QPen pen(qt::ToQColor(fore));
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    for (const Rect& r : it->second)
        painter.drawRect(QRectF(r.Left, r.Top, r.Right - r.Left - 1, r.Bottom - r.Top - 1));
}

}  // namespace korvane::tk::quick
