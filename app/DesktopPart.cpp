#include "app/DesktopPart.h"

#include "platform/PathBytes.h"
#include "station/StartupConfig.h"

#include <dlfcn.h>
#include <unistd.h>

namespace {

// The places the part is looked for, from the folder of the running program.
QStringList PartCandidates()
{
    const QString folder = IncludeTrailingPathDelimiter(ExecutableFolder());
    return {folder + QStringLiteral("lagwatch-desktop.so"),
            folder + QStringLiteral(LAGWATCH_PART_FROM_BIN "/lagwatch-desktop.so")};
}

}  // namespace

bool RunDesktopPart(int argc, char** argv, int& status, QString& error)
{
    const QStringList candidates = PartCandidates();
    for (const QString& path : candidates) {
        if (::access(EncodePath(path).constData(), F_OK) != 0)
            continue;
        // The part keeps its own copies of everything it uses: nothing it
        // does touches this program's state.
        void* part = dlopen(EncodePath(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!part) {
            error = QStringLiteral("cannot load the window's part %1: %2").arg(path, QString::fromLocal8Bit(dlerror()));
            return false;
        }
        using TEntry = int (*)(int, char**);
        const auto entry = reinterpret_cast<TEntry>(dlsym(part, "LagwatchDesktopMain"));
        if (!entry) {
            error = QStringLiteral("the window's part %1 has no entry").arg(path);
            return false;
        }
        status = entry(argc, argv);
        return true;
    }
    error =
        QStringLiteral("the window's part is not installed (looked for %1)").arg(candidates.join(QStringLiteral(", ")));
    return false;
}
