// KorvaneBox as a Qt widget in a window of plain Qt widgets: sizes from the
// control's layout, properties with their change signals and errors, the
// events as signals whose arguments a slot may change, Tab, clicks and a
// buddy label driven from outside through xdotool, design mode, and the
// widget going away at awkward moments.
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "korvane/errors.h"
#include "korvane/events.h"
#include "korvane/qt/KorvaneBox.h"
#include "qt_support.h"
#include "widget_support.h"

namespace korvane::test {
namespace {

using korvane::qt::KorvaneBox;

bool Inside(const QWidget* w, const QWidget* holder) {
    return w != nullptr && (w == holder || holder->isAncestorOf(w));
}

std::pair<int, int> CentreOf(const QWidget* w) {
    const QPoint c = w->mapToGlobal(QPoint(w->width() / 2, w->height() / 2));
    return {c.x(), c.y()};
}

void ClickAt(std::pair<int, int> at) {
    Xdo("mousemove " + std::to_string(at.first) + " " + std::to_string(at.second));
    Xdo("click 1");
}

// A window as a Qt developer would make one: a form layout with a line
// edit, the KorvaneBox behind its buddy label, another line edit, and a
// label that cannot take the focus.
struct Window {
    explicit Window(KorvaneBox::Style style = KorvaneBox::DropdownCombo) {
        top->setWindowTitle(QStringLiteral("KorvaneBox in a layout"));
        top->move(100, 100);
        auto* columns = new QHBoxLayout(top.get());
        auto* form = new QFormLayout;
        columns->addLayout(form);
        name = new QLineEdit;
        name->setObjectName(QStringLiteral("name"));
        form->addRow(QStringLiteral("Name"), name);
        box = new KorvaneBox;
        box->setBoxStyle(style);
        box->setWidthCol1(900);
        box->setWidthCol2(2400);
        label = new QLabel(QStringLiteral("&Currency"));
        label->setBuddy(box);
        form->addRow(label, box);
        note = new QLineEdit;
        note->setObjectName(QStringLiteral("note"));
        form->addRow(QStringLiteral("Note"), note);
        // Beside the form, where the drop-down never covers them.
        columns->addSpacing(120);
        auto* side = new QVBoxLayout;
        columns->addLayout(side);
        plain = new QLabel(QStringLiteral("Nothing to focus here"));
        side->addWidget(plain);
        other = new QLineEdit;
        other->setObjectName(QStringLiteral("other"));
        side->addWidget(other);
        side->addStretch();
        const char* rows[][2] = {
            {"CHF", "Swiss franc"},     {"EUR", "Euro"},          {"GBP", "Pound sterling"}, {"JPY", "Japanese yen"},
            {"NOK", "Norwegian krone"}, {"SEK", "Swedish krona"}, {"USD", "US dollar"},      {"CZK", "Czech koruna"}};
        int id = 0;
        for (const auto& row : rows)
            box->addItem(QString::fromLatin1(row[0]), QString::fromLatin1(row[1]), ++id * 10);
        top->show();
        top->raise();
        top->activateWindow();
        Until([&] { return top->isActiveWindow(); });
        Pump(50);
    }
    ~Window() { Pump(20); }

