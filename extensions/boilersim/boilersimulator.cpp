#include "boilersimulator.h"

#include "boilerpage.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QVariantMap>

namespace {
const int TICK_MS = 1000;
const int DEFAULT_SETPOINT = 65;
const double COLD_TEMPERATURE = 18.0;
const double HEATING_PER_TICK = 1.5;
const double COOLING_PER_TICK = 0.5;
// The burner switches on below the set point minus this and off above it.
const double HYSTERESIS = 2.0;

const char STARTS_KEY[] = "starts";
const char SETPOINT_KEY[] = "setpoint";
const char TEMPERATURE_KEY[] = "temperature";

const char TEMPERATURE[] = "temperature";
const char BURNER[] = "burner";
const char CLICKS[] = "clicks";

QString degrees(double temperature)
{
    return QString::number(temperature, 'f', 1) + QStringLiteral(" \u00B0C");
}

// The host's Debug tab turns these back into characters.
QString escapedForDebug(const QString& text)
{
    QString escaped;
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            escaped += c;
        else
            escaped += QStringLiteral("\\u")
                + QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    }
    return escaped;
}
}

BoilerSimulator::BoilerSimulator(const QVariant& parameters)
{
    const QVariantMap saved = parameters.toMap();
    m_starts = saved.value(QLatin1String(STARTS_KEY), 0).toInt() + 1;
    m_setpoint = saved.value(QLatin1String(SETPOINT_KEY), DEFAULT_SETPOINT).toInt();
    m_temperature = saved.value(QLatin1String(TEMPERATURE_KEY), COLD_TEMPERATURE).toDouble();
    m_timer.setInterval(TICK_MS);
    connect(&m_timer, &QTimer::timeout, this, &BoilerSimulator::tick);
}

BoilerSimulator::~BoilerSimulator()
{
    m_timer.stop();
    x_journalAdd(tr("Boiler simulator stopped at %1").arg(degrees(m_temperature)), JournalNormal);
}

void BoilerSimulator::x_setDebug(QIODevice* device)
{
    PlugbayBaseClass::x_setDebug(device);
    m_debugDevice = device;
}

void BoilerSimulator::x_setAdditionInformation(QMap<QString, QVariant> info)
{
    // Our translations lie beside us, named after the program's language.
    const QString language = info.value(QStringLiteral("transtale")).toString();
    const QString dir
        = info.value(QStringLiteral("dirs")).toMap().value(QStringLiteral("extension")).toString();
    if (!dir.isEmpty() && m_translator.load(language, QDir(dir).filePath(QStringLiteral("lng")))
        && !m_translator.isEmpty())
        QCoreApplication::installTranslator(&m_translator);
}

bool BoilerSimulator::x_debugIsEnabled()
{
    return true;
}

void BoilerSimulator::x_start()
{
    x_journalAdd(tr("Boiler simulator started (start %1)").arg(m_starts), JournalNormal);
    emit x_componentsUpdated();
    m_timer.start();
}

QVariant BoilerSimulator::x_getParameters()
{
    return QVariantMap {
        { QLatin1String(STARTS_KEY), m_starts },
        { QLatin1String(SETPOINT_KEY), m_setpoint },
        { QLatin1String(TEMPERATURE_KEY), m_temperature },
    };
}

QWidget* BoilerSimulator::x_getWidget()
{
    if (!m_page) {
        m_page = new BoilerPage(m_setpoint, m_starts);
        connect(m_page, &BoilerPage::setpointChanged, this, [this](int setpoint) {
            m_setpoint = setpoint;
            debugLine(QStringLiteral("Set point %1 \u00B0C").arg(setpoint));
        });
        m_page->showState(m_temperature, m_burnerOn);
    }
    return m_page;
}

QString BoilerSimulator::x_widgetName()
{
    return tr("Boiler");
}

void BoilerSimulator::x_widgetComponentConnected(QString name)
{
    debugLine(QStringLiteral("Bound: ") + name);
    publish();
}

void BoilerSimulator::x_componentValueUpdated(QString name, QVariant value)
{
    if (name != QLatin1String(CLICKS) || !value.isValid())
        return;
    debugLine(QStringLiteral("Counter shows %1").arg(value.toString()));
}

QMap<QString, PlugbayBaseClass::widgetComponentItem_t> BoilerSimulator::x_getComponentsList()
{
    QMap<QString, widgetComponentItem_t> list;
    list.insert(QLatin1String(TEMPERATURE), { tr("Boiler temperature"), true, false });
    list.insert(QLatin1String(BURNER), { tr("Burner"), true, false });
    list.insert(QLatin1String(CLICKS), { tr("Clicks on the counter"), false, false });
    return list;
}

void BoilerSimulator::tick()
{
    const bool wasOn = m_burnerOn;
    if (m_temperature < m_setpoint - HYSTERESIS)
        m_burnerOn = true;
    else if (m_temperature > m_setpoint)
        m_burnerOn = false;
    m_temperature += m_burnerOn ? HEATING_PER_TICK : -COOLING_PER_TICK;
    if (m_burnerOn != wasOn)
        debugLine(QStringLiteral("Burner %1 at %2 \u00B0C")
                      .arg(m_burnerOn ? QStringLiteral("on") : QStringLiteral("off"))
                      .arg(m_temperature, 0, 'f', 1));
    publish();
}

void BoilerSimulator::publish()
{
    x_componentSetValue(QLatin1String(TEMPERATURE), QString::number(m_temperature, 'f', 1));
    // A value for conditions to compare with, the same in every language;
    // the page shows it translated.
    x_componentSetValue(QLatin1String(BURNER), m_burnerOn ? QStringLiteral("on") : QStringLiteral("off"));
    if (m_page)
        m_page->showState(m_temperature, m_burnerOn);
}

void BoilerSimulator::debugLine(const QString& text)
{
    // A stream of its own per line: the host's device sees the text at once.
    if (m_debugDevice)
        QDebug(m_debugDevice.data()).noquote() << escapedForDebug(text);
}

extern "C" Q_DECL_EXPORT PlugbayBaseClass* makeObject(QVariant parameters)
{
    return new BoilerSimulator(parameters);
}
