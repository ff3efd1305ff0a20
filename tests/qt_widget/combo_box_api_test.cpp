// KorvaneBox as a QComboBox user reads it: the members and signals that
// share QComboBox's names, the USER property under a QDataWidgetMapper,
// each rule the header's comments state about values, rows and errors,
// bad values through the meta-object, slots that destroy the box, and
// forms that keep their stored widths and the tab order uic writes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDataWidgetMapper>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "korvane/errors.h"
#include "korvane/qt/KorvaneBox.h"
#include "qt_support.h"
#include "widget_support.h"

namespace korvane::test {
namespace {

using korvane::qt::KorvaneBox;

// A shown window holding one box with four currencies.
struct Form {
    explicit Form(KorvaneBox::Style style = KorvaneBox::DropdownCombo) {
        auto* layout = new QVBoxLayout(top.get());
        box = new KorvaneBox;
        box->setBoxStyle(style);
        layout->addWidget(box);
        box->addItem(QStringLiteral("EUR"), QStringLiteral("Euro"), 978);
        box->addItem(QStringLiteral("USD"), QStringLiteral("US dollar"), 840);
        box->addItem(QStringLiteral("chf"), QStringLiteral("Swiss franc"), 756);
        box->addItem(QStringLiteral("GBP"), QStringLiteral("Pound sterling"), 826);
        top->show();
        top->activateWindow();
        Until([&] { return top->isActiveWindow(); }, 1000);
    }
    ~Form() { Pump(10); }
    std::unique_ptr<QWidget> top = std::make_unique<QWidget>();
    QPointer<KorvaneBox> box;
};

// --- reading ----------------------------------------------------------------------------

TEST(KorvaneBoxAsAComboBox, FindTextMatchesAsQtsItemModelsMatch) {
    Form f;
    struct Row {
        const char* What;
        QString Text;
        int Column;
        Qt::MatchFlags Flags;
        int Found;
    };
    const Qt::MatchFlags cs = Qt::MatchCaseSensitive;
    const Row rows[] = {
        {"exactly, the default", QStringLiteral("USD"), 1, Qt::MatchExactly | cs, 1},
        {"exactly is case-sensitive", QStringLiteral("usd"), 1, Qt::MatchExactly | cs, -1},
        {"a fixed string ignores case", QStringLiteral("CHF"), 1, Qt::MatchFixedString, 2},
        {"a fixed string with case", QStringLiteral("CHF"), 1, Qt::MatchFixedString | cs, -1},
        {"in column 2", QStringLiteral("Euro"), 2, Qt::MatchExactly | cs, 0},
        {"contains", QStringLiteral("dollar"), 2, Qt::MatchContains, 1},
        {"starts with, case ignored", QStringLiteral("swiss"), 2, Qt::MatchStartsWith, 2},
        {"ends with", QStringLiteral("ling"), 2, Qt::MatchEndsWith, 3},
        {"a wildcard", QStringLiteral("*o"), 2, Qt::MatchWildcard, 0},
        {"a regular expression", QStringLiteral("U.D"), 1, Qt::MatchRegularExpression | cs, 1},
        {"a broken regular expression", QStringLiteral("(("), 1, Qt::MatchRegularExpression, -1},
        {"nothing", QStringLiteral("JPY"), 1, Qt::MatchExactly | cs, -1},
        {"column 3 is no text column", QStringLiteral("978"), 3, Qt::MatchExactly | cs, -1},
        {"column 0", QStringLiteral("EUR"), 0, Qt::MatchExactly | cs, -1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.What);
        EXPECT_EQ(f.box->findText(r.Text, r.Column, r.Flags), r.Found);
    }
    EXPECT_EQ(f.box->findText(QStringLiteral("USD")), 1) << "column 1 and an exact match by default";
}

TEST(KorvaneBoxAsAComboBox, TheCurrentRowReadsAsInAQComboBoxAndNoRowGivesEmptyValues) {
    Form f;
    KorvaneBox& box = *f.box;
    EXPECT_EQ(box.count(), 4);
    EXPECT_EQ(box.property("count").toInt(), 4);
    EXPECT_EQ(box.currentIndex(), -1);
    EXPECT_FALSE(box.currentData().isValid()) << "no row chosen";
    EXPECT_EQ(box.currentText(1), QString());
    box.setCurrentIndex(1);
    EXPECT_EQ(box.currentData(), QVariant(840));
    EXPECT_EQ(box.currentText(1), QStringLiteral("USD"));
    EXPECT_EQ(box.currentText(2), QStringLiteral("US dollar"));
    EXPECT_EQ(box.itemText(3, 2), QStringLiteral("Pound sterling"));
    EXPECT_EQ(box.itemText(3), QStringLiteral("GBP")) << "column 1 by default";

    struct Bad {
        const char* What;
        std::function<QString()> Read;
        int Error;
    };
    const Bad bad[] = {
        {"a row past the last", [&] { return box.itemText(4); }, 6},
        {"a row below 0", [&] { return box.itemText(-1); }, 5},
        {"column 3", [&] { return box.itemText(0, 3); }, 5},
        {"a current text of column 0", [&] { return box.currentText(0); }, 5},
        {"a column past 16 bits", [&] { return box.itemText(0, 65537); }, 5},
        {"list() past the last row", [&] { return box.list(9); }, 6},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.What);
        EXPECT_EQ(b.Read(), QString());
        EXPECT_EQ(box.errorNumber(), b.Error);
    }
    EXPECT_EQ(box.itemData(7), 0);
    EXPECT_EQ(box.errorNumber(), 6);
}

// The README's idiom, after the user's Escape dropped the row: a Qt program
// reads 0 and an error, it is not ended by an exception from a slot.
TEST(KorvaneBoxAsAComboBox, AfterEscapeDroppedTheRowReadingTheItemDataOfTheCurrentRowGivesZero) {
    Form f;
    KorvaneBox& box = *f.box;
    box.setCurrentIndex(1);
    QWidget* field = Child(box, "txtCol1");
    ASSERT_NE(field, nullptr);
    field->setFocus();
    Until([&] { return field->hasFocus(); }, 1000);
    QSignalSpy changed(&box, &KorvaneBox::currentIndexChanged);
    SendKey(field, Qt::Key_Escape, QStringLiteral("\x1b"));
    Pump(20);
    ASSERT_EQ(box.currentIndex(), -1) << "Escape drops the row";
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(box.itemData(box.currentIndex()), 0);
    EXPECT_EQ(box.errorNumber(), 5);
    EXPECT_FALSE(box.currentData().isValid());
}

TEST(KorvaneBoxAsAComboBox, CurrentIndexIsTheUserPropertyThatADataWidgetMapperFollows) {
    Form f;
    KorvaneBox& box = *f.box;
    const QMetaProperty user = box.metaObject()->userProperty();
    ASSERT_TRUE(user.isValid());
    EXPECT_STREQ(user.name(), "currentIndex");
    EXPECT_TRUE(user.hasNotifySignal());

    QStandardItemModel model(2, 1);
    model.setData(model.index(0, 0), 2);
    model.setData(model.index(1, 0), 3);
    QDataWidgetMapper mapper;
    mapper.setModel(&model);
    mapper.setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
    mapper.addMapping(&box, 0);
    mapper.toFirst();
    EXPECT_EQ(box.currentIndex(), 2);
    mapper.toNext();
    EXPECT_EQ(box.currentIndex(), 3);
    box.setCurrentIndex(0);
    mapper.submit();
    EXPECT_EQ(model.data(model.index(1, 0)).toInt(), 0);
}

// --- what the header promises -------------------------------------------------------------

TEST(KorvaneBoxAsAComboBox, TheMembersKeepTheRulesTheirCommentsState) {
    struct Rule {
        const char* What;
        KorvaneBox::Style Style;
        std::function<void(KorvaneBox&)> Check;
    };
    const Rule rules[] = {
        {"a pair whose two texts are already there is refused without an error", KorvaneBox::DropdownCombo,
         [](KorvaneBox& b) {
             b.addItem(QStringLiteral("eur"), QStringLiteral("us DOLLAR"), 1);
             EXPECT_EQ(b.count(), 4);
             EXPECT_EQ(b.errorNumber(), 0);
             b.addItem(QStringLiteral("JPY"), QStringLiteral("Yen"), 392);
             EXPECT_EQ(b.count(), 5);
             EXPECT_EQ(b.newIndex(), 4);
         }},
        {"removing the chosen row empties the fields and chooses none", KorvaneBox::DropdownCombo,
         [](KorvaneBox& b) {
             b.setCurrentIndex(2);
             QSignalSpy changed(&b, &KorvaneBox::currentIndexChanged);
             b.removeItem(2);
             EXPECT_EQ(b.currentIndex(), -1);
             EXPECT_EQ(b.currentText(1), QString());
             EXPECT_EQ(b.itemText(2), QStringLiteral("GBP")) << "the rows after it moved up";
             EXPECT_EQ(changed.count(), 1);
         }},
        {"setList splits at the first tab", KorvaneBox::DropdownCombo,
         [](KorvaneBox& b) {
             b.setList(0, QStringLiteral("XAU\tGold\tounce"));
             EXPECT_EQ(b.itemText(0, 1), QStringLiteral("XAU"));
             EXPECT_EQ(b.itemText(0, 2), QStringLiteral("Gold\tounce"));
             b.setList(1, QStringLiteral("XAG"));
             EXPECT_EQ(b.itemText(1, 2), QString()) << "no tab: column 2 empty";
         }},
        {"setText looks no row up", KorvaneBox::DropdownCombo,
         [](KorvaneBox& b) {
             QSignalSpy edits(&b, &KorvaneBox::editTextChanged);
             b.setText(QStringLiteral("USD\tUS dollar"));
             EXPECT_EQ(b.currentIndex(), -1);
             EXPECT_EQ(b.text(), QStringLiteral("USD\tUS dollar"));
             ASSERT_EQ(edits.count(), 2) << "one for each column";
             EXPECT_EQ(edits.at(0).at(0).toInt(), 1);
             EXPECT_EQ(edits.at(0).at(1).toString(), QStringLiteral("USD"));
             EXPECT_EQ(edits.at(1).at(0).toInt(), 2);
         }},
        {"setText is refused in a Dropdown List", KorvaneBox::DropdownList,
         [](KorvaneBox& b) {
             b.setText(QStringLiteral("other"));
             EXPECT_EQ(b.errorNumber(), 7);
             EXPECT_EQ(b.text(), QString());
         }},
        {"autoFill stays off in a Dropdown List", KorvaneBox::DropdownList,
         [](KorvaneBox& b) {
             b.setAutoFill(true);
             EXPECT_FALSE(b.autoFill());
         }},
        {"clicked follows also the row already chosen, not while locked", KorvaneBox::DropdownCombo,
         [](KorvaneBox& b) {
             b.setCurrentIndex(1);
             QSignalSpy clicked(&b, &KorvaneBox::clicked);
             QSignalSpy changed(&b, &KorvaneBox::currentIndexChanged);
             b.setCurrentIndex(1);
             EXPECT_EQ(clicked.count(), 1);
             EXPECT_EQ(changed.count(), 0);
             b.setLocked(true);
             b.setCurrentIndex(2);
             EXPECT_EQ(b.currentIndex(), 2) << "the program's choice still holds";
             EXPECT_EQ(clicked.count(), 1);
         }},
        {"clear removes every row and chooses none", KorvaneBox::SimpleCombo,
         [](KorvaneBox& b) {
             b.setCurrentIndex(0);
             b.clear();
             EXPECT_EQ(b.count(), 0);
             EXPECT_EQ(b.currentIndex(), -1);
         }},
        {"sorting by item number chooses no row and puts the first at the top", KorvaneBox::DropdownCombo,
         [](KorvaneBox& b) {
             b.setCurrentIndex(0);
             b.sort(3);
             EXPECT_EQ(b.errorNumber(), 0);
             EXPECT_EQ(b.itemData(0), 756);
             EXPECT_EQ(b.itemData(3), 978);
             EXPECT_EQ(b.currentIndex(), -1);
             EXPECT_EQ(b.topIndex(), 0);
         }},
        {"a numeric sort reads a text without a number as 0", KorvaneBox::DropdownCombo,
         [](KorvaneBox& b) {
             b.setList(1, QStringLiteral("12 kg\tx"));
             b.setList(3, QStringLiteral("3.5\ty"));
             b.sort(1, true);
             EXPECT_EQ(b.errorNumber(), 0);
             EXPECT_EQ(b.itemText(2), QStringLiteral("3.5"));
             EXPECT_EQ(b.itemText(3), QStringLiteral("12 kg"));
         }},
        {"a numeric sort by the locale's rules refuses a text that is no number", KorvaneBox::DropdownCombo,
         [](KorvaneBox& b) {
             b.setList(0, QStringLiteral("1,5\tEuro"));
             b.sort(1, true);
             EXPECT_EQ(b.errorNumber(), 13);
             EXPECT_EQ(b.itemText(0), QStringLiteral("1,5")) << "the rows stay as they were";
             EXPECT_EQ(b.itemText(1), QStringLiteral("USD"));
         }},
        {"a narrow column becomes the smallest width, 0 hides it", KorvaneBox::DropdownCombo,
         [](KorvaneBox& b) {
             b.setColumn1Width(5);
             EXPECT_EQ(b.column1Width(), 18);
             EXPECT_EQ(b.widthCol1(), 270);
             b.setColumn1Width(0);
             EXPECT_EQ(b.column1Width(), 0);
             b.setColumn2Width(10);
             EXPECT_EQ(b.errorNumber(), 8) << "column 2 below the smallest width while column 1 is hidden";
             EXPECT_EQ(b.widthCol2(), 2900);
         }},
        {"the old tool tip name is the widget's tool tip", KorvaneBox::DropdownCombo,
         [](KorvaneBox& b) {
             b.setProperty("toolTipText", QStringLiteral("Pick one"));
             EXPECT_EQ(b.toolTip(), QStringLiteral("Pick one"));
             b.setToolTip(QStringLiteral("Another"));
             EXPECT_EQ(b.property("toolTipText").toString(), QStringLiteral("Another"));
             EXPECT_EQ(Child(b, "txtCol1")->toolTip(), QStringLiteral("Another")) << "the fields show it";
         }},
    };
    for (const Rule& r : rules) {
        SCOPED_TRACE(r.What);
        Form f(r.Style);
        r.Check(*f.box);
    }
}

TEST(KorvaneBoxAsAComboBox, MethodsAreReachableThroughTheMetaObject) {
    Form f;
    QObject* box = f.box;
    EXPECT_TRUE(QMetaObject::invokeMethod(box, "clear"));
    EXPECT_TRUE(QMetaObject::invokeMethod(box, "addItem", Q_ARG(QString, QStringLiteral("NOK")),
                                          Q_ARG(QString, QStringLiteral("Krone")), Q_ARG(int, 578)));
    int count = 0;
    EXPECT_TRUE(QMetaObject::invokeMethod(box, "count", Q_RETURN_ARG(int, count)));
    EXPECT_EQ(count, 1);
    EXPECT_TRUE(QMetaObject::invokeMethod(box, "setCurrentIndex", Q_ARG(int, 0)));
    QVariant data;
    EXPECT_TRUE(QMetaObject::invokeMethod(box, "currentData", Q_RETURN_ARG(QVariant, data)));
    EXPECT_EQ(data, QVariant(578));
    EXPECT_TRUE(QMetaObject::invokeMethod(box, "sort", Q_ARG(int, 1)));
    EXPECT_TRUE(QMetaObject::invokeMethod(box, "removeItem", Q_ARG(int, 0)));
    EXPECT_EQ(f.box->count(), 0);
}

// --- the user's choices -----------------------------------------------------------------

TEST(KorvaneBoxAsAComboBox, TheOpenListHighlightsTheRowsTheKeysReachAndEnterActivatesOne) {
    Form f;
    KorvaneBox& box = *f.box;
    QSignalSpy highlighted(&box, &KorvaneBox::highlighted);
    QSignalSpy activated(&box, &KorvaneBox::activated);
    QSignalSpy changed(&box, &KorvaneBox::currentIndexChanged);
    SendClick(Child(box, "imgCombo"));
    ASSERT_TRUE(Until([] { return DropDownList() != nullptr; }));
    QWidget* list = DropDownList();
    SendKey(list, Qt::Key_Down);
    SendKey(list, Qt::Key_Down);
    ASSERT_GE(highlighted.count(), 2);
    EXPECT_EQ(highlighted.last().at(0).toInt(), 1);
    EXPECT_EQ(activated.count(), 0) << "highlighting chooses nothing";
    EXPECT_EQ(changed.count(), 0);
    SendKey(list, Qt::Key_Return, QStringLiteral("\r"));
    ASSERT_TRUE(Until([&] { return activated.count() == 1; }));
    EXPECT_EQ(activated.at(0).at(0).toInt(), 1);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 1);
    EXPECT_EQ(box.currentData(), QVariant(840));
}

