#pragma once

// Program-wide objects of the application shell, created and freed by the
// main window.

#include <QList>
#include <QString>

class JournalExchangeItem;
class JournalModel;
class XModule;
class XSerialPort;

extern JournalModel* XJournalModel;
extern JournalExchangeItem* XMainJournalItem;
extern XSerialPort* XSerialPortCommon;
extern QString XLanguage;
extern QList<XModule*> XModulesList;
