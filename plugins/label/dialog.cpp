#include "dialog.h"

#include "item.h"
#include "settings.h"
#include "tabledelegate.h"
#include "tablemodel.h"
#include "xtablefit.h"

#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {
// What a condition row usually holds, for the table's opening width.
const char TYPICAL_VALUE[] = "-1250.75";
const char TYPICAL_TEXT[] = "Pressure %1 bar";
const char TYPICAL_COLOR[] = "#1f6feb";
}

Dialog::Dialog(Settings* settings, QList<Item*>* items, QString title, QWidget* parent)
    : QDialog(parent)
    , settings(settings)
    , items(items)
    , tableView(new QTableView(this))
    , model(new TableModel(this))
{
    setWindowTitle(title);

    auto* fontButton = new QPushButton(tr("Font"), this);
    auto* addButton = new QPushButton(tr("Add"), this);
    auto* buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* fontLayout = new QHBoxLayout;
    fontLayout->addWidget(fontButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fontLayout);
    layout->addWidget(tableView);
    layout->addWidget(addButton);
    layout->addWidget(buttonBox);

    tableView->setModel(model);
    for (const Item* item : qAsConst(*items))
        model->addNewItem(new Item(*item));

    connect(tableView, &QTableView::clicked, model, &TableModel::clicked);
    auto* delegate = new TableDelegate(this);
    tableView->setItemDelegate(delegate);
    tableView->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    XTableFit::openWithTableWidth(this, tableView,
        XTableFit::stretchedTableWidth(tableView,
            { XTableFit::comboBoxWidth(tableView, delegate->conditionNames),
                XTableFit::cellTextWidth(tableView, QLatin1String(TYPICAL_VALUE)),
                XTableFit::cellTextWidth(tableView, QLatin1String(TYPICAL_TEXT)),
                XTableFit::comboBoxWidth(tableView, { QLatin1String(TYPICAL_COLOR) }) }));

    connect(fontButton, &QPushButton::clicked, this, &Dialog::fontDialog);
    connect(addButton, &QPushButton::clicked, this, &Dialog::addNewClicked);
    connect(buttonBox, &QDialogButtonBox::accepted, this, &Dialog::accept);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &Dialog::close);
}

Dialog::~Dialog()
{
    // The view goes with the dialog's children, after this body: it must not
    // keep a model that is already gone.
    tableView->setModel(nullptr);
    delete model;
}

void Dialog::fontDialog()
{
    bool ok = false;
    const QFont font
        = QFontDialog::getFont(&ok, settings->font, this, QString(), QFontDialog::FontDialogOptions());
    if (ok)
        settings->font = font;
}

void Dialog::addNewClicked()
{
    model->addNewItem();
}

void Dialog::accept()
{
    qDeleteAll(*items);
    items->clear();
    for (const Item* item : model->rows())
        items->append(new Item(*item));
    QDialog::accept();
}
