#include "xserverwidget.h"

#include "xserversettings.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QSslSocket>
#include <QVBoxLayout>

namespace {
const int PORT_MIN = 1;
const int PORT_MAX = 65534;
const int DELAY_MIN_MS = 0;
const int DELAY_MAX_MS = 60000;
}

XServerWidget::XServerWidget(XServerSettings* settings, QWidget* parent)
    : QGroupBox(parent)
    , m_settings(settings)
{
    setTitle(tr("WEB server"));
    setCheckable(true);

    auto* layout = new QVBoxLayout(this);

    auto* settingsRow = new QHBoxLayout;
    settingsRow->addWidget(new QLabel(tr("Port"), this));
    m_portSpinBox = new QSpinBox(this);
    m_portSpinBox->setObjectName(QStringLiteral("portSpinBox"));
    m_portSpinBox->setRange(PORT_MIN, PORT_MAX);
    settingsRow->addWidget(m_portSpinBox);
    settingsRow->addWidget(new QLabel(tr("Delay due to incorrect login / password"), this));
    m_delaySpinBox = new QSpinBox(this);
    m_delaySpinBox->setObjectName(QStringLiteral("delaySpinBox"));
    m_delaySpinBox->setRange(DELAY_MIN_MS, DELAY_MAX_MS);
    m_delaySpinBox->setSuffix(tr(" ms"));
    settingsRow->addWidget(m_delaySpinBox);
    QString secureText = tr("Secure connection");
    if (!QSslSocket::supportsSsl())
        secureText += tr(" (need install SSL, otherwise it will not work)");
    m_secureCheckBox = new QCheckBox(secureText, this);
    m_secureCheckBox->setObjectName(QStringLiteral("secureCheckBox"));
    settingsRow->addWidget(m_secureCheckBox);
    settingsRow->addStretch();
    layout->addLayout(settingsRow);

    auto* stateRow = new QHBoxLayout;
    stateRow->addWidget(new QLabel(tr("State") + QStringLiteral(": "), this));
    m_stateLabel = new QLabel(this);
    m_stateLabel->setObjectName(QStringLiteral("stateLabel"));
    stateRow->addWidget(m_stateLabel);
    stateRow->addStretch();
    layout->addLayout(stateRow);
}

void XServerWidget::setStateText(const QString& text)
{
    m_stateLabel->setText(text);
}

QString XServerWidget::stateText() const
{
    return m_stateLabel->text();
}

void XServerWidget::loadSettings()
{
    m_settings->load();
    setChecked(m_settings->enabled);
    m_portSpinBox->setValue(m_settings->port);
    m_delaySpinBox->setValue(m_settings->delay);
    m_secureCheckBox->setChecked(m_settings->secureConnection);
    emit settingsLoaded();
}

void XServerWidget::saveSettings()
{
    m_settings->enabled = isChecked();
    m_settings->port = m_portSpinBox->value();
    m_settings->delay = m_delaySpinBox->value();
    m_settings->secureConnection = m_secureCheckBox->isChecked();
    m_settings->save();
    loadSettings();
}
