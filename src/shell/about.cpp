// The About box and the control's About method: composing the text, the
// dialog with its links laid out from the measured text, showing it modal
// (or modeless and top-most) and closing it by OK (Enter, Escape), a link,
// its timer or the termination of a control.
#include "shell/about.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "control/guards.h"
#include "control/text.h"
#include "control/ucvKorvane_p.h"
#include "korvane/errors.h"
#include "shell/window_utils.h"

namespace korvane::detail {

namespace {

constexpr char kCR = '\r';
constexpr std::uint32_t kInformationSound = 64;

std::string FromCodes(std::initializer_list<int> codes) {
    std::string text;
    for (int c : codes)
        text.push_back(static_cast<char>(c));
    return text;
}

std::string Spaces(std::size_t n) {
    return std::string(n, ' ');
}

// One About box per desktop, like one per user-interface thread.
std::unordered_map<const tk::Desktop*, std::unique_ptr<AboutForm>>& Boxes() {
    thread_local std::unordered_map<const tk::Desktop*, std::unique_ptr<AboutForm>> boxes;
    return boxes;
}

}  // namespace

std::string GetAuthorName() {
    // "The Korvane developers"
    return FromCodes(
        {84, 104, 101, 32, 75, 111, 114, 118, 97, 110, 101, 32, 100, 101, 118, 101, 108, 111, 112, 101, 114, 115});
}

std::string GetWebAddress() {
    // "https://korvane.example/"
    return FromCodes({104, 116, 116, 112, 115, 58,  47, 47,  107, 111, 114, 118,
                      97,  110, 101, 46,  101, 120, 97, 109, 112, 108, 101, 47});
}

std::string AuthorEmail() {
    return "maintainers@korvane.example";
}

std::string ComposeAboutText(const tk::Desktop& desktop, const std::string& comment) {
    const bool blank = Trim(comment).empty() || comment.front() == kCR;
    std::int16_t count = 0;
    std::string commentPart(1, kCR);
    if (!blank) {
        count = CountLines(comment);
        commentPart = comment + (count < 2 ? std::string{kCR, kCR} : std::string(1, kCR));
    }
    const tk::AppInfo app = desktop.App();
    std::string text;
    if (blank)
        text += kCR;
    text += app.Title + "  \xE2\x80\x93  version " + std::to_string(app.Major) + "." + std::to_string(app.Minor);
    if (app.Revision >= 1)
        text += "." + std::to_string(app.Revision);
    text += kCR;
    text += commentPart;
    text += "Copyright \xC2\xA9 2026, " + GetAuthorName();
    text += kCR;
    text += "Made in Oslo, Norway";
    text += kCR;
    if (blank || count == 0)
        text += kCR;
    text += "for comments or bugs send e-mail to address:";
    text += kCR;
    text += Spaces(CodePoints(AuthorEmail())) + Spaces(12) + "or check for updates on the web:";
    text += kCR;
    text += Spaces(CodePoints(GetWebAddress()));
    return text;
}

tk::PictureRef LoadResPicture(std::int32_t id) {
    // The component's own pictures: bitmaps 101 and 30000, icons 201, 202,
    // 301 and 302.
    switch (id) {
        case 101:
        case 30000:
        case 201:
        case 202:
        case 301:
        case 302:
            return std::make_shared<const tk::Picture>(tk::Picture{"Resource" + std::to_string(id), 32, 32});
        default:
            Raise(ErrorCode::ToolkitResourceNotFound, std::to_string(id));
    }
}

AboutParts SplitAboutText(const std::string& composed) {
    // The last two lines hold the links: the e-mail run with the words that
    // follow it, then the web run.
    const std::size_t last = composed.rfind(kCR);
    const std::size_t mailLine =
        last == std::string::npos || last == 0 ? std::string::npos : composed.rfind(kCR, last - 1);
    if (mailLine == std::string::npos)
        return {composed, ""};
    return {composed.substr(0, mailLine), std::string(Trim(composed.substr(mailLine + 1, last - mailLine - 1)))};
}

// --- the form -----------------------------------------------------------------------------

AboutForm::AboutForm(tk::Desktop& desktop) : desktop_(desktop) {
    form_ = desktop_.CreateForm("fabout");
    form_->Dialog(true);
    form_->Width(5400);
    form_->Height(3300);
    Frame1 = desktop_.CreateLabel(*form_, "Frame1");
    lblAbout = desktop_.CreateLabel(*form_, "lblAbout");
    imgIcon = desktop_.CreateImage(*form_, "imgIcon");
    btnOK = desktop_.CreateCommandButton(*form_, "btnOK");
    lblmailto = desktop_.CreateCommandButton(*form_, "lblmailto");
    lblwebtext = desktop_.CreateLabel(*form_, "lblwebtext");
    lblweb = desktop_.CreateCommandButton(*form_, "lblweb");
    TimerHide = desktop_.CreateTimer(*form_, "TimerHide");
    TimerHide->Interval(0);
    TimerHide->Enabled(false);

    textFont_ = std::make_shared<tk::Font>();
    textFont_->Name = "Arial";
    for (tk::CommandButton* link : {lblmailto.get(), lblweb.get()}) {
        link->Font(std::make_shared<tk::Font>(*textFont_));
        link->ForeColor(tk::Rgb(0, 0, 255));
        link->Flat(true);
    }
    for (tk::Widget* part :
         std::initializer_list<tk::Widget*>{Frame1.get(), lblAbout.get(), lblwebtext.get(), btnOK.get()})
        part->Font(std::make_shared<tk::Font>(*textFont_));
    btnOK->Caption("OK");
    btnOK->Default(true);
    btnOK->Cancel(true);

    form_->OnLoad = [this] { Load(); };
    form_->OnQueryUnload = [this](std::int16_t&) { loaded_ = false; };
    btnOK->OnClick = [this] { CloseSoon(); };
    TimerHide->OnTimer = [this] {
        TimerHide->Enabled(false);
        CloseSoon();
    };
    lblmailto->OnMouseMove = [this](std::int16_t&, std::int16_t&, float&, float&) { PointerOver(*lblmailto, *lblweb); };
    lblweb->OnMouseMove = [this](std::int16_t&, std::int16_t&, float&, float&) { PointerOver(*lblweb, *lblmailto); };
    for (tk::Label* text : {Frame1.get(), lblAbout.get(), lblwebtext.get()})
        text->OnMouseMove = [this](std::int16_t&, std::int16_t&, float&, float&) { PointerOff(); };
    lblmailto->OnClick = [this] { OpenLink("mailto:" + AuthorEmail()); };
    lblweb->OnClick = [this] { OpenLink(GetWebAddress()); };
}

AboutForm::~AboutForm() = default;

void AboutForm::Load() {
    form_->Caption("About");
    loaded_ = true;
    lblmailto->Caption(AuthorEmail());
    lblweb->Caption(GetWebAddress());
    lblmailto->Visible(true);
    lblweb->Visible(true);
    Layout();
}

void AboutForm::Layout() {
    // Everything is measured in the text's own font, on the form: the parts
    // are as wide and as high as what they show, plus the room a desktop
    // draws around it, so nothing is clipped at any font size.
    form_->Font(textFont_);
    const auto px = static_cast<float>(desktop_.TwipsPerPixelX());
    const auto py = static_cast<float>(desktop_.TwipsPerPixelY());
    const float line = form_->TextHeight("X");
    // The caption is the composed text; the label shows the part above the
    // links, whose two lines of spaces (kept for the links) the links and
    // the text between them cover.
    const std::string above = SplitAboutText(lblAbout->Caption()).Above;
    constexpr float kMargin = 120;  // around the frame, and the frame around its content
    constexpr float kTextLeft = 900;
    constexpr float kTop = 240;

    lblAbout->Left(kTextLeft);
    lblAbout->Top(kTop);
    lblAbout->Width(form_->TextWidth(above) + 12 * px);
    // Exactly the lines above the links: the caption's last two lines (the
    // runs of spaces) lie under the links and must not peek out below.
    lblAbout->Height(form_->TextHeight(above) + py);

    const float linkHeight = line + 6 * py;
    const float mailTop = lblAbout->Top() + lblAbout->Height();
    Place(*lblmailto, kTextLeft, mailTop, form_->TextWidth(lblmailto->Caption()) + 10 * px, linkHeight);
    Place(*lblwebtext, lblmailto->Left() + lblmailto->Width() + form_->TextWidth("  "), mailTop,
          form_->TextWidth(lblwebtext->Caption()) + 10 * px, linkHeight);
    Place(*lblweb, kTextLeft, mailTop + linkHeight, form_->TextWidth(lblweb->Caption()) + 10 * px, linkHeight);
    Place(*imgIcon, 2 * kMargin, kTop, 480, 480);

    const float right = std::max({lblAbout->Left() + lblAbout->Width(), lblwebtext->Left() + lblwebtext->Width(),
                                  lblweb->Left() + lblweb->Width()});
    const float bottom = lblweb->Top() + lblweb->Height();
    Frame1->Left(kMargin);
    Frame1->Top(kMargin);
    Frame1->Width(right + kMargin - Frame1->Left());
    Frame1->Height(bottom + kMargin - Frame1->Top());

    btnOK->Width(std::max(1200.0f, form_->TextWidth("OK") + 24 * px));
    btnOK->Height(std::max(375.0f, line + 12 * py));
    btnOK->Left(Frame1->Left() + Frame1->Width() - btnOK->Width());
    btnOK->Top(Frame1->Top() + Frame1->Height() + kMargin);
    form_->Width(Frame1->Left() + Frame1->Width() + kMargin);
    form_->Height(btnOK->Top() + btnOK->Height() + kMargin);

    auto centre = [](float screen, float size) {
        return static_cast<float>(static_cast<std::int32_t>(std::nearbyint(screen - size)) / 2);
    };
    form_->Left(centre(desktop_.ScreenWidth(), form_->Width()));
    form_->Top(centre(desktop_.ScreenHeight(), form_->Height()));
}

// The link closes the box at once; the opener answers later, and a failure
// it reports reaches the user then.
void AboutForm::OpenLink(const std::string& target) {
    CloseSoon();
    tk::Desktop& desktop = desktop_;
    ShellOpenLater(desktop_, target, [&desktop](const std::string& message) {
        if (!message.empty())
            desktop.MsgBox(message, tk::msgbox::Critical, desktop.App().Title);
    });
}

// Unloading hides the form and ends a modal show; the object itself stays
// for the next time, since its own handler is running now.
void AboutForm::CloseSoon() {
    TimerHide->Enabled(false);
    // The window gives the focus back to where it last was when it shows
    // again: the box always opens on OK.
    if (form_->Visible())
        ContinueOnError([&] { btnOK->SetFocus(); });
    if (form_->Loaded())
        form_->Unload();
    loaded_ = false;
}

void AboutForm::PointerOver(tk::Widget& link, tk::Widget& other) {
    ResetCursor(other);
    SetHandCursor(link);
    other.Font()->Underline = false;
    link.Font()->Underline = true;
    other.Refresh();
    link.Refresh();
}

void AboutForm::PointerOff() {
    lblmailto->Font()->Underline = false;
    lblweb->Font()->Underline = false;
    lblmailto->Refresh();
    lblweb->Refresh();
}

std::int32_t AboutForm::Interval() {
    interval_ = TimerHide->Interval();
    return interval_;
}

void AboutForm::Interval(std::int32_t value) {
    interval_ = value;
    TimerHide->Interval(value);
}

void AboutForm::About(const std::string& comment, const tk::PictureRef& icon) {
    const std::string composed = ComposeAboutText(desktop_, comment);
    lblAbout->Caption(composed);
    lblwebtext->Caption(SplitAboutText(composed).BetweenLinks);
    Layout();
    imgIcon->Picture(icon ? icon : LoadResPicture(364));
    if (interval_ > 0)
        TimerHide->Enabled(true);
    desktop_.MessageBeep(kInformationSound);
    if (modeless_) {
        form_->Show(tk::Form::Modeless);
        MakeTopMost(desktop_, form_->hWnd());
    } else {
        form_->Show(tk::Form::Modal);
    }
}

// --- one box per desktop ----------------------------------------------------------------

void AboutBoxes::AboutBox(tk::Desktop& desktop, const std::string& comment, std::int32_t resourceId,
                          const tk::PictureRef& picture) {
    auto& box = Boxes()[&desktop];
    if (!box)
        box = std::make_unique<AboutForm>(desktop);
    AboutForm* form = box.get();
    ++form->inUse;
    ScopeExit release([&] {
        if (--form->inUse == 0 && form->dropAfterUse)
            Boxes().erase(&desktop);
    });
    form->Form().Load();
    desktop.DoEvents();
    if (picture) {
        form->About(comment, picture);
    } else if (resourceId >= 1) {
        form->About(comment, LoadResPicture(resourceId));
    } else {
        form->About("", nullptr);
    }
}

void AboutBoxes::Unload(tk::Desktop& desktop) {
    auto it = Boxes().find(&desktop);
    if (it == Boxes().end() || !it->second)
        return;
    AboutForm& form = *it->second;
    if (form.Form().Loaded())
        form.Form().Unload();
    if (form.inUse > 0) {
        form.dropAfterUse = true;
    } else {
        Boxes().erase(it);
    }
}

AboutForm* AboutBoxes::Find(const tk::Desktop& desktop) {
    auto it = Boxes().find(&desktop);
    return it == Boxes().end() ? nullptr : it->second.get();
}

}  // namespace korvane::detail

namespace korvane {

void ucvKorvane::About() {
    // The drop-down window's icon is the box's picture.
    static const auto icon = std::make_shared<const tk::Picture>(tk::Picture{"KorvaneIcon", 32, 32});
    detail::AboutBoxes::AboutBox(d->desktop, "", 0, icon);
}

}  // namespace korvane
