#pragma once

#include "settings.h"
#include "xmodulebase.h"

#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>

class PlugbayBaseClass;
class PlugbayComponentItem;
class PlugbayComponentsModel;
class PlugbayDebugDevice;
class PlugbayWidget;
class QPlainTextEdit;
class QTimer;
class UserItem;

// Hosts one outside extension library, named by extension/extension.ini in
// the module's own folder: hands it the application's information, shows its
// debug text and its page, and binds its components to widget components.
class Plugbay : public XModuleBase
{
    Q_OBJECT

public:
    Plugbay();
    ~Plugbay() override;

    void setLinks(QString moduleDir, QString modulesLibDir, QString contentDir) override;
    void setTranslate(QString language) override;
    void setXwidgetsPanel(QWidget* panel) override;
    void setUsersList(void* usersList) override;
    void setMap(QMap<QString, QVariant> map) override;
    void init() override;
    QWidget* getWidget() override;
    void allLoaded() override;
    QMap<QString, QVariant> getMap() override;

    bool loadExtension(QString* error);
    void setAdditionalInfomation();
    void connectComponent(PlugbayComponentItem* item);
    void disconnectComponent(PlugbayComponentItem* item);

    QVariantMap storedMap;
    QString translate;
    QString baseDir;
    QString contentDir;
    bool debugEnabled = false;
    QList<UserItem*>* usersList = nullptr;
    Settings settings;
    // Owned by the host's tab once embedded; it outlives the module briefly.
    QPointer<PlugbayWidget> widget;
    PlugbayBaseClass* extension = nullptr;
    PlugbayDebugDevice* debugBuffer = nullptr;
    QPlainTextEdit* debugView = nullptr;
    PlugbayComponentsModel* model = nullptr;
    QMap<QString, PlugbayComponentItem*> components;

public slots:
    void x_debugBytesRead();
    void x_journalAdd(QString text, int level);
    void x_componentSetValue(QString name, QVariant value);
    void x_componentSetRange(QString name, double min, double max);
    void x_componentSetWritable(QString name, bool writable);
    void x_componentsUpdated();
    void xwidgetComponentConnected(PlugbayComponentItem* item);
    void component_valueUpdated();
    void component_returnValueUpdated();

private:
    // Runs one call into the extension. Whatever the call throws is reported
    // and stops there: what the caller preset stands in for its result.
    // False when it threw.
    bool callExtension(const char* operation, const std::function<void()>& call);
    // The name the item is listed under; empty for an item not listed.
    QString componentName(PlugbayComponentItem* item) const;
    PlugbayComponentItem* senderItem() const;

    // Shows what the debug device holds, with a line for what it dropped.
    void showDebugText();

    // The page the extension gave, while it lives.
    QPointer<QWidget> extensionPage;
    // Paces the showing of debug text, however fast it comes.
    QTimer* m_debugPace = nullptr;
};
