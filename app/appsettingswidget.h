#pragma once

#include <QString>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QSettings;
class XServerWidget;

// The "Settings" tab: program-wide options of settings.ini, autorun, the
// shared serial port's switch and the web server's settings box.
class AppSettingsWidget : public QWidget
{
    Q_OBJECT

public:
    // serverBox may be null; the tab then has no web server box.
    AppSettingsWidget(QSettings* settings, XServerWidget* serverBox);

signals:
    void serialPortSetAvailable(QString portName, bool available);

public slots:
    void serialPortUpdateList();
    void serialPortAvailableToogled(bool on);
    void loadSettings();
    void saveSettings();

private:
    QWidget* makeAdvancedBox();
    QWidget* makeSerialPortBox();
    QWidget* makeAboutLines();

    QSettings* m_settings = nullptr;
    XServerWidget* m_serverBox = nullptr;
    QCheckBox* m_autorun = nullptr;
    QCheckBox* m_minimizeOnClose = nullptr;
    QCheckBox* m_useStyles = nullptr;
    QComboBox* m_language = nullptr;
    QComboBox* m_portName = nullptr;
    QCheckBox* m_portAvailable = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    bool m_loading = false;
};
