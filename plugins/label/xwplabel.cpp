#include "xwplabel.h"

#include "dialog.h"
#include "item.h"

#include <QColor>
#include <QLabel>
#include <QPalette>
#include <QPointer>

namespace {
const QString NAME_MARKER = QStringLiteral("%%name%%");
const QString VALUE_MARKER = QStringLiteral("%%value%%");
const QString INSIDE_LABEL_NAME = QStringLiteral("value");
const QString WEB_TEXT_KEY = QStringLiteral("t");
const QString WEB_COLOR_KEY = QStringLiteral("c");
const QString WEB_CONSTRUCTOR = QStringLiteral("new Vistag('%1', '%2', '%3', {t:'%4', c:'%5'})");
const int DOUBLE_SIGNIFICANT_DIGITS = 6;

// The constructor text is run by the browser: a quote or a line break in a
// label text would end the string early, and "</" would end an enclosing
// script element.
QString quotedForScript(const QString& text)
{
    QString quoted;
    quoted.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case '\\':
            quoted += QLatin1String("\\\\");
            break;
        case '\'':
            quoted += QLatin1String("\\'");
            break;
        case '\n':
            quoted += QLatin1String("\\n");
            break;
        case '\r':
            quoted += QLatin1String("\\r");
            break;
        case 0x2028:
            quoted += QLatin1String("\\u2028");
            break;
        case 0x2029:
            quoted += QLatin1String("\\u2029");
            break;
        case '/':
            quoted
                += (i > 0 && text.at(i - 1) == QLatin1Char('<')) ? QLatin1String("\\/") : QLatin1String("/");
            break;
        default:
            quoted += c;
        }
    }
    return quoted;
}

bool matchesByNumber(const Item* item, double number)
{
    if (item->condition != Item::More && item->condition != Item::Less)
        return false;
    bool isNumber = false;
    const double bound = item->value.toDouble(&isNumber);
    if (!isNumber)
        return false;
    return item->condition == Item::More ? number > bound : number < bound;
}
}

XwpLabel::XwpLabel()
    : label(new QLabel)
{
    setDirection(QBoxLayout::LeftToRight);
    addWidget(label, 0);
    setAlignment(label, Qt::AlignTop);
}

XwpLabel::~XwpLabel()
{
    qDeleteAll(items);
}

void XwpLabel::setEditMode(bool on)
{
    XWidgetStandartComponentBaseClass::setEditMode(on);
    label->setAttribute(Qt::WA_TransparentForMouseEvents, on);
}

QVariantMap XwpLabel::getMap()
{
    settings.items.clear();
    for (const Item* item : qAsConst(items))
        settings.items.append(item->getMap());
    return settings.getMap();
}

void XwpLabel::setMap(QVariantMap map)
{
    settings.setMap(map);
    // The map replaces the conditions: a second call must not append to them.
    qDeleteAll(items);
    items.clear();
    for (const QVariantMap& itemMap : qAsConst(settings.items)) {
        auto* item = new Item;
        item->setMap(itemMap);
        items.append(item);
    }
    acceptSettings();
    setValueProcess(QVariant());
}

QString XwpLabel::webObject(bool isWritable)
{
    Q_UNUSED(isWritable)
    const QFont font = label->font();
    const QString size = font.pointSize() < 0 ? QStringLiteral("%1px").arg(font.pixelSize())
                                              : QStringLiteral("%1pt").arg(font.pointSize());
    const QString weight = font.weight() == QFont::Bold ? QStringLiteral("bold") : QStringLiteral("normal");
    // All markers in one pass, so that a "%1" inside a text stays that text.
    return WEB_CONSTRUCTOR.arg(quotedForScript(size), quotedForScript(font.family()), quotedForScript(weight),
        quotedForScript(label->text()), quotedForScript(colorName()));
}

