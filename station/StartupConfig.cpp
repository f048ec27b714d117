#include "station/StartupConfig.h"

#include "platform/PathBytes.h"
#include "station/FolderAccess.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString LedgerName = QStringLiteral("CRM-received.txt");

// Paths here are file-system bytes (PathBytes.h): a name that is not valid
// UTF-8 must reach the file system as it was given.
bool IsWritableFolder(const QString& folder)
{
    return ::access(folder.isEmpty() ? "." : EncodePath(folder).constData(), W_OK | X_OK) == 0;
}

bool IsFilePath(const QString& path)
{
    struct stat info;
    return !path.isEmpty() && ::stat(EncodePath(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

bool PathExists(const QString& path)
{
    struct stat info;
    return !path.isEmpty() && ::stat(EncodePath(path).constData(), &info) == 0;
}

}  // namespace

bool RunsFromInstallLocation(const QString& executableFolder)
{
    return IsFolderPath(IncludeTrailingPathDelimiter(executableFolder) + QStringLiteral(LAGWATCH_DATA_FROM_BIN));
}

QString IncludeTrailingPathDelimiter(const QString& path) { return path.endsWith(PathDelim) ? path : path + PathDelim; }

QString ComposeDataFolder(const QString& settingsValue, const QStringList& arguments)
{
    QString folder = settingsValue.isEmpty() ? settingsValue : IncludeTrailingPathDelimiter(settingsValue);
    if (!arguments.isEmpty())
        folder = IncludeTrailingPathDelimiter(arguments[0]);
    const QString mpef = folder + QStringLiteral("MPEF") + PathDelim;
    if (IsFolderPath(mpef))
        folder = mpef;
    return folder;
}

QString DataFolderProblem(const QString& folder)
{
    return folder.isEmpty() ? QString() : FolderProblem(folder, QStringLiteral("the data folder %1").arg(folder));
}

QString DataFolderLedgerName(const QString& dataFolder)
{
    const QByteArray path = EncodePath(
        QDir::cleanPath(QFileInfo(dataFolder.isEmpty() ? QStringLiteral(".") : dataFolder).absoluteFilePath()));
    QByteArray readable = path.mid(path.startsWith('/') ? 1 : 0);
    for (char& c : readable)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-'))
            c = '_';
    if (readable.isEmpty() || readable.startsWith('.'))
        readable.prepend("root");
    const QByteArray hash = QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex().left(8);
    return QString::fromLatin1(readable.right(120) + '-' + hash);
}

QString FamilyLedgerFolder(const QString& crmLedger, const QString& familyName)
{
    const qsizetype slash = crmLedger.lastIndexOf(PathDelim);
    return crmLedger.left(slash + 1) + familyName + QStringLiteral("-received") + PathDelim;
}

TLedgerLocation ChooseLedger(const QStringList& arguments, const QString& executableFolder, const QString& dataHome,
                             const QString& dataFolder, const QString& settingsDataFolder)
{
    if (arguments.size() >= 2 && IsFilePath(arguments[1]))
        return {arguments[1], arguments[1]};
    const QString besideExecutable = IncludeTrailingPathDelimiter(executableFolder) + LedgerName;
    // An installed program never writes beside itself, not even as root.
    if (!RunsFromInstallLocation(executableFolder) && IsWritableFolder(executableFolder))
        return {besideExecutable, besideExecutable};
    const QString lagwatchHome = IncludeTrailingPathDelimiter(dataHome) + QStringLiteral("lagwatch/");
    const QString own = lagwatchHome + DataFolderLedgerName(dataFolder) + PathDelim + LedgerName;
    if (PathExists(own) || DataFolderLedgerName(dataFolder) != DataFolderLedgerName(settingsDataFolder))
        return {own, own};
    const QString shared = lagwatchHome + LedgerName;
    if (IsFilePath(shared))
        return {own, shared};
    if (IsFilePath(besideExecutable))
        return {own, besideExecutable};
    return {own, own};
}

namespace {

constexpr char HandedOverVariable[] = "LAGWATCH_PROGRAM";

QString& HandedOverProgram()
{
    static QString file;
    return file;
}

}  // namespace

QString ProgramFile()
{
    if (!HandedOverProgram().isEmpty())
        return HandedOverProgram();
    QByteArray buffer(4096, Qt::Uninitialized);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), static_cast<size_t>(buffer.size()));
    if (n > 0 && n < buffer.size() && buffer.startsWith('/'))
        return DecodePath(buffer.left(n));
    return QCoreApplication::applicationFilePath();
}

QString ExecutableFolder()
{
    const QString file = ProgramFile();
    const qsizetype slash = file.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QFileInfo(file).absolutePath();
    return slash == 0 ? QStringLiteral("/") : file.left(slash);
}

void HandOverProgram() { qputenv(HandedOverVariable, EncodePath(ProgramFile())); }

void TakeHandedOverProgram()
{
    const QByteArray file = qgetenv(HandedOverVariable);
    qunsetenv(HandedOverVariable);
    if (file.startsWith('/'))
        HandedOverProgram() = DecodePath(file);
}
