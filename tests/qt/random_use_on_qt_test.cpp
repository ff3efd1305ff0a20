// Random sequences of member calls and of a person's input on the Qt
// desktop, from a seed, in every style: presses, moves and wheel turns at
// random places of the fields, the button, the lists and the form, keys and
// typing at whatever has the focus, and real time passing between them.
// After every step the control must still hold together: no error let out
// of an event, ListIndex and TopIndex in range, every row readable, both
// columns of every list pair in step with the control's rows, and no busy
// state left behind. A failure prints the seed and the steps up to it.
//   KORVANE_QT_RANDOM_STEPS=n   steps per style (500)
//   KORVANE_QT_RANDOM_SEED=n    the seed (each style adds its number)
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cstdlib>
#include <random>
#include <sstream>

#include "control/guards.h"
#include "qt_support.h"

namespace korvane::test {
namespace {

const char* const kTexts[] = {
    "alpha", "Alpha", " alpha ", "\xC3\xA4rger", "\xC3\x84RGER", "x\x80", "",
    "10",    "2",     "1.5",     "-3 ",          "zeta",         "a;b",   "tab\tinside",
};

const int kKeys[] = {Qt::Key_Up,        Qt::Key_Down,   Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home,
                     Qt::Key_End,       Qt::Key_Return, Qt::Key_Escape, Qt::Key_F4,       Qt::Key_Delete,
                     Qt::Key_Backspace, Qt::Key_Left,   Qt::Key_Right,  Qt::Key_Space};

int Env(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0' ? std::atoi(v) : fallback;
}

class QtRandomUse {
public:
    int opened = 0;             // checks that found the drop-down open
    std::int32_t rowsSeen = 0;  // the most rows the control held
    QtRandomUse(StyleType style, unsigned seed) : host_({.Style = style}), random_(seed) {
        host_.desktop.RecordMessageBoxes(true);
    }

    // Plays `steps` steps; the description of the first failure, or "".
    std::string Play(int steps) {
        for (int i = 0; i < steps; ++i) {
            std::string step;
            try {
                step = Step();
            } catch (const RuntimeError& e) {
                step += " (refused: error " + std::to_string(e.Number()) + ")";
            } catch (const std::exception& e) {
                return Log(i, step) + ": an error came out: " + e.what();
            }
            log_.push_back(step);
            if (std::string what = Check(); !what.empty())
                return Log(i, step) + ": " + what;
        }
        return "";
    }

private:
    int Upto(int hi) { return std::uniform_int_distribution<int>(0, hi)(random_); }
    const char* Text() { return kTexts[Upto(static_cast<int>(std::size(kTexts)) - 1)]; }
    ucvKorvane& ctl() { return *host_.control; }

    std::string Log(int i, const std::string& step) const {
        std::ostringstream out;
        const std::size_t from = log_.size() > 30 ? log_.size() - 30 : 0;
        out << "step " << i << " (" << step << "), after:";
        for (std::size_t k = from; k < log_.size(); ++k)
            out << "\n  " << log_[k];
        return out.str();
    }

    // The widget a person would reach: one of the control's pieces, a list
    // of the drop-down or the form.
    QWidget* SomeWidget() {
        const char* names[] = {"txtCol1", "txtCol2", "lblCol1", "lblCol2", "imgCombo", "lstCol1a", "lstCol2a"};
        if (Upto(4) == 0 && host_.DropDownOpen())
            return host_.desktop.WidgetOf(host_.Widget(Upto(1) ? "lstCol1" : "lstCol2"));
        if (Upto(6) == 0)
            return host_.desktop.WidgetOf(*host_.form);
        tk::Widget& w = host_.Widget(names[Upto(6)]);
        return w.Visible() ? host_.desktop.WidgetOf(w) : nullptr;
    }

