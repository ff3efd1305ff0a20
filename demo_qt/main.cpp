// The demo host on a real screen: one form with a KorvaneBox in each of its
// three styles, filled with currencies (code, name, and the numeric code as
// item number), an event log with every event the host receives and its
// arguments, and buttons for the host's calls on the chosen control.
//
//   korvane-demo-qt                    opens the window
//   korvane-demo-qt --screenshots DIR  writes PNGs of each style closed and
//                                      open, and of a search, into DIR, then
//                                      exits
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "korvane/toolkit/qt.h"
#include "korvane/ucvKorvane.h"

namespace {

using korvane::StyleType;
using korvane::ucvKorvane;
using korvane::tk::qt::QtDesktop;

const struct {
    const char* code;
    const char* name;
    std::int32_t number;
} kCurrencies[] = {
    {"CHF", "Swiss franc", 756},      {"DKK", "Danish krone", 208},     {"EUR", "Euro", 978},
    {"GBP", "Pound sterling", 826},   {"JPY", "Japanese yen", 392},     {"NOK", "Norwegian krone", 578},
    {"SEK", "Swedish krona", 752},    {"USD", "US dollar", 840},        {"CZK", "Czech koruna", 203},
    {"PLN", "Polish zloty", 985},     {"HUF", "Hungarian forint", 348}, {"ISK", "Icelandic krona", 352},
    {"AUD", "Australian dollar", 36}, {"CAD", "Canadian dollar", 124},  {"CNY", "Renminbi", 156},
    {"INR", "Indian rupee", 356},     {"BRL", "Brazilian real", 986},   {"ZAR", "South African rand", 710},
};

// Every event of one control goes into the log, with its arguments. Mouse
// moves come in numbers: a run of them shares one line that counts them.
class LoggingHost : public korvane::ucvKorvaneEvents {
public:
    LoggingHost(std::string name, QListWidget& log, bool echo) : name_(std::move(name)), log_(log), echo_(echo) {}

    void Click() override { Log("Click"); }
    void KeyDown(std::int16_t& keyCode, std::int16_t& shift) override {
        Log("KeyDown(KeyCode=" + std::to_string(keyCode) + ", Shift=" + std::to_string(shift) + ")");
    }
    void KeyPress(std::int16_t& keyAscii, std::int16_t& col) override {
        Log("KeyPress(KeyAscii=" + std::to_string(keyAscii) + ", Col=" + std::to_string(col) + ")");
    }
    void KeyUp(std::int16_t& keyCode, std::int16_t& shift) override {
        Log("KeyUp(KeyCode=" + std::to_string(keyCode) + ", Shift=" + std::to_string(shift) + ")");
    }
    void MouseDown(std::int16_t& b, std::int16_t& s, float& x, float& y) override { Mouse("MouseDown", b, s, x, y); }
    void MouseMove(std::int16_t& b, std::int16_t& s, float& x, float& y) override { Mouse("MouseMove", b, s, x, y); }
    void MouseUp(std::int16_t& b, std::int16_t& s, float& x, float& y) override { Mouse("MouseUp", b, s, x, y); }
    void Filled() override { Log("Filled"); }
    void SearchChanged(std::int32_t& matches) override {
        Log("SearchChanged(Matches=" + std::to_string(matches) + ")");
    }

    void Note(const std::string& line) { Log(line); }

private:
    void Mouse(const char* what, std::int16_t b, std::int16_t s, float x, float y) {
        char buffer[160];
        std::snprintf(buffer, sizeof buffer, "%s(Button=%d, Shift=%d, X=%.0f, Y=%.0f)", what, b, s, x, y);
        if (std::string(what) == "MouseMove") {
            ++moves_;
            const QString line = QString::fromStdString(name_ + ": " + buffer) +
                                 (moves_ > 1 ? QStringLiteral("  (x%1)").arg(moves_) : QString());
            if (moves_ > 1 && log_.count() > 0) {
                log_.item(log_.count() - 1)->setText(line);
            } else {
                log_.addItem(line);
            }
            log_.scrollToBottom();
            return;
        }
        Log(buffer);
    }
    void Log(const std::string& line) {
        moves_ = 0;
        const std::string text = name_ + ": " + line;
        log_.addItem(QString::fromStdString(text));
        log_.scrollToBottom();
        if (echo_)
            std::cout << text << "\n";
    }

