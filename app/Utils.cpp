#include "app/Utils.h"

#include "app/RegistryVariables.h"
#include "platform/Clock.h"

#include <QFileInfo>
#include <QSettings>
#include <cmath>

QString ReadRegistryString(const QString& programKey, const QString& valueName, QString* error)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, CompanyKey, programKey);
    const QString file = settings.fileName();
    if (settings.status() != QSettings::NoError || (QFileInfo(file).exists() && !QFileInfo(file).isReadable())) {
        if (error)
            *error = QStringLiteral("cannot read the settings file %1").arg(file);
        return {};
    }
    const QVariant value = settings.value(valueName);
    if (!value.isValid() || value.typeId() != QMetaType::QString)
        return {};
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
