#include "appglobals.h"

JournalModel* XJournalModel = nullptr;
JournalExchangeItem* XMainJournalItem = nullptr;
XSerialPort* XSerialPortCommon = nullptr;
QString XLanguage;
QList<XModule*> XModulesList;
