#include "xhttpwidget.h"

#include "settings.h"
#include "xwidgetpanel.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentsettings.h"
#include "xtablefit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpacerItem>
#include <QTableView>
#include <QVBoxLayout>

namespace {
// A request as it usually reads, for the columns' first widths.
const char TYPICAL_NAME[] = "Pump on";
const char TYPICAL_REQUEST[] = "http://192.168.100.200/relay?pump=on";

QSpacerItem* stretchingSpacer()
{
    return new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum);
}

QString timePlace()
{
    return QStringLiteral(" (%1)").arg(QDateTime::currentDateTime().toString());
}
}

XHttpWidget::XHttpWidget(Settings* settings)
    : m_settings(settings)
    , m_xwidgetEdit(new QLineEdit(settings->xwidget))
    , m_componentBox(new QComboBox)
    , m_setAnswerBox(new QCheckBox(tr("Set answer to component")))
    , m_lastRequestLabel(new QLabel)
    , m_lastAnswerLabel(new QLabel)
    , m_answerBox(new QPlainTextEdit)
    , m_table(new QTableView)
    , m_addButton(new QPushButton(tr("Add")))
    , m_removeButton(new QPushButton(tr("Remove")))
    , m_useExtraEndBox(new QCheckBox(tr("Use extra end")))
    , m_dividerLabel(new QLabel(tr("Divider")))
    , m_dividerEdit(new QLineEdit)
{
    auto* layout = new QVBoxLayout(this);

    auto* selectionRow = new QHBoxLayout;
    selectionRow->addWidget(new QLabel(tr("Widget")));
    selectionRow->addWidget(m_xwidgetEdit);
    selectionRow->addWidget(new QLabel(tr("Component")));
    selectionRow->addWidget(m_componentBox);
    selectionRow->addWidget(m_setAnswerBox);
    selectionRow->addItem(stretchingSpacer());
    layout->addLayout(selectionRow);

    auto* statusBox = new QGroupBox;
    auto* statusLayout = new QVBoxLayout(statusBox);
    statusLayout->addWidget(m_lastRequestLabel);
    statusLayout->addWidget(m_lastAnswerLabel);
    QSizePolicy answerPolicy = m_answerBox->sizePolicy();
    answerPolicy.setVerticalPolicy(QSizePolicy::Minimum);
    m_answerBox->setSizePolicy(answerPolicy);
    statusLayout->addWidget(m_answerBox);
    layout->addWidget(statusBox);

    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table);

    auto* tableRow = new QHBoxLayout;
    tableRow->addWidget(m_addButton);
    tableRow->addWidget(m_removeButton);
    tableRow->addItem(stretchingSpacer());
    tableRow->addWidget(m_useExtraEndBox);
    tableRow->addWidget(m_dividerLabel);
    tableRow->addWidget(m_dividerEdit);
    layout->addLayout(tableRow);

    connect(m_setAnswerBox, &QCheckBox::toggled, this, &XHttpWidget::setAnswerToComponentChanged);
    connect(
        m_table->horizontalHeader(), &QHeaderView::sectionResized, this, &XHttpWidget::tableColumnResized);
    connect(m_removeButton, &QPushButton::clicked, this, &XHttpWidget::removeClicked);
    connect(m_useExtraEndBox, &QCheckBox::toggled, this, &XHttpWidget::useExtraEndChanged);
    connect(m_dividerEdit, &QLineEdit::textChanged, this, &XHttpWidget::extraEndDividerChanged);
    connect(m_useExtraEndBox, &QCheckBox::toggled, m_dividerLabel, &QWidget::setEnabled);
    connect(m_useExtraEndBox, &QCheckBox::toggled, m_dividerEdit, &QWidget::setEnabled);
    m_dividerLabel->setEnabled(false);
    m_dividerEdit->setEnabled(false);
    setLastRequest(QString());
    setLastAnswer(QString());
    xwidgetUpdate();
    m_componentBox->setCurrentText(settings->component);
    // Connected last: filling the controls from the stored settings must not
    // overwrite the stored component or make the module rebind.
    connect(m_xwidgetEdit, &QLineEdit::textChanged, this, &XHttpWidget::xwidgetUpdate);
    connect(m_componentBox, &QComboBox::currentTextChanged, this, &XHttpWidget::componentUpdated);
}

void XHttpWidget::loadFromSettings()
{
    m_setAnswerBox->setChecked(m_settings->setAnswerToComponent);
    QHeaderView* header = m_table->horizontalHeader();
    {
        const QSignalBlocker blocker(header);
        // The last column stretches: its width is never set.
        const int settable = header->count() - 1;
        for (int i = 0; i < m_settings->tableCollumnWith.size() && i < settable; ++i)
            header->resizeSection(i, m_settings->tableCollumnWith.at(i).toInt());
        // Columns the operator has not sized yet fit their titles and a typical row.
        const QList<int> typicalRow { XTableFit::cellTextWidth(m_table, QLatin1String(TYPICAL_NAME)),
            XTableFit::cellTextWidth(m_table, QLatin1String(TYPICAL_REQUEST)) };
        for (int i = m_settings->tableCollumnWith.size(); i < settable; ++i)
            header->resizeSection(i,
                std::max(header->sectionSize(i), XTableFit::neededColumnWidth(m_table, i, typicalRow)));
    }
    m_useExtraEndBox->setChecked(m_settings->useExtraEnd);
    m_dividerEdit->setText(m_settings->extraEndDivider);
}

void XHttpWidget::setLastRequest(QString name)
{
    m_lastRequestLabel->setText(tr("Last request%1: %2").arg(name.isNull() ? QString() : timePlace(), name));
}

void XHttpWidget::setLastAnswer(QString answer)
{
    m_lastAnswerLabel->setText(tr("Last answer%1:").arg(answer.isNull() ? QString() : timePlace()));
    m_answerBox->setPlainText(answer);
}

void XHttpWidget::removeClicked()
{
    const QModelIndex current = m_table->currentIndex();
    if (current.isValid())
        emit removeItem(current.row());
}

void XHttpWidget::setAnswerToComponentChanged()
{
    m_settings->setAnswerToComponent = m_setAnswerBox->isChecked();
}

void XHttpWidget::useExtraEndChanged()
{
    m_settings->useExtraEnd = m_useExtraEndBox->isChecked();
}

void XHttpWidget::extraEndDividerChanged()
{
    m_settings->extraEndDivider = m_dividerEdit->text();
}

void XHttpWidget::tableColumnResized()
{
    QHeaderView* header = m_table->horizontalHeader();
    QList<QVariant> widths;
    for (int i = 0; i < header->count() - 1; ++i)
        widths.append(header->sectionSize(i));
    m_settings->tableCollumnWith = widths;
}

void XHttpWidget::xwidgetUpdate()
{
    m_settings->xwidget = m_xwidgetEdit->text();
    XWidget* widget = XWidgetsPanel ? XWidgetsPanel->getXWidgetByID(m_settings->xwidget) : nullptr;
    m_componentBox->clear();
    // The host's type information is not ours: the class is checked by name.
    if (!widget || !widget->inherits("XWidgetStandart"))
        return;
    const auto* standart = static_cast<XWidgetStandart*>(widget);
    for (const XWidgetStandartComponent* component : standart->components) {
        if (component->object)
            m_componentBox->addItem(component->settings->name);
    }
}

void XHttpWidget::componentUpdated()
{
    m_settings->component = m_componentBox->currentText();
    emit componentUpdatedSignal();
}