TEST(KorvaneBoxAsAComboBox, FilledTellsTheRowTheUserAddedWithEnter) {
    Form f;
    KorvaneBox& box = *f.box;
    box.setAutoFill(true);
    QSignalSpy filled(&box, &KorvaneBox::filled);
    QWidget* col1 = Child(box, "txtCol1");
    QWidget* col2 = Child(box, "txtCol2");
    col1->setFocus();
    Until([&] { return col1->hasFocus(); }, 1000);
    SendKey(col1, Qt::Key_N, QStringLiteral("N"));
    SendKey(col1, Qt::Key_Z, QStringLiteral("Z"));
    col2->setFocus();
    Until([&] { return col2->hasFocus(); }, 1000);
    SendKey(col2, Qt::Key_K, QStringLiteral("K"));
    SendKey(col2, Qt::Key_Return, QStringLiteral("\r"));
    ASSERT_TRUE(Until([&] { return filled.count() == 1; })) << box.text().toStdString();
    const int row = filled.at(0).at(0).toInt();
    EXPECT_EQ(row, box.newIndex());
    EXPECT_EQ(box.itemText(row, 1), QStringLiteral("NZ"));
    EXPECT_EQ(box.itemText(row, 2), QStringLiteral("K"));
}

// --- bad input --------------------------------------------------------------------------------

