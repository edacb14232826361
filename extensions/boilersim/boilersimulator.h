#pragma once

#include <plugbaybaseclass.h>

#include <QIODevice>
#include <QPointer>
#include <QTimer>
#include <QTranslator>

class BoilerPage;

// Simulates a boiler heating towards its set point: it sets the temperature
// and the burner state of the widget components bound to them, and follows
// the component bound to "clicks" without setting it.
class BoilerSimulator : public PlugbayBaseClass
{
    Q_OBJECT

public:
    explicit BoilerSimulator(const QVariant& parameters);
    ~BoilerSimulator() override;

    void x_setDebug(QIODevice* device) override;
    bool x_debugIsEnabled() override;
    void x_setAdditionInformation(QMap<QString, QVariant> info) override;
    void x_start() override;
    QVariant x_getParameters() override;
    QWidget* x_getWidget() override;
    QString x_widgetName() override;
    void x_widgetComponentConnected(QString name) override;
    void x_componentValueUpdated(QString name, QVariant value) override;
    QMap<QString, PlugbayBaseClass::widgetComponentItem_t> x_getComponentsList() override;

private:
    void tick();
    void debugLine(const QString& text);
    void publish();

    QPointer<QIODevice> m_debugDevice;
    QPointer<BoilerPage> m_page;
    QTimer m_timer;
    QTranslator m_translator;
    int m_starts = 0;
    int m_setpoint = 0;
    double m_temperature = 0;
    bool m_burnerOn = false;
};