    std::unique_ptr<QWidget> top = std::make_unique<QWidget>();
    QLineEdit* name = nullptr;
    QLineEdit* note = nullptr;
    QLabel* label = nullptr;
    QLabel* plain = nullptr;
    QLineEdit* other = nullptr;
    QPointer<KorvaneBox> box;
};

class WidgetDriven : public testing::Test {
protected:
    void SetUp() override {
        if (!HaveXdotool())
            GTEST_SKIP() << "xdotool is not installed";
        Xdo("mousemove 5 5");
    }
};

// --- sizes ---------------------------------------------------------------------------

TEST(KorvaneBoxLayout, SizeHintsComeFromTheControlAndAResizeRescalesTheColumns) {
    for (auto style : {KorvaneBox::DropdownCombo, KorvaneBox::SimpleCombo, KorvaneBox::DropdownList}) {
        SCOPED_TRACE(style);
        Window w(style);
        KorvaneBox& box = *w.box;
        const bool simple = style == KorvaneBox::SimpleCombo;
        QWidget* surface = Child(box, "KorvaneBox1");
        ASSERT_NE(surface, nullptr);
        EXPECT_EQ(box.sizeHint().height(), surface->height()) << "the closed height (with the list in Simple Combo)";
        const int button = simple ? 0 : QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2;
        EXPECT_EQ(box.sizeHint().width(), (900 + 2400) / 15 - 2 + button);
        EXPECT_LT(box.minimumSizeHint().width(), box.sizeHint().width());
        EXPECT_EQ(box.sizePolicy().verticalPolicy(), simple ? QSizePolicy::Preferred : QSizePolicy::Fixed);
        if (!simple) {
            EXPECT_EQ(box.height(), box.sizeHint().height()) << "the form layout gave it the height it asked for";
        }

        QSignalSpy widths(&box, &KorvaneBox::widthCol2Changed);
        box.parentWidget()->layout()->setEnabled(false);
        box.resize(box.width() * 2, box.height());
        Pump(10);
        EXPECT_GE(widths.count(), 1);
        EXPECT_NEAR(box.widthCol1(), 2 * 900, 30) << "the columns keep their shares";
        EXPECT_NEAR(box.widthCol2(), 2 * 2400, 30);
        EXPECT_EQ(surface->width(), box.sizeHint().width()) << "the hint follows the widths the control chose";
        EXPECT_NEAR(surface->width(), box.width(), 20) << "and they fill the widget but for the button";
    }
}

// --- properties ----------------------------------------------------------------------

TEST(KorvaneBoxProperties, EveryWriteTellsItsChangeAndRefusedValuesKeepTheOldOneWithTheControlsError) {
    Window w;
    KorvaneBox& box = *w.box;
    QSignalSpy text(&box, &KorvaneBox::textChanged);
    QSignalSpy index(&box, &KorvaneBox::currentIndexChanged);
    QSignalSpy clicked(&box, &KorvaneBox::clicked);
    QSignalSpy activated(&box, &KorvaneBox::activated);
    box.setCurrentIndex(2);
    EXPECT_EQ(index.count(), 1);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(activated.count(), 0) << "the program's choice is not the user's";
    EXPECT_EQ(text.count(), 1);
    EXPECT_EQ(box.text(), QStringLiteral("GBP\tPound sterling"));
    EXPECT_EQ(box.currentText(2), QStringLiteral("Pound sterling"));
    EXPECT_EQ(box.currentData(), QVariant(30));

    struct Refused {
        const char* What;
        std::function<void()> Write;
        ErrorCode Code;
        std::function<bool()> Unchanged;
    };
    const Refused refused[] = {
        {"a negative width", [&] { box.setColumn1Width(-5); }, ErrorCode::InvalidPropertyValue,
         [&] { return box.widthCol1() == 900; }},
        {"a negative width in twips", [&] { box.setWidthCol2(-1); }, ErrorCode::InvalidPropertyValue,
         [&] { return box.widthCol2() == 2400; }},
        {"a style of 7", [&] { box.setBoxStyle(static_cast<KorvaneBox::Style>(7)); }, ErrorCode::IllegalValueStyle,
         [&] { return box.boxStyle() == KorvaneBox::DropdownCombo; }},
        {"a new style once shown", [&] { box.setBoxStyle(KorvaneBox::SimpleCombo); }, ErrorCode::ReadOnlyProperty,
         [&] { return box.boxStyle() == KorvaneBox::DropdownCombo; }},
        {"a row past the end", [&] { box.setCurrentIndex(99); }, ErrorCode::ItemDoesNotExist,
         [&] { return box.currentIndex() == 2; }},
        {"a row below -1", [&] { box.setCurrentIndex(-2); }, ErrorCode::InvalidProcedureCall,
         [&] { return box.currentIndex() == 2; }},
        {"a negative list height", [&] { box.setListViewHeight(-1); }, ErrorCode::ToolkitInvalidPropertyValue,
         [&] { return box.listViewHeight() > 0; }},
        {"removing a row that is not there", [&] { box.removeItem(42); }, ErrorCode::ItemDoesNotExist,
         [&] { return box.count() == 8; }},
        {"removing row -1", [&] { box.removeItem(-1); }, ErrorCode::InvalidProcedureCall,
         [&] { return box.count() == 8; }},
        {"sorting by column 4", [&] { box.sort(4); }, ErrorCode::InvalidProcedureCall,
         [&] { return box.itemText(0) == QStringLiteral("CHF"); }},
        {"sorting by a column past 16 bits", [&] { box.sort(65537); }, ErrorCode::InvalidProcedureCall,
         [&] { return box.itemText(0) == QStringLiteral("CHF"); }},
        {"a top row past the end", [&] { box.setTopIndex(8); }, ErrorCode::ItemDoesNotExist,
         [&] { return box.topIndex() == 0; }},
        {"item data of a missing row", [&] { box.setItemData(8, 1); }, ErrorCode::ItemDoesNotExist,
         [&] { return box.itemData(7) == 80; }},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.What);
        QSignalSpy anyIndex(&box, &KorvaneBox::currentIndexChanged);
        r.Write();
        EXPECT_EQ(box.errorNumber(), ErrorNumber(r.Code)) << box.errorString().toStdString();
        EXPECT_FALSE(box.errorString().isEmpty());
        EXPECT_TRUE(r.Unchanged()) << "the old value stays";
        EXPECT_EQ(anyIndex.count(), 0);
    }
    box.setColumn1Width(70);
    EXPECT_EQ(box.errorNumber(), 0) << "a call that succeeds clears the error";
    EXPECT_TRUE(box.errorString().isEmpty());

