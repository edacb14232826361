#pragma once

#include <QBoxLayout>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

class QWidget;

// The one class through which the host and a component library meet. The same
// source is compiled into the host and into every component library, and both
// sides call its virtuals and connect its signals on objects made by the
// other: its fields, the order of its virtuals and the order of its
// meta-object methods must never change on one side only.
class XWidgetStandartComponentBaseClass : public QBoxLayout
{
    Q_OBJECT

public:
    XWidgetStandartComponentBaseClass();

    virtual bool editMode();
    virtual void setEditMode(bool on);
    virtual QString libPath() const;
    virtual void setLibPath(const QString& path);
    virtual QVariantMap getMap();
    virtual void setMap(QVariantMap map);
    virtual QString webObject(bool writable);
    virtual QVariant webVariant(QVariant v, bool writable);
    Q_INVOKABLE virtual QObject* getInsideObject(QString obName);
    virtual bool haveSettingsDialog();
    virtual QByteArray settingsDialog(QByteArray geometry);
    virtual QWidget* fastEditWidget();
    virtual void setName(QString name);
    virtual void setMin(double v);
    virtual void setMax(double v);
    virtual bool setRange(double min, double max);
    virtual void setWritable(bool v);
    virtual QObject* setter();
    virtual void setSetter(QObject* o);
    virtual void setValue(QVariant v);
    virtual void setReturnValue(QVariant v);
    virtual QVariant lastSetValue();
    virtual QVariant getValue();

signals:
    void valueUpdated();
    void returnValueUpdatedSignal();
    void libSettingsUpdated();

public slots:
    void returnValueUpdated();

protected:
    // The field names of the interface would clash with the accessors of the
    // same names, hence the prefixes; order and types are what binds.
    QString m_libPath;
    QObject* m_setter = nullptr;
    QVariant value;
    bool m_editMode = false;
};
