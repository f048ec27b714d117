#include "station/RegistryVariables.h"

#include <filesystem>
#include <system_error>

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
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    CompanyKey = CompanyKeyForExecutable(error ? QString() : QString::fromStdString(exe.string()));
}

void FinalizeRegistryVariables() { CompanyKey.clear(); }
