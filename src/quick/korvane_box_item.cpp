// KorvaneBox for Qt Quick (see korvane_box_item.h): the control built on
// the shared Quick desktop and moved into the item, its size and focus,
// the control's events, and the change signals, emitted from a comparison
// of the control before and after every call and every event of the user.
// The properties are in korvane_box_properties.cpp, the rows' methods in
// korvane_box_rows.cpp, the window's font and palette in
// korvane_box_window.cpp.
#include <QtQml/qqmlinfo.h>

#include <QCoreApplication>
#include <QQuickWindow>
#include <cmath>

#include "korvane/errors.h"
#include "korvane/toolkit/property_bag.h"
#include "korvane/toolkit/quick.h"
#include "korvane/ucvKorvane.h"
#include "korvane_box_item_p.h"
#include "toolkit/qt/conversions.h"

namespace korvane::quick {

using detail::ToQ;

namespace {

// Keeps a share of the desktop for as long as it lives.
class DesktopShare : public QObject {
public:
    DesktopShare(std::shared_ptr<tk::quick::QuickDesktop> desktop, QObject* parent)
        : QObject(parent), desktop_(std::move(desktop)) {}

private:
    std::shared_ptr<tk::quick::QuickDesktop> desktop_;
};

}  // namespace

KorvaneBox::KorvaneBox(QQuickItem* parent) : QQuickItem(parent) {
    setFlag(ItemHasContents, false);
    // A focus scope: the focus given to the box goes to the part of the
    // control that had it last (at first its first Tab stop).
    setFlag(ItemIsFocusScope, true);
    setActiveFocusOnTab(true);
    desktop_ = tk::quick::QuickDesktop::Shared();
    hostWindow_ = desktop_->AdoptForeignItem(*this, "ThunderForm");
    Build();
}

// The control goes first; the desktop, which may be on the stack below the
// event that destroyed the item, is let go at the next turn of the event
// loop.
//
// The share is held by an object of the application, deleted later: at the
// next turn of the loop, or with the application. (A queued call holding
// it would be destroyed, with the desktop, while Qt clears the posted
// events of an application that ends, where the desktop cannot post the
// deletion of its items.)
KorvaneBox::~KorvaneBox() {
    control_.reset();
    auto* holder = new DesktopShare(std::move(desktop_), QCoreApplication::instance());
    holder->deleteLater();
}

void KorvaneBox::Build() {
    control_.reset();
    Site site;
    site.Name = "KorvaneBox1";
    control_ = std::make_unique<ucvKorvane>(desktop_->HiddenHostForm(), site);
    control_->Advise(this);
    if (style_ == DropdownCombo) {
        control_->InitProperties();
    } else {
        // The style is fixed at run time: a control of another style is
        // made from saved properties, as a form loads it.
        tk::MemoryPropertyBag bag;
        bag.WriteProperty("Style", static_cast<std::int32_t>(style_), std::int32_t{0});
        control_->ReadProperties(bag);
    }
    // A Simple Combo's rows take the height its window leaves under the
    // fields: a new one gets room below them for the list height a new
    // control saves (1800 twips), as a form gives it.
    if (style_ == SimpleCombo) {
        constexpr float kNewListHeight = 1800;
        tk::UserControl& c = control_->Container();
        c.Height(c.Height() + kNewListHeight);
    }
    desktop_->Reparent(control_->Container(), hostWindow_);
    control_->Container().Visible(true);
    control_->Enabled(isEnabled());
    control_->OnHighlighted([this](std::int32_t row) { emit highlighted(row); });
    FocusFirstStop();
    FollowControl();
    Sync();
}

void KorvaneBox::componentComplete() {
    QQuickItem::componentComplete();
    FollowWindow();
    FollowControl();
}
void KorvaneBox::Sync() {
    if (control_ == nullptr)
        return;
    Snapshot now;
    try {
        now.index = control_->ListIndex();
        now.count = control_->ListCount();
        now.text1 = control_->TextCol(1);
        now.text2 = control_->TextCol(2);
        now.locked = control_->Locked();
        now.autoFill = control_->AutoFill();
        now.width1 = control_->WidthCol1();
        now.width2 = control_->WidthCol2();
        now.topIndex = control_->TopIndex();
    } catch (const RuntimeError&) {
        return;  // a sort under way: read again after it
    }
    const Snapshot was = last_;
    last_ = now;
    QPointer<KorvaneBox> self(this);
    auto emitIf = [&](bool changed, void (KorvaneBox::*signal)()) {
        if (changed && self != nullptr)
            (this->*signal)();
    };
    emitIf(now.count != was.count, &KorvaneBox::countChanged);
    emitIf(now.index != was.index, &KorvaneBox::currentIndexChanged);
    emitIf(now.text1 != was.text1 || now.text2 != was.text2, &KorvaneBox::currentTextChanged);
    if (self != nullptr && now.text1 != was.text1)
        emit editTextChanged(1, ToQ(now.text1));
    if (self != nullptr && now.text2 != was.text2)
        emit editTextChanged(2, ToQ(now.text2));
    emitIf(now.topIndex != was.topIndex, &KorvaneBox::topIndexChanged);
    emitIf(now.locked != was.locked, &KorvaneBox::lockedChanged);
    emitIf(now.autoFill != was.autoFill, &KorvaneBox::autoFillChanged);
    emitIf(now.width1 != was.width1 || now.width2 != was.width2, &KorvaneBox::columnWidthsChanged);
    if (self != nullptr && (now.width1 != was.width1 || now.width2 != was.width2))
        FollowControl();
}

// The item's implicit size is the control's: the columns, the button and
// the closed height (with the list, in a Simple Combo).
void KorvaneBox::FollowControl() {
    if (control_ == nullptr || sizing_)
        return;
    sizing_ = true;
    const tk::UserControl& c = control_->Container();
    const qreal tpp = desktop_->TwipsPerPixelX();
    setImplicitSize(std::round(c.Width() / tpp), std::round(c.Height() / tpp));
    sizing_ = false;
}

// A size a layout gives goes to the control's window, which rescales the
// columns.
void KorvaneBox::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (control_ == nullptr || sizing_ || newGeometry.size() == oldGeometry.size())
        return;
    if (newGeometry.width() <= 0 || newGeometry.height() <= 0)
        return;
    sizing_ = true;
    const float tpp = desktop_->TwipsPerPixelX();
    Call("resize", [&] {
        tk::UserControl& c = control_->Container();
        c.Width(static_cast<float>(newGeometry.width()) * tpp);
        c.Height(static_cast<float>(newGeometry.height()) * tpp);
    });
    sizing_ = false;
}

