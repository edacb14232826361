#include "xwidgetstandartkitfiledialog.h"

#include "standartwidgetkit.h"
#include "xwidgetstandartcomponentsettings.h"
#include "xwidgetstandartkitfiledialogiconprovider.h"
#include "xwidgetstandartkitfiledialogxwidgetstandart.h"
#include "xwidgetstandartsettings.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <climits>

namespace {
const int SIZE_COLUMN = 1;
const int DATE_COLUMN = 3;

// The file model writes sizes and dates in the system's locale; the program's
// own (the chosen language) is the one its operator reads.
class ProgramLocaleFiles : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || !index.isValid())
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        if (index.column() == DATE_COLUMN)
            return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
        if (index.column() == SIZE_COLUMN && !files->isDir(source))
            return QLocale().formattedDataSize(files->size(source));
        return QIdentityProxyModel::data(index, role);
    }
};

const char* const KIT_SUFFIX = ".swkit";
const int LAYOUT_HAND = 2;
// Free space around the components of a kit.
const int KIT_MARGIN = 5;
}

XWidgetStandartKitFileDialog::XWidgetStandartKitFileDialog(
    QWidget* parent, const QString& caption, const QString& directory, const QString& filter)
    : QFileDialog(parent, caption, directory, filter)
{
    init();
}

XWidgetStandartKitFileDialog::XWidgetStandartKitFileDialog(QWidget* parent, Qt::WindowFlags flags)
    : QFileDialog(parent, flags)
{
    init();
}

XWidgetStandartKitFileDialog::~XWidgetStandartKitFileDialog()
{
    clearPreview();
    // The file model asks the provider for icons from its worker thread,
    // which the base class stops only after this destructor: the provider
    // must outlive it.
    XWidgetStandartKitFileDialogIconProvider* provider = m_iconProvider;
    QTimer::singleShot(0, QCoreApplication::instance(), [provider]() { delete provider; });
}

void XWidgetStandartKitFileDialog::init()
{
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFile);
    setNameFilter(tr("Standart widget kit (*.swkit)"));

    m_previewBox = new QCheckBox(tr("Preview"), this);
    previewArea = new QScrollArea(this);
    previewContainer = new QWidget;
    previewArea->setWidget(previewContainer);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        const int row = grid->rowCount();
        grid->addWidget(m_previewBox, row, 0, 1, grid->columnCount());
        grid->addWidget(previewArea, row + 1, 0, 1, grid->columnCount());
    }

    connect(m_previewBox, &QCheckBox::toggled, this, &XWidgetStandartKitFileDialog::previewChanged);
    connect(this, &QFileDialog::currentChanged, this, &XWidgetStandartKitFileDialog::fileChanged);
    m_iconProvider = new XWidgetStandartKitFileDialogIconProvider;
    setIconProvider(m_iconProvider);
    m_previewBox->setChecked(true);
    previewArea->setVisible(true);

    setProxyModel(new ProgramLocaleFiles(this));
    if (auto* files = findChild<QFileSystemModel*>()) {
        connect(files, &QFileSystemModel::directoryLoaded, this, &XWidgetStandartKitFileDialog::fitFileColumns,
            Qt::QueuedConnection);
    }
}

void XWidgetStandartKitFileDialog::showEvent(QShowEvent* event)
{
    QFileDialog::showEvent(event);
    QTimer::singleShot(0, this, &XWidgetStandartKitFileDialog::fitFileColumns);
}

void XWidgetStandartKitFileDialog::fitFileColumns()
{
    auto* view = findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!view || !view->isVisible())
        return;
    QHeaderView* header = view->header();
    const QAbstractItemView* rows = view;
    auto needed = [&](int column) {
        return std::max(rows->sizeHintForColumn(column), header->sectionSizeHint(column));
    };
    int others = 0;
    for (int column = 1; column < header->count(); ++column) {
        if (header->isSectionHidden(column))
            continue;
        header->resizeSection(column, std::max(header->sectionSize(column), needed(column)));
        others += header->sectionSize(column);
    }
    const int shortfall = others + needed(0) - view->viewport()->width();
    if (shortfall > 0) {
        const QScreen* shown = screen();
        const int widest = shown ? shown->availableGeometry().width() : width() + shortfall;
        resize(std::min(width() + shortfall, widest), height());
    }
    // The name takes what is left.
    header->resizeSection(0, std::max(needed(0), view->viewport()->width() - others));
}

QString XWidgetStandartKitFileDialog::getOpenFileName(bool* accepted)
{
    setFileMode(QFileDialog::ExistingFile);
    return runFor(QFileDialog::AcceptOpen, accepted);
}

QString XWidgetStandartKitFileDialog::getSaveFileName(bool* accepted)
{
    // A kit may be saved under a new name.
    setFileMode(QFileDialog::AnyFile);
    return runFor(QFileDialog::AcceptSave, accepted);
}

QString XWidgetStandartKitFileDialog::runFor(AcceptMode mode, bool* accepted)
{
    setAcceptMode(mode);
    const bool ok = exec() == QDialog::Accepted;
    if (accepted)
        *accepted = ok;
    const QStringList files = selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

XWidgetStandartSettings* XWidgetStandartKitFileDialog::loadKit(const QString& path, bool normalise)
{
    if (!path.endsWith(QLatin1String(KIT_SUFFIX)))
        return nullptr;
    auto* record = new XWidgetStandartSettings;
    StandartWidgetKit kit(&record->components);
    if (!kit.load(path)) {
        delete record;
        return nullptr;
    }
    record->layout = LAYOUT_HAND;

    const QList<XWidgetStandartComponentSettings*>& components = record->components;
    if (normalise && !components.isEmpty()) {
        int left = INT_MAX;
        int top = INT_MAX;
        for (const XWidgetStandartComponentSettings* component : components) {
            left = qMin(left, component->position.x());
            top = qMin(top, component->position.y());
        }
        const QPoint shift(KIT_MARGIN - left, KIT_MARGIN - top);
        for (XWidgetStandartComponentSettings* component : components)
            component->position += shift;
    }

    int right = 0;
    int bottom = 0;
    for (const XWidgetStandartComponentSettings* component : components) {
        right = qMax(right, component->position.x() + component->size.width());
        bottom = qMax(bottom, component->position.y() + component->size.height());
    }
    record->base.size = QSize(right + KIT_MARGIN, bottom + KIT_MARGIN);
    return record;
}

void XWidgetStandartKitFileDialog::clearPreview()
{
    if (!preview)
        return;
    XWidgetStandartSettings* record = previewSettings;
    // The record goes only once the widget that reads it is gone.
    connect(preview, &QObject::destroyed, [record]() { delete record; });
    preview->hide();
    preview->deleteLater();
    preview = nullptr;
    previewSettings = nullptr;
}

void XWidgetStandartKitFileDialog::showPreview(XWidgetStandartSettings* settings)
{
    clearPreview();
    previewSettings = settings;
    preview = new XWidgetStandartKitFileDialogXWidgetStandart(settings, previewContainer);
    previewContainer->resize(
        settings->base.size.width() + KIT_MARGIN, settings->base.size.height() + KIT_MARGIN);
}

void XWidgetStandartKitFileDialog::fileChanged(QString path)
{
    clearPreview();
    if (XWidgetStandartSettings* record = loadKit(path, true))
        showPreview(record);
}

void XWidgetStandartKitFileDialog::previewChanged(bool s)
{
    previewArea->setVisible(s);
}
