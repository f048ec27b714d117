// Where lagwatch looks for its desktop program.
#include "app/DesktopProgram.h"

#include <gtest/gtest.h>

namespace {

TEST(DesktopProgramCandidates, BesideTheProgramFirstThenTheCompiledInPlacesOrTheOneNamed)
{
    const QStringList fromCopy = DesktopProgramCandidates("/home/op/bin", {});
    ASSERT_GE(fromCopy.size(), 3);
    EXPECT_EQ(fromCopy[0], "/home/op/bin/lagwatch-desktop");
    EXPECT_EQ(fromCopy[1], "/home/op/lib/lagwatch/lagwatch-desktop") << "the install layout beside bin/";
    EXPECT_TRUE(fromCopy.endsWith(QStringLiteral(LAGWATCH_DESKTOP_BUILT)));
    EXPECT_TRUE(fromCopy.contains(QStringLiteral(LAGWATCH_DESKTOP_INSTALLED)));
    EXPECT_TRUE(fromCopy.contains("/usr/lib/lagwatch/lagwatch-desktop")) << "a copy of the packaged program";
    // Run from the install prefix, its place is tried once.
    const QStringList installed = DesktopProgramCandidates(QStringLiteral(LAGWATCH_INSTALLED_BIN), {});
    EXPECT_EQ(installed.count(QStringLiteral(LAGWATCH_DESKTOP_INSTALLED)), 1) << installed.join(' ').toStdString();
    EXPECT_EQ(DesktopProgramCandidates("/home/op/bin", "/opt/other/desktop"), QStringList{"/opt/other/desktop"});
}

}  // namespace
