#include "xwidgetstandartsettings.h"

#include "xwidgetstandartcomponentsettings.h"
#include "xstoredfile.h"

XWidgetStandartSettings::XWidgetStandartSettings() = default;

XWidgetStandartSettings::~XWidgetStandartSettings()
{
    qDeleteAll(components);
}

QVariantMap XWidgetStandartSettings::getMap()
{
    QVariantMap componentsMap;
    for (int i = 0; i < components.size(); ++i)
        componentsMap.insert(QString::number(i), components.at(i)->getMap());

    QVariantMap map;
    map.insert(QStringLiteral("base"), base.map());
    map.insert(QStringLiteral("name"), name);
    map.insert(QStringLiteral("setNameOnComponent"), setNameOnComponent);
    map.insert(QStringLiteral("transparent"), transparent);
    map.insert(QStringLiteral("scriptName"), scriptName);
    map.insert(QStringLiteral("scriptParameters"), scriptParameters);
    map.insert(QStringLiteral("components"), componentsMap);
    map.insert(QStringLiteral("layout"), layout);
    return map;
}

bool XWidgetStandartSettings::isWellTyped(const QVariantMap& map)
{
    const XStoredFile::MemberTypes types {
        { QStringLiteral("base"), QJsonValue::Object },
        { QStringLiteral("name"), QJsonValue::String },
        { QStringLiteral("setNameOnComponent"), QJsonValue::String },
        { QStringLiteral("transparent"), QJsonValue::Bool },
        { QStringLiteral("scriptName"), QJsonValue::String },
        { QStringLiteral("scriptParameters"), QJsonValue::Object },
        { QStringLiteral("components"), QJsonValue::Object },
        { QStringLiteral("layout"), QJsonValue::Double },
    };
    if (!XStoredFile::membersHaveTypes(map, types)
        || !XWidgetSettings::isWellTyped(map.value(QStringLiteral("base")).toMap()))
        return false;
    // The components are read from "0" up to the first gap; what follows a gap is not read.
    const QVariantMap componentsMap = map.value(QStringLiteral("components")).toMap();
    for (int i = 0; componentsMap.contains(QString::number(i)); ++i) {
        const QVariant entry = componentsMap.value(QString::number(i));
        if (entry.userType() != QMetaType::QVariantMap
            || !XWidgetStandartComponentSettings::isWellTyped(entry.toMap()))
            return false;
    }
    return true;
}

void XWidgetStandartSettings::setMap(QMap<QString, QVariant> map)
{
    const QVariant baseValue = map.value(QStringLiteral("base"));
    if (baseValue.isValid())
        base.setMap(baseValue.toMap());

    name = map.value(QStringLiteral("name")).toString();
    setNameOnComponent = map.value(QStringLiteral("setNameOnComponent")).toString();
    scriptName = map.value(QStringLiteral("scriptName")).toString();
    transparent = map.value(QStringLiteral("transparent")).toBool();
    scriptParameters = map.value(QStringLiteral("scriptParameters")).toMap();

    const QVariant componentsValue = map.value(QStringLiteral("components"));
    if (componentsValue.isValid()) {
        qDeleteAll(components);
        components.clear();
        const QVariantMap componentsMap = componentsValue.toMap();
        for (int i = 0;; ++i) {
            const QVariant entry = componentsMap.value(QString::number(i));
            if (!entry.isValid())
                break;
            auto* component = new XWidgetStandartComponentSettings;
            component->setMap(entry.toMap());
            components.append(component);
        }
    }

    layout = map.value(QStringLiteral("layout")).toInt();
}
