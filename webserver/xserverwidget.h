#pragma once

#include <QGroupBox>

class QCheckBox;
class QLabel;
class QSpinBox;
class XServerSettings;

// The web server's box in the settings tab; checking the box switches the
// server on. Loading the settings (re)starts or stops the server.
class XServerWidget : public QGroupBox
{
    Q_OBJECT

public:
    explicit XServerWidget(XServerSettings* settings, QWidget* parent = nullptr);

    void setStateText(const QString& text);
    QString stateText() const;

signals:
    void settingsLoaded();

public slots:
    void loadSettings();
    void saveSettings();

private:
    XServerSettings* m_settings = nullptr;
    QSpinBox* m_portSpinBox = nullptr;
    QSpinBox* m_delaySpinBox = nullptr;
    QLabel* m_stateLabel = nullptr;
    QCheckBox* m_secureCheckBox = nullptr;
};
