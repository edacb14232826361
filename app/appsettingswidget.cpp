#include "appsettingswidget.h"

#include "autorun.h"
#include "xserverwidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QSerialPortInfo>
#include <QSettings>
#include <QVBoxLayout>

namespace {
const int DEFAULT_LANGUAGE_INDEX = 0;
const char QT_TRANSLATION_PREFIX[] = "qt";

const char KEY_LANGUAGE[] = "language";
const char KEY_USE_STYLES[] = "useStyles";
const char KEY_MINIMIZE_ON_CLOSE[] = "minimizeOnClose";
const char GROUP_SERIAL_PORT[] = "serialPort";
const char KEY_AVAILABLE[] = "available";
const char KEY_PORT_NAME[] = "portName";
}

AppSettingsWidget::AppSettingsWidget(QSettings* settings, XServerWidget* serverBox)
    : m_settings(settings)
    , m_serverBox(serverBox)
{
    setObjectName(QStringLiteral("AppSettingsWidget"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeAdvancedBox());
    layout->addWidget(makeSerialPortBox());
    if (m_serverBox)
        layout->addWidget(m_serverBox);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    m_buttons->setObjectName(QStringLiteral("buttonBox"));
    connect(m_buttons, &QDialogButtonBox::accepted, this, &AppSettingsWidget::saveSettings);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &AppSettingsWidget::loadSettings);
    layout->addWidget(m_buttons);
    layout->addWidget(makeAboutLines());
    layout->addStretch();

    loadSettings();
}

QWidget* AppSettingsWidget::makeAdvancedBox()
{
    auto* box = new QGroupBox(tr("Advanced"), this);
    auto* layout = new QVBoxLayout(box);

    m_autorun = new QCheckBox(tr("Autorun"), box);
    m_autorun->setObjectName(QStringLiteral("autorun"));
    layout->addWidget(m_autorun);

    m_minimizeOnClose = new QCheckBox(tr("Minimize on close"), box);
    m_minimizeOnClose->setObjectName(QStringLiteral("minimizeOnClose"));
    layout->addWidget(m_minimizeOnClose);

    m_useStyles = new QCheckBox(tr("Use styles ") + QStringLiteral("(styles.css)"), box);
    m_useStyles->setObjectName(QStringLiteral("useStyles"));
    layout->addWidget(m_useStyles);

    auto* languageRow = new QHBoxLayout;
    languageRow->addWidget(new QLabel(tr("Language"), box));
    m_language = new QComboBox(box);
    m_language->setObjectName(QStringLiteral("language"));
    m_language->addItem(tr("Default"));
    // The Qt translations in the same folder are loaded by prefix beside the
    // chosen language; they are no languages of their own.
    const QFileInfoList files = QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/lng"))
                                    .entryInfoList({ QStringLiteral("*.qm") }, QDir::Files);
    for (const QFileInfo& file : files) {
        const QString name = file.completeBaseName();
        if (!name.startsWith(QLatin1String(QT_TRANSLATION_PREFIX)))
            m_language->addItem(name);
    }
    languageRow->addWidget(m_language);
    layout->addLayout(languageRow);
    return box;
}

QWidget* AppSettingsWidget::makeSerialPortBox()
{
    auto* box = new QGroupBox(tr("Common serial port"), this);
    auto* layout = new QVBoxLayout(box);

    auto* portRow = new QHBoxLayout;
    portRow->addWidget(new QLabel(tr("Port name"), box));
    m_portName = new QComboBox(box);
    m_portName->setObjectName(QStringLiteral("portName"));
    portRow->addWidget(m_portName);
    layout->addLayout(portRow);

    m_portAvailable = new QCheckBox(tr("Available"), box);
    m_portAvailable->setObjectName(QStringLiteral("serialPortAvailable"));
    layout->addWidget(m_portAvailable);

    serialPortUpdateList();
    connect(m_portAvailable, &QCheckBox::toggled, this, &AppSettingsWidget::serialPortAvailableToogled);
    return box;
}