    // Through the meta-object, as Designer and QUiLoader write.
    EXPECT_TRUE(box.setProperty("column1Width", -5));
    EXPECT_EQ(box.property("column1Width").toInt(), 70);
    QSignalSpy width(&box, &KorvaneBox::column2WidthChanged);
    QSignalSpy twips(&box, &KorvaneBox::widthCol2Changed);
    EXPECT_TRUE(box.setProperty("column2Width", 200));
    EXPECT_EQ(box.column2Width(), 200);
    EXPECT_EQ(box.widthCol2(), 3000) << "the control's own member keeps twips";
    EXPECT_EQ(width.count(), 1);
    EXPECT_EQ(twips.count(), 1);
    EXPECT_EQ(box.property("text").toString(), box.text());

    QSignalSpy colour(&box, &KorvaneBox::backColorChanged);
    box.setBackColor(QColor(255, 255, 200));
    EXPECT_EQ(box.backColor(), QColor(255, 255, 200));
    EXPECT_EQ(colour.count(), 1);
}

// The top row a Simple Combo shows changes by the program, the mouse on
// the scroll bar, the wheel and a resize; each way emits topIndexChanged
// once, with the new top row. (The keys move the current row; the top row
// the control reports stays the one last scrolled to.)
TEST(KorvaneBoxProperties, EveryWayOfScrollingTellsTheTopRowOnce) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* box = new KorvaneBox;
    box->setBoxStyle(KorvaneBox::SimpleCombo);
    for (int i = 0; i < 40; ++i)
        box->addItem(QStringLiteral("r%1").arg(i), QStringLiteral("row %1").arg(i), i);
    layout->addWidget(box);
    layout->addStretch();
    window.resize(400, 260);
    window.show();
    window.activateWindow();
    Until([&] { return window.isActiveWindow(); });
    Pump(30);
    auto* list = qobject_cast<QAbstractScrollArea*>(Child(*box, "lstCol2a"));
    ASSERT_NE(list, nullptr);
    struct Way {
        const char* name;
        std::function<void()> scroll;
    };
    const Way ways[] = {
        {"the program", [&] { box->setTopIndex(5); }},
        {"the mouse on the scroll bar",
         [&] { list->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd); }},
        {"the wheel",
         [&] {
             QWidget* rows = list->viewport();
             const QPointF at(rows->width() / 2.0, rows->height() / 2.0);
             QWheelEvent wheel(at, rows->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                               Qt::NoScrollPhase, false);
             QApplication::sendEvent(rows, &wheel);
         }},
        {"a resize that shows more rows at the end",
         [&] {
             box->setTopIndex(box->count() - 5);
             Pump(20);
             QSignalSpy settle(box, &KorvaneBox::topIndexChanged);
             box->resize(box->width(), box->height() + 120);
         }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        const int before = box->topIndex();
        QSignalSpy top(box, &KorvaneBox::topIndexChanged);
        way.scroll();
        Pump(30);
        ASSERT_NE(box->topIndex(), before) << "the top row moved";
        EXPECT_EQ(top.count(), 1);
        if (!top.isEmpty()) {
            EXPECT_EQ(top.last().at(0).toInt(), box->topIndex());
        }
    }
}

