#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

class JournalExchangeItem;
class QWidget;

// The one class through which the host and a module library meet. It lives in
// the framework because the framework is what both sides are built from: the
// host compiles it into its full build and every module library into its own
// reduced copy. The host calls the virtuals on objects a library made, so its
// fields and the order of its virtual slots must never change on one side only.
//
// The widget a module returns from getWidget() is embedded as a tab page: from
// then on the host owns it and deletes it with the modules tab.
class XModuleBase : public QObject
{
    Q_OBJECT

public:
    explicit XModuleBase(QObject* parent = nullptr);

    QString linkDir;
    JournalExchangeItem* journal = nullptr;

public slots:
    virtual void setLinks(QString moduleDir, QString modulesLibDir, QString contentDir);
    virtual void setTranslate(QString language);
    virtual void setXwidgetsPanel(QWidget* panel);
    virtual void setSerialPort(QObject* serialPort);
    virtual void setUsersList(void* usersList);
    virtual void setMap(QMap<QString, QVariant> map);
    virtual void init();
    virtual QWidget* getWidget();
    virtual void allLoaded();
    virtual QMap<QString, QVariant> getMap();
};

// The unmangled functions a module library exports, as the host resolves them.
// Versions are packed as (major << 16) + (minor << 8) + patch.
using XModuleGetQtVersionFunction = int (*)();
using XModuleMakeObjectFunction = XModuleBase* (*)();
using XModuleGetVersionFunction = int (*)();
using XModuleDescriptionFunction = QString (*)();
