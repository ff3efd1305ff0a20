// The faces of a form of the desktop's own on the Qt Quick desktop (a
// host's form, the About box, the message box) and of the widgets on it,
// as a person sees them: the form's window is a window, a dialog or (the
// message box) an alert named by its caption, holding its shown widgets;
// labels are static text, command buttons push buttons (flat ones links)
// that a reader presses, images graphics described by their pictures,
// lists lists. What each is and is called is decided once for both Qt
// faces (model/reader.h).
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>

#include "../qt/combo_reading.h"
#include "../qt/reader_role.h"
#include "accessibility_p.h"

namespace korvane::tk::quick::a11y {

namespace {

// A click of a button once the reader's call is over, as a person's
// release on it: its handlers may close the form, end a modal loop or
// destroy the button.
void ClickLater(QQuickItem* item, QuickDesktop::Impl* desk, std::uint64_t id) {
    QMetaObject::invokeMethod(
        item,
        [desk, id] {
            Guarded([&] {
                Node* node = desk->Get(id);
                if (node != nullptr && node->kind == Kind::CommandButton && node->enabled)
                    static_cast<QuickCommandButton*>(node)->Click();
            });
        },
        Qt::QueuedConnection);
}

// A widget on a form of the desktop's own.
class Piece final : public ItemFace, public QAccessibleActionInterface {
public:
    using ItemFace::ItemFace;

    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    QAccessible::Role role() const override {
        Node* node = NodeOf();
        return node != nullptr ? qt::ToQRole(ReaderKindOf(*node)) : QAccessible::NoRole;
    }
    QString text(QAccessible::Text t) const override {
        Node* node = NodeOf();
        if (node == nullptr)
            return {};
        switch (t) {
            case QAccessible::Name:
                return ReaderText(model::ReaderName(*node));
            case QAccessible::Description:
                return ReaderText(model::ReaderDescription(*node));
            case QAccessible::Value:
                return Value(*node);
            default:
                return {};
        }
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        Node* node = NodeOf();
        s.invisible = node == nullptr || !OnScreen(*node) || !model::ReaderMeets(*node, ReaderKindOf(*node));
        if (node == nullptr)
            return s;
        s.disabled = !node->enabled || (Item() != nullptr && !Item()->isEnabled());
        s.focusable = node->kind == Kind::CommandButton || node->kind == Kind::ListBox;
        s.focused = s.focusable && node->desk != nullptr && node->desk->focus == node->id;
        if (node->kind == Kind::CommandButton)
            s.defaultButton = static_cast<QuickCommandButton*>(node)->isDefault;
        s.readOnly = node->kind == Kind::Label;
        return s;
    }

    // QAccessibleActionInterface: a reader presses buttons and links.
    QStringList actionNames() const override {
        Node* node = NodeOf();
        if (node == nullptr || !model::ReaderPresses(ReaderKindOf(*node)))
            return {};
        return {pressAction()};
    }
    void doAction(const QString& name) override {
        Node* node = NodeOf();
        if (node == nullptr || name != pressAction() || !model::ReaderPresses(ReaderKindOf(*node)) || !node->enabled ||
            Item() == nullptr || !Item()->isEnabled())
            return;
        ClickLater(Item(), node->desk, node->id);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    // A label's text, or a list's current row, as Qt Widgets gives them.
    static QString Value(const Node& node) {
        if (node.kind == Kind::Label)
            return ReaderText(model::ReaderName(node));
        if (node.kind == Kind::ListBox) {
            const auto& list = static_cast<const QuickListBox&>(node);
            if (list.ListIndex() >= 0)
                return ReaderText(list.EntryText(list.ListIndex()));
        }
        return {};
    }
};

// The window of a form of the desktop's own, holding what a reader meets
// on the form.
class OwnForm final : public QAccessibleObject {
public:
    explicit OwnForm(QQuickWindow* window) : QAccessibleObject(window) {}

    QWindow* window() const override { return Window(); }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(qApp); }
    QAccessible::Role role() const override {
        Node* form = Form();
        return form != nullptr ? qt::ToQRole(ReaderKindOf(*form)) : QAccessible::Window;
    }
    QRect rect() const override { return Window() != nullptr ? Window()->geometry() : QRect(); }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.invisible = Window() == nullptr || !Window()->isVisible();
        s.active = Window() != nullptr && Window()->isActive();
        s.modal = Window() != nullptr && Window()->modality() != Qt::NonModal;
        return s;
    }
    QString text(QAccessible::Text t) const override {
        Node* form = Form();
        if (form == nullptr)
            return {};
        if (t == QAccessible::Name)
            return ReaderText(model::ReaderName(*form));
        if (t == QAccessible::Description)
            return ReaderText(model::ReaderDescription(*form));
        return {};
    }
    int childCount() const override { return static_cast<int>(Parts().size()); }
    QAccessibleInterface* child(int index) const override { return qt::reading::ChildFace(Parts(), index, FaceOf); }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return qt::reading::IndexOfChildFace(Parts(), child, FaceOf);
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        return qt::reading::ChildFaceAt(Parts(), x, y, FaceOf);
    }

private:
    QQuickWindow* Window() const { return static_cast<QQuickWindow*>(object()); }
    Node* Form() const { return Window() != nullptr ? OwnFormOfWindow(*Window()) : nullptr; }
    std::vector<Node*> Parts() const {
        Node* form = Form();
        return form != nullptr && Window()->isVisible() ? ReaderChildren(*form) : std::vector<Node*>{};
    }
};

}  // namespace

QAccessibleInterface* NewPieceFace(QQuickItem* item) {
    return new Piece(item);
}

QAccessibleInterface* NewOwnFormFace(QQuickWindow* window) {
    return new OwnForm(window);
}

}  // namespace korvane::tk::quick::a11y
