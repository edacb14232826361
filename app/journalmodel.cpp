#include "journalmodel.h"

#include "axobject.h"
#include "journalexchangeitem.h"
#include "journalfilter.h"
#include "xstoredfile.h"

#include <QBrush>
#include <QDateTime>
#include <QDir>
#include <QPixmap>
#include <QtDebug>

#include <algorithm>
#include <array>

namespace {
const int LEVEL_COUNT = 4;
const int ERROR_ICON_SIZE = 10;
const QColor ERROR_ICON_COLOR(255, 0, 0);

const char KEY_DATE_TIME[] = "datetime";
const char KEY_LEVEL[] = "level";
// Spelled so in the journal file.
const char KEY_SOURCE[] = "sourse";
const char KEY_TEXT[] = "text";

enum Column { ColumnDateTime = 0, ColumnSource = 1, ColumnText = 2 };

// The sheet's first data row: row 1 holds the titles; rows count from 1.
const int EXPORT_FIRST_ITEM_ROW = 2;

const std::array<Qt::GlobalColor, LEVEL_COUNT> LEVEL_COLORS = { Qt::cyan, Qt::green, Qt::yellow, Qt::red };

bool isKnownLevel(int level)
{
    return level >= 0 && level < LEVEL_COUNT;
}

QString exportLevelName(int level)
{
    static const std::array<QString, LEVEL_COUNT> names = { QStringLiteral("------"),
        QStringLiteral("Нормальный"), QStringLiteral("Предупредительный"), QStringLiteral("Критический") };
    return names[isKnownLevel(level) ? level : JournalItem::ITEM_LEVEL_NONE];
}
}

JournalModel::JournalModel(int maxRows, QObject* parent)
    : QAbstractListModel(parent)
    , m_filter(new JournalFilter)
    , m_maxRows(maxRows)
    , m_columnTitles { tr("Date/Time"), tr("Source"), tr("Message") }
{
    connect(m_filter, &JournalFilter::changeFilter, this, &JournalModel::update);
}

JournalModel::~JournalModel()
{
    m_shown.clear();
    qDeleteAll(m_items);
    m_items.clear();
    for (const QPointer<JournalExchangeItem>& source : qAsConst(m_sources)) {
        if (source)
            source->deleteLater();
    }
    // Once placed in a window the filter box belongs to it.
    if (m_filter && !m_filter->parent())
        delete m_filter;
}

JournalFilter* JournalModel::filter() const
{
    return m_filter;
}

void JournalModel::addSource(JournalExchangeItem* source)
{
    if (!source)
        return;
    m_sources.append(source);
    connect(source, &JournalExchangeItem::addSignal, this, qOverload<JournalItem*>(&JournalModel::addNew));
}

void JournalModel::addNew(QString source, QString text, JournalItem::ITEM_LEVEL_t level)
{
    auto* item = new JournalItem;
    item->dateTime = QDateTime::currentDateTime();
    item->level = level;
    item->source = source;
    item->text = text;
    if (level == JournalItem::ITEM_LEVEL_CRITICAL)
        qDebug().noquote() << "Journal CRITICAL" << source << text;
    addNew(item);
}

void JournalModel::addNew(JournalItem* item)
{
    if (!item)
        return;
    // Read before trimming: with a tiny maximum the item itself may go.
    const bool critical = item->level == JournalItem::ITEM_LEVEL_CRITICAL;
    m_items.append(item);
    update();
    emit appended();
    if (critical) {
        m_error = true;
        emit iconUpdated();
    }
}

void JournalModel::update()
{
    trim();
    refreshShown();
}

void JournalModel::trim()
{
    const int excess = qMin(m_items.size() - qMax(m_maxRows, 0), m_items.size());
    if (excess <= 0)
        return;
    // The shown rows are an ordered part of all items, so the shown items among
    // the oldest ones are the first rows.
    int shownRemoved = 0;
    for (int i = 0; i < excess && shownRemoved < m_shown.size(); ++i) {
        if (m_items.at(i) == m_shown.at(shownRemoved))
            ++shownRemoved;
    }
    if (shownRemoved > 0)
        beginRemoveRows(QModelIndex(), 0, shownRemoved - 1);
    m_shown.erase(m_shown.begin(), m_shown.begin() + shownRemoved);
    for (int i = 0; i < excess; ++i)
        delete m_items.at(i);
    m_items.erase(m_items.begin(), m_items.begin() + excess);
    if (shownRemoved > 0)
        endRemoveRows();
    // Every remaining row now stands at a lower position among all items.
    if (!m_shown.isEmpty())
        emit headerDataChanged(Qt::Vertical, 0, m_shown.size() - 1);
}

void JournalModel::refreshShown()
{
    QList<JournalItem*> shown = m_filter ? m_filter->filter(m_items) : m_items;
    const int oldCount = m_shown.size();
    const bool extendsOld
        = shown.size() >= oldCount && std::equal(m_shown.cbegin(), m_shown.cend(), shown.cbegin());
    if (extendsOld) {
        if (shown.size() == oldCount)
            return;
        beginInsertRows(QModelIndex(), oldCount, shown.size() - 1);
        m_shown = shown;
        endInsertRows();
        return;
    }
    // The filter itself changed: any row may have come or gone.
    beginResetModel();
    m_shown = shown;
    endResetModel();
}

void JournalModel::setMaxRows(int maxRows)
{
    m_maxRows = maxRows;
    update();
}

void JournalModel::clear()
{
    const bool hadRows = !m_shown.isEmpty();
    if (hadRows)
        beginRemoveRows(QModelIndex(), 0, m_shown.size() - 1);
    m_shown.clear();
    qDeleteAll(m_items);
    m_items.clear();
    if (hadRows)
        endRemoveRows();
    update();
}