void KorvaneBox::itemChange(ItemChange change, const ItemChangeData& value) {
    QQuickItem::itemChange(change, value);
    if (change == ItemEnabledHasChanged && control_ != nullptr)
        Call("enabled", [&] { control_->Enabled(value.boolValue); });
    if (change == ItemSceneChange) {
        WatchWindow(value.window);
        FollowWindow();
    }
}

// The part that takes the focus when the box gets it: the first part of
// the control that a person can Tab to.
void KorvaneBox::FocusFirstStop() {
    QQuickItem* container = desktop_->ItemOf(control_->Container());
    if (container == nullptr)
        return;
    for (QQuickItem* part : container->childItems()) {
        if (part->activeFocusOnTab() && part->isVisible() && part->isEnabled()) {
            part->setFocus(true);
            return;
        }
    }
    container->setFocus(true);
}

// The focus given to the box (Tab, a click in QML, forceActiveFocus) goes
// on to the control's first stop.
void KorvaneBox::focusInEvent(QFocusEvent* event) {
    QQuickItem::focusInEvent(event);
    if (control_ != nullptr && control_->Container().Visible())
        Call("focus", [&] { control_->Container().SetFocus(); });
}

// --- the control's events -------------------------------------------------------

// A Click no call of the program caused is the user's choice.
void KorvaneBox::Click() {
    QPointer<KorvaneBox> self(this);
    Sync();
    if (self == nullptr || control_ == nullptr)
        return;
    emit clicked();
    if (self == nullptr || calls_ > 0 || control_ == nullptr)
        return;
    emit activated(control_->ListIndex());
}

void KorvaneBox::Filled() {
    QPointer<KorvaneBox> self(this);
    Sync();
    if (self != nullptr && control_ != nullptr)
        emit filled(control_->NewIndex());
}

// A typed character is in the field once the key is over: the text is read
// again then.
void KorvaneBox::KeyUp(std::int16_t&, std::int16_t&) {
    QueueSync();
}

void KorvaneBox::SearchChanged(std::int32_t& matches) {
    emit searchChanged(matches);
}

}  // namespace korvane::quick