    void Mouse(QWidget* w, QEvent::Type type, Qt::MouseButton button) {
        if (w == nullptr || !w->isVisible())
            return;
        const QPointF at(Upto(std::max(0, w->width() - 1)), Upto(std::max(0, w->height() - 1)));
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent e(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }

    void Key(int key, Qt::KeyboardModifiers modifiers, const QString& text = {}) {
        QWidget* w = QApplication::focusWidget();
        if (w == nullptr)
            w = QApplication::activeWindow();
        if (w == nullptr)
            return;
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(w, &press);
        if (QWidget* now = QApplication::focusWidget()) {
            QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
            QApplication::sendEvent(now, &release);
        }
    }

    std::string Step() {
        const std::int32_t n = ctl().ListCount();
        switch (Upto(19)) {
            case 0:
            case 1:
            case 2: {
                const std::string a = Text(), b = Text();
                ctl().AddItem(a, b, Upto(99));
                return "AddItem";
            }
            case 3:
                ctl().RemoveItem(Upto(n + 1) - 1);
                return "RemoveItem";
            case 4: {
                const std::int32_t i = Upto(n + 1) - 1;
                if (Upto(3) == 0)
                    ctl().Clear();
                else
                    ctl().List(i, std::string(Text()) + ";" + Text());
                return "List= or Clear";
            }
            case 5:
                ctl().ListIndex(Upto(n + 1) - 1);
                return "ListIndex=";
            case 6:
                ctl().TopIndex(Upto(n));
                return "TopIndex=";
            case 7: {
                const int what = Upto(7);
                if (what == 0)
                    ctl().Sort(static_cast<std::int16_t>(Upto(2) + 1), Upto(1) == 1);
                else if (what == 1)
                    ctl().Text(Text());
                else if (what == 2)
                    ctl().Locked(Upto(3) == 0);
                else if (what == 3)
                    ctl().AutoFill(Upto(1) == 1);
                else if (what == 4)
                    ctl().WidthCol1(Upto(2) * 700);
                else if (what == 5)
                    ctl().ListHeight(Upto(10) * 300);
                else if (what == 6)
                    ctl().SearchMode(static_cast<std::int16_t>(Upto(3)));
                else {
                    auto font = std::make_shared<tk::Font>();
                    font->Size = static_cast<float>(Upto(3) * 6 + 6);
                    ctl().Font(font);
                }
                return "a property or Sort";
            }
            case 8:
            case 9: {
                QWidget* w = SomeWidget();
                Mouse(w, QEvent::MouseButtonPress, Qt::LeftButton);
                if (Upto(5) != 0)
                    Mouse(w, QEvent::MouseButtonRelease, Qt::LeftButton);
                return "a click";
            }
            case 10:
                Mouse(SomeWidget(), QEvent::MouseMove, Qt::NoButton);
                return "a move";
            case 11: {
                QWidget* w = SomeWidget();
                if (w != nullptr && w->isVisible()) {
                    const QPointF at(w->width() / 2.0, w->height() / 2.0);
                    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, Upto(1) ? 120 : -120), Qt::NoButton,
                                  Qt::NoModifier, Qt::NoScrollPhase, false);
                    QApplication::sendEvent(w, &e);
                }
                return "a wheel turn";
            }
            case 12:
            case 13:
            case 14:
                Key(kKeys[Upto(static_cast<int>(std::size(kKeys)) - 1)],
                    Upto(5) == 0 ? Qt::AltModifier : Qt::NoModifier);
                return "a key";
            case 15:
                Key(Qt::Key_Tab, Upto(1) ? Qt::ShiftModifier : Qt::NoModifier);
                return "Tab";
            case 16: {
                const char c = static_cast<char>('a' + Upto(25));
                Key(Qt::Key_A + (c - 'a'), Qt::NoModifier, QString(QChar(c)));
                return "typing";
            }
            default:
                host_.desktop.ProcessEventsFor(Upto(120));
                return "time passes";
        }
    }

    std::string Check() {
        host_.desktop.ProcessEventsFor(0);
        ucvKorvane& c = ctl();
        opened += host_.DropDownOpen() ? 1 : 0;
        rowsSeen = std::max(rowsSeen, c.ListCount());
        const std::int32_t count = c.ListCount();
        if (c.ListIndex() < -1 || c.ListIndex() >= count)
            return "ListIndex " + std::to_string(c.ListIndex()) + " of " + std::to_string(count) + " rows";
        if (c.TopIndex() < 0 || (count > 0 && c.TopIndex() >= count))
            return "TopIndex " + std::to_string(c.TopIndex()) + " of " + std::to_string(count) + " rows";
        for (std::int32_t k = 0; k < count; ++k)
            c.List(k);
        tk::ListBox& one = host_.List(c.Style() == StyleType::SimpleCombo ? "lstCol1a" : "lstCol1");
        tk::ListBox& two = host_.List(c.Style() == StyleType::SimpleCombo ? "lstCol2a" : "lstCol2");
        if (one.ListCount() != count || two.ListCount() != count)
            return "the lists hold " + std::to_string(one.ListCount()) + " and " + std::to_string(two.ListCount()) +
                   " rows, the control " + std::to_string(count);
        // A search's view names rows the lists have, in order, alike in both.
        if (one.Filtered() != two.Filtered() || one.ShownCount() != two.ShownCount())
            return "the two lists show different views";
        for (std::int32_t p = 0, last = -1; p < one.ShownCount(); ++p) {
            const std::int32_t e = one.ShownEntry(p);
            if (e <= last || e >= count || e != two.ShownEntry(p))
                return "the view's entry " + std::to_string(p) + " is " + std::to_string(e);
            last = e;
        }
        if (detail::g_Busy(host_.desktop))
            return "the busy flag was left set";
        const auto& boxes = host_.desktop.MessageBoxes();
        for (; seenBoxes_ < boxes.size(); ++seenBoxes_)
            if (boxes[seenBoxes_].Prompt == "Sorting in progress, wait please")
                return "the sorting flag was left set";
        return "";
    }

    QtHost host_;
    std::mt19937 random_;
    std::vector<std::string> log_;
    std::size_t seenBoxes_ = 0;
};

TEST(QtRandomUse, CallsAndInputLeaveTheControlWhole) {
    const int steps = Env("KORVANE_QT_RANDOM_STEPS", 500);
    const auto seed = static_cast<unsigned>(Env("KORVANE_QT_RANDOM_SEED", 1));
    for (StyleType style : kAllStyles) {
        SCOPED_TRACE(StyleLabel({style, 0}) + ", seed " + std::to_string(seed + static_cast<unsigned>(style)));
        QtRandomUse run(style, seed + static_cast<unsigned>(style));
        const std::string failure = run.Play(steps);
        EXPECT_EQ(failure, "");
        // The person got somewhere: the lists grew, and the drop-down opened.
        EXPECT_GT(run.rowsSeen, 11) << "no more rows than the host filled in";
        if (style != StyleType::SimpleCombo) {
            EXPECT_GT(run.opened, steps / 50);
        }
    }
}

}  // namespace
}  // namespace korvane::test
