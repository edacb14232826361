#include "xwidgetstandartgroupeditdialog.h"

#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentsettings.h"
#include "xwidgetstandartgroupeditdialogcomponentitem.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

namespace {
const char KEY_GEOMETRY[] = "geometry";
const char KEY_POSITION[] = "p_position";
const char KEY_SIZE[] = "p_size";
const char KEY_CHECKED_LIST[] = "checkedList";
const char OUTSIDE_COORDINATE[] = "-";
}

XWidgetStandartGroupEditDialog::XWidgetStandartGroupEditDialog(
    QList<XWidgetStandartComponent*>* components, QVariant settings, QString name, QWidget* parent)
    : QWidget(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("XWidgetStandartGroupEditDialog"));
    setWindowTitle(tr("Editing component (%1)").arg(name));
    const QVariantMap state = settings.toMap();
    const QStringList checkedList = state.value(QLatin1String(KEY_CHECKED_LIST)).toStringList();

    auto* layout = new QVBoxLayout(this);
    cursorLabel = new QLabel;
    layout->addWidget(cursorLabel);
    positionBox = new QCheckBox(tr("Position"));
    positionBox->setChecked(state.value(QLatin1String(KEY_POSITION), false).toBool());
    layout->addWidget(positionBox);
    sizeBox = new QCheckBox(tr("Size"));
    sizeBox->setChecked(state.value(QLatin1String(KEY_SIZE), false).toBool());
    layout->addWidget(sizeBox);

    auto* buttonsLayout = new QHBoxLayout;
    auto* checkAllButton = new QPushButton(tr("Check all"));
    connect(checkAllButton, &QPushButton::clicked, this, &XWidgetStandartGroupEditDialog::checkAll);
    buttonsLayout->addWidget(checkAllButton);
    auto* uncheckAllButton = new QPushButton(tr("Uncheck all"));
    connect(uncheckAllButton, &QPushButton::clicked, this, &XWidgetStandartGroupEditDialog::uncheckAll);
    buttonsLayout->addWidget(uncheckAllButton);
    layout->addLayout(buttonsLayout);

    auto* scrollArea = new QScrollArea;
    auto* inner = new QWidget;
    auto* rowsLayout = new QVBoxLayout(inner);
    for (XWidgetStandartComponent* component : qAsConst(*components)) {
        if (component->noLibrary)
            continue;
        auto* item = new XWidgetStandartGroupEditDialogComponentItem(
            component, checkedList.contains(component->settings->name), this);
        connect(component, &XWidgetStandartComponent::geomertyChanged, this,
            &XWidgetStandartGroupEditDialog::componentGeomertyChanged);
        items.append(item);
        rowsLayout->addLayout(item->rowLayout);
    }
    scrollArea->setWidget(inner);
    layout->addWidget(scrollArea);

    componentGeomertyChanged();
    inner->adjustSize();
    restoreGeometry(state.value(QLatin1String(KEY_GEOMETRY)).toByteArray());
    show();
}

QVariant XWidgetStandartGroupEditDialog::settings()
{
    return QVariantMap { { QLatin1String(KEY_GEOMETRY), saveGeometry() },
        { QLatin1String(KEY_POSITION), positionBox->isChecked() },
        { QLatin1String(KEY_SIZE), sizeBox->isChecked() },
        { QLatin1String(KEY_CHECKED_LIST), checkedComponentNames() } };
}

QStringList XWidgetStandartGroupEditDialog::checkedComponentNames()
{
    QStringList names;
    for (XWidgetStandartGroupEditDialogComponentItem* item : qAsConst(items)) {
        if (item->selectBox->isChecked())
            names.append(item->component->settings->name);
    }
    return names;
}

void XWidgetStandartGroupEditDialog::componentGeomertyChanged()
{
    for (XWidgetStandartGroupEditDialogComponentItem* item : qAsConst(items))
        item->updateGeometryText();
}

void XWidgetStandartGroupEditDialog::checkAll()
{
    for (XWidgetStandartGroupEditDialogComponentItem* item : qAsConst(items))
        item->selectBox->setChecked(true);
}

void XWidgetStandartGroupEditDialog::uncheckAll()
{
    for (XWidgetStandartGroupEditDialogComponentItem* item : qAsConst(items))
        item->selectBox->setChecked(false);
}

void XWidgetStandartGroupEditDialog::setCursorPosition(QPoint p, bool outside)
{
    const QString x = outside ? QLatin1String(OUTSIDE_COORDINATE) : QString::number(p.x());
    const QString y = outside ? QLatin1String(OUTSIDE_COORDINATE) : QString::number(p.y());
    cursorLabel->setText(tr("Cursor position: %1x%2").arg(x, y));
}

void XWidgetStandartGroupEditDialog::closeEvent(QCloseEvent* event)
{
    emit closed();
    QWidget::closeEvent(event);
}
