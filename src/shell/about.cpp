// The About box and the control's About method: composing the text, the
// form with its links, showing it modal (or modeless and top-most) and
// closing it by OK, a link, its timer or the termination of a control.
#include "shell/about.h"

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

// --- the form -----------------------------------------------------------------------------

AboutForm::AboutForm(tk::Desktop& desktop) : desktop_(desktop) {
    form_ = desktop_.CreateForm("fabout");
    form_->Width(5400);
    form_->Height(3300);
    Frame1 = desktop_.CreateLabel(*form_, "Frame1");
    lblAbout = desktop_.CreateLabel(*form_, "lblAbout");
    imgIcon = desktop_.CreateImage(*form_, "imgIcon");
    lblmailto = desktop_.CreateLabel(*form_, "lblmailto");
    lblweb = desktop_.CreateLabel(*form_, "lblweb");
    btnOK = desktop_.CreateLabel(*form_, "btnOK");
    TimerHide = desktop_.CreateTimer(*form_, "TimerHide");
    TimerHide->Interval(0);
    TimerHide->Enabled(false);

    // The links lie over the runs of spaces the text keeps for them: the
    // e-mail address on the line after "for comments ...", the web address
    // on the last line.
    Frame1->Left(120);
    Frame1->Top(120);
    Frame1->Width(5160);
    Frame1->Height(2460);
    imgIcon->Left(240);
    imgIcon->Top(240);
    imgIcon->Width(480);
    imgIcon->Height(480);
    lblAbout->Left(900);
    lblAbout->Top(240);
    lblAbout->Width(4260);
    lblAbout->Height(2220);
    for (tk::Label* link : {lblmailto.get(), lblweb.get()}) {
        auto font = std::make_shared<tk::Font>();
        font->Name = "Arial";
        link->Font(font);
        link->ForeColor(tk::Rgb(0, 0, 255));
        link->Left(900);
        link->Width(2400);
        link->Height(195);
    }
    for (tk::Label* label : {Frame1.get(), lblAbout.get(), btnOK.get()}) {
        auto font = std::make_shared<tk::Font>();
        font->Name = "Arial";
        label->Font(font);
    }
    lblmailto->Top(240 + 8 * 195);
    lblweb->Top(240 + 9 * 195);
    btnOK->Caption("OK");
    btnOK->Left(4080);
    btnOK->Top(2700);
    btnOK->Width(1200);
    btnOK->Height(375);

    form_->OnLoad = [this] { Load(); };
    form_->OnQueryUnload = [this](std::int16_t&) { loaded_ = false; };
    btnOK->OnMouseUp = [this](std::int16_t& button, std::int16_t&, float&, float&) {
        if (button == tk::button::Left)
            CloseSoon();
    };
    TimerHide->OnTimer = [this] {
        TimerHide->Enabled(false);
        CloseSoon();
    };
    lblmailto->OnMouseMove = [this](std::int16_t&, std::int16_t&, float&, float&) { PointerOver(*lblmailto, *lblweb); };
    lblweb->OnMouseMove = [this](std::int16_t&, std::int16_t&, float&, float&) { PointerOver(*lblweb, *lblmailto); };
    Frame1->OnMouseMove = [this](std::int16_t&, std::int16_t&, float&, float&) { PointerOff(); };
    lblAbout->OnMouseMove = [this](std::int16_t&, std::int16_t&, float&, float&) { PointerOff(); };
    lblmailto->OnMouseDown = [this](std::int16_t&, std::int16_t&, float&, float&) {
        ShellOpen(desktop_, "mailto:" + AuthorEmail());  // a failure is not shown
        CloseSoon();
    };
    lblweb->OnMouseDown = [this](std::int16_t&, std::int16_t&, float&, float&) {
        ShellOpen(desktop_, GetWebAddress());
        CloseSoon();
    };
}

AboutForm::~AboutForm() = default;

void AboutForm::Load() {
    form_->Caption("About");
    loaded_ = true;
    lblmailto->Caption(AuthorEmail());
    lblweb->Caption(GetWebAddress());
    lblmailto->Visible(true);
    lblweb->Visible(true);
    auto centre = [](float screen, float size) {
        return static_cast<float>(static_cast<std::int32_t>(std::nearbyint(screen - size)) / 2);
    };
    form_->Left(centre(desktop_.ScreenWidth(), form_->Width()));
    form_->Top(centre(desktop_.ScreenHeight(), form_->Height()));
}

// Unloading hides the form and ends a modal show; the object itself stays
// for the next time, since its own handler is running now.
void AboutForm::CloseSoon() {
    TimerHide->Enabled(false);
    if (form_->Loaded())
        form_->Unload();
    loaded_ = false;
}

void AboutForm::PointerOver(tk::Label& link, tk::Label& other) {
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
    lblAbout->Caption(ComposeAboutText(desktop_, comment));
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
