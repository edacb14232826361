#include "userstabledelegatewidget.h"

#include "useritem.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace {
const char CARD_FONT_FAMILY[] = "Arial";
const int CARD_FONT_POINT_SIZE = 15;
const int NAME_FONT_WEIGHT = 75;
const char PHONE_PICTURE[] = ":/pictures/pict/phone.png";
const char EMAIL_PICTURE[] = ":/pictures/pict/email.png";

QHBoxLayout* iconRow(const char* picture, QLabel* label, QWidget* parent)
{
    auto* icon = new QLabel(parent);
    icon->setPixmap(QPixmap(QLatin1String(picture)));
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(label);
    row->addStretch();
    return row;
}
}

UsersTableDelegateWidget::UsersTableDelegateWidget(QWidget* parent)
    : QWidget(parent)
    , m_layout(new QHBoxLayout(this))
    , m_photoLabel(new QLabel(this))
    , m_nameLabel(new QLabel(this))
    , m_postLabel(new QLabel(this))
    , m_phoneLabel(new QLabel(this))
    , m_emailLabel(new QLabel(this))
    , m_lastRequestLabel(new QLabel(this))
{
    setObjectName(QStringLiteral("UserWidget"));

    m_nameLabel->setFont(QFont(QLatin1String(CARD_FONT_FAMILY), CARD_FONT_POINT_SIZE, NAME_FONT_WEIGHT));
    m_postLabel->setFont(QFont(QLatin1String(CARD_FONT_FAMILY), CARD_FONT_POINT_SIZE, -1, true));

    auto* cardColumn = new QVBoxLayout;
    cardColumn->addWidget(m_nameLabel);
    cardColumn->addWidget(m_postLabel);
    cardColumn->addLayout(iconRow(PHONE_PICTURE, m_phoneLabel, this));
    cardColumn->addLayout(iconRow(EMAIL_PICTURE, m_emailLabel, this));

    auto* requestColumn = new QVBoxLayout;
    requestColumn->addWidget(m_lastRequestLabel);

    m_layout->addWidget(m_photoLabel);
    m_layout->addLayout(cardColumn);
    m_layout->addLayout(requestColumn);
    m_layout->addStretch();
}

void UsersTableDelegateWidget::setUser(UserItem* user)
{
    m_photoLabel->setPixmap(QPixmap(user->photo));
    m_nameLabel->setText(user->fullName);
    m_postLabel->setText(user->post);
    m_phoneLabel->setText(user->phone);
    m_emailLabel->setText(user->email);
    if (user->lastWebRequest.dateTime.isNull())
        m_lastRequestLabel->clear();
    else
        m_lastRequestLabel->setText(
            tr("Last WEB request: %1 (%2)")
                .arg(user->lastWebRequest.dateTime.toString(Qt::TextDate), user->lastWebRequest.address));
}
