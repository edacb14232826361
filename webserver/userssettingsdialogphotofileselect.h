#pragma once

#include <QHBoxLayout>

class QLineEdit;

// The photo row of the user settings: the picture path and a button that
// lets the operator choose the file.
class UsersSettingsDialogPhotoFileSelect : public QHBoxLayout
{
    Q_OBJECT

public:
    explicit UsersSettingsDialogPhotoFileSelect(const QString& photo);

    QLineEdit* lineEdit() const { return m_lineEdit; }

public slots:
    void dialog();

private:
    QLineEdit* m_lineEdit = nullptr;
};
