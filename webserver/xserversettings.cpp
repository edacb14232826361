#include "xserversettings.h"

#include <QSettings>

namespace {
const char GROUP[] = "web_server";
const char KEY_ENABLED[] = "enabled";
const char KEY_PORT[] = "port";
const char KEY_DELAY[] = "delay";
const char KEY_SECURE_CONNECTION[] = "secureConnection";

const bool DEFAULT_ENABLED = false;
const int DEFAULT_PORT = 80;
const int DEFAULT_DELAY_MS = 1000;
const bool DEFAULT_SECURE_CONNECTION = false;
const int MIN_DELAY_MS = 0;
const int MAX_DELAY_MS = 60000;
const int MIN_PORT = 1;
const int MAX_PORT = 65535;
}

XServerSettings::XServerSettings(QSettings* settings)
    : settings(settings)
{
}

void XServerSettings::load()
{
    settings->beginGroup(QLatin1String(GROUP));
    enabled = settings->value(QLatin1String(KEY_ENABLED), DEFAULT_ENABLED).toBool();
    // Anything but a port number counts as no port at all: read as it stands
    // it would give 0, on which the server listens at a port of the system's choosing.
    bool isNumber = false;
    port = settings->value(QLatin1String(KEY_PORT), DEFAULT_PORT).toInt(&isNumber);
    if (!isNumber || port < MIN_PORT || port > MAX_PORT)
        port = DEFAULT_PORT;
    // The settings box's range: outside it a failed sign-in would wait not at
    // all, or for days.
    delay = settings->value(QLatin1String(KEY_DELAY), DEFAULT_DELAY_MS).toInt(&isNumber);
    if (!isNumber || delay < MIN_DELAY_MS || delay > MAX_DELAY_MS)
        delay = DEFAULT_DELAY_MS;
    secureConnection
        = settings->value(QLatin1String(KEY_SECURE_CONNECTION), DEFAULT_SECURE_CONNECTION).toBool();
    settings->endGroup();
}

void XServerSettings::save()
{
    settings->beginGroup(QLatin1String(GROUP));
    settings->setValue(QLatin1String(KEY_ENABLED), enabled);
    settings->setValue(QLatin1String(KEY_PORT), port);
    settings->setValue(QLatin1String(KEY_DELAY), delay);
    settings->setValue(QLatin1String(KEY_SECURE_CONNECTION), secureConnection);
    settings->endGroup();
}
