// The decisions an unattended run depends on: which display platform to
// try, whether the data folder can be walked.
#include "app/DisplayChoice.h"
#include "station/StartupConfig.h"
#include "platform/PathBytes.h"

#include "tests/common/Faults.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(DisplayChoice, WindowSystemFirstWithOffscreenBehindIt)
{
    struct Case
    {
        const char* user;
        const char* display;
        const char* wayland;
        const char* session;
        const char* platforms;
        bool noDisplay;
        bool offscreenFirst;
        const char* named;
    };
    const Case cases[] = {
        {"", "", "", "", "offscreen", true, true, ""},
        {"", ":0", "", "x11", "xcb;offscreen", false, false, ":0"},
        {"", "localhost:10.0", "", "", "xcb;offscreen", false, false, "localhost:10.0"},
        {"", "", "wayland-0", "", "wayland;xcb;offscreen", false, false, "wayland-0"},
        {"", ":0", "wayland-0", "wayland", "wayland;xcb;offscreen", false, false, "wayland-0"},
        {"", ":0", "wayland-0", "x11", "xcb;offscreen", false, false, ":0"},
        // The user's own choice stands; off-screen only catches its failure.
        {"xcb", ":0", "", "", "xcb;offscreen", false, false, ":0"},
        {"offscreen", ":0", "", "", "offscreen", false, true, ":0"},
        {"vnc;offscreen", ":0", "", "", "vnc;offscreen", false, false, ":0"},
        {"offscreen", "", "", "", "offscreen", true, true, ""},
    };
    for (const Case& c : cases) {
        const TDisplayChoice choice = ChooseDisplayPlatform(c.user, c.display, c.wayland, c.session);
        EXPECT_EQ(choice.Platforms, c.platforms) << c.user << "|" << c.display << "|" << c.wayland;
        EXPECT_EQ(choice.NoDisplay, c.noDisplay) << c.user << "|" << c.display << "|" << c.wayland;
        EXPECT_EQ(choice.OffscreenFirst, c.offscreenFirst) << c.user << "|" << c.display << "|" << c.wayland;
        EXPECT_EQ(choice.Display, c.named) << c.user << "|" << c.display << "|" << c.wayland;
    }
}

TEST(DataFolderProblem, MissingNotAFolderAndUnreadableAreNamed)
{
    TempDir dir;
    const QString folder = dir.MakeDir("station") + "/";
    const QString file = dir.Write("file.txt", "x");
    const QString oddName = DecodePath(QFile::encodeName(dir.Path()) + "bad\xff/");
    ASSERT_EQ(mkdir(EncodePath(oddName).constData(), 0755), 0);
    struct Case
    {
        QString folder;
        QString problem;
    };
    const Case cases[] = {
        {"", ""},  // the current folder
        {folder, ""},
        {oddName, ""},  // a name that is not valid UTF-8 is walked as it is
        {dir.Path() + "absent/", "the data folder " + dir.Path() + "absent/ does not exist"},
        {file + "/", "cannot reach the data folder " + file + "/: Not a directory"},
        {file, "the data folder " + file + " is not a folder"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DataFolderProblem(c.folder), c.problem) << c.folder.toStdString();
    rmdir(EncodePath(oddName).constData());  // the temporary folder removes decoded names only

    // Permissions bind an ordinary user only: that step runs as one.
    GiveToNobody(dir.Path());
    chmod(QFile::encodeName(folder).constData(), 0300);
    const QString unreadable = "cannot read the data folder " + folder + ": Permission denied";
    EXPECT_EQ(RunAsNobody([&] { return DataFolderProblem(folder) == unreadable; }), 0) << unreadable.toStdString();
    chmod(QFile::encodeName(folder).constData(), 0755);
}

TEST(PathBytes, EveryByteSequenceRoundTrips)
{
    const QByteArray cases[] = {
        "",
        "/data/images/",
        "/data/caf\xc3\xa9/",
        "/data/bad\xff/",
        "\xfe\xff",
        "\xc3",
        "a\xc3(b",
        "\xed\xa0\x80",        // an encoded surrogate is not UTF-8
        "\xc0\xaf",            // an overlong slash
        "\xf0\x9f\x9b\xb0/x",  // a character outside the basic plane
        "\xf0\x9f\x9b",        // the same, cut short
        "\xed\xb3\xbf",        // what a kept byte would look like if encoded plainly
    };
    for (const QByteArray& bytes : cases) {
        const QString decoded = DecodePath(bytes);
        EXPECT_EQ(EncodePath(decoded), bytes) << bytes.toHex().constData();
    }
    EXPECT_EQ(DecodePath("/data/caf\xc3\xa9/"), QString::fromUtf8("/data/caf\xc3\xa9/"));
    EXPECT_NE(DecodePath("bad\xff"), DecodePath("bad\xfe"));
}

}  // namespace
