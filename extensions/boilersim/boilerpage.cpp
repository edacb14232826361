#include "boilerpage.h"

#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

namespace {
const int SETPOINT_MIN = 20;
const int SETPOINT_MAX = 95;
}

BoilerPage::BoilerPage(int setpoint, int starts)
    : m_state(new QLabel)
    , m_setpoint(new QSpinBox)
{
    m_setpoint->setRange(SETPOINT_MIN, SETPOINT_MAX);
    m_setpoint->setValue(setpoint);
    m_setpoint->setSuffix(QStringLiteral(" \u00B0C"));
    auto* layout = new QFormLayout(this);
    layout->addRow(tr("State:"), m_state);
    layout->addRow(tr("Set point:"), m_setpoint);
    layout->addRow(tr("Starts:"), new QLabel(QString::number(starts)));
    connect(m_setpoint, QOverload<int>::of(&QSpinBox::valueChanged), this, &BoilerPage::setpointChanged);
}

void BoilerPage::showState(double temperature, bool burnerOn)
{
    const QString degrees = QString::number(temperature, 'f', 1) + QStringLiteral(" \u00B0C");
    m_state->setText(tr("%1, burner %2").arg(degrees, burnerOn ? tr("on") : tr("off")));
}
