#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QVariant>
#include <QWidget>

class XWidgetStandartComponentBaseClass;
class XWidgetStandartComponentSettings;

// One component of a standard widget: hosts the object of its component
// library and routes every value that arrives for it.
//
// The module libraries run their own reduced copy of this class on the host's
// components: the fields and the five leading signals are shared between the
// builds and must stay the same in both; only the slots differ.
class XWidgetStandartComponent : public QWidget
{
    Q_OBJECT

public:
    explicit XWidgetStandartComponent(XWidgetStandartComponentSettings* settings);

    virtual bool editMode();
    virtual void setEditMode(bool on);

    Q_INVOKABLE QObject* getSubObject();
    Q_INVOKABLE void setMin(double v, QObject* sender = nullptr);
    Q_INVOKABLE void setMax(double v, QObject* sender = nullptr);
    Q_INVOKABLE bool setRange(double min, double max, QObject* sender = nullptr);
    Q_INVOKABLE void setWritable(bool v, QObject* sender = nullptr);
    Q_INVOKABLE QObject* setter();
    Q_INVOKABLE void setSetter(QObject* o);
    Q_INVOKABLE void setValue(QVariant v, QObject* sender);
    Q_INVOKABLE void setValueHandler(QVariant v, QObject* sender);
    Q_INVOKABLE void setReturnValue(QVariant v);
    Q_INVOKABLE QVariant lastSetValue();
    Q_INVOKABLE QVariant getValue();

    // The writability last given to the library object through this
    // component, which the component interface cannot report: a setter that
    // goes gives back what it found. Invalid while the library object keeps
    // the writability it was made with, which only the library knows. Held as
    // a dynamic property: the fields are shared with the module libraries.
    QVariant knownWritable() const;

    void connectToComponent(XWidgetStandartComponent* other);
    const QList<XWidgetStandartComponent*>& connectedComponents() const { return m_connectedComponents; }
    void setPosition(QPoint p);
    void setSize(QSize s);
    void clearResizeState();

signals:
    void setValueHandlerSignal(XWidgetStandartComponent* compObj, QVariant v, QObject* sender);
    void settingsUpdated();
    void valueUpdated();
    void returnValueUpdatedSignal();
    void geomertyChanged(XWidgetStandartComponent* comp, QPoint moving, QSize resizing);

#ifdef XWIDGETS_FULL
public slots:
    void settingsDialog();
    void libSettingsUpdated();
#else
private:
    // Not a slot here: the module libraries' meta-object must not grow by it.
    void libSettingsUpdated();
#endif

public slots:
    void returnValueUpdated();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    class PropagationWave;

    void passValueOn(const QVariant& v, const QObject* sender, PropagationWave& wave);
    template <typename Apply> void passLimitOn(const QObject* sender, PropagationWave& wave, Apply apply);
    Qt::CursorShape ownCursorShape() const;

    bool m_editMode = false;

public:
    // Components without a library are kept out of the standard widget's layout.
    bool noLibrary = false;
    XWidgetStandartComponentSettings* settings = nullptr;
    // Null when the library could not be loaded.
    XWidgetStandartComponentBaseClass* object = nullptr;

private:
    QList<XWidgetStandartComponent*> m_connectedComponents;
    QPoint m_pressPosition;
    QSize m_pressSize;
    bool m_resizeWidth = false;
    bool m_resizeHeight = false;
    bool m_resizeBoth = false;
};
