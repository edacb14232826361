#pragma once

#include <QLabel>
#include <QString>

class QMovie;

// A picture from content/ shown in a widget's layout; the web exchange sends
// its file name so that a browser shows the same picture.
class XWidgetLabelPic : public QLabel
{
    Q_OBJECT

public:
    explicit XWidgetLabelPic(QWidget* parent = nullptr);

    Q_INVOKABLE void setPic(QString fname);

    QString fileName;
    QMovie* movie = nullptr;
};
