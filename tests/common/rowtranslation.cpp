#include "rowtranslation.h"

#include <QCoreApplication>
#include <QtTest>

void RowTranslation::addRows(const QString& germanCatalogue)
{
    QTest::addColumn<QString>("translation");
    QTest::newRow("English") << QString();
    QTest::newRow("German") << germanCatalogue;
}

RowTranslation::RowTranslation()
{
    QFETCH(QString, translation);
    if (translation.isEmpty()) {
        m_loaded = true;
        return;
    }
    m_loaded = m_translator.load(translation);
    if (m_loaded)
        m_installed = QCoreApplication::installTranslator(&m_translator);
}

RowTranslation::~RowTranslation()
{
    remove();
}

bool RowTranslation::loaded() const
{
    return m_loaded;
}

void RowTranslation::remove()
{
    if (m_installed)
        QCoreApplication::removeTranslator(&m_translator);
    m_installed = false;
}