    std::string name_;
    QListWidget& log_;
    bool echo_;
    int moves_ = 0;
};

struct Demo {
    explicit Demo(QtDesktop& d) : desktop(d) {}
    QtDesktop& desktop;
    std::unique_ptr<korvane::tk::Form> form;
    QListWidget* log = nullptr;
    std::vector<std::unique_ptr<LoggingHost>> hosts;
    std::vector<std::unique_ptr<ucvKorvane>> controls;
    std::vector<QRadioButton*> targets;
    QLineEdit* newCode = nullptr;
    QLineEdit* newName = nullptr;
    QCheckBox* numeric = nullptr;

    int Target() const {
        for (std::size_t i = 0; i < targets.size(); ++i) {
            if (targets[i]->isChecked())
                return static_cast<int>(i);
        }
        return 0;
    }

    // Runs a host call on the chosen control; a refusal goes into the log.
    void Call(const std::string& what, const std::function<void(ucvKorvane&)>& call) {
        const int i = Target();
        try {
            hosts[static_cast<std::size_t>(i)]->Note("host calls " + what);
            call(*controls[static_cast<std::size_t>(i)]);
        } catch (const korvane::RuntimeError& e) {
            hosts[static_cast<std::size_t>(i)]->Note("error " + std::to_string(e.Number()) + ": " + e.Description());
        }
    }
};

constexpr int kFormWidthPx = 760;
constexpr int kFormHeightPx = 520;

QPushButton* Button(QWidget* parent, const char* text, int x, int y, int w, const std::function<void()>& onClick) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setGeometry(x, y, w, 26);
    QObject::connect(b, &QPushButton::clicked, onClick);
    b->show();
    return b;
}

// One control of each style, each with its title and its logging host,
// filled with the currencies.
void PlaceControls(Demo& demo, QWidget* surface, bool echo) {
    const float tpp = demo.desktop.TwipsPerPixelX();
    auto& form = *demo.form;
    struct Placement {
        StyleType style;
        const char* title;
        int topPx;
    };
    const Placement placements[] = {
        {StyleType::DropdownCombo, "Dropdown Combo", 30},
        {StyleType::SimpleCombo, "Simple Combo", 100},
        {StyleType::DropdownList, "Dropdown List", 290},
    };
    int n = 0;
    for (const Placement& p : placements) {
        ++n;
        auto* title = new QLabel(QString::fromUtf8(p.title), surface);
        title->setGeometry(20, p.topPx - 22, 300, 20);
        korvane::Site site;
        site.Name = "KorvaneBox" + std::to_string(n);
        site.Left = 20 * tpp;
        site.Top = static_cast<float>(p.topPx) * tpp;
        auto control = std::make_unique<ucvKorvane>(form, site);
        demo.hosts.push_back(std::make_unique<LoggingHost>(site.Name, *demo.log, echo));
        control->Advise(demo.hosts.back().get());
        // Created as a host creates a saved control: extent, then properties.
        const bool simple = p.style == StyleType::SimpleCombo;
        control->Container().Width(simple ? 4240.0f : 4240.0f);
        control->Container().Height(simple ? 2130.0f : 330.0f);
        korvane::tk::MemoryPropertyBag bag;
        bag.Set("Style", static_cast<std::int32_t>(p.style));
        bag.Set("WidthCol1", static_cast<std::int32_t>(900));
        bag.Set("WidthCol2", static_cast<std::int32_t>(3000));
        bag.Set("AutoFill", p.style == StyleType::DropdownCombo);
        control->ReadProperties(bag);
        for (const auto& c : kCurrencies)
            control->AddItem(c.code, c.name, c.number);
        demo.controls.push_back(std::move(control));
    }
}

