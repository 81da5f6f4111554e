#include "platform/ProgramFolder.h"
#include "support/GuiTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ProgramFolder, IsTheExecutablesFolderWithATrailingSlash)
{
    testApplication();
    EXPECT_EQ(ProgramFolder(), QCoreApplication::applicationDirPath() + "/");
}

TEST(ProgramFolder, TestsCanPointItElsewhereAndRestoreIt)
{
    testApplication();
    const QString real = ProgramFolder();
    setProgramFolderForTests("/tmp/somewhere");
    EXPECT_EQ(ProgramFolder(), "/tmp/somewhere/");
    setProgramFolderForTests("/tmp/other/");
    EXPECT_EQ(ProgramFolder(), "/tmp/other/");
    setProgramFolderForTests(QString());
    EXPECT_EQ(ProgramFolder(), real);
    {
        TempProgramFolder folder;
        EXPECT_EQ(ProgramFolder(), folder.path());
        EXPECT_TRUE(folder.path().endsWith('/'));
    }
    EXPECT_EQ(ProgramFolder(), real);
}

namespace {

void writeFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

} // namespace

TEST(FileLocations, PortableFolderKeepsEverythingBesideTheProgramAndTheSeamGivesThatLayout)
{
    const FileLocations portable{"/opt/t/", "/opt/t/", "/opt/t/Recording/", false};
    EXPECT_EQ(ChooseFileLocations({"/opt/t", true, "/home/u", "/home/u/.cfg"}), portable);
    TempProgramFolder folder;
    EXPECT_EQ(Locations(), (FileLocations{folder.path(), folder.path(), folder.path() + "Recording/", false}));
}

TEST(FileLocations, InstalledOrReadOnlyProgramUsesTheUsersConfigAndMusicFolders)
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/";
    QDir().mkpath(root + "usr/bin");
    QDir().mkpath(root + "usr/share/tavrin");
    const QString home = root + "home";
    writeFile(home + "/cfg/user-dirs.dirs", "# made by hand\nXDG_MUSIC_DIR=\"$HOME/Му\\\"зыка\"\n");

    // From an installed prefix, writable or not: side files from share/tavrin.
    const FileLocations installed{home + "/cfg/tavrin/", root + "usr/share/tavrin/",
                                  home + "/Му\"зыка/Recording/", true};
    EXPECT_EQ(ChooseFileLocations({root + "usr/bin", true, home, home + "/cfg"}), installed);
    EXPECT_EQ(ChooseFileLocations({root + "usr/bin/", false, home + "/", home + "/cfg/"}), installed);

    // A read-only folder outside a prefix keeps its side files; no usable XDG_CONFIG_HOME means
    // ~/.config, no music folder (none named, or the home folder itself) means ~/Recording/.
    const FileLocations readOnly{home + "/.config/tavrin/", root, home + "/Recording/", true};
    EXPECT_EQ(ChooseFileLocations({root, false, home, ""}), readOnly);
    EXPECT_EQ(ChooseFileLocations({root, false, home, "relative/cfg"}), readOnly);
    writeFile(home + "/.config/user-dirs.dirs", "XDG_MUSIC_DIR=\"$HOME/\"\n");
    EXPECT_EQ(ChooseFileLocations({root, false, home, ""}), readOnly);
    writeFile(home + "/.config/user-dirs.dirs", "XDG_MUSIC_DIR=\"/srv/music\"\n");
    EXPECT_EQ(ChooseFileLocations({root, false, home, ""}).saveFolder, "/srv/music/Recording/");
}
