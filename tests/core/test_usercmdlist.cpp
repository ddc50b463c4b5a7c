#include "document/UserCmdList.h"
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "support/TcInstallation.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

// A Total Commander folder with wincmd.ini naming a language, found through
// COMMANDER_INI and COMMANDER_PATH, and a program folder without settings.
class UserCmdListTest : public ::testing::Test {
protected:
  UserCmdListTest() {
    tc.Localize({.code = "DEU"});
    WriteBytes(dir / "prog" / "placeholder", "");
    exe = testsupport::WindowsNameOf((dir / "prog" / "corvane.exe"));
  }

  std::string Usercmd() const { return testsupport::WindowsNameOf((dir / "tc" / "usercmd.ini")); }
  std::string Localized() const {
    return testsupport::WindowsNameOf((dir / "tc" / "Language" / "WCMD_DEU.ini"));
  }

  TempDir dir;
  testsupport::TcInstallation tc{dir / "tc"};
  std::string exe; // the program's, in a folder without settings
};

TEST_F(UserCmdListTest, ReadsBothFilesInOrderWithHeadersAsWritten) {
  WriteBytes(dir / "tc" / "usercmd.ini",
             "[em_one]\r\ncmd=one.exe\r\nmenu=One\r\n[em_two]\r\ncmd=two.exe\r\nmenu=Two\r\n");
  WriteBytes(dir / "tc" / "Language" / "WCMD_DEU.inc", "");
  WriteBytes(dir / "tc" / "Language" / "WCMD_DEU.ini", "[em_drei]\ncmd=drei.exe\n");
  UserCmdList list(exe);
  ASSERT_EQ(list.Commands.size(), 3u);
  EXPECT_EQ(list.Commands[0]->Section, "[em_one]");
  EXPECT_EQ(list.Commands[0]->Command, "one.exe");
  EXPECT_EQ(list.Commands[0]->Tooltip, "One");
  EXPECT_EQ(platform::HostPath(list.Commands[0]->SourceFile), platform::HostPath(Usercmd()));
  EXPECT_EQ(list.Commands[1]->Section, "[em_two]");
  EXPECT_EQ(list.Commands[2]->Section, "[em_drei]");
  EXPECT_EQ(platform::HostPath(list.Commands[2]->SourceFile), platform::HostPath(Localized()));
}

TEST_F(UserCmdListTest, LineRules) {
  WriteBytes(dir / "tc" / "usercmd.ini",
             "cmd=before any header\r\n"
             "[em_a]\r\nCMD=upper.exe\r\nButton=icons.dll,2\r\nparam=a=b=c\r\n"
             "path =blank before equals\r\npath=C:\\\r\nmenu=first\r\nmenu=second\r\n"
             "iconic=1\r\nno equals sign\r\n"
             "[em_a]\rcmd=twice\r"
             "[em_trailing] \r\ncmd=still em_a's second\r\n"
             " [em_lead]\r\n");
  UserCmdList list(exe);
  ASSERT_EQ(list.Commands.size(), 2u);
  const Button &a = *list.Commands[0];
  EXPECT_EQ(a.Command, "upper.exe");
  EXPECT_EQ(a.IconRef, "icons.dll,2");
  EXPECT_EQ(a.Params, "a=b=c");
  EXPECT_EQ(a.StartPath, "C:\\");
  EXPECT_EQ(a.Tooltip, "second");
  EXPECT_EQ(a.RunMode, 0);
  EXPECT_EQ(list.Commands[1]->Section, "[em_a]");
  EXPECT_EQ(list.Commands[1]->Command, "still em_a's second");
}

TEST_F(UserCmdListTest, KeysAtTheTopOfTheSecondFileBelongToTheLastCommandOfTheFirst) {
  WriteBytes(dir / "tc" / "usercmd.ini", "[em_last]\r\ncmd=x\r\n");
  WriteBytes(dir / "tc" / "Language" / "WCMD_DEU.inc", "");
  WriteBytes(dir / "tc" / "Language" / "WCMD_DEU.ini", "menu=from the second file\r\n");
  UserCmdList list(exe);
  ASSERT_EQ(list.Commands.size(), 1u);
  EXPECT_EQ(list.Commands[0]->Tooltip, "from the second file");
}

TEST_F(UserCmdListTest, MissingFilesContributeNothing) {
  EXPECT_TRUE(UserCmdList(exe).Commands.empty());
  WriteBytes(dir / "tc" / "Language" / "WCMD_DEU.inc", "");
  WriteBytes(dir / "tc" / "Language" / "WCMD_DEU.ini", "[em_only]\r\n");
  UserCmdList list(exe);
  ASSERT_EQ(list.Commands.size(), 1u);
  EXPECT_EQ(list.Commands[0]->Section, "[em_only]");
}

// Every character survives: in the code page's bytes where it holds them, else marked.
TEST_F(UserCmdListTest, Utf16FileGivesTheCoresTextInEveryCodePage) {
  WriteBytes(dir / "tc" / "usercmd.ini",
             testsupport::Utf16File(u"[em_папка]\r\ncmd=explorer.exe\r\nmenu=Открыть папку\r\n"));
  for (const int codePage : {1251, 1252}) {
    SCOPED_TRACE(codePage);
    testsupport::ScopedCodePage scoped(codePage);
    UserCmdList list(exe);
    ASSERT_EQ(list.Commands.size(), 1u);
    EXPECT_EQ(list.Commands[0]->Section, "[" + platform::Utf8ToText("em_папка") + "]");
    EXPECT_EQ(list.Commands[0]->Command, "explorer.exe");
    EXPECT_EQ(list.Commands[0]->Tooltip, platform::Utf8ToText("Открыть папку"));
  }
}

} // namespace
