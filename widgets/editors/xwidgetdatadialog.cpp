#include "xwidgetdatadialog.h"

#include "xwidget.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace {
const int AUTO_UPDATE_MAX_S = 100;
const int MS_PER_S = 1000;
}

XWidgetDataDialog::XWidgetDataDialog(XWidget* widget)
    : QDialog(widget)
    , widget(widget)
{
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);

    textView = new QPlainTextEdit(this);
    textView->setReadOnly(true);
    layout->addWidget(textView);

    auto* row = new QHBoxLayout;
    updateButton = new QPushButton(tr("Update"), this);
    row->addWidget(updateButton);
    row->addStretch();
    row->addWidget(new QLabel(tr("Autoupdate"), this));
    autoUpdateSpin = new QSpinBox(this);
    autoUpdateSpin->setRange(0, AUTO_UPDATE_MAX_S);
    autoUpdateSpin->setValue(0);
    row->addWidget(autoUpdateSpin);
    layout->addLayout(row);

    connect(updateButton, &QPushButton::clicked, this, &XWidgetDataDialog::update);
    connect(autoUpdateSpin, QOverload<int>::of(&QSpinBox::valueChanged), this,
        &XWidgetDataDialog::autoUpdateChanged);

    timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &XWidgetDataDialog::update);

    update();
}

void XWidgetDataDialog::update()
{
    textView->clear();
    textView->appendPlainText(QStringLiteral("Variables:"));
    // QVariantMap iterates in key order, which is the order shown.
    const QVariantMap data = widget->exchangeData(QVariantMap());
    for (auto it = data.cbegin(); it != data.cend(); ++it) {
        if (!it.key().isEmpty())
            textView->appendPlainText(it.key() + QStringLiteral(": ") + it.value().toString());
    }
    textView->appendPlainText(QStringLiteral("Signals:"));
    const QStringList names = widget->xsignalList();
    for (const QString& name : names)
        textView->appendPlainText(name);
}

void XWidgetDataDialog::autoUpdateChanged(int t)
{
    if (t <= 0) {
        timer->stop();
        return;
    }
    timer->start(t * MS_PER_S);
}