void JournalModel::resetErrors()
{
    m_error = false;
    emit iconUpdated();
}

QIcon JournalModel::errorIcon() const
{
    if (!m_error)
        return QIcon();
    QPixmap pixmap(ERROR_ICON_SIZE, ERROR_ICON_SIZE);
    pixmap.fill(ERROR_ICON_COLOR);
    return QIcon(pixmap);
}

QVariantMap JournalModel::map() const
{
    QVariantMap result;
    for (int i = 0; i < m_items.size(); ++i) {
        const JournalItem* item = m_items.at(i);
        result.insert(QString::number(i),
            QVariantMap { { QLatin1String(KEY_DATE_TIME), item->dateTime },
                { QLatin1String(KEY_LEVEL), int(item->level) }, { QLatin1String(KEY_SOURCE), item->source },
                { QLatin1String(KEY_TEXT), item->text } });
    }
    return result;
}

bool JournalModel::isWellTyped(const QVariantMap& map)
{
    const XStoredFile::MemberTypes types { { QLatin1String(KEY_DATE_TIME), QJsonValue::String },
        { QLatin1String(KEY_LEVEL), QJsonValue::Double }, { QLatin1String(KEY_SOURCE), QJsonValue::String },
        { QLatin1String(KEY_TEXT), QJsonValue::String } };
    // The entries are read from "0" up to the first gap; what follows a gap is not read.
    for (int k = 0; map.contains(QString::number(k)); ++k) {
        const QVariant value = map.value(QString::number(k));
        if (value.userType() != QMetaType::QVariantMap || !XStoredFile::membersHaveTypes(value.toMap(), types))
            return false;
    }
    return true;
}

void JournalModel::setMap(const QVariantMap& map)
{
    for (int k = 0;; ++k) {
        const QVariant value = map.value(QString::number(k));
        // Null is as good as a gap; anything else is an entry, converted as it
        // can be (a text or a number gives an entry with empty fields).
        if (!value.isValid() || value.userType() == QMetaType::Nullptr)
            break;
        const QVariantMap entry = value.toMap();
        auto* item = new JournalItem;
        item->dateTime = entry.value(QLatin1String(KEY_DATE_TIME)).toDateTime();
        const int level = entry.value(QLatin1String(KEY_LEVEL)).toInt();
        item->level = isKnownLevel(level) ? JournalItem::ITEM_LEVEL_t(level) : JournalItem::ITEM_LEVEL_NONE;
        item->source = entry.value(QLatin1String(KEY_SOURCE)).toString();
        item->text = entry.value(QLatin1String(KEY_TEXT)).toString();
        addNew(item);
    }
}

int JournalModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_shown.size();
}

int JournalModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columnTitles.size();
}

QVariant JournalModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_shown.size())
        return QVariant();
    const JournalItem* item = m_shown.at(index.row());
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case ColumnDateTime:
            return item->dateTime;
        case ColumnSource:
            return item->source;
        case ColumnText:
            return item->text;
        default:
            return QVariant();
        }
    }
    if (role == Qt::BackgroundRole && isKnownLevel(item->level))
        return QBrush(LEVEL_COLORS[item->level]);
    return QVariant();
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_columnTitles.size() ? m_columnTitles.at(section) : QVariant();
    if (section < 0 || section >= m_shown.size())
        return QVariant();
    // Numbers count through hidden items; with nothing hidden the row is the position.
    const int position = m_shown.size() == m_items.size() ? section : m_items.indexOf(m_shown.at(section));
    return QString::number(position + 1);
}

Qt::ItemFlags JournalModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

void JournalModel::toExcel()
{
    auto* excel = new AxObject(QStringLiteral("Excel.Application"), this);
    // The operator learns where the entries went, shown or not.
    connect(excel, &AxObject::workbookWritten, this, [this](const QString& path) {
        addNew(QString(), tr("The entries were written to %1").arg(QDir::toNativeSeparators(path)));
    });
    connect(excel, &AxObject::workbookNotOpened, this, [this](const QString& path, const QString& reason) {
        addNew(QString(),
            tr("The workbook %1 could not be opened: %2").arg(QDir::toNativeSeparators(path), reason),
            JournalItem::ITEM_LEVEL_WARNING);
    });
    excel->dynamicCall("SetVisible(bool)", true);
    AxObject* workbooks = excel->querySubObject("Workbooks");
    AxObject* workbook = workbooks ? workbooks->querySubObject("Add") : nullptr;
    AxObject* sheet = workbook ? workbook->querySubObject("Worksheets( int )", 1) : nullptr;
    if (!sheet) {
        // No spreadsheet program: nothing to show and nothing to say.
        delete excel;
        return;
    }
    sheet->setProperty("Name", QStringLiteral("Informations"));

    AxObject* titles = sheet->querySubObject("Range( QString )", QStringLiteral("A1:D1"));
    if (titles) {
        titles->setProperty("Value",
            QVariantList { QStringLiteral("Дата/Время"), QStringLiteral("Источник"), QStringLiteral("Данные"),
                QStringLiteral("Уровень") });
        delete titles;
    }
    for (int i = 0; i < m_shown.size(); ++i) {
        const JournalItem* item = m_shown.at(i);
        const int row = i + EXPORT_FIRST_ITEM_ROW;
        AxObject* range = sheet->querySubObject("Range( QString )", QStringLiteral("A%1:D%1").arg(row));
        if (!range)
            continue;
        range->setProperty(
            "Value", QVariantList { item->dateTime, item->source, item->text, exportLevelName(item->level) });
        // The cells keep the values; the range object is done with.
        delete range;
    }
}
