// ucvKorvane, the KorvaneBox: a combo box whose rows hold a column-1 text, a
// column-2 text and an item number, in three styles. A host places it on a
// form of a toolkit desktop, fills it at run time, saves its properties with
// the form at design time and reads back what the user chose.
//
// This header is the whole public interface. The control's state lives
// behind it; nothing of the widgets it is made of shows here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "korvane/errors.h"
#include "korvane/events.h"
#include "korvane/style.h"
#include "korvane/toolkit/desktop.h"
#include "korvane/toolkit/property_bag.h"

namespace korvane {

// How the host places the control.
struct Site {
    std::string Name = "KorvaneBox1";
    bool UserMode = true;  // false while the host form is being designed
    float Left = 0;
    float Top = 0;
};

class ucvKorvane {
public:
    // Creates the control on `hostForm` (its desktop creates the widgets)
    // and initialises it. The host then calls InitProperties for a new
    // control or ReadProperties for a saved one.
    explicit ucvKorvane(tk::Form& hostForm, Site site = {});
    // Terminates the control: closes its About box, stops its timer and
    // releases its drop-down window.
    ~ucvKorvane();
    ucvKorvane(const ucvKorvane&) = delete;
    ucvKorvane& operator=(const ucvKorvane&) = delete;

    // --- container life cycle (called by the hosting form, not application code)
    void InitProperties();
    void ReadProperties(const tk::PropertyBag& bag);
    void WriteProperties(tk::PropertyBag& bag);
    // Where the control's events go; nullptr for nowhere. Not owned.
    void Advise(ucvKorvaneEvents* sink);

    // --- public members, in the order of the control's type information --
    tk::OleColor Backcolor() const;
    void Backcolor(tk::OleColor New_BackColor);
    tk::OleColor Forecolor() const;
    void Forecolor(tk::OleColor New_ForeColor);
    bool Enabled() const;
    void Enabled(bool New_Enabled);
    tk::FontRef Font() const;
    void Font(tk::FontRef New_Font);
    void Refresh();
    std::int32_t hWnd() const;
    std::int32_t hDC() const;
    void AddItem(const std::string& Col1, const std::string& Col2, std::int32_t ID = 0);
    void RemoveItem(std::int32_t Index);
    void Clear();
    std::string List(std::int32_t Index);
    std::string TextCol(std::int16_t Col);
    std::string ListCol(std::int16_t Col, std::int32_t Index);
    void List(std::int32_t Index, const std::string& NewValue);
    std::int32_t ListCount();
    void ListCount(std::int32_t NewValue);
    std::int32_t NewIndex() const;
    std::int32_t ListIndex() const;
    void ListIndex(std::int32_t New_ListIndex);
    std::int32_t ItemData(std::int32_t Index);
    bool Locked() const;
    void Locked(bool NewValue);
    void ItemData(std::int32_t Index, std::int32_t New_ItemData);
    std::string Text();  // the default member
    void Text(const std::string& NewValue);
    std::int32_t WidthCol1() const;
    void WidthCol1(std::int32_t New_WidthCol1);
    std::int32_t WidthCol2() const;
    void WidthCol2(std::int32_t New_WidthCol2);
    std::int32_t ListHeight() const;
    void ListHeight(std::int32_t NewValue);
    StyleType Style() const;
    void Style(StyleType NewValue);
    std::int32_t TopIndex() const;
    void TopIndex(std::int32_t New_TopIndex);
    void Sort(std::int16_t Col, bool OnNumeric = false);
    void About();
    bool AutoFill() const;
    void AutoFill(bool New_AutoFill);
    const std::string& ToolTipText() const;
    void ToolTipText(const std::string& NewValue);

    // The control's own window on the host form (the user-control container).
    tk::UserControl& Container() const;

    struct Private;

private:
    std::unique_ptr<Private> d;
};

}  // namespace korvane
