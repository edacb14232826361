#pragma once

class QSettings;

// The web server's settings, kept in the group "web_server" of settings.ini.
class XServerSettings
{
public:
    explicit XServerSettings(QSettings* settings);

    void load();
    void save();

    QSettings* settings = nullptr;
    bool enabled = false;
    int port = 80;
    int delay = 500;
    bool secureConnection = false;
};
