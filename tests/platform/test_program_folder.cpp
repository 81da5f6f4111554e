#include "platform/ProgramFolder.h"
#include "support/GuiTestSupport.h"

#include <QCoreApplication>
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
