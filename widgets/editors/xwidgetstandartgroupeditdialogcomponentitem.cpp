#include "xwidgetstandartgroupeditdialogcomponentitem.h"

#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentbaseclass.h"
#include "xwidgetstandartcomponentsettings.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QLineEdit>
#include <QSpacerItem>
#include <QStringList>

namespace {
const char POSITION_PREFIX[] = "p=";
const char SIZE_PREFIX[] = "s=";
const QChar PAIR_SEPARATOR = QLatin1Char('x');
const QChar PART_SEPARATOR = QLatin1Char(',');
const int DECIMAL = 10;

// Reads "<a>x<b>" as two decimal integers; false when it does not read.
bool readPair(const QString& text, int* first, int* second)
{
    const QStringList pieces = text.split(PAIR_SEPARATOR);
    if (pieces.size() != 2)
        return false;
    bool firstOk = false;
    bool secondOk = false;
    *first = pieces.at(0).toInt(&firstOk, DECIMAL);
    *second = pieces.at(1).toInt(&secondOk, DECIMAL);
    return firstOk && secondOk;
}
}

XWidgetStandartGroupEditDialogComponentItem::XWidgetStandartGroupEditDialogComponentItem(
    XWidgetStandartComponent* component, bool selected, QObject* parent)
    : QObject(parent)
    , rowLayout(new QHBoxLayout)
    , component(component)
    , selectBox(new QCheckBox(
          QStringLiteral("%1 (%2)").arg(component->settings->name, component->settings->libName)))
    , mouseBox(new QCheckBox)
    , geometryEdit(new QLineEdit)
{
    selectBox->setChecked(selected);
    mouseBox->setToolTip(tr("Transparent for mouse"));
    connect(mouseBox, &QCheckBox::toggled, this,
        &XWidgetStandartGroupEditDialogComponentItem::transparentForMouseChanged);
    connect(geometryEdit, &QLineEdit::editingFinished, this,
        &XWidgetStandartGroupEditDialogComponentItem::geometryEditingFinished);

    rowLayout->addWidget(selectBox);
    rowLayout->addWidget(mouseBox);
    rowLayout->addWidget(geometryEdit);
    rowLayout->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    if (component->object) {
        if (QWidget* fastEdit = component->object->fastEditWidget())
            rowLayout->addWidget(fastEdit);
    }
}

XWidgetStandartGroupEditDialogComponentItem::~XWidgetStandartGroupEditDialogComponentItem()
{
    component->setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

void XWidgetStandartGroupEditDialogComponentItem::updateGeometryText()
{
    geometryEdit->setText(QStringLiteral("p=%1x%2, s=%3x%4")
                              .arg(component->x())
                              .arg(component->y())
                              .arg(component->width())
                              .arg(component->height()));
}

void XWidgetStandartGroupEditDialogComponentItem::geometryEditingFinished()
{
    QString text = geometryEdit->text();
    text.remove(QLatin1Char(' '));
    text.remove(QLatin1Char('\t'));
    const QStringList parts = text.split(PART_SEPARATOR, Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        int first = 0;
        int second = 0;
        if (part.startsWith(QLatin1String(POSITION_PREFIX))) {
            if (readPair(part.mid(int(qstrlen(POSITION_PREFIX))), &first, &second))
                component->setPosition(QPoint(first, second));
        } else if (part.startsWith(QLatin1String(SIZE_PREFIX))) {
            if (readPair(part.mid(int(qstrlen(SIZE_PREFIX))), &first, &second))
                component->setSize(QSize(first, second));
        }
    }
    updateGeometryText();
}

void XWidgetStandartGroupEditDialogComponentItem::transparentForMouseChanged(bool s)
{
    component->setAttribute(Qt::WA_TransparentForMouseEvents, s);
    // The edit frame is drawn dashed for a component the mouse passes through.
    component->update();
}
