#include "userssettingsdialogphotofileselect.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

UsersSettingsDialogPhotoFileSelect::UsersSettingsDialogPhotoFileSelect(const QString& photo)
    : m_lineEdit(new QLineEdit(photo))
{
    addWidget(new QLabel(tr("Photo")));
    m_lineEdit->setObjectName(QStringLiteral("photo"));
    addWidget(m_lineEdit);
    auto* chooseButton = new QPushButton(QStringLiteral("..."));
    addWidget(chooseButton);
    connect(chooseButton, &QPushButton::clicked, this, &UsersSettingsDialogPhotoFileSelect::dialog);
}

void UsersSettingsDialogPhotoFileSelect::dialog()
{
    const QString chosen = QFileDialog::getOpenFileName(m_lineEdit, QStringLiteral("Open file"),
        QFileInfo(m_lineEdit->text()).filePath(), tr("Picture file") + QStringLiteral(" (*.png)"));
    if (!chosen.isEmpty())
        m_lineEdit->setText(chosen);
}
