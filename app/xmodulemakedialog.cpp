#include "xmodulemakedialog.h"

#include "xmodule.h"
#include "xmodulebase.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QLibrary>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {
QString modulesLibDir()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/modules_lib");
}
}

XModuleMakeDialog::XModuleMakeDialog(QWidget* parent)
    : QDialog(parent)
{
    auto* layout = new QVBoxLayout(this);
    m_libraries = new QComboBox(this);
    layout->addWidget(m_libraries);
    layout->addWidget(new QLabel(tr("Description:"), this));
    m_description = new QTextBrowser(this);
    layout->addWidget(m_description);
    m_version = new QLabel(this);
    layout->addWidget(m_version);
    auto* okButton = new QPushButton(tr("OK"), this);
    layout->addWidget(okButton);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_libraries, &QComboBox::currentTextChanged, this, &XModuleMakeDialog::moduleSelectChanged);

    const QDir dir(modulesLibDir());
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& file : files) {
        QLibrary library(file.filePath());
        if (!library.load() || !library.resolve("description"))
            continue;
        m_libraries->addItem(QIcon(XModule::iconPath(file.baseName())), file.baseName(), file.filePath());
    }
}

QString XModuleMakeDialog::libName() const
{
    return m_libraries->currentText();
}

void XModuleMakeDialog::moduleSelectChanged()
{
    QLibrary library(modulesLibDir() + QLatin1Char('/') + m_libraries->currentText());
    if (!library.load())
        return;
    auto description = reinterpret_cast<XModuleDescriptionFunction>(library.resolve("description"));
    m_description->setPlainText(description ? description() : QString());
    auto getVersion = reinterpret_cast<XModuleGetVersionFunction>(library.resolve("getVersion"));
    if (getVersion) {
        const int version = getVersion();
        m_version->setText(tr("Version %1.%2.%3")
                               .arg(XModule::versionMajor(version))
                               .arg(XModule::versionMinor(version))
                               .arg(XModule::versionPatch(version)));
    } else {
        m_version->clear();
    }
}
