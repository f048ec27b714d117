// Shared entry point of every test program: widgets and fonts need an
// application object, and tests never need a real display.
#include <gmock/gmock.h>
#include <QApplication>

#include "tests/common/Faults.h"

#include <cstdio>

int main(int argc, char** argv)
{
    // A run under a locale that is not installed would quietly be a run
    // under C: in CI that is a failure (scripts/install-deps.sh makes them).
    const QByteArray wanted = qEnvironmentVariableIsSet("LC_ALL") ? qgetenv("LC_ALL") : qgetenv("LANG");
    if (!wanted.isEmpty() && !LocaleInstalled(wanted.constData())) {
        std::fprintf(stderr, "the locale %s is not installed\n", wanted.constData());
        if (!MaySkipWithoutSetup())
            return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