// The host's calls, on the control chosen here.
void AddHostCalls(Demo& demo, QWidget* surface) {
    const int y0 = 372;
    auto* actsOn = new QLabel(QStringLiteral("Calls go to:"), surface);
    actsOn->setGeometry(20, y0, 90, 24);
    const char* names[] = {"Dropdown Combo", "Simple Combo", "Dropdown List"};
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(QString::fromUtf8(names[i]), surface);
        r->setGeometry(110 + i * 140, y0, 135, 24);
        r->setFocusPolicy(Qt::NoFocus);
        demo.targets.push_back(r);
    }
    demo.targets[0]->setChecked(true);

    const int y1 = y0 + 32;
    demo.newCode = new QLineEdit(QStringLiteral("XAU"), surface);
    demo.newCode->setGeometry(20, y1, 60, 26);
    demo.newName = new QLineEdit(QStringLiteral("Gold (troy ounce)"), surface);
    demo.newName->setGeometry(84, y1, 150, 26);
    Demo* d = &demo;
    Button(surface, "Add", 238, y1, 60, [d] {
        const std::string code = d->newCode->text().toStdString(), name = d->newName->text().toStdString();
        d->Call("AddItem \"" + code + "\", \"" + name + "\"", [&](ucvKorvane& c) { c.AddItem(code, name, 959); });
    });
    Button(surface, "Remove", 302, y1, 70,
           [d] { d->Call("RemoveItem ListIndex", [](ucvKorvane& c) { c.RemoveItem(c.ListIndex()); }); });
    Button(surface, "Clear", 376, y1, 60, [d] { d->Call("Clear", [](ucvKorvane& c) { c.Clear(); }); });
    Button(surface, "Lock / unlock", 440, y1, 110,
           [d] { d->Call("Locked = not Locked", [](ucvKorvane& c) { c.Locked(!c.Locked()); }); });
    Button(surface, "About", 554, y1, 70, [d] { d->Call("About", [](ucvKorvane& c) { c.About(); }); });

    const int y2 = y1 + 34;
    auto* sortTitle = new QLabel(QStringLiteral("Sort by:"), surface);
    sortTitle->setGeometry(20, y2, 60, 26);
    const char* columns[] = {"Column 1", "Column 2", "Item number"};
    for (int col = 1; col <= 3; ++col) {
        Button(surface, columns[col - 1], 84 + (col - 1) * 104, y2, 100, [d, col] {
            const bool onNumeric = d->numeric->isChecked();
            d->Call("Sort " + std::to_string(col) + ", " + (onNumeric ? "True" : "False"),
                    [&](ucvKorvane& c) { c.Sort(static_cast<std::int16_t>(col), onNumeric); });
        });
    }
    demo.numeric = new QCheckBox(QStringLiteral("as numbers"), surface);
    demo.numeric->setGeometry(400, y2, 120, 26);
    demo.numeric->setFocusPolicy(Qt::NoFocus);
    Button(surface, "Clear log", 640, y2, 105, [d] { d->log->clear(); });
}

void Build(Demo& demo, bool echo) {
    QtDesktop& desktop = demo.desktop;
    const float tpp = desktop.TwipsPerPixelX();
    demo.form = desktop.CreateForm("Form1");
    auto& form = *demo.form;
    form.Caption("Korvane demo");
    form.Left(120 * tpp);
    form.Top(80 * tpp);
    form.Width(kFormWidthPx * tpp);
    form.Height(kFormHeightPx * tpp);
    QWidget* surface = desktop.WidgetOf(form);

    auto* logTitle = new QLabel(QStringLiteral("Events the host receives"), surface);
    logTitle->setGeometry(340, 8, 400, 20);
    demo.log = new QListWidget(surface);
    demo.log->setGeometry(340, 30, 405, 330);
    demo.log->setFocusPolicy(Qt::NoFocus);
    PlaceControls(demo, surface, echo);
    AddHostCalls(demo, surface);
    for (QObject* child : surface->children()) {
        if (auto* w = qobject_cast<QWidget*>(child))
            w->show();
    }
}

// A press and release of the left button in the middle of a widget, as the
// window system delivers them.
void ClickWidget(QWidget* w) {
    const QPointF centre(w->width() / 2.0, w->height() / 2.0);
    const QPointF global = w->mapToGlobal(centre);
    QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

korvane::tk::Rect Union(korvane::tk::Rect a, const korvane::tk::Rect& b) {
    a.Left = std::min(a.Left, b.Left);
    a.Top = std::min(a.Top, b.Top);
    a.Right = std::max(a.Right, b.Right);
    a.Bottom = std::max(a.Bottom, b.Bottom);
    return a;
}

// The screen rectangle of the form and of every window shown above it (an
// open drop-down is a window of its own, wherever it was placed).
korvane::tk::Rect FormAndWindows(Demo& demo) {
    korvane::tk::Rect shot = demo.desktop.ScreenRectPx(*demo.form);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible()) {
            const QRect g = top->frameGeometry();
            shot = Union(shot, {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()});
        }
    }
    return shot;
}

