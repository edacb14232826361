#include "useritem.h"
#include "userstabledelegate.h"
#include "userstabledelegatewidget.h"
#include "userstablemodel.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

class tst_UsersTableDelegate : public QObject
{
    Q_OBJECT

private slots:
    void cardShowsTheUser_data();
    void cardShowsTheUser();
    void paintDrawsTheCardInsideItsRectangleOnly();
};

namespace {
const char NO_PHOTO[] = ":/photo/pict/User_No-Photo.png";
const QColor UNTOUCHED(255, 0, 255);

QLabel* labelWithText(const QWidget& card, const QString& text)
{
    const QList<QLabel*> labels = card.findChildren<QLabel*>();
    for (QLabel* label : labels) {
        if (label->text() == text)
            return label;
    }
    return nullptr;
}

int picturesShown(const QWidget& card)
{
    int count = 0;
    const QList<QLabel*> labels = card.findChildren<QLabel*>();
    for (const QLabel* label : labels)
        count += label->pixmap(Qt::ReturnByValue).isNull() ? 0 : 1;
    return count;
}
}

void tst_UsersTableDelegate::cardShowsTheUser_data()
{
    QTest::addColumn<QString>("photo");
    QTest::addColumn<QDateTime>("requestTime");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("lastRequestText");
    QTest::addColumn<int>("pictures");

    const QDateTime time(QDate(2020, 1, 17), QTime(10, 11, 12));
    const QString timeText = time.toString(Qt::TextDate);
    QTest::newRow("never requested: no last-request text")
        << QString(NO_PHOTO) << QDateTime() << QString("10.0.0.7") << QString() << 3;
    QTest::newRow("requested: time and address")
        << QString(NO_PHOTO) << time << QString("10.0.0.7")
        << QString("Last WEB request: %1 (10.0.0.7)").arg(timeText) << 3;
    QTest::newRow("address with a percent sign shown as it is")
        << QString(NO_PHOTO) << time << QString("%1%2")
        << QString("Last WEB request: " + timeText + " (%1%2)") << 3;
    QTest::newRow("photo that does not load: empty picture")
        << QString("/nowhere/photo.png") << QDateTime() << QString() << QString() << 2;
}

void tst_UsersTableDelegate::cardShowsTheUser()
{
    QFETCH(QString, photo);
    QFETCH(QDateTime, requestTime);
    QFETCH(QString, address);
    QFETCH(QString, lastRequestText);
    QFETCH(int, pictures);

    UserItem user;
    user.fullName = "Anna Berg";
    user.post = "Shift lead";
    user.phone = "+1 555 0100";
    user.email = "anna@example.org";
    user.photo = photo;
    user.lastWebRequest = { requestTime, address };

    UsersTableDelegateWidget card;
    QCOMPARE(card.objectName(), QString("UserWidget"));
    // A card reused for another user must not keep the earlier request.
    UserItem earlier;
    earlier.lastWebRequest = { QDateTime::currentDateTime(), "10.9.9.9" };
    card.setUser(&earlier);
    card.setUser(&user);

    QLabel* name = labelWithText(card, user.fullName);
    QVERIFY(name);
    QCOMPARE(name->font().family(), QString("Arial"));
    QCOMPARE(name->font().pointSize(), 15);
    QCOMPARE(name->font().weight(), 75);
    QLabel* post = labelWithText(card, user.post);
    QVERIFY(post);
    QVERIFY(post->font().italic());
    QCOMPARE(post->font().pointSize(), 15);
    QVERIFY(labelWithText(card, user.phone));
    QVERIFY(labelWithText(card, user.email));

    const QList<QLabel*> labels = card.findChildren<QLabel*>();
    const auto requestLabels = std::count_if(labels.cbegin(), labels.cend(),
        [](const QLabel* label) { return label->text().startsWith("Last WEB request"); });
    if (lastRequestText.isEmpty()) {
        QCOMPARE(requestLabels, 0);
    } else {
        QCOMPARE(requestLabels, 1);
        QVERIFY(labelWithText(card, lastRequestText));
    }
    QCOMPARE(picturesShown(card), pictures);
}

void tst_UsersTableDelegate::paintDrawsTheCardInsideItsRectangleOnly()
{
    // A chosen photo may be taller than the card's texts.
    QTemporaryDir dir;
    QImage photo(200, 200, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    QVERIFY(photo.save(dir.filePath("tall.png")));
    UserItem user;
    user.fullName = "Anna Berg";
    user.photo = dir.filePath("tall.png");
    UserItem withoutPhoto;
    withoutPhoto.fullName = "Tomas Verlen";
    QList<UserItem*> users { &user, &withoutPhoto };
    UsersTableModel model(&users);
    UsersTableDelegate delegate;

    QStyleOptionViewItem option;
    const QSize hint = delegate.sizeHint(option, model.index(0));
    QVERIFY2(hint.height() >= photo.height(), "the row is tall enough for the photo");
    QVERIFY2(
        delegate.sizeHint(option, model.index(1)).height() < hint.height(), "each row fits its own card");
    // Narrower and lower than the card needs: the card must still stay inside.
    option.rect = QRect(QPoint(40, 30), hint / 2);
    QImage image(option.rect.right() + 40, option.rect.bottom() + 40, QImage::Format_RGB32);

    image.fill(UNTOUCHED);
    {
        QPainter painter(&image);
        delegate.paint(&painter, option, QModelIndex());
    }
    QCOMPARE(image.pixelColor(option.rect.center()), UNTOUCHED);

    {
        QPainter painter(&image);
        delegate.paint(&painter, option, model.index(0));
    }
    for (const QPoint& inside : { option.rect.topLeft(), option.rect.bottomRight(), option.rect.center() })
        QVERIFY2(image.pixelColor(inside) != UNTOUCHED, "the card fills its rectangle");
    for (const QPoint& outside :
        { option.rect.topLeft() - QPoint(1, 1), option.rect.bottomRight() + QPoint(1, 1),
            QPoint(option.rect.left() - 1, option.rect.center().y()) })
        QCOMPARE(image.pixelColor(outside), UNTOUCHED);
}

QTEST_MAIN(tst_UsersTableDelegate)
#include "tst_userstabledelegate.moc"
