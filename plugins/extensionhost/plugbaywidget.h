#pragma once

#include <QTabWidget>

class QTableView;
class Settings;

// The extension host module's page: the "Components" table first, then the
// "Debug" tab and the extension's own page when there are any. Column widths
// and the current tab are kept in the module's record.
class PlugbayWidget : public QTabWidget
{
    Q_OBJECT

public:
    explicit PlugbayWidget(Settings* settings);

    void loadFromSettings();

    // Null once the module that owns the record is gone.
    Settings* settings = nullptr;
    QTableView* table = nullptr;

public slots:
    void tableColumnResized();
    void currentTabChanged(int index);
};
