// The About box: the component's title and version, an optional comment,
// the maker's rights line and location, and two links (e-mail and web) that
// open through the desktop's handler without holding up the box. It is a
// dialog with a default OK button, laid out from the measured text. One box
// serves every control of a desktop; terminating any of them closes it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "korvane/toolkit/desktop.h"

namespace korvane::detail {

// The maker's data. The name and the web address are assembled from
// character codes when asked for; no stored string holds them.
std::string GetAuthorName();
std::string GetWebAddress();
std::string AuthorEmail();

// The text of the box: carriage returns only (no line feeds), with runs of
// spaces where the two links stand.
std::string ComposeAboutText(const tk::Desktop& desktop, const std::string& comment);

// The composed text cut where the links stand: the text above them, and the
// words between the e-mail link and the web link.
struct AboutParts {
    std::string Above;
    std::string BetweenLinks;
};
AboutParts SplitAboutText(const std::string& composed);

// The component's pictures by resource id; an unknown id raises
// ToolkitResourceNotFound.
tk::PictureRef LoadResPicture(std::int32_t id);

class AboutForm;

// The desktop's About box, created on demand.
class AboutBoxes {
public:
    // Loads the box, then shows it with `comment` and `picture` (or the
    // bitmap resource `resourceId` when no picture is given).
    static void AboutBox(tk::Desktop& desktop, const std::string& comment, std::int32_t resourceId,
                         const tk::PictureRef& picture);
    // Closes the desktop's box if it is loaded.
    static void Unload(tk::Desktop& desktop);
    // The loaded box, or nullptr.
    static AboutForm* Find(const tk::Desktop& desktop);
};

class AboutForm {
public:
    explicit AboutForm(tk::Desktop& desktop);
    ~AboutForm();
    AboutForm(const AboutForm&) = delete;
    AboutForm& operator=(const AboutForm&) = delete;

    void About(const std::string& comment, const tk::PictureRef& icon);
    std::int32_t Interval();
    void Interval(std::int32_t value);
    bool Modeless() const { return modeless_; }
    void Modeless(bool value) { modeless_ = value; }
    bool Loaded() const { return loaded_; }
    tk::Form& Form() const { return *form_; }
    // While About runs (a modal show is a loop inside it) the object must
    // stay; a termination then only asks for it to go afterwards.
    int inUse = 0;
    bool dropAfterUse = false;

private:
    void Load();
    // Sizes and places every part from the measured text, then centres the
    // box on the screen.
    void Layout();
    void CloseSoon();
    void OpenLink(const std::string& target);
    void PointerOver(tk::Widget& link, tk::Widget& other);
    void PointerOff();

    tk::Desktop& desktop_;
    std::unique_ptr<tk::Form> form_;
    std::unique_ptr<tk::Label> Frame1;
    std::unique_ptr<tk::Label> lblAbout;
    std::unique_ptr<tk::Image> imgIcon;
    // Created first, so the box opens with the focus on OK and Tab goes on
    // to the links.
    std::unique_ptr<tk::CommandButton> btnOK;
    std::unique_ptr<tk::CommandButton> lblmailto;
    std::unique_ptr<tk::Label> lblwebtext;
    std::unique_ptr<tk::CommandButton> lblweb;
    tk::FontRef textFont_;  // the measure of every part
    std::unique_ptr<tk::Timer> TimerHide;
    std::int32_t interval_ = 0;
    bool modeless_ = false;
    bool loaded_ = false;
};

}  // namespace korvane::detail
