#include "platform/DegreeSign.h"

QString DegreeSign;

void InitDegreeSign() { DegreeSign = QString(QChar(0x00B0)); }
