// The three styles: which widgets show the current row and the rows, the
// drop-down window that the two drop-down styles own, and the Style
// property, which only the form designer may change.
#include "control/ucvKorvane_p.h"

namespace korvane {

namespace {
bool IsKnownStyle(StyleType value) {
    auto v = static_cast<std::int32_t>(value);
    return v >= 0 && v <= 2;
}
}  // namespace

void ucvKorvane::Private::ApplyStyleWidgets(StyleType value) {
    const auto border = static_cast<float>(2 * twipsPerPixelX);
    const auto w1 = static_cast<float>(widthCol1);
    const auto w2 = static_cast<float>(widthCol2);
    const auto field = static_cast<float>(fieldHeight);
    switch (value) {
        case StyleType::DropdownCombo:
            lblCol1->Visible(false);
            lblCol2->Visible(false);
            lstCol1a->Visible(false);
            lstCol2a->Visible(false);
            txtCol1->Height(field);
            txtCol2->Height(field);
            imgCombo->Height(field);
            imgCombo->Width(static_cast<float>(buttonWidth));
            if (widthCol1 < 1) {
                txtCol1->Visible(false);
            } else {
                txtCol1->Visible(true);
                txtCol1->Width(w1);
            }
            if (widthCol2 < 1) {
                txtCol2->Visible(false);
            } else {
                txtCol2->Visible(true);
                txtCol2->Width(w2 - border);
            }
            imgCombo->Visible(true);
            q.ListHeight(1800);
            break;
        case StyleType::SimpleCombo:
            imgCombo->Visible(false);
            lblCol1->Visible(false);
            lblCol2->Visible(false);
            if (widthCol1 < 1) {
                txtCol1->Visible(false);
                lstCol1a->Visible(false);
            } else {
                txtCol1->Visible(true);
                lstCol1a->Visible(true);
                txtCol1->Width(w1);
                lstCol1a->Width(w1);
            }
            lstCol2a->Left(w1);
            if (widthCol2 < 1) {
                txtCol2->Visible(false);
                lstCol2a->Visible(false);
                // Column 1 is now the rightmost column and loses the border.
                txtCol1->Width(w1 - border);
                lstCol1a->Width(w1 - border);
            } else {
                txtCol2->Visible(true);
                lstCol2a->Visible(true);
                txtCol2->Width(w2 - border);
                lstCol2a->Width(w2 - border);
            }
            txtCol1->Height(field);
            txtCol2->Height(field);
            lstCol1a->Top(field);
            lstCol2a->Top(field);
            break;
        case StyleType::DropdownList:
            txtCol1->Visible(false);
            txtCol2->Visible(false);
            lstCol1a->Visible(false);
            lstCol2a->Visible(false);
            lblCol1->Height(field);
            lblCol2->Height(field);
            imgCombo->Height(field);
            imgCombo->Width(static_cast<float>(buttonWidth));
            if (widthCol1 < 1) {
                lblCol1->Visible(false);
            } else {
                lblCol1->Visible(true);
                lblCol1->Width(w1);
            }
            if (widthCol2 < 1) {
                lblCol2->Visible(false);
            } else {
                lblCol2->Visible(true);
                lblCol2->Width(w2);
            }
            imgCombo->Visible(true);
            q.ListHeight(1800);
            if (autoFill) {
                autoFill = false;
                container->PropertyChanged("AutoFill");
            }
            break;
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
    d->ApplyStyleWidgets(NewValue);
    d->Resize();
    d->container->PropertyChanged("Style");
}

}  // namespace korvane
