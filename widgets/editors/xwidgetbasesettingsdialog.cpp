#include "xwidgetbasesettingsdialog.h"

#include "xwidget.h"
#include "xwidgetgroup.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetidcheck.h"
#include "xwidgetpanel.h"
#include "xwidgetsettings.h"
#include "xwidgetsglobals.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>

namespace {
const int SIDE_MIN = 20;
const int SIDE_MAX = 3000;
const int POSITION_MIN = 0;
const int POSITION_MAX = 10000;

QSpinBox* makeSpin(int minimum, int maximum, int value, QWidget* parent)
{
    auto* spin = new QSpinBox(parent);
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    return spin;
}
}

XWidgetBaseSettingsDialog::XWidgetBaseSettingsDialog(
    XWidgetSettings* settings, XWidget* widget, QWidget* parent)
    : QDialog(parent)
    , settings(settings)
    , widget(widget)
{
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);

    auto* groupRow = new QHBoxLayout;
    groupRow->addWidget(new QLabel(tr("Group"), this));
    groupCombo = new QComboBox(this);
    groupCombo->addItem(QString());
    if (XWidgetsPanel) {
        for (XWidgetGroup* group : *XWidgetsPanel->groups)
            groupCombo->addItem(group->settings->name);
    }
    // A record naming a group that no longer exists finds no entry and keeps
    // the empty one, so accepting clears the stale name.
    const int groupIndex = groupCombo->findText(settings->group);
    groupCombo->setCurrentIndex(groupIndex < 0 ? 0 : groupIndex);
    groupRow->addWidget(groupCombo);
    layout->addLayout(groupRow);

    auto* idRow = new QHBoxLayout;
    idRow->addWidget(new QLabel(QStringLiteral("ID"), this));
    idEdit = new QLineEdit(settings->id, this);
    idRow->addWidget(idEdit);
    layout->addLayout(idRow);

    userSizeBox = new QGroupBox(tr("User size"), this);
    userSizeBox->setCheckable(true);
    userSizeBox->setChecked(settings->userSize);
    auto* sizeLayout = new QVBoxLayout(userSizeBox);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(new QLabel(tr("Width"), userSizeBox));
    widthSpin = makeSpin(SIDE_MIN, SIDE_MAX, settings->size.width(), userSizeBox);
    sizeRow->addWidget(widthSpin);
    sizeRow->addStretch();
    sizeRow->addWidget(new QLabel(tr("Height"), userSizeBox));
    heightSpin = makeSpin(SIDE_MIN, SIDE_MAX, settings->size.height(), userSizeBox);
    sizeRow->addWidget(heightSpin);
    sizeLayout->addLayout(sizeRow);
    auto* currentRow = new QHBoxLayout;
    currentRow->addWidget(
        new QLabel(tr("Current size") + QStringLiteral(" %1x%2").arg(widget->width()).arg(widget->height()),
            userSizeBox));
    auto* currentButton = new QPushButton(QStringLiteral("^"), userSizeBox);
    connect(currentButton, &QPushButton::clicked, this, &XWidgetBaseSettingsDialog::setCurrentSize);
    currentRow->addWidget(currentButton);
    sizeLayout->addLayout(currentRow);
    layout->addWidget(userSizeBox);

    auto* positionBox = new QGroupBox(tr("Position"), this);
    auto* positionLayout = new QVBoxLayout(positionBox);
    auto* positionRow = new QHBoxLayout;
    positionRow->addWidget(new QLabel(QStringLiteral("X"), positionBox));
    xSpin = makeSpin(POSITION_MIN, POSITION_MAX, widget->x(), positionBox);
    positionRow->addWidget(xSpin);
    positionRow->addStretch();
    positionRow->addWidget(new QLabel(QStringLiteral("Y"), positionBox));
    ySpin = makeSpin(POSITION_MIN, POSITION_MAX, widget->y(), positionBox);
    positionRow->addWidget(ySpin);
    // Connected only now that the values are in: opening the dialog must not
    // move the widget.
    connect(xSpin, QOverload<int>::of(&QSpinBox::valueChanged), this,
        &XWidgetBaseSettingsDialog::positionChanged);
    connect(ySpin, QOverload<int>::of(&QSpinBox::valueChanged), this,
        &XWidgetBaseSettingsDialog::positionChanged);
    positionLayout->addLayout(positionRow);
    auto* gridHint = new QLabel(
        tr("If you enable the snap to grid, then the movement will occur in shear at 10"), positionBox);
    gridHint->setWordWrap(true);
    positionLayout->addWidget(gridHint);
    layout->addWidget(positionBox);

    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    connect(okButton, &QPushButton::clicked, this, &XWidgetBaseSettingsDialog::accept);
    layout->addWidget(okButton);
}

void XWidgetBaseSettingsDialog::setCurrentSize()
{
    widthSpin->setValue(widget->width());
    heightSpin->setValue(widget->height());
}

void XWidgetBaseSettingsDialog::positionChanged()
{
    widget->moveTo(QPoint(xSpin->value(), ySpin->value()));
}

void XWidgetBaseSettingsDialog::accept()
{
    const QString refusal = XWidgetIdCheck::refusal(idEdit->text());
    if (!refusal.isEmpty()) {
        QMessageBox::warning(this, QString(), refusal, QMessageBox::Ok);
        return;
    }
    XWidget* holder = XWidgetsPanel ? XWidgetsPanel->getXWidgetByID(idEdit->text()) : nullptr;
    if (holder && holder != widget) {
        QMessageBox::warning(this, QString(), tr("This ID is busy"), QMessageBox::Ok);
        return;
    }
    settings->group = groupCombo->currentText();
    settings->id = idEdit->text();
    settings->userSize = userSizeBox->isChecked();
    settings->size = QSize(widthSpin->value(), heightSpin->value());
    QDialog::accept();
}
