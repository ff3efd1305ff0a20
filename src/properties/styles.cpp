// The three styles: which widgets show the current row and the rows, the
// drop-down window that the two drop-down styles own, and the Style
// property, which only the form designer may change.
#include <initializer_list>

#include "control/ucvKorvane_p.h"

namespace korvane {

namespace {
bool IsKnownStyle(StyleType value) {
    auto v = static_cast<std::int32_t>(value);
    return v >= 0 && v <= 2;
}
}  // namespace

// The widgets of a new style: the columns placed by the layout's one rule,
// every part of the row one field high with Simple Combo's lists below them,
// and the drop-down styles' list back at its first height.
void ucvKorvane::Private::ApplyStyleWidgets() {
    PlaceColumns();
    const auto field = static_cast<float>(fieldHeight);
    for (tk::Widget* part :
         std::initializer_list<tk::Widget*>{txtCol1.get(), txtCol2.get(), lblCol1.get(), lblCol2.get(), imgCombo.get()})
        part->Height(field);
    imgCombo->Width(static_cast<float>(buttonWidth));
    lstCol1a->Top(field);
    lstCol2a->Top(field);
    if (HasDropDownStyle())
        q.ListHeight(1800);
    // Dropdown List has no fields to fill a row from.
    if (style == StyleType::DropdownList && autoFill) {
        autoFill = false;
        container->PropertyChanged("AutoFill");
    }
}

StyleType ucvKorvane::Style() const {
    return d->style;
}

void ucvKorvane::Style(StyleType NewValue) {
    if (!IsKnownStyle(NewValue)) {
        d->RefuseWrite(ErrorCode::IllegalValueStyle);
        return;
    }
    if (d->UserMode())
        Raise(ErrorCode::ReadOnlyProperty);
    const tk::ListBox* heldRows = d->Pair().col1;
    d->style = NewValue;
    if (NewValue == StyleType::SimpleCombo) {
        d->ReleaseWindow();
    } else {
        d->EnsureWindow();
    }
    // The rows now live in another pair, whose rows the current row and the
    // top row no longer number.
    d->RebuildRowIndex();
    const ListPair pair = d->Pair();
    if (pair.col1 != heldRows) {
        d->currentRow = -1;
        d->topRow = pair ? pair.col2->TopIndex() : 0;
    }
    d->ApplyStyleWidgets();
    d->Resize();
    d->container->PropertyChanged("Style");
}

}  // namespace korvane