TEST(KorvaneBoxBadInput, WrongTypesNaNHugeNegativeAndEmptyValuesThroughSetPropertyKeepEveryValue) {
    Form f;
    KorvaneBox& box = *f.box;
    box.setCurrentIndex(1);
    struct Write {
        const char* Property;
        QVariant Value;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Write writes[] = {
        {"column1Width", nan},
        {"column1Width", -2147483647},
        {"column2Width", 2147483647},
        {"column2Width", nan},
        {"listViewHeight", -1e300},
        {"listViewHeight", QVariant()},
        {"currentIndex", 1e12},
        {"currentIndex", QStringLiteral("two")},
        {"boxStyle", QStringLiteral("Simple")},
        {"boxStyle", 99},
        {"widthCol1", std::numeric_limits<double>::infinity()},
        {"backColor", QStringLiteral("not a colour")},
        {"locked", QVariantList{1, 2}},
    };
    // What Qt's meta-object cannot convert is not written at all.
    const int w1 = box.widthCol1();
    EXPECT_FALSE(box.setProperty("column1Width", QStringLiteral("wide")));
    EXPECT_EQ(box.widthCol1(), w1);
    // What it converts (NaN and infinities become 0 or the smallest int, an
    // empty variant 0) meets the widget's rules like any other value.
    for (const Write& w : writes) {
        SCOPED_TRACE(std::string(w.Property) + " = " + w.Value.toString().toStdString());
        box.setProperty(w.Property, w.Value);
        EXPECT_EQ(box.currentIndex(), 1);
        EXPECT_EQ(box.boxStyle(), KorvaneBox::DropdownCombo);
        EXPECT_GT(box.widthCol1() + box.widthCol2(), 0) << "never both columns hidden";
        EXPECT_GE(box.listHeight(), 0);
        EXPECT_EQ(box.count(), 4);
    }
    // Text of any size, empty or not valid UTF-8 once encoded, is taken as given.
    const QString huge(200000, QChar(u'\u00e9'));
    for (const QString& text : {QString(), huge, QString(QChar(0xD800))}) {
        box.setText(text);
        box.addItem(text, text, 1);
    }
    EXPECT_TRUE(box.findText(huge) >= 4);
}

// Extreme sizes and styles: refused with the control's errors, and what is
// accepted keeps the widget, its hint and its drop-down inside the screen.
TEST(KorvaneBoxBadInput, ExtremeWidthsAndStylesAreRefusedOrKeptOnTheScreen) {
    Form f;
    KorvaneBox& box = *f.box;
    struct Write {
        const char* What;
        std::function<void()> Do;
        int Error;
    };
    const Write writes[] = {
        {"the widest int as twips", [&] { box.setWidthCol1(std::numeric_limits<int>::max()); }, 8},
        {"the widest int as pixels", [&] { box.setColumn2Width(std::numeric_limits<int>::max()); }, 8},
        {"the smallest int as pixels", [&] { box.setColumn1Width(std::numeric_limits<int>::min()); }, 8},
        {"style 4", [&] { box.setProperty("boxStyle", 4); }, 9},
        {"style -1 by the old name", [&] { box.setProperty("style", -1); }, 9},
        {"the widest int as a style", [&] { box.setProperty("boxStyle", std::numeric_limits<int>::max()); }, 9},
    };
    for (const Write& w : writes) {
        SCOPED_TRACE(w.What);
        w.Do();
        EXPECT_EQ(box.errorNumber(), w.Error);
        EXPECT_EQ(box.widthCol1(), 1100);
        EXPECT_EQ(box.widthCol2(), 2900);
        EXPECT_EQ(box.boxStyle(), KorvaneBox::DropdownCombo);
    }
    box.setWidthCol1(1'000'000);
    box.setWidthCol2(1'000'000);
    EXPECT_EQ(box.errorNumber(), 0) << "the widest column is accepted";
    const QSize screen = box.screen()->virtualSize();
    EXPECT_LE(box.sizeHint().width(), screen.width());
    EXPECT_GT(box.sizeHint().width(), 0) << "no overflow";
    SendClick(Child(box, "imgCombo"));
    ASSERT_TRUE(Until([] { return DropDownList() != nullptr; }));
    EXPECT_LE(DropDownList()->window()->width(), screen.width()) << "the drop-down stays on the screen";
}

// A slot that deletes the box inside each signal: nothing is left behind
// and nothing is used after it is gone (the sanitizers watch).
TEST(KorvaneBoxBadInput, ASlotThatDeletesTheBoxInsideEachSignalLeavesNothingBehind) {
    struct Case {
        const char* What;
        std::function<QMetaObject::Connection(KorvaneBox&, std::function<void()>)> Connect;
        std::function<void(KorvaneBox&)> Trigger;
    };
    auto choose = [](KorvaneBox& b) { b.setCurrentIndex(2); };
    const Case cases[] = {
        {"currentIndexChanged",
         [](KorvaneBox& b, auto f) { return QObject::connect(&b, &KorvaneBox::currentIndexChanged, f); }, choose},
        {"clicked", [](KorvaneBox& b, auto f) { return QObject::connect(&b, &KorvaneBox::clicked, f); }, choose},
        {"editTextChanged", [](KorvaneBox& b, auto f) { return QObject::connect(&b, &KorvaneBox::editTextChanged, f); },
         choose},
        {"textChanged", [](KorvaneBox& b, auto f) { return QObject::connect(&b, &KorvaneBox::textChanged, f); },
         choose},
        {"listIndexChanged",
         [](KorvaneBox& b, auto f) { return QObject::connect(&b, &KorvaneBox::listIndexChanged, f); }, choose},
        {"column1WidthChanged",
         [](KorvaneBox& b, auto f) { return QObject::connect(&b, &KorvaneBox::column1WidthChanged, f); },
         [](KorvaneBox& b) { b.setColumn1Width(90); }},
        {"boxStyleChanged before the form is shown",
         [](KorvaneBox& b, auto f) { return QObject::connect(&b, &KorvaneBox::boxStyleChanged, f); },
         [](KorvaneBox& b) {
             b.setDesignMode(true);
             b.setBoxStyle(KorvaneBox::SimpleCombo);
         }},
        {"highlighted in the open list",
         [](KorvaneBox& b, auto f) { return QObject::connect(&b, &KorvaneBox::highlighted, f); },
         [](KorvaneBox& b) {
             SendClick(Child(b, "imgCombo"));
             if (Until([] { return DropDownList() != nullptr; }))
                 SendKey(DropDownList(), Qt::Key_Down);
         }},
        {"activated from the open list",
         [](KorvaneBox& b, auto f) { return QObject::connect(&b, &KorvaneBox::activated, f); },
         [](KorvaneBox& b) {
             SendClick(Child(b, "imgCombo"));
             if (Until([] { return DropDownList() != nullptr; })) {
                 QWidget* list = DropDownList();
                 SendKey(list, Qt::Key_Down);
                 SendKey(list, Qt::Key_Return, QStringLiteral("\r"));
             }
         }},
    };
    const auto before = QApplication::topLevelWidgets().size();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        {
            Form f;
            QPointer<KorvaneBox> box = f.box;
            c.Connect(*box, [box] { delete box.data(); });
            c.Trigger(*box);
            EXPECT_TRUE(Until([&] { return box.isNull(); }, 1000));
        }
        Pump(20);
        EXPECT_EQ(QApplication::topLevelWidgets().size(), before) << "no window of the control is left";
    }
}