// Find as you type: the control of `style` searching by "contains", with
// "an" typed into its first field as a person types it; the rows that match
// show (in the Dropdown Combo the drop-down opens for them), their matched
// parts drawn bold and underlined. The search is then switched off again.
bool SearchScreenshot(Demo& demo, StyleType style, const std::string& file) {
    QtDesktop& desktop = demo.desktop;
    ucvKorvane* control = nullptr;
    for (auto& c : demo.controls)
        if (c->Style() == style)
            control = c.get();
    if (control == nullptr)
        return false;
    control->SearchMode(2);
    auto* field = desktop.Find("Form1." + control->Container().Name() + ".txtCol1");
    if (field == nullptr)
        return false;
    field->SetFocus();
    control->Text("");
    desktop.ProcessEventsFor(100);
    for (const char c : std::string("an")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (c - 'a'), Qt::NoModifier, QString(QChar(c)));
        QApplication::sendEvent(desktop.WidgetOf(*field), &press);
    }
    desktop.ProcessEventsFor(300);
    const bool saved = desktop.SaveScreenPng(FormAndWindows(demo), file);
    control->SearchMode(0);
    control->Text("");
    desktop.ProcessEventsFor(100);
    return saved;
}

// Each style closed, then open (the drop-down styles by their button, the
// Simple Combo with a row chosen in its list), as PNGs of the screen.
int WriteScreenshots(Demo& demo, const std::string& dir) {
    QDir().mkpath(QString::fromStdString(dir));
    QtDesktop& desktop = demo.desktop;
    desktop.ProcessEventsFor(500);
    const char* files[] = {"dropdown-combo", "simple-combo", "dropdown-list"};
    for (auto& c : demo.controls)
        c->ListIndex(2);  // the euro, so the closed controls show a row
    desktop.ProcessEventsFor(200);
    int failures = 0;
    for (std::size_t i = 0; i < demo.controls.size(); ++i) {
        ucvKorvane& c = *demo.controls[i];
        const korvane::tk::Rect formRect = desktop.ScreenRectPx(*demo.form);
        const std::string base = dir + "/" + files[i];
        if (!desktop.SaveScreenPng(formRect, base + "-closed.png"))
            ++failures;
        if (c.Style() == StyleType::SimpleCombo) {
            c.ListIndex(5);
        } else {
            auto* button = desktop.Find("Form1." + c.Container().Name() + ".imgCombo");
            if (button != nullptr)
                ClickWidget(desktop.WidgetOf(*button));
        }
        desktop.ProcessEventsFor(400);
        if (!desktop.SaveScreenPng(FormAndWindows(demo), base + "-open.png"))
            ++failures;
        if (c.Style() != StyleType::SimpleCombo) {
            auto* button = desktop.Find("Form1." + c.Container().Name() + ".imgCombo");
            if (button != nullptr)
                ClickWidget(desktop.WidgetOf(*button));
            desktop.ProcessEventsFor(300);
        }
    }
    if (!SearchScreenshot(demo, StyleType::SimpleCombo, dir + "/simple-combo-search.png"))
        ++failures;
    if (!SearchScreenshot(demo, StyleType::DropdownCombo, dir + "/dropdown-combo-search.png"))
        ++failures;
    // The About box is modal: it is photographed from inside its loop, then
    // closed with Escape as a person would.
    QTimer::singleShot(400, [&] {
        korvane::tk::Widget* box = desktop.Find("fabout");
        if (box == nullptr || !desktop.SaveScreenPng(desktop.ScreenRectPx(*box), dir + "/about-box.png"))
            ++failures;
        if (QWidget* focus = QApplication::focusWidget()) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
            QApplication::sendEvent(focus, &escape);
        }
        if (box != nullptr && box->Visible()) {
            ++failures;
            box->Visible(false);
        }
    });
    demo.controls.front()->About();
    std::cout << "Screenshots written to " << dir << (failures ? " (some failed)" : "") << "\n";
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string screenshots;
    bool recordMessages = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--screenshots" && i + 1 < argc) {
            screenshots = argv[++i];
            recordMessages = true;
        } else if (arg == "--help") {
            std::cout << "usage: korvane-demo-qt [--screenshots DIR]\n";
            return 0;
        }
    }
    auto desktop = korvane::tk::qt::CreateQtDesktop(argc, argv);
    desktop->RecordMessageBoxes(recordMessages);
    korvane::tk::AppInfo app;
    app.Title = "Korvane demo";
    desktop->SetApp(app);

    Demo demo(*desktop);
    Build(demo, !screenshots.empty());
    demo.form->Show();

    int rc = 0;
    if (!screenshots.empty()) {
        rc = WriteScreenshots(demo, screenshots);
    } else {
        // Closing the window (or its QueryUnload letting it go) ends the demo.
        demo.form->OnQueryUnload = [](std::int16_t&) { QTimer::singleShot(0, [] { QApplication::quit(); }); };
        rc = QApplication::exec();
    }
    demo.controls.clear();
    demo.form.reset();
    return rc;
}
