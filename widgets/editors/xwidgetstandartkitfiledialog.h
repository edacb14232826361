#pragma once

#include <QFileDialog>

class QCheckBox;
class QScrollArea;
class XWidgetStandartKitFileDialogIconProvider;
class XWidgetStandartKitFileDialogXWidgetStandart;
class XWidgetStandartSettings;

// A file dialog for component kits that shows the kit under the cursor as a
// live standard widget.
class XWidgetStandartKitFileDialog : public QFileDialog
{
    Q_OBJECT

public:
    XWidgetStandartKitFileDialog(QWidget* parent, const QString& caption = QString(),
        const QString& directory = QString(), const QString& filter = QString());
    XWidgetStandartKitFileDialog(QWidget* parent, Qt::WindowFlags flags);
    ~XWidgetStandartKitFileDialog() override;

    QScrollArea* previewArea = nullptr;
    QWidget* previewContainer = nullptr;
    XWidgetStandartKitFileDialogXWidgetStandart* preview = nullptr;
    XWidgetStandartSettings* previewSettings = nullptr;

    QString getOpenFileName(bool* accepted = nullptr);
    QString getSaveFileName(bool* accepted = nullptr);

    // A standard-widget record holding the kit, placed by hand and sized to
    // its components; null when the path is no kit or the kit does not load.
    // With normalise on, the components are shifted so the topmost and the
    // leftmost start 5 pixels in. The caller owns the record.
    static XWidgetStandartSettings* loadKit(const QString& path, bool normalise);

    void clearPreview();
    void showPreview(XWidgetStandartSettings* settings);

    QCheckBox* previewBox() const { return m_previewBox; }

public slots:
    void fileChanged(QString path);
    void previewChanged(bool s);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void init();
    // Widens the file list's columns to what they show and the dialog to the columns.
    void fitFileColumns();
    QString runFor(AcceptMode mode, bool* accepted);

    QCheckBox* m_previewBox = nullptr;
    XWidgetStandartKitFileDialogIconProvider* m_iconProvider = nullptr;
};
