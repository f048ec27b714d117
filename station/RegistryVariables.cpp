#include "station/RegistryVariables.h"

#include "station/StartupConfig.h"

QString CompanyKey = QStringLiteral("Ashgrove");

QString CompanyKeyForExecutable(const QString& executablePath)
{
    const int slash = executablePath.lastIndexOf(QLatin1Char('/'));
    QString name = executablePath.mid(slash + 1);
    // Only the letters a to z change, whatever the locale.
    for (QChar& c : name)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 32);
    if (name == QLatin1String("QUILLAN.EXE") || name == QLatin1String("QUILLAN"))
        return QStringLiteral("Fernleigh");
    return QStringLiteral("Ashgrove");
}

void InitRegistryVariables()
{
    // The name the user gave the program, also when it handed its run over.
    CompanyKey = CompanyKeyForExecutable(ProgramFile());
}

void FinalizeRegistryVariables() { CompanyKey.clear(); }
