#include "xwidgetstandartdialog.h"

#include "standartwidgetkit.h"
#include "xtablefit.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentbaseclass.h"
#include "xwidgetstandartcomponentsettings.h"
#include "xwidgetstandartdialogcomponentitem.h"
#include "xwidgetstandartdialogdelegate.h"
#include "xwidgetstandartdialogmodel.h"
#include "xwidgetstandartkitfiledialog.h"
#include "xwidgetstandartsettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const char* const GEOMETRY_KEY = "XWidgetStandartDialog_geometry";
const char* const CLIPBOARD_LIB_NAME_KEY = "XWidgetStandartDialog_cb_libName";
const char* const CLIPBOARD_DATA_KEY = "XWidgetStandartDialog_cb_data";
const char* const SCRIPTS_FOLDER = "/scripts";
const char* const KIT_SUFFIX = ".swkit";
// What a row of a panel typically holds, for the table's opening width.
const char TYPICAL_NAME[] = "Pump 1 state";
const char TYPICAL_LIBRARY[] = "Vistag";

// A kit edited by hand may name two components alike; the table holds each
// name once. The first keeps its name (connections to it stay), the later
// ones get a number. Returns the new names.
QStringList giveUniqueNames(const QList<XWidgetStandartComponentSettings*>& records)
{
    QSet<QString> taken;
    for (const XWidgetStandartComponentSettings* record : records)
        taken.insert(record->name);
    QSet<QString> seen;
    QStringList renamed;
    for (XWidgetStandartComponentSettings* record : records) {
        if (!seen.contains(record->name)) {
            seen.insert(record->name);
            continue;
        }
        QString candidate;
        for (int number = 2; candidate.isEmpty() || taken.contains(candidate); ++number)
            candidate = record->name + QLatin1Char('_') + QString::number(number);
        taken.insert(candidate);
        seen.insert(candidate);
        record->name = candidate;
        renamed.append(candidate);
    }
    return renamed;
}
}

