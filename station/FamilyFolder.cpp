#include "station/FamilyFolder.h"

#include "station/StartupConfig.h"

namespace {

// The folder with each field replaced by replace(letter); false on a field
// other than %Y %m %d %j %%.
template <typename TReplace>
bool Expand(const QString& folder, QString& result, TReplace replace)
{
    result.clear();
    for (qsizetype i = 0; i < folder.size(); ++i) {
        if (folder[i] != QLatin1Char('%')) {
            result += folder[i];
            continue;
        }
        if (i + 1 >= folder.size())
            return false;
        const QChar letter = folder[++i];
        if (letter == QLatin1Char('%'))
            result += letter;
        else if (QStringLiteral("Ymdj").contains(letter))
            result += replace(letter.toLatin1());
        else
            return false;
    }
    return true;
}

QString Rooted(const QString& path, const QString& dataFolder)
{
    const QString rooted = path.startsWith(QLatin1Char('/')) ? path : dataFolder + path;
    return rooted.isEmpty() ? rooted : IncludeTrailingPathDelimiter(rooted);
}

}  // namespace

bool CheckFamilyFolder(const QString& folder, QString& reason)
{
    QString expanded;
    if (!Expand(folder, expanded, [](char) { return QString(); })) {
        reason = QStringLiteral("'%1' holds a field other than %Y %m %d %j").arg(folder);
        return false;
    }
    return true;
}

bool HasDayFields(const QString& folder)
{
    QString expanded;
    bool fields = false;
    Expand(folder, expanded, [&](char) {
        fields = true;
        return QString();
    });
    return fields;
}

QString FamilyDayFolder(const QString& folder, const QString& dataFolder, TDateTime day)
{
    TDateParts parts;
    if (!TryDecodeDate(day, parts))
        return {};
    TDateTime january1 = 0;
    TryEncodeDate(parts.Year, 1, 1, january1);
    const int dayOfYear = static_cast<int>(day - january1) + 1;
    QString expanded;
    Expand(folder, expanded, [&](char letter) {
        switch (letter) {
        case 'Y':
            return QStringLiteral("%1").arg(parts.Year, 4, 10, QLatin1Char('0'));
        case 'm':
            return QStringLiteral("%1").arg(parts.Month, 2, 10, QLatin1Char('0'));
        case 'd':
            return QStringLiteral("%1").arg(parts.Day, 2, 10, QLatin1Char('0'));
        default:
            return QStringLiteral("%1").arg(dayOfYear, 3, 10, QLatin1Char('0'));
        }
    });
    return Rooted(expanded, dataFolder);
}

QString FamilyBaseFolder(const QString& folder, const QString& dataFolder)
{
    const qsizetype field = folder.indexOf(QLatin1Char('%'));
    QString base = field < 0 ? folder : folder.left(field);
    base = base.left(base.lastIndexOf(QLatin1Char('/')) + 1);
    if (field < 0)
        base = folder;
    return Rooted(base, dataFolder);
}
