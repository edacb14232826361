#pragma once

#include <QFileIconProvider>

// Gives each kit file a picture of its components as its icon; every other
// file, and a kit that cannot be loaded, gets the ordinary icon.
class XWidgetStandartKitFileDialogIconProvider : public QFileIconProvider
{
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override;

    // Draws the kit; a null icon when it cannot be loaded. GUI thread only.
    static QIcon kitIcon(const QString& path);
};
