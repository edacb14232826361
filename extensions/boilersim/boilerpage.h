#pragma once

#include <QWidget>

class QLabel;
class QSpinBox;

// The simulator's own tab: the state of the boiler and its set point.
class BoilerPage : public QWidget
{
    Q_OBJECT

public:
    BoilerPage(int setpoint, int starts);

    void showState(double temperature, bool burnerOn);

signals:
    void setpointChanged(int setpoint);

private:
    QLabel* m_state = nullptr;
    QSpinBox* m_setpoint = nullptr;
};
