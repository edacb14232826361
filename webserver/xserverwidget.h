#pragma once

#include <QGroupBox>

// The web server's settings box in the settings tab. It holds no settings of
// its own yet; the settings tab already loads and saves it at its places.
class XServerWidget : public QGroupBox
{
    Q_OBJECT

public:
    explicit XServerWidget(QWidget* parent = nullptr);

    void loadSettings();
    void saveSettings();

signals:
    void settingsLoaded();
};