QVariant XwpLabel::webVariant(QVariant value, bool isWritable)
{
    Q_UNUSED(value)
    Q_UNUSED(isWritable)
    if (isStaticValue())
        return QVariant();
    // Every browser asks for this several times a second, while the label
    // changes only with its value: the reply is made anew only when the text
    // or the palette it is read from changed.
    const QPalette& palette = label->palette();
    const QString text = label->text();
    if (!m_webReply.isValid() || palette.cacheKey() != m_webReplyPaletteKey
        || palette.currentColorGroup() != m_webReplyColorGroup || text != m_webReplyText) {
        m_webReply = QVariantMap { { WEB_TEXT_KEY, text }, { WEB_COLOR_KEY, colorName() } };
        m_webReplyText = text;
        m_webReplyPaletteKey = palette.cacheKey();
        m_webReplyColorGroup = palette.currentColorGroup();
    }
    return m_webReply;
}

QObject* XwpLabel::getInsideObject(QString obName)
{
    return obName == INSIDE_LABEL_NAME ? label : nullptr;
}

bool XwpLabel::haveSettingsDialog()
{
    return true;
}

QByteArray XwpLabel::settingsDialog(QByteArray geometry)
{
    QPointer<Dialog> dialog = new Dialog(&settings, &items, name, label);
    dialog->restoreGeometry(geometry);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    // The host may delete the component while the dialog runs, and the dialog with it.
    if (!dialog)
        return geometry;
    if (accepted) {
        emit libSettingsUpdated();
        acceptSettings();
    }
    const QByteArray saved = dialog->saveGeometry();
    dialog->deleteLater();
    return saved;
}

void XwpLabel::setName(QString newName)
{
    name = newName;
    setValueProcess(lastSetValue());
}

void XwpLabel::setWritable(bool on)
{
    writable = on;
}

void XwpLabel::setValue(QVariant v)
{
    setValueProcess(v);
    XWidgetStandartComponentBaseClass::setValue(v);
}

void XwpLabel::setReturnValue(QVariant v)
{
    returnValue = v;
    returnValueUpdated();
}

QVariant XwpLabel::getValue()
{
    return writable ? returnValue : lastSetValue();
}

void XwpLabel::setValueProcess(QVariant v)
{
    const Item* chosen = chooseItem(v);

    QString text = chosen ? chosen->text : QString();
    text.replace(NAME_MARKER, name);
    const QString valueText = v.userType() == QMetaType::Double
        ? QString::number(v.toDouble(), 'g', DOUBLE_SIGNIFICANT_DIGITS)
        : v.toString();
    text.replace(VALUE_MARKER, valueText);
    label->setText(text);

    // Checked first: an unknown name gives the same invalid colour, without a
    // warning for every value shown.
    QColor color;
    if (chosen && QColor::isValidColor(chosen->color))
        color.setNamedColor(chosen->color);
    QPalette palette = label->palette();
    palette.setBrush(QPalette::All, QPalette::WindowText, QBrush(color, Qt::SolidPattern));
    label->setPalette(palette);
}

bool XwpLabel::isStaticValue() const
{
    return items.isEmpty() || (items.size() == 1 && !items.first()->text.contains(VALUE_MARKER));
}

void XwpLabel::acceptSettings()
{
    label->setFont(settings.font);
    setValueProcess(lastSetValue());
}

const Item* XwpLabel::chooseItem(const QVariant& v) const
{
    if (!v.isValid()) {
        for (const Item* item : items) {
            if (item->condition == Item::Undefined)
                return item;
        }
    }

    const QString text = v.toString();
    for (const Item* item : items) {
        if (item->condition == Item::Equally && item->value == text)
            return item;
    }

    const double number = v.toDouble();
    for (const Item* item : items) {
        if (matchesByNumber(item, number))
            return item;
    }

    for (const Item* item : items) {
        if (item->condition == Item::Other)
            return item;
    }
    return nullptr;
}

QString XwpLabel::colorName() const
{
    const QColor color = label->palette().brush(QPalette::WindowText).color();
    return color.isValid() ? color.name() : QColor(Qt::black).name();
}