// A new control's container starts narrower than its columns; made as a
// host makes it, it keeps the widths it starts with.
TEST(KorvaneBoxProperties, ANewBoxKeepsTheDefaultColumnWidthsThroughItsFontAndANewStyle) {
    KorvaneBox box;
    EXPECT_EQ(box.widthCol1(), 1100);
    EXPECT_EQ(box.widthCol2(), 2900);
    box.setFont(QFont(QStringLiteral("DejaVu Sans"), 14));
    box.setBoxStyle(KorvaneBox::SimpleCombo);
    EXPECT_EQ(box.widthCol1(), 1100);
    EXPECT_EQ(box.widthCol2(), 2900);
}

TEST(KorvaneBoxProperties, StyleIsReadWithTheFormUntilShownAndAlwaysWritableInDesignMode) {
    KorvaneBox box;
    box.addItem(QStringLiteral("EUR"), QStringLiteral("Euro"), 7);
    QSignalSpy style(&box, &KorvaneBox::boxStyleChanged);
    box.setBoxStyle(KorvaneBox::SimpleCombo);
    EXPECT_EQ(box.boxStyle(), KorvaneBox::SimpleCombo);
    EXPECT_EQ(style.count(), 1);
    EXPECT_EQ(box.count(), 1) << "the rows went along";
    EXPECT_EQ(box.itemData(0), 7);
    box.show();
    box.setBoxStyle(KorvaneBox::DropdownList);
    EXPECT_EQ(box.errorNumber(), ErrorNumber(ErrorCode::ReadOnlyProperty));
    EXPECT_EQ(box.boxStyle(), KorvaneBox::SimpleCombo);

    box.setDesignMode(true);
    EXPECT_TRUE(box.designMode());
    box.setBoxStyle(KorvaneBox::DropdownList);
    EXPECT_EQ(box.boxStyle(), KorvaneBox::DropdownList);
}

// Designer's property editor: the control's message box tells why, and the
// property, the canvas and the saved form keep the value they had.
TEST(KorvaneBoxProperties, InDesignModeARefusedWidthShowsTheControlsMessageAndKeepsTheWidthItHad) {
    struct Case {
        const char* What;
        int Col1Before;
        std::function<void(KorvaneBox&)> Write;
    };
    const Case cases[] = {
        {"a negative width", 1100, [](KorvaneBox& b) { b.setWidthCol2(-5); }},
        {"column 2 hidden while column 1 is", 0, [](KorvaneBox& b) { b.setProperty("column2Width", 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        KorvaneBox box(true, nullptr);
        box.setWidthCol1(c.Col1Before);
        box.show();
        QString shown;
        QTimer::singleShot(50, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                for (QLabel* label : modal->findChildren<QLabel*>())
                    shown += label->text();
                modal->close();
            }
        });
        QSignalSpy width(&box, &KorvaneBox::widthCol2Changed);
        c.Write(box);
        EXPECT_TRUE(shown.contains(QStringLiteral("Invalid property value"))) << shown.toStdString();
        EXPECT_EQ(box.widthCol2(), 2900) << "the property keeps the width it had";
        EXPECT_EQ(box.widthCol1(), c.Col1Before);
        EXPECT_EQ(width.count(), 0);
    }
}

// --- events ------------------------------------------------------------------------------

// An event filter on the box sees the keys of its fields first, and a key
// it eats never reaches the control; a sink advised for the control's own
// events may change the key the control goes on with.
TEST_F(WidgetDriven, KeysAreCustomisedByAFilterOnTheBoxOrThroughTheControlsOwnEvents) {
    Window w;
    KorvaneBox& box = *w.box;
    struct EatQ final : QObject {
        std::vector<int> seen;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() != QEvent::KeyPress)
                return false;
            seen.push_back(static_cast<QKeyEvent*>(e)->key());
            return seen.back() == Qt::Key_Q;
        }
    } filter;
    box.installEventFilter(&filter);
    struct Sink final : ucvKorvaneEvents {
        std::vector<int> downs;
        void KeyPress(std::int16_t& ascii, std::int16_t&) override {
            if (ascii == 'x')
                ascii = 'E';  // typed x, meant E
        }
        void KeyDown(std::int16_t& code, std::int16_t&) override {
            downs.push_back(code);
            if (code == tk::key::Down)
                code = 0;  // Down does not move to the next row
        }
    } sink;
    box.advise(&sink);
    QSignalSpy text(&box, &KorvaneBox::editTextChanged);
    ClickAt(CentreOf(Child(box, "txtCol1")));
    ASSERT_TRUE(Until([&] { return Inside(QApplication::focusWidget(), &box); }));
    Xdo("type --delay 30 xqU");
    ASSERT_TRUE(Until([&] { return box.currentText(1).startsWith(QStringLiteral("EU")); }))
        << box.currentText(1).toStdString();
    EXPECT_NE(std::find(filter.seen.begin(), filter.seen.end(), Qt::Key_Q), filter.seen.end());
    Xdo("key Down");
    Pump(150);
    EXPECT_EQ(box.currentIndex(), -1) << "the sink swallowed Down";
    EXPECT_NE(std::find(sink.downs.begin(), sink.downs.end(), tk::key::Down), sink.downs.end());
    EXPECT_GE(text.count(), 1) << "the user's typing is told";
    EXPECT_EQ(text.last().at(0).toInt(), 1);
    box.advise(nullptr);
}

