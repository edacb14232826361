#include "journalfilter.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSet>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {
const int EXPANDED_MAX_HEIGHT = 65535;
// Just the title line of the unchecked box.
const int COLLAPSED_MAX_HEIGHT = 25;
const int SOURCE_EDIT_MAX_HEIGHT = 100;
const char DATE_TIME_DISPLAY_FORMAT[] = "dd.MM.yy hh:mm:ss";

QDateTimeEdit* makeDateTimeEdit(QWidget* parent)
{
    auto* edit = new QDateTimeEdit(QDateTime::currentDateTime(), parent);
    edit->setDisplayFormat(QLatin1String(DATE_TIME_DISPLAY_FORMAT));
    edit->setCalendarPopup(true);
    return edit;
}

QGroupBox* makeCheckableBox(const QString& title, QWidget* parent)
{
    auto* box = new QGroupBox(title, parent);
    box->setCheckable(true);
    box->setChecked(false);
    return box;
}
}

JournalFilter::JournalFilter(QWidget* parent)
    : QGroupBox(parent)
{
    setTitle(tr("Filters"));
    setCheckable(true);
    setChecked(false);
    auto* layout = new QHBoxLayout(this);

    m_dateTimeBox = makeCheckableBox(tr("By date and time"), this);
    auto* dateTimeLayout = new QGridLayout(m_dateTimeBox);
    m_beginEdit = makeDateTimeEdit(m_dateTimeBox);
    m_endEdit = makeDateTimeEdit(m_dateTimeBox);
    dateTimeLayout->addWidget(new QLabel(tr("Begin:"), m_dateTimeBox), 0, 0);
    dateTimeLayout->addWidget(m_beginEdit, 0, 1);
    dateTimeLayout->addWidget(new QLabel(tr("End:"), m_dateTimeBox), 1, 0);
    dateTimeLayout->addWidget(m_endEdit, 1, 1);
    layout->addWidget(m_dateTimeBox);

    m_levelBox = makeCheckableBox(tr("By level"), this);
    auto* levelLayout = new QVBoxLayout(m_levelBox);
    const std::array<QString, LEVEL_COUNT> levelNames
        = { tr("Without level"), tr("Normal"), tr("Warning"), tr("Critical") };
    for (int level = 0; level < LEVEL_COUNT; ++level) {
        m_levelChecks[level] = new QCheckBox(levelNames[level], m_levelBox);
        levelLayout->addWidget(m_levelChecks[level]);
    }
    layout->addWidget(m_levelBox);

    m_sourceBox = makeCheckableBox(tr("By sourse name"), this);
    auto* sourceLayout = new QVBoxLayout(m_sourceBox);
    m_sourceEdit = new QTextEdit(m_sourceBox);
    m_sourceEdit->setMaximumHeight(SOURCE_EDIT_MAX_HEIGHT);
    sourceLayout->addWidget(m_sourceEdit);
    layout->addWidget(m_sourceBox);

    connect(m_dateTimeBox, &QGroupBox::clicked, this, &JournalFilter::changeFilter);
    connect(m_beginEdit, &QDateTimeEdit::editingFinished, this, &JournalFilter::changeFilter);
    connect(m_endEdit, &QDateTimeEdit::editingFinished, this, &JournalFilter::changeFilter);
    connect(m_levelBox, &QGroupBox::clicked, this, &JournalFilter::changeFilter);
    for (QCheckBox* check : m_levelChecks)
        connect(check, &QCheckBox::clicked, this, &JournalFilter::changeFilter);
    connect(m_sourceBox, &QGroupBox::clicked, this, &JournalFilter::changeFilter);
    connect(m_sourceEdit, &QTextEdit::textChanged, this, &JournalFilter::changeFilter);
    connect(this, &QGroupBox::toggled, this, &JournalFilter::filterGroupBoxClicked);

    filterGroupBoxClicked(isChecked());
}

void JournalFilter::filterGroupBoxClicked(bool checked)
{
    setMaximumHeight(checked ? EXPANDED_MAX_HEIGHT : COLLAPSED_MAX_HEIGHT);
}

QList<JournalItem*> JournalFilter::filter(const QList<JournalItem*>& items) const
{
    const bool byDateTime = m_dateTimeBox->isChecked();
    const bool byLevel = m_levelBox->isChecked();
    const bool bySource = m_sourceBox->isChecked();
    if (!byDateTime && !byLevel && !bySource)
        return items;

    // Read the criteria once: this runs over every kept item on each append.
    const QDateTime begin = m_beginEdit->dateTime();
    const QDateTime end = m_endEdit->dateTime();
    std::array<bool, LEVEL_COUNT> levelShown {};
    for (int level = 0; level < LEVEL_COUNT; ++level)
        levelShown[level] = m_levelChecks[level]->isChecked();
    // Empty lines count: an empty line lets the main window's own entries through.
    const QStringList lines = m_sourceEdit->toPlainText().split(QLatin1Char('\n'));
    const QSet<QString> sources(lines.cbegin(), lines.cend());

    QList<JournalItem*> passed;
    for (JournalItem* item : items) {
        if (byDateTime && (item->dateTime < begin || item->dateTime > end))
            continue;
        if (byLevel && (item->level < 0 || item->level >= LEVEL_COUNT || !levelShown[item->level]))
            continue;
        if (bySource && !sources.contains(item->source))
            continue;
        passed.append(item);
    }
    return passed;
}
