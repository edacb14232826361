#pragma once

#include <QBoxLayout>
#include <QEasingCurve>
#include <QFrame>
#include <QMutex>
#include <QPoint>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

class QGestureEvent;
class XWidgetContextMenu;
class XWidgetGroup;
class XWidgetSettings;

// Base of every object the operator places on the panel.
//
// The field layout, the order of the five own virtuals and the signal that
// leads the meta-object are shared with the module libraries, which work on
// the host's widgets with their own compiled copy of this class.
class XWidget : public QFrame
{
    Q_OBJECT

public:
    XWidget(XWidgetSettings* settings, QWidget* parent);

    Q_INVOKABLE QString id();

    virtual QVariantMap webMap(QVariantMap map, bool isWritable);
    virtual QString webObject(bool isWritable);
    Q_INVOKABLE virtual QVariantMap exchangeData(QVariantMap map = QVariantMap());
    virtual void acceptSettings();
    virtual void mainClick();

    Q_INVOKABLE QObject* getOtherWidget(QString wid);
    Q_INVOKABLE QStringList xsignalList();
    Q_INVOKABLE int xsignalAppend(QString signalName = QString());
    Q_INVOKABLE bool xsignalEmit(QVariant signalNameOrNumb, QVariant data = QVariant());
    Q_INVOKABLE void animationDo(int duration = 1000, QEasingCurve easing = QEasingCurve::OutElastic);

    void setTransparent(bool on);
    void setSize(QSize s);
    bool gestureEvent(QGestureEvent* event);

    QStringList xsignals;
    bool transparent = false;
    QMutex mutex;
    QVariantMap webData;
    QBoxLayout* mainLayout = nullptr;
    XWidgetSettings* widgetSettings = nullptr;
    XWidgetGroup* group = nullptr;
    XWidgetContextMenu* contextMenu = nullptr;
    QPoint dragPoint;
    bool animationOnClick = false;

signals:
    void xsignal(QString name, int number, QVariant data);

public slots:
    void webMapDo(QVariantMap map, bool isWritable);
#ifdef XWIDGETS_FULL
    void showBaseSettingsDialog();
    void showDataDialog();
#endif
    void copyID();
    void adjustSizeMin();
    void adjustParentSize();
    void moveTo(QPoint p);
    void updateParent();

protected:
    Q_INVOKABLE void setAnimationOnClick(bool en);

    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};