QWidget* AppSettingsWidget::makeAboutLines()
{
    auto* about = new QWidget(this);
    auto* layout = new QVBoxLayout(about);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* version = new QLabel(tr("Qt version: ") + QLatin1String(qVersion()), about);
    version->setObjectName(QStringLiteral("qtVersion"));
    layout->addWidget(version);

    auto* link = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>")
                                .arg(QCoreApplication::organizationDomain().toHtmlEscaped(),
                                    QCoreApplication::organizationName().toHtmlEscaped()),
        about);
    link->setObjectName(QStringLiteral("link"));
    link->setTextFormat(Qt::RichText);
    link->setOpenExternalLinks(true);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    layout->addWidget(link);
    return about;
}

void AppSettingsWidget::serialPortUpdateList()
{
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& port : ports)
        m_portName->addItem(port.portName());
}

void AppSettingsWidget::serialPortAvailableToogled(bool on)
{
    if (on && m_portName->currentText().isEmpty()) {
        m_portAvailable->setChecked(false);
        return;
    }
    m_portName->setEnabled(!m_portAvailable->isChecked());
    emit serialPortSetAvailable(m_portName->currentText(), on);

    // Showing the stored state must not rewrite it: a port that is missing
    // at start would otherwise cost the stored port name.
    if (m_loading)
        return;
    m_settings->beginGroup(QLatin1String(GROUP_SERIAL_PORT));
    m_settings->setValue(QLatin1String(KEY_PORT_NAME), m_portName->currentText());
    m_settings->setValue(QLatin1String(KEY_AVAILABLE), m_portAvailable->isChecked());
    m_settings->endGroup();
}

void AppSettingsWidget::loadSettings()
{
    m_loading = true;
    m_autorun->setChecked(Autorun::isOn());

    const bool minimizeOnClose = m_settings->value(QLatin1String(KEY_MINIMIZE_ON_CLOSE), false).toBool();
    m_minimizeOnClose->setChecked(minimizeOnClose);
    QGuiApplication::setQuitOnLastWindowClosed(!minimizeOnClose);

    m_useStyles->setChecked(m_settings->value(QLatin1String(KEY_USE_STYLES), true).toBool());

    if (m_settings->contains(QLatin1String(KEY_LANGUAGE)))
        m_language->setCurrentIndex(
            m_language->findText(m_settings->value(QLatin1String(KEY_LANGUAGE)).toString()));
    else
        m_language->setCurrentIndex(DEFAULT_LANGUAGE_INDEX);

    m_settings->beginGroup(QLatin1String(GROUP_SERIAL_PORT));
    const QString portName = m_settings->value(QLatin1String(KEY_PORT_NAME)).toString();
    int portIndex = m_portName->findText(portName);
    // A port that the system does not list now (unplugged, or not made yet)
    // stays the chosen one, so that switching the port stores it again.
    if (portIndex < 0 && !portName.isEmpty()) {
        m_portName->addItem(portName);
        portIndex = m_portName->count() - 1;
    }
    if (portIndex >= 0)
        m_portName->setCurrentIndex(portIndex);
    const bool available = m_settings->value(QLatin1String(KEY_AVAILABLE), false).toBool();
    m_settings->endGroup();
    m_portAvailable->setChecked(available);
    m_loading = false;

    if (m_serverBox)
        m_serverBox->loadSettings();
}

void AppSettingsWidget::saveSettings()
{
    if (m_autorun->isChecked())
        Autorun::setOn(QCoreApplication::applicationFilePath());
    else
        Autorun::setOff();

    m_settings->setValue(QLatin1String(KEY_MINIMIZE_ON_CLOSE), m_minimizeOnClose->isChecked());
    QGuiApplication::setQuitOnLastWindowClosed(!m_minimizeOnClose->isChecked());

    m_settings->setValue(QLatin1String(KEY_USE_STYLES), m_useStyles->isChecked());

    // A stored language whose file has gone selects no entry; it is kept
    // rather than replaced by an empty one.
    const int languageIndex = m_language->currentIndex();
    if (languageIndex == DEFAULT_LANGUAGE_INDEX)
        m_settings->remove(QLatin1String(KEY_LANGUAGE));
    else if (languageIndex > DEFAULT_LANGUAGE_INDEX)
        m_settings->setValue(QLatin1String(KEY_LANGUAGE), m_language->currentText());

    if (m_serverBox)
        m_serverBox->saveSettings();
}
