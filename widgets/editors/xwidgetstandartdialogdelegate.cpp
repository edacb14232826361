#include "xwidgetstandartdialogdelegate.h"

#include "xwidgetstandartdialogcomponentitem.h"
#include "xwidgetstandartdialogmodel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace {
const char* const COMPONENTS_FOLDER = "/widgets_components_lib";
}

XWidgetStandartDialogDelegate::XWidgetStandartDialogDelegate(
    QList<XWidgetStandartDialogComponentItem*>* items, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_items(items)
{
}

QStringList XWidgetStandartDialogDelegate::loadableLibraries()
{
    QStringList names;
    const QDir folder(QCoreApplication::applicationDirPath() + QLatin1String(COMPONENTS_FOLDER));
    const QFileInfoList files = folder.entryInfoList(QDir::Files, QDir::Unsorted);
    for (const QFileInfo& file : files) {
        // Never unloaded: components made from it keep using it.
        QLibrary library(file.absoluteFilePath());
        if (library.load())
            names.append(file.completeBaseName());
    }
    return names;
}

QWidget* XWidgetStandartDialogDelegate::createEditor(
    QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.column() == XWidgetStandartDialogModel::LibraryColumn) {
        auto* box = new QComboBox(parent);
        box->setAutoFillBackground(true);
        box->addItem(QString());
        box->addItems(loadableLibraries());
        return box;
    }
    if (index.column() == XWidgetStandartDialogModel::ConnectToColumn) {
        auto* box = new QComboBox(parent);
        box->setAutoFillBackground(true);
        box->addItem(QString());
        for (int i = 0; i < m_items->size(); ++i) {
            if (i != index.row())
                box->addItem(m_items->at(i)->name);
        }
        return box;
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void XWidgetStandartDialogDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* box = qobject_cast<QComboBox*>(editor)) {
        const QString current = index.data(Qt::EditRole).toString();
        // A name that is not offered (a library that no longer loads) stays
        // selectable, so that merely opening the editor changes nothing.
        if (box->findText(current) < 0)
            box->addItem(current);
        box->setCurrentIndex(box->findText(current));
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void XWidgetStandartDialogDelegate::setModelData(
    QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (auto* box = qobject_cast<QComboBox*>(editor)) {
        model->setData(index, box->currentText(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}
