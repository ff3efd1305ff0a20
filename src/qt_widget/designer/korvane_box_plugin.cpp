// The Designer plugin's answers: the class, its header, its group and icon,
// the XML of a new KorvaneBox with the help text of each property as the
// property editor's tool tip, and the widget itself, made in design mode
// when Designer (not a QUiLoader at run time) asks for it.
#include "korvane_box_plugin.h"

#include <QIcon>
#include <QMetaProperty>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <utility>

#include "korvane/qt/KorvaneBox.h"
#if KORVANE_DESIGNER_HELP
#include "korvane/component/type_info.h"
#endif

namespace korvane::qt {

namespace {

#if KORVANE_DESIGNER_HELP
// The control's member behind a Qt property whose name differs from it
// (the others match case ignored: "backColor" is the member Backcolor).
QString MemberOf(const char* property) {
    static const std::pair<const char*, const char*> renamed[] = {
        {"boxStyle", "Style"},         {"currentIndex", "ListIndex"},    {"column1Width", "WidthCol1"},
        {"column2Width", "WidthCol2"}, {"listViewHeight", "ListHeight"}, {"count", "ListCount"},
    };
    for (const auto& [qtName, member] : renamed) {
        if (qstrcmp(qtName, property) == 0)
            return QString::fromLatin1(member);
    }
    return QString::fromLatin1(property);
}
#endif

// The help text of the member behind a Qt property.
QString HelpOf(const char* property) {
#if KORVANE_DESIGNER_HELP
    const QString wanted = MemberOf(property);
    for (const auto& member : component::Library().Members) {
        const QString name = QString::fromUtf8(member.Name.data(), static_cast<qsizetype>(member.Name.size()));
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(member.Help.data(), static_cast<qsizetype>(member.Help.size()));
    }
#else
    (void)property;
#endif
    return {};
}

// Two fields side by side and a drop-down button, drawn rather than shipped
// as a picture file.
QIcon DrawIcon() {
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(80, 80, 80));
    p.setBrush(Qt::white);
    p.drawRect(1, 6, 19, 9);
    p.drawLine(8, 6, 8, 15);
    p.setBrush(QColor(210, 210, 210));
    p.drawRect(14, 6, 6, 9);
    p.setBrush(QColor(40, 40, 40));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygon({QPoint(15, 9), QPoint(20, 9), QPoint(17, 13)}));
    p.end();
    return QIcon(pixmap);
}

}  // namespace

KorvaneBoxPlugin::KorvaneBoxPlugin(QObject* parent) : QObject(parent) {}

QString KorvaneBoxPlugin::name() const {
    return QStringLiteral("korvane::qt::KorvaneBox");
}
QString KorvaneBoxPlugin::group() const {
    return QStringLiteral("Korvane");
}
QString KorvaneBoxPlugin::toolTip() const {
    return QStringLiteral("KorvaneBox: a two-column combo box");
}
QString KorvaneBoxPlugin::whatsThis() const {
    return QStringLiteral(
        "A combo box whose rows hold a column-1 text, a column-2 text and an item number, as a Dropdown Combo, "
        "a Simple Combo or a Dropdown List.");
}
QString KorvaneBoxPlugin::includeFile() const {
    return QStringLiteral("korvane/qt/KorvaneBox.h");
}
QIcon KorvaneBoxPlugin::icon() const {
    return DrawIcon();
}
bool KorvaneBoxPlugin::isContainer() const {
    return false;
}

QWidget* KorvaneBoxPlugin::createWidget(QWidget* parent) {
    return new KorvaneBox(inDesigner_, parent);
}

bool KorvaneBoxPlugin::isInitialized() const {
    return initialized_;
}

// Only Designer hands over its form editor; a loader at run time gives none.
void KorvaneBoxPlugin::initialize(QDesignerFormEditorInterface* core) {
    if (initialized_)
        return;
    initialized_ = true;
    inDesigner_ = core != nullptr;
}

QString KorvaneBoxPlugin::domXml() const {
    QString tips;
    const QMetaObject& meta = KorvaneBox::staticMetaObject;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
        const QMetaProperty property = meta.property(i);
        const QString help = HelpOf(property.name());
        if (!help.isEmpty()) {
            tips += QStringLiteral("    <tooltip name=\"%1\">%2</tooltip>\n")
                        .arg(QString::fromLatin1(property.name()), help.toHtmlEscaped());
        }
    }
    return QStringLiteral(
               "<ui language=\"c++\" displayname=\"KorvaneBox\">\n"
               " <widget class=\"korvane::qt::KorvaneBox\" name=\"korvaneBox\"/>\n"
               " <customwidgets>\n"
               "  <customwidget>\n"
               "   <class>korvane::qt::KorvaneBox</class>\n"
               "   <propertyspecifications>\n%1"
               "   </propertyspecifications>\n"
               "  </customwidget>\n"
               " </customwidgets>\n"
               "</ui>\n")
        .arg(tips);
}

KorvaneWidgets::KorvaneWidgets(QObject* parent) : QObject(parent) {
    widgets_.append(new KorvaneBoxPlugin(this));
}

QList<QDesignerCustomWidgetInterface*> KorvaneWidgets::customWidgets() const {
    return widgets_;
}

}  // namespace korvane::qt
