#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QLibrary;
class QTabWidget;
class QWidget;
class XModuleBase;
class XModuleSettings;

// One configured module: its .xmodule file, its library, the object the
// library made and the tab that shows the object's widget. The object name is
// the module's name and names the file it is saved to at destruction.
class XModule : public QObject
{
    Q_OBJECT

public:
    XModule(QString name, QTabWidget* tabs);
    ~XModule() override;

    bool initLibrary(QString* error, QStringList* warnings);
    void loadFile(const QString& path);
    bool saveFile(const QString& path);
    // Writes the module's settings as they are now to the file it was loaded
    // from; a new name and a removal mark take effect at exit.
    bool save();

    // The file a module of that name is stored in.
    static QString filePath(const QString& name);
    // The tab and list icon a library may bring in its own folder.
    static QString iconPath(const QString& libName);
    // Names end up as file names that the loader must list again: an empty
    // name or a leading dot gives a hidden file, a path separator would lead
    // outside the modules folder. The refusal is the text shown to the
    // operator; empty when the name is fine.
    static QString nameRefusal(const QString& name);
    static bool isValidName(const QString& name);

    // The parts of a packed version (Qt's or a module's own).
    static int versionMajor(int version);
    static int versionMinor(int version);
    static int versionPatch(int version);

    bool removeMark = false;
    XModuleSettings* settings = nullptr;
    QLibrary* library = nullptr;
    XModuleBase* moduleObject = nullptr;
    // The tab page, when the module has one; the modules tab finds a module by it.
    QPointer<QWidget> widget;

signals:
    void normalDestroyed(QString name);

public slots:
    void allLoaded();

private:
    // The name under which the module's file lies on disk. A renamed module
    // is saved under its new name at the end; until that save succeeded, the
    // old file is the only copy of its settings.
    QString m_storedName;
};
