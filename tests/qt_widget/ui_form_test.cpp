// A form with two KorvaneBoxes as a .ui file: compiled by uic into this
// program and loaded at run time by QUiLoader from the Designer plugin the
// project builds, both give the properties back, and a loaded box is a
// KorvaneBox to the program. A .ui with hostile values
// loads with the control's defaults for them and a warning. And the plugin
// tells Designer what it needs: class, header, group, icon, tool tips.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QLabel>
#include <QPluginLoader>
#include <QUiLoader>
#include <QWidget>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "korvane/errors.h"
#include "korvane/qt/KorvaneBox.h"
#include "ui_two_boxes.h"

namespace korvane::test {
namespace {

using korvane::qt::KorvaneBox;

// The properties the form sets, as any QObject reports them.
void ExpectTheFormsProperties(QWidget& form) {
    QWidget* currency = form.findChild<QWidget*>(QStringLiteral("currency"));
    QWidget* country = form.findChild<QWidget*>(QStringLiteral("country"));
    ASSERT_NE(currency, nullptr);
    ASSERT_NE(country, nullptr);
    EXPECT_EQ(currency->property("boxStyle").toInt(), KorvaneBox::DropdownList);
    EXPECT_EQ(currency->property("column1Width").toInt(), 47);
    EXPECT_EQ(currency->property("column2Width").toInt(), 140);
    EXPECT_EQ(currency->property("widthCol1").toInt(), 47 * 15) << "the control's own twips at 96 dpi";
    EXPECT_NEAR(currency->property("listViewHeight").toInt(), 80, 20) << "rounded to whole rows";
    EXPECT_TRUE(currency->property("locked").toBool());
    EXPECT_FALSE(currency->property("autoFill").toBool()) << "a Dropdown List has no fields to fill";
    EXPECT_EQ(currency->toolTip(), QStringLiteral("Pick a currency"));
    EXPECT_EQ(currency->property("backColor").value<QColor>(), QColor(255, 255, 224));

    EXPECT_EQ(country->property("boxStyle").toInt(), KorvaneBox::SimpleCombo);
    EXPECT_EQ(country->property("column1Width").toInt(), 67);
    EXPECT_EQ(country->property("column2Width").toInt(), 173);
    EXPECT_NEAR(country->property("listViewHeight").toInt(), 100, 20);
    EXPECT_TRUE(country->property("autoFill").toBool());
    EXPECT_FALSE(country->property("locked").toBool());
    EXPECT_EQ(country->property("foreColor").value<QColor>(), QColor(0, 0, 128));

    auto* label = form.findChild<QLabel*>(QStringLiteral("currencyLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->buddy(), currency);
}

TEST(UiForms, CompiledByUicTheFormGivesItsPropertiesBack) {
    QWidget form;
    Ui::TwoBoxesForm ui;
    ui.setupUi(&form);
    ExpectTheFormsProperties(form);
    // The compiled form holds our own widgets, usable as such.
    ui.country->addItem(QStringLiteral("CH"), QStringLiteral("Switzerland"), 41);
    EXPECT_EQ(ui.country->count(), 1);
    form.show();
    ui.currency->setBoxStyle(KorvaneBox::SimpleCombo);
    EXPECT_EQ(ui.currency->errorNumber(), 7) << "read-only once on the screen";
    EXPECT_EQ(ui.currency->boxStyle(), KorvaneBox::DropdownList);
}

std::unique_ptr<QUiLoader> LoaderWithOurPlugin() {
    auto loader = std::make_unique<QUiLoader>();
    loader->clearPluginPaths();
    loader->addPluginPath(QStringLiteral(KORVANE_DESIGNER_DIR));
    return loader;
}

TEST(UiForms, LoadedByQUiLoaderFromTheBuiltPluginTheFormGivesItsPropertiesBack) {
    auto loader = LoaderWithOurPlugin();
    ASSERT_TRUE(loader->availableWidgets().contains(QStringLiteral("korvane::qt::KorvaneBox")))
        << "the plugin in " << KORVANE_DESIGNER_DIR << " was not found";
    QFile file(QStringLiteral(KORVANE_TEST_FORM));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::unique_ptr<QWidget> form(loader->load(&file));
    ASSERT_NE(form, nullptr) << loader->errorString().toStdString();
    QWidget* currency = form->findChild<QWidget*>(QStringLiteral("currency"));
    ASSERT_NE(currency, nullptr);
    EXPECT_STREQ(currency->metaObject()->className(), "korvane::qt::KorvaneBox");
    ExpectTheFormsProperties(*form);
}

// A form saved with the control's own property names (style, widthCol1
// in twips, toolTipText) loads as it was saved.
TEST(UiForms, AFormSavedWithTheControlsNamesStillLoadsThroughQUiLoader) {
    auto loader = LoaderWithOurPlugin();
    QFile file(QStringLiteral(KORVANE_CONTROL_NAMES_FORM));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::unique_ptr<QWidget> form(loader->load(&file));
    ASSERT_NE(form, nullptr) << loader->errorString().toStdString();
    QWidget* currency = form->findChild<QWidget*>(QStringLiteral("currency"));
    QWidget* country = form->findChild<QWidget*>(QStringLiteral("country"));
    ASSERT_NE(currency, nullptr);
    ASSERT_NE(country, nullptr);
    EXPECT_EQ(currency->property("boxStyle").toInt(), KorvaneBox::DropdownList);
    EXPECT_EQ(currency->property("widthCol1").toInt(), 700);
    EXPECT_EQ(currency->property("widthCol2").toInt(), 2100);
    EXPECT_NEAR(currency->property("listHeight").toInt(), 1200, 300);
    EXPECT_EQ(currency->toolTip(), QStringLiteral("Pick a currency")) << "toolTipText is the widget's tool tip";
    EXPECT_EQ(country->property("boxStyle").toInt(), KorvaneBox::SimpleCombo);
    EXPECT_EQ(country->property("widthCol2").toInt(), 2600);
}

// The plugin links the widget's library, as this program does: a box it
// makes is this program's KorvaneBox, found and used as one.
TEST(UiForms, ABoxTheLoaderMadeIsAKorvaneBoxToTheProgram) {
#if !KORVANE_SHARED_WIDGET
    GTEST_SKIP() << "a static build's plugin carries its own copy of the widget";
#endif
    auto loader = LoaderWithOurPlugin();
    QFile file(QStringLiteral(KORVANE_TEST_FORM));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::unique_ptr<QWidget> form(loader->load(&file));
    ASSERT_NE(form, nullptr) << loader->errorString().toStdString();
    QWidget* currency = form->findChild<QWidget*>(QStringLiteral("currency"));
    ASSERT_NE(currency, nullptr);
    EXPECT_EQ(currency->metaObject(), &KorvaneBox::staticMetaObject) << "one class, from the one library";

    auto* box = qobject_cast<KorvaneBox*>(currency);
    ASSERT_EQ(box, currency) << "qobject_cast refused the loaded box";
    QWidget* country = form->findChild<QWidget*>(QStringLiteral("country"));
    ASSERT_NE(country, nullptr);
    EXPECT_EQ(form->findChild<KorvaneBox*>(QStringLiteral("country")), country);
    EXPECT_EQ(form->findChildren<KorvaneBox*>().size(), 2);

    // Filled through the cast; the meta-object system reads the same box.
    box->addItem(QStringLiteral("EUR"), QStringLiteral("Euro"), 978);
    box->addItem(QStringLiteral("USD"), QStringLiteral("US dollar"), 840);
    EXPECT_EQ(box->listCount(), 2);
    const int usd = box->newIndex();
    EXPECT_EQ(box->itemData(usd), 840);
    EXPECT_EQ(box->listCol(2, usd), QStringLiteral("US dollar"));
    box->setCurrentIndex(usd);
    EXPECT_EQ(currency->property("currentIndex").toInt(), usd);
    EXPECT_EQ(box->currentData(), QVariant(840));
}

// Warnings logged while a form loads.
std::vector<std::string> g_warnings;
void Collect(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg)
        g_warnings.push_back(text.toStdString());
}

TEST(UiForms, HostileValuesInAFormLoadAsTheDefaultsWithAWarning) {
    const QByteArray hostile = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>Hostile</class>
 <widget class="QWidget" name="Hostile">
  <widget class="korvane::qt::KorvaneBox" name="box">
   <property name="style"><number>7</number></property>
   <property name="widthCol1"><number>-500</number></property>
   <property name="widthCol2"><number>2222</number></property>
   <property name="listHeight"><number>-20</number></property>
   <property name="listIndex"><number>99</number></property>
  </widget>
 </widget>
 <customwidgets>
  <customwidget>
   <class>korvane::qt::KorvaneBox</class>
   <extends>QWidget</extends>
   <header>korvane/qt/KorvaneBox.h</header>
  </customwidget>
 </customwidgets>
</ui>
)";
    auto loader = LoaderWithOurPlugin();
    QBuffer buffer;
    buffer.setData(hostile);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    g_warnings.clear();
    QtMessageHandler previous = qInstallMessageHandler(Collect);
    std::unique_ptr<QWidget> form(loader->load(&buffer));
    qInstallMessageHandler(previous);
    ASSERT_NE(form, nullptr);
    QWidget* box = form->findChild<QWidget*>(QStringLiteral("box"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->property("style").toInt(), KorvaneBox::DropdownCombo);
    EXPECT_EQ(box->property("widthCol1").toInt(), 1100);
    EXPECT_EQ(box->property("widthCol2").toInt(), 2222) << "the sound values still load";
    EXPECT_GT(box->property("listHeight").toInt(), 0);
    EXPECT_EQ(box->property("listIndex").toInt(), -1);
    int refused = 0;
    for (const auto& w : g_warnings)
        refused += w.find("refused") != std::string::npos ? 1 : 0;
    EXPECT_GE(refused, 4) << "one warning for each refused value";
}

TEST(UiForms, ThePluginTellsDesignerItsClassHeaderGroupIconAndToolTips) {
    QPluginLoader plugin(QStringLiteral(KORVANE_DESIGNER_PLUGIN));
    auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(plugin.instance());
    ASSERT_NE(collection, nullptr) << plugin.errorString().toStdString();
    ASSERT_EQ(collection->customWidgets().size(), 1);
    QDesignerCustomWidgetInterface* box = collection->customWidgets().front();
    EXPECT_EQ(box->name(), QStringLiteral("korvane::qt::KorvaneBox"));
    EXPECT_EQ(box->includeFile(), QStringLiteral("korvane/qt/KorvaneBox.h"));
    EXPECT_EQ(box->group(), QStringLiteral("Korvane"));
    EXPECT_FALSE(box->icon().isNull());
    EXPECT_FALSE(box->isContainer());
    const QString xml = box->domXml();
    EXPECT_TRUE(xml.contains(QStringLiteral("<widget class=\"korvane::qt::KorvaneBox\"")));
#if KORVANE_DESIGNER_HELP
    EXPECT_TRUE(xml.contains(QStringLiteral("<tooltip name=\"column1Width\">"))) << xml.toStdString();
#endif
    box->initialize(nullptr);
    std::unique_ptr<QWidget> made(box->createWidget(nullptr));
    ASSERT_NE(made, nullptr);
    EXPECT_FALSE(made->property("designMode").isValid()) << "designMode is a member, not a property";
}

}  // namespace
}  // namespace korvane::test
