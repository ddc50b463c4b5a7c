#include "platform/HostFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

long OpenDescriptors() {
  return std::distance(fs::directory_iterator("/proc/self/fd"), {});
}

} // namespace

TEST(HostFilesIo, AtomicWriteReplacesTheWholeFileAndLeavesNoTemporary) {
  TempDir dir;
  const auto file = dir / "tools.bar";
  WriteBytes(file, "old content that is longer than the new one");
  platform::WriteFileAtomic(platform::WindowsName(file.string()), "new");
  EXPECT_EQ(ReadBytes(file), "new");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(HostFilesIo, WriteIntoAMissingFolderIsReportedWithTheFileName) {
  TempDir dir;
  const std::string name = platform::WindowsName((dir / "missing" / "tools.bar").string());
  try {
    platform::WriteFileAtomic(name, "x");
    FAIL() << "no error for a missing folder";
  } catch (const platform::EFileWriteError &e) {
    EXPECT_NE(std::string(e.what()).find("tools.bar"), std::string::npos) << e.what();
  }
}

TEST(HostFilesIo, ReadOnlyFileIsRefusedAndKept) {
  TempDir dir;
  const auto file = dir / "tools.bar";
  WriteBytes(file, "keep me");
  ::chmod(file.c_str(), 0444);
  EXPECT_THROW(platform::WriteFileAtomic(platform::WindowsName(file.string()), "lost"),
               platform::EFileWriteError);
  EXPECT_EQ(ReadBytes(file), "keep me");
}

TEST(HostFilesIo, FailedFlushClosesTheTemporaryAndKeepsTheFile) {
  TempDir dir;
  const auto file = dir / "tools.bar";
  WriteBytes(file, "keep me");
  // The temporary, under the name the writer gives it, leads to a device that takes
  // writes but cannot be flushed.
  fs::create_symlink("/dev/null", file.string() + ".corvane-tmp-" + std::to_string(::getpid()));
  const long before = OpenDescriptors();
  EXPECT_THROW(platform::WriteFileAtomic(platform::WindowsName(file.string()), "new"),
               platform::EFileWriteError);
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_EQ(ReadBytes(file), "keep me");
}

TEST(HostFilesIo, ReadOfAMissingFileGivesNothing) {
  TempDir dir;
  EXPECT_FALSE(platform::ReadFileBytes(platform::WindowsName((dir / "nope.ini").string())));
  EXPECT_FALSE(platform::FileExists(platform::WindowsName(dir.path().string())));
  EXPECT_TRUE(platform::DirectoryExists(platform::WindowsName(dir.path().string())));
}