XWidgetStandartDialog::XWidgetStandartDialog(XWidgetStandartSettings* settings, QWidget* parent)
    : QDialog(parent)
    , settings(settings)
{
    setObjectName(QStringLiteral("XWidgetStandartDialog"));
    setWindowTitle(tr("Standard widget settings (%1)").arg(settings->base.id));

    nameEdit = new QLineEdit(settings->name, this);
    nameOnComponentBox = new QComboBox(this);
    transparentBox = new QCheckBox(tr("Transparent"), this);
    transparentBox->setChecked(settings->transparent);
    layoutBox = new QComboBox(this);
    layoutBox->addItems({ tr("Auto vertical"), tr("Auto horizontal"), tr("Hand") });
    layoutBox->setCurrentIndex(settings->layout);
    scriptBox = new QComboBox(this);
    scriptBox->addItem(QString());
    const QDir scripts(QCoreApplication::applicationDirPath() + QLatin1String(SCRIPTS_FOLDER));
    scriptBox->addItems(scripts.entryList({ QStringLiteral("*.js") }, QDir::Files, QDir::Unsorted));
    // A script that is missing now stays named, so that "OK" does not drop it.
    if (scriptBox->findText(settings->scriptName) < 0)
        scriptBox->addItem(settings->scriptName);
    scriptBox->setCurrentIndex(scriptBox->findText(settings->scriptName));

    auto* form = new QFormLayout;
    form->addRow(tr("Name"), nameEdit);
    form->addRow(tr("Set name on component"), nameOnComponentBox);
    form->addRow(transparentBox);
    form->addRow(tr("Layout"), layoutBox);
    form->addRow(tr("Script"), scriptBox);

    model = new XWidgetStandartDialogModel(this);
    m_delegate = new XWidgetStandartDialogDelegate(&model->items, this);
    table = new QTableView(this);
    table->setModel(model);
    table->setItemDelegate(m_delegate);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);

    auto* addButton = new QPushButton(tr("Add"), this);
    auto* removeButton = new QPushButton(tr("Remove"), this);
    auto* upButton = new QPushButton(tr("Up"), this);
    auto* downButton = new QPushButton(tr("Down"), this);
    auto* saveKitButton = new QPushButton(tr("Save selected to kit"), this);
    auto* loadKitButton = new QPushButton(tr("Load from kit"), this);
    m_tableButtons = new QButtonGroup(this);
    m_tableButtons->addButton(removeButton, RemoveButton);
    m_tableButtons->addButton(upButton, UpButton);
    m_tableButtons->addButton(downButton, DownButton);
    m_tableButtons->addButton(saveKitButton, SaveKitButton);
    m_tableButtons->addButton(loadKitButton, LoadKitButton);

    auto* rowButtons = new QHBoxLayout;
    rowButtons->addWidget(addButton);
    rowButtons->addWidget(removeButton);
    rowButtons->addWidget(upButton);
    rowButtons->addWidget(downButton);
    auto* kitButtons = new QHBoxLayout;
    kitButtons->addWidget(saveKitButton);
    kitButtons->addWidget(loadKitButton);

    auto* componentsBox = new QGroupBox(tr("Components"), this);
    auto* componentsLayout = new QVBoxLayout(componentsBox);
    componentsLayout->addWidget(table);
    statusLabel = new QLabel(componentsBox);
    statusLabel->setWordWrap(true);
    componentsLayout->addWidget(statusLabel);
    componentsLayout->addLayout(rowButtons);
    componentsLayout->addLayout(kitButtons);

    auto* acceptButton = new QPushButton(tr("Accept"), this);
    auto* okButton = new QPushButton(tr("OK"), this);
    acceptButton->setAutoDefault(false);
    okButton->setAutoDefault(false);
    m_acceptOkButtons = new QButtonGroup(this);
    m_acceptOkButtons->addButton(acceptButton, AcceptResult);
    m_acceptOkButtons->addButton(okButton, OkResult);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(acceptButton);
    bottom->addWidget(okButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(componentsBox);
    layout->addLayout(bottom);

    connect(m_tableButtons, &QButtonGroup::idClicked, this, &XWidgetStandartDialog::buttonClicked);
    connect(m_acceptOkButtons, &QButtonGroup::idClicked, this, &XWidgetStandartDialog::acceptOkClicked);
    connect(addButton, &QPushButton::clicked, model, [this]() { model->addNewItem(); });
    connect(table, &QTableView::clicked, this, &XWidgetStandartDialog::componentShowSettingsDialogClicked);
    connect(model, &XWidgetStandartDialogModel::listUpdated, this,
        &XWidgetStandartDialog::setNameOnComponentUpdateList);
    connect(model, &XWidgetStandartDialogModel::listUpdated, statusLabel, &QLabel::clear);
    connect(model, &XWidgetStandartDialogModel::nameRefused, this, [this](const QString& name) {
        statusLabel->setText(tr("Another component is already named \"%1\"; the row keeps its name").arg(name));
    });
    connect(this, &QDialog::finished, this, &XWidgetStandartDialog::saveWindowsGeometry);

    setNameOnComponentUpdateList();
    XTableFit::openWithTableWidth(this, table,
        XTableFit::stretchedTableWidth(table,
            { XTableFit::cellTextWidth(table, QLatin1String(TYPICAL_NAME)),
                XTableFit::comboBoxWidth(table, { QLatin1String(TYPICAL_LIBRARY) }),
                XTableFit::comboBoxWidth(table, { QLatin1String(TYPICAL_NAME) }),
                XTableFit::cellTextWidth(table, XWidgetStandartDialogModel::tr("Show")),
                XTableFit::cellTextWidth(table, XWidgetStandartDialogModel::tr("Copy")),
                XTableFit::cellTextWidth(
                    table, XWidgetStandartDialogModel::tr("Paste") + QStringLiteral(" (+)")) }));
    restoreGeometry(XDialogsGeometry.value(QLatin1String(GEOMETRY_KEY)).toByteArray());
}

