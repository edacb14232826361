#pragma once

#include "journalitem.h"

#include <QGroupBox>
#include <QList>

#include <array>

class QCheckBox;
class QDateTimeEdit;
class QTextEdit;

// The journal's filter box: by date and time, by level and by source name.
// Each criterion counts only while its own box is checked; the outer box only
// folds the criteria away.
class JournalFilter : public QGroupBox
{
    Q_OBJECT

public:
    explicit JournalFilter(QWidget* parent = nullptr);

    // The items that pass every checked criterion, in their order.
    QList<JournalItem*> filter(const QList<JournalItem*>& items) const;

signals:
    void changeFilter();

public slots:
    void filterGroupBoxClicked(bool checked);

private:
    static const int LEVEL_COUNT = 4;

    QGroupBox* m_dateTimeBox = nullptr;
    QDateTimeEdit* m_beginEdit = nullptr;
    QDateTimeEdit* m_endEdit = nullptr;
    QGroupBox* m_levelBox = nullptr;
    std::array<QCheckBox*, LEVEL_COUNT> m_levelChecks {};
    QGroupBox* m_sourceBox = nullptr;
    QTextEdit* m_sourceEdit = nullptr;
};