// A subclass overrides the box's key handler, as with any Qt widget; what
// it leaves goes on to the control, and a row the user reaches with the
// keys is activated.
TEST(KorvaneBoxInput, ASubclassesKeyHandlerSeesTheFieldsKeysFirst) {
    class NoDown final : public KorvaneBox {
    public:
        int downs = 0;

    protected:
        void keyPressEvent(QKeyEvent* e) override {
            if (e->key() == Qt::Key_Down && e->modifiers() == Qt::ShiftModifier) {
                ++downs;
                e->accept();
                return;
            }
            KorvaneBox::keyPressEvent(e);
        }
    };
    QWidget top;
    auto* box = new NoDown;
    auto* layout = new QVBoxLayout(&top);
    layout->addWidget(box);
    for (const char* c : {"EUR", "USD", "CHF"})
        box->addItem(QString::fromLatin1(c), QStringLiteral("x") + QString::fromLatin1(c), 1);
    top.show();
    QWidget* field = Child(*box, "txtCol1");
    ASSERT_NE(field, nullptr);
    field->setFocus();
    Until([&] { return field->hasFocus(); }, 1000);
    QSignalSpy activated(box, &KorvaneBox::activated);
    QSignalSpy changed(box, &KorvaneBox::currentIndexChanged);
    auto press = [&](Qt::KeyboardModifiers m) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, m);
        QApplication::sendEvent(field, &down);
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_Down, m);
        QApplication::sendEvent(field, &up);
        Pump(20);
    };
    press(Qt::ShiftModifier);
    EXPECT_EQ(box->downs, 1);
    EXPECT_EQ(box->currentIndex(), -1) << "the subclass took Shift+Down";
    press(Qt::NoModifier);
    EXPECT_EQ(box->currentIndex(), 0) << "plain Down went on to the control";
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.at(0).at(0).toInt(), 0);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 0);
}

// --- focus, Tab, clicks, buddy ------------------------------------------------------------

TEST_F(WidgetDriven, TabEntersTheControlFromALineEditAndLeavesItForTheNext) {
    for (auto style : {KorvaneBox::DropdownCombo, KorvaneBox::DropdownList}) {
        SCOPED_TRACE(style);
        Window w(style);
        ClickAt(CentreOf(w.name));
        ASSERT_TRUE(Until([&] { return QApplication::focusWidget() == w.name; }));
        Xdo("key Tab");
        ASSERT_TRUE(Until([&] { return Inside(QApplication::focusWidget(), w.box); }))
            << "Tab from the line edit enters the control";
        QWidget* label = Child(*w.box, "lblCol1");
        const QColor highlight = QApplication::palette().color(QPalette::Highlight);
        auto highlighted = [&] { return label->palette().color(QPalette::Window) == highlight; };
        if (style == KorvaneBox::DropdownList) {
            EXPECT_TRUE(Until(highlighted)) << "the control knows it has the focus";
        }
        // Through the control's own stops (both fields in Dropdown Combo).
        for (int i = 0; i < 3 && Inside(QApplication::focusWidget(), w.box); ++i) {
            Xdo("key Tab");
            Pump(60);
        }
        ASSERT_TRUE(Until([&] { return QApplication::focusWidget() == w.note; })) << "Tab leaves for the next widget";
        if (style == KorvaneBox::DropdownList) {
            EXPECT_TRUE(Until([&] { return !highlighted(); })) << "and knows it has lost it";
        }
        Xdo("key shift+Tab");
        ASSERT_TRUE(Until([&] { return Inside(QApplication::focusWidget(), w.box); })) << "and Shift+Tab comes back";
    }
}