XWidgetStandartDialog::~XWidgetStandartDialog()
{
    for (XWidgetStandartComponentSettings* record : qAsConst(m_kitRecords)) {
        if (!settings->components.contains(record))
            delete record;
    }
}

void XWidgetStandartDialog::setNameOnComponentUpdateList()
{
    const QString current = nameOnComponentBox->currentText();
    nameOnComponentBox->clear();
    nameOnComponentBox->addItem(QString());
    for (const XWidgetStandartDialogComponentItem* item : qAsConst(model->items))
        nameOnComponentBox->addItem(item->name);
    nameOnComponentBox->setCurrentIndex(qMax(0, nameOnComponentBox->findText(current)));
}

void XWidgetStandartDialog::componentShowSettingsDialogClicked(QModelIndex index)
{
    if (!index.isValid() || index.row() >= model->items.size())
        return;
    XWidgetStandartDialogComponentItem* item = model->items.at(index.row());
    switch (index.column()) {
    case XWidgetStandartDialogModel::ShowColumn:
        if (item->component && item->component->object && item->component->object->haveSettingsDialog()) {
            item->component->settingsDialog();
            model->update();
        }
        break;
    case XWidgetStandartDialogModel::CopyColumn:
        if (item->canCopy()) {
            XDialogsGeometry.insert(QLatin1String(CLIPBOARD_LIB_NAME_KEY), item->libName);
            XDialogsGeometry.insert(QLatin1String(CLIPBOARD_DATA_KEY), item->libSettings());
        }
        break;
    case XWidgetStandartDialogModel::PasteColumn:
        pasteInto(index.row());
        break;
    default:
        break;
    }
}

