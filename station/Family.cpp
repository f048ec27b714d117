#include "station/Family.h"

TFamily BuiltInCrmFamily()
{
    TFamily crm;
    crm.Name = QStringLiteral("crm");
    crm.BuiltInCrm = true;
    crm.CountsProducts = true;
    crm.Folder = DefaultFamilyFolder;
    crm.Pattern = QStringLiteral("{time:%Y%m%d%H%M}*crm.grb");
    return crm;
}