TEST_F(WidgetDriven, AClickOnAPlainWidgetClosesAnOpenDropDownWithoutChoosing) {
    for (bool onFocusable : {true, false}) {
        SCOPED_TRACE(onFocusable ? "a line edit" : "a label");
        Window w(KorvaneBox::DropdownList);
        ClickAt(CentreOf(Child(*w.box, "imgCombo")));
        ASSERT_TRUE(Until([] { return DropDownShown(); }));
        Pump(50);
        QElapsedTimer clock;
        ClickAt(CentreOf(onFocusable ? static_cast<QWidget*>(w.other) : w.plain));
        clock.start();
        ASSERT_TRUE(Until([] { return !DropDownShown(); }, 1000));
        EXPECT_LE(clock.elapsed(), 100 + 100) << "closed by the next tick of the focus watcher at the latest";
        EXPECT_EQ(w.box->listIndex(), -1);
        if (onFocusable) {
            EXPECT_TRUE(Until([&] { return QApplication::focusWidget() == w.other; })) << "the click went through";
        }
    }
}

TEST_F(WidgetDriven, TheBuddyLabelNamesTheControlAndItsMnemonicFocusesIt) {
    Window w;
    QAccessibleInterface* outer = QAccessible::queryAccessibleInterface(w.box.data());
    ASSERT_NE(outer, nullptr);
    EXPECT_EQ(outer->text(QAccessible::Name), QStringLiteral("Currency"));
    QAccessibleInterface* combo = QAccessible::queryAccessibleInterface(Child(*w.box, "KorvaneBox1"));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->role(), QAccessible::ComboBox);
    EXPECT_EQ(combo->text(QAccessible::Name), QStringLiteral("Currency")) << "the combo box a screen reader finds";

    ClickAt(CentreOf(w.name));
    ASSERT_TRUE(Until([&] { return QApplication::focusWidget() == w.name; }));
    Xdo("key alt+c");
    ASSERT_TRUE(Until([&] { return QApplication::focusWidget() == Child(*w.box, "txtCol1"); }));
}

// --- going away ---------------------------------------------------------------------------

TEST(KorvaneBoxBadInput, DestroyedByItsParentOrInsideItsOwnSignalItLeavesNoWindowBehind) {
    const auto before = QApplication::topLevelWidgets().size();
    struct Case {
        const char* What;
        std::function<void(Window&)> Away;
    };
    const Case cases[] = {
        {"the parent window deleted while the list is open",
         [](Window& w) {
             SendClick(Child(*w.box, "imgCombo"));
             ASSERT_TRUE(DropDownShown());
             w.top.reset();
         }},
        {"deleted from its own clicked signal",
         [](Window& w) {
             QObject::connect(w.box, &KorvaneBox::clicked, w.box, [&w] { delete w.box.data(); });
             w.box->setListIndex(1);
         }},
        {"its window deleted from its clicked signal for a row chosen in the open list",
         [](Window& w) {
             SendClick(Child(*w.box, "imgCombo"));
             ASSERT_TRUE(DropDownShown());
             QObject::connect(w.box, &KorvaneBox::clicked, w.box, [&w] { w.top.reset(); });
             QWidget* list = DropDownList();
             ASSERT_NE(list, nullptr);
             for (auto key : {Qt::Key_Down, Qt::Key_Return}) {
                 QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier,
                                 key == Qt::Key_Return ? QStringLiteral("\r") : QString());
                 QApplication::sendEvent(list, &press);
             }
             Until([&w] { return w.box.isNull(); }, 1000);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        {
            Window w;
            c.Away(w);
            EXPECT_TRUE(w.box.isNull());
            EXPECT_TRUE(Until([] { return !DropDownShown(); }, 1000));
        }
        Pump(50);
        EXPECT_EQ(QApplication::topLevelWidgets().size(), before) << "no window of the control is left";
    }
}

}  // namespace
}  // namespace korvane::test
