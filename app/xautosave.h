#pragma once

#include <QObject>

class QSettings;
class QTimer;

// Asks for the stored files to be saved a few seconds after a change, so that
// a crash, a kill or a power cut costs those seconds and not everything since
// start.
//
// A change is what the operator does (a click, a key, a drop, the wheel), a
// change of the settings object, or one reported through changed(). The first
// change starts the delay and later ones ride along, so a burst costs one
// save. Whoever answers saveDue() writes only the files whose content changed.
// GUI thread only.
class XAutoSave : public QObject
{
    Q_OBJECT

public:
    XAutoSave(QSettings* settings, QObject* parent = nullptr);
    ~XAutoSave() override;

    void changed();
    // Whether the settings object changed since the last call, which forgets it.
    bool takeSettingsChanged();

signals:
    void saveDue();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void save();

    QSettings* m_settings = nullptr;
    QTimer* m_timer = nullptr;
    bool m_settingsChanged = false;
    // While saveDue() is answered: what the save itself changes is saved with it.
    bool m_saving = false;
};