TEST(KorvaneBoxBadInput, ABoxMovedToAnotherWindowWhileItsListIsOpenKeepsWorking) {
    Form f;
    QWidget other;
    auto* layout = new QVBoxLayout(&other);
    other.show();
    SendClick(Child(*f.box, "imgCombo"));
    ASSERT_TRUE(Until([] { return DropDownList() != nullptr; }));
    layout->addWidget(f.box);
    Pump(150);
    f.box->setCurrentIndex(3);
    EXPECT_EQ(f.box->currentText(1), QStringLiteral("GBP"));
    f.box->setParent(nullptr);
    f.box->show();
    Pump(150);
    f.box->setCurrentIndex(0);
    EXPECT_EQ(f.box->currentData(), QVariant(978));
    delete f.box.data();
    EXPECT_TRUE(Until([] { return DropDownList() == nullptr; }));
}

// --- forms ------------------------------------------------------------------------------------

TEST(KorvaneBoxForms, ShowingAFormOrGivingTheBoxItsHintKeepsTheStoredWidths) {
    struct Widths {
        int Col1;
        int Col2;
    };
    for (auto style : {KorvaneBox::DropdownCombo, KorvaneBox::SimpleCombo, KorvaneBox::DropdownList}) {
        for (const Widths w : {Widths{1100, 2900}, Widths{700, 2100}, Widths{1013, 2777}, Widths{0, 3001}}) {
            SCOPED_TRACE(std::to_string(style) + ": " + std::to_string(w.Col1) + ", " + std::to_string(w.Col2));
            QWidget top;
            auto* layout = new QVBoxLayout(&top);
            auto* box = new KorvaneBox;
            box->setBoxStyle(style);
            box->setWidthCol1(w.Col1);
            box->setWidthCol2(w.Col2);
            layout->addWidget(box, 0, Qt::AlignLeft);
            top.show();
            Pump(20);
            EXPECT_EQ(box->widthCol1(), w.Col1);
            EXPECT_EQ(box->widthCol2(), w.Col2);
            for (int i = 0; i < 3; ++i) {
                box->resize(box->sizeHint());
                top.adjustSize();
                Pump(5);
            }
            EXPECT_EQ(box->widthCol1(), w.Col1) << "a resize to the size it asked for";
            EXPECT_EQ(box->widthCol2(), w.Col2);
        }
    }
}

