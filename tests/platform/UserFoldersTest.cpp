#include "platform/UserFolders.h"

#include "tests/common/ScopedEnvironment.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

TEST(UserFolders, FollowTheBaseDirectoryRules)
{
    struct Case { const char* value; QString config; QString data; };
    const QString home = QDir::homePath();
    const Case cases[] = {
        {"/srv/station", "/srv/station", "/srv/station"},
        {"", home + "/.config", home + "/.local/share"},
        {"relative/folder", home + "/.config", home + "/.local/share"},  // ignored, not taken from the working folder
        {"./x", home + "/.config", home + "/.local/share"},
    };
    for (const Case& c : cases) {
        const TScopedEnvironment config("XDG_CONFIG_HOME", c.value), data("XDG_DATA_HOME", c.value);
        EXPECT_EQ(UserConfigHome(), c.config) << c.value;
        EXPECT_EQ(UserDataHome(), c.data) << c.value;
    }
    const TScopedEnvironment restored("XDG_CONFIG_HOME", "");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserConfigHome(), home + "/.config");
}

}  // namespace
