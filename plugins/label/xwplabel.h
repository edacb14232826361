#pragma once

#include "settings.h"
#include "xwidgetstandartcomponentbaseclass.h"

#include <QList>
#include <QPalette>
#include <QString>
#include <QVariant>

class Item;
class QLabel;

// A text label whose text and colour follow the component's value through an
// ordered list of conditions.
class XwpLabel : public XWidgetStandartComponentBaseClass
{
    Q_OBJECT

public:
    XwpLabel();
    ~XwpLabel() override;

    void setEditMode(bool on) override;
    QVariantMap getMap() override;
    void setMap(QVariantMap map) override;
    QString webObject(bool isWritable) override;
    QVariant webVariant(QVariant value, bool isWritable) override;
    QObject* getInsideObject(QString obName) override;
    bool haveSettingsDialog() override;
    QByteArray settingsDialog(QByteArray geometry) override;
    void setName(QString newName) override;
    void setWritable(bool on) override;
    void setValue(QVariant v) override;
    void setReturnValue(QVariant v) override;
    QVariant getValue() override;

    void setValueProcess(QVariant v);
    bool isStaticValue() const;
    void acceptSettings();

private:
    const Item* chooseItem(const QVariant& v) const;
    QString colorName() const;

    QString name;
    bool writable = false;
    QVariant returnValue;
    Settings settings;
    QLabel* label = nullptr;
    QList<Item*> items;

    // The last web reply and what it was made from.
    QVariant m_webReply;
    QString m_webReplyText;
    qint64 m_webReplyPaletteKey = 0;
    QPalette::ColorGroup m_webReplyColorGroup = QPalette::NColorGroups;
};
