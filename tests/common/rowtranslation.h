#pragma once

#include <QString>
#include <QTranslator>

// Tests that run once in each language the program ships: the data function
// calls addRows(), and the test function makes a RowTranslation, which loads
// the current row's catalogue into the application until remove() is called
// or it goes.
class RowTranslation
{
public:
    // A column "translation": empty for English, the German catalogue.
    static void addRows(const QString& germanCatalogue);

    RowTranslation();
    ~RowTranslation();

    RowTranslation(const RowTranslation&) = delete;
    RowTranslation& operator=(const RowTranslation&) = delete;

    // False when the row names a catalogue that does not load.
    bool loaded() const;
    void remove();

private:
    QTranslator m_translator;
    bool m_loaded = false;
    bool m_installed = false;
};
