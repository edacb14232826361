#include "xserverwidget.h"

XServerWidget::XServerWidget(QWidget* parent)
    : QGroupBox(parent)
{
}

void XServerWidget::loadSettings()
{
    emit settingsLoaded();
}

void XServerWidget::saveSettings() { }