// The tab order uic writes for a form (setTabOrder(name, box);
// setTabOrder(box, combo)) is the order the user meets with Tab, through
// the box's own stops, in every style.
TEST(KorvaneBoxForms, TheTabOrderUicWritesIsTheOrderTheUserGets) {
    if (!HaveXdotool())
        GTEST_SKIP() << "xdotool is not installed";
    for (auto style : {KorvaneBox::DropdownCombo, KorvaneBox::SimpleCombo, KorvaneBox::DropdownList}) {
        SCOPED_TRACE(style);
        QWidget top;
        auto* layout = new QVBoxLayout(&top);
        // Laid out in another order than the tabs go, as a form may be.
        auto* combo = new QComboBox;
        combo->setEditable(true);
        auto* box = new KorvaneBox;
        box->setBoxStyle(style);
        box->addItem(QStringLiteral("EUR"), QStringLiteral("Euro"), 1);
        auto* name = new QLineEdit;
        layout->addWidget(combo);
        layout->addWidget(box);
        layout->addWidget(name);
        QWidget::setTabOrder(name, box);
        QWidget::setTabOrder(box, combo);
        top.show();
        top.activateWindow();
        ASSERT_TRUE(Until([&] { return top.isActiveWindow(); }));
        name->setFocus();
        ASSERT_TRUE(Until([&] { return name->hasFocus(); }));
        Xdo("key Tab");
        EXPECT_TRUE(Until([&] { return box->isAncestorOf(QApplication::focusWidget()); })) << "name, then the box";
        for (int i = 0; i < 6 && box->isAncestorOf(QApplication::focusWidget()); ++i) {
            Xdo("key Tab");
            Pump(60);
        }
        EXPECT_TRUE(Until([&] {
            return QApplication::focusWidget() == combo->lineEdit() || QApplication::focusWidget() == combo;
        })) << "then the combo box";
        Xdo("key shift+Tab");
        EXPECT_TRUE(Until([&] { return box->isAncestorOf(QApplication::focusWidget()); })) << "and back into the box";
    }
}

}  // namespace
}  // namespace korvane::test