void XWidgetStandartDialog::pasteInto(int row)
{
    XWidgetStandartDialogComponentItem* item = model->items.at(row);
    // The cell offers nothing to a row without a library.
    if (item->libName.isEmpty())
        return;
    const QVariantMap data = XDialogsGeometry.value(QLatin1String(CLIPBOARD_DATA_KEY)).toMap();
    if (data.isEmpty()) {
        QMessageBox::warning(this, QString(), tr("No data"));
        return;
    }
    const QString copiedLibName = XDialogsGeometry.value(QLatin1String(CLIPBOARD_LIB_NAME_KEY)).toString();
    if (copiedLibName != item->libName) {
        const QMessageBox::StandardButton answer = QMessageBox::warning(this, QString(),
            tr("Copied data for library %1. Insert them into the component of library %2?")
                .arg(copiedLibName, item->libName),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    item->editedLibSettings = data;
    model->update();
}

QList<int> XWidgetStandartDialog::selectedRows() const
{
    QSet<int> rows;
    const QModelIndexList selected = table->selectionModel()->selectedIndexes();
    for (const QModelIndex& index : selected)
        rows.insert(index.row());
    QList<int> result = rows.values();
    std::sort(result.begin(), result.end());
    return result;
}

void XWidgetStandartDialog::selectRows(const QList<int>& rows)
{
    table->clearSelection();
    const QAbstractItemView::SelectionMode mode = table->selectionMode();
    table->setSelectionMode(QAbstractItemView::MultiSelection);
    for (int row : rows)
        table->selectRow(row);
    table->setSelectionMode(mode);
}

void XWidgetStandartDialog::buttonClicked(int b)
{
    const QList<int> rows = selectedRows();
    switch (b) {
    case RemoveButton:
        model->deleteItems(rows);
        break;
    case UpButton:
        selectRows(model->itemsUp(rows));
        break;
    case DownButton:
        selectRows(model->itemsDown(rows));
        break;
    case SaveKitButton:
        saveSelectedToKit(rows);
        break;
    case LoadKitButton:
        loadFromKit();
        break;
    default:
        break;
    }
}

void XWidgetStandartDialog::saveSelectedToKit(const QList<int>& rows)
{
    QList<XWidgetStandartComponentSettings*> records;
    for (int row : rows) {
        const XWidgetStandartDialogComponentItem* item = model->items.at(row);
        if (!item->component || !item->settings) {
            QMessageBox::warning(this, QString(),
                tr("Some of the selected components were not created. Please click 'Accept' or 'OK'"));
            return;
        }
        records.append(item->settings);
    }
    if (records.isEmpty()) {
        QMessageBox::warning(this, QString(), tr("Select components"));
        return;
    }

    XWidgetStandartKitFileDialog fileDialog(this, tr("Save kit"));
    // The dialog asks before replacing a file under the name it will have.
    fileDialog.setDefaultSuffix(QLatin1String(KIT_SUFFIX).mid(1));
    bool accepted = false;
    QString path = fileDialog.getSaveFileName(&accepted);
    if (!accepted || path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(KIT_SUFFIX)))
        path += QLatin1String(KIT_SUFFIX);
    StandartWidgetKit kit(&records);
    if (!kit.save(path))
        QMessageBox::critical(this, QString(), tr("Error!"));
}

void XWidgetStandartDialog::loadFromKit()
{
    XWidgetStandartKitFileDialog fileDialog(this, tr("Load kit"));
    bool accepted = false;
    const QString path = fileDialog.getOpenFileName(&accepted);
    if (!accepted || !path.endsWith(QLatin1String(KIT_SUFFIX)))
        return;

    QList<XWidgetStandartComponentSettings*> records;
    StandartWidgetKit kit(&records);
    if (!kit.load(path)) {
        qDeleteAll(records);
        QMessageBox::critical(this, QString(), tr("Error!"));
        return;
    }

    const QStringList renamed = giveUniqueNames(records);
    if (!renamed.isEmpty()) {
        QMessageBox::warning(this, QString(),
            tr("The kit holds components of the same name; the later ones were renamed: %1")
                .arg(renamed.join(QStringLiteral(", "))));
    }

    QString prefix;
    for (;;) {
        bool ok = false;
        prefix = QInputDialog::getText(
            this, QString(), tr("Prefix (not necessary)"), QLineEdit::Normal, QString(), &ok);
        if (!ok) {
            qDeleteAll(records);
            return;
        }
        bool busy = false;
        for (const XWidgetStandartComponentSettings* record : qAsConst(records)) {
            for (const XWidgetStandartDialogComponentItem* item : qAsConst(model->items))
                busy = busy || item->name == prefix + record->name;
        }
        if (!busy)
            break;
        QMessageBox::warning(this, QString(), tr("Some of the names are the same, enter a different prefix"));
    }

    for (XWidgetStandartComponentSettings* record : qAsConst(records)) {
        record->name.prepend(prefix);
        if (!record->connectToComponent.isEmpty())
            record->connectToComponent.prepend(prefix);
        m_kitRecords.append(record);
        model->addNewItem(new XWidgetStandartDialogComponentItem(record));
    }
}

void XWidgetStandartDialog::saveWindowsGeometry()
{
    XDialogsGeometry.insert(QLatin1String(GEOMETRY_KEY), saveGeometry());
}

void XWidgetStandartDialog::acceptOkClicked(int b)
{
    if (b != AcceptResult && b != OkResult)
        return;
    settings->name = nameEdit->text();
    settings->setNameOnComponent = nameOnComponentBox->currentText();
    settings->transparent = transparentBox->isChecked();
    if (layoutBox->currentIndex() >= 0)
        settings->layout = layoutBox->currentIndex();
    settings->scriptName = scriptBox->currentText();
    done(b);
}

void XWidgetStandartDialog::reject()
{
    // Kit records that the widget never took over belong to nobody else.
    for (XWidgetStandartComponentSettings* record : qAsConst(m_kitRecords)) {
        if (!settings->components.contains(record))
            delete record;
    }
    m_kitRecords.clear();
    for (XWidgetStandartDialogComponentItem* item : qAsConst(model->items)) {
        if (!item->component && item->settings && !settings->components.contains(item->settings))
            item->settings = nullptr;
    }
    QDialog::reject();
}
