#include "station/Utils.h"

#include "station/RegistryVariables.h"
#include "platform/Clock.h"
#include "platform/UserFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <cmath>

// The user-scope settings file, found afresh at every read (QSettings would
// remember the configuration folder of its first use).
QString SettingsFilePath(const QString& programKey)
{
    return UserConfigHome() + QLatin1Char('/') + CompanyKey + QLatin1Char('/') + programKey + QStringLiteral(".conf");
}

QString ReadRegistryString(const QString& programKey, const QString& valueName, QString* error)
{
#ifdef Q_OS_WIN
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, CompanyKey, programKey);
#else
    QSettings settings(SettingsFilePath(programKey), QSettings::IniFormat);
#endif
    const QString file = settings.fileName();
    if (settings.status() != QSettings::NoError || (QFileInfo(file).exists() && !QFileInfo(file).isReadable())) {
        if (error)
            *error = QStringLiteral("cannot read the settings file %1").arg(file);
        return {};
    }
    const QVariant value = settings.value(valueName);
    if (!value.isValid())
        return {};
    if (value.typeId() != QMetaType::QString) {
        // A value that cannot be read as a string is a read error, not an absent value.
        if (error)
            *error = QStringLiteral("the settings value %1 in %2 is not a string").arg(valueName, file);
        return {};
    }
    QString text = value.toString();
    const int nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

TDateTime NowUTC() { return SystemNowUTC(); }

int DayOfYearUTC(TDateTime value)
{
    TDateParts parts;
    TDateTime first = 0;
    if (!TryDecodeDate(value, parts) || !TryEncodeDate(parts.Year, 1, 1, first))
        return 0;
    return static_cast<int>(std::trunc(value - first)) + 1;
}
