#include "platform/HostFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

long OpenDescriptors() {
  return std::distance(fs::directory_iterator("/proc/self/fd"), {});
}

// Runs body in a child process to which file permissions apply: as root, the child first
// becomes `user` (required then), to whom dir and its files are handed. body's text comes
// back through a pipe, as checks cannot cross the fork.
std::string RunUnprivileged(const passwd *user, const fs::path &dir,
                            const std::function<std::string()> &body) {
  const bool root = ::geteuid() == 0;
  if (root) {
    for (const auto &entry : fs::recursive_directory_iterator(dir))
      EXPECT_EQ(::chown(entry.path().c_str(), user->pw_uid, user->pw_gid), 0);
    EXPECT_EQ(::chown(dir.c_str(), user->pw_uid, user->pw_gid), 0);
  }
  int channel[2];
  if (::pipe(channel) != 0)
    return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    const bool dropped = !root || (::setgroups(0, nullptr) == 0 && ::setgid(user->pw_gid) == 0 &&
                                   ::setuid(user->pw_uid) == 0);
    const std::string text = dropped ? body() : "cannot become " + std::string(user->pw_name);
    const ssize_t sent = ::write(channel[1], text.data(), text.size());
    ::_exit(sent == static_cast<ssize_t>(text.size()) ? 0 : 1);
  }
  ::close(channel[1]);
  std::string text;
  char buffer[256];
  for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<size_t>(n));
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : "child failed: " + text;
}

} // namespace

TEST(HostFilesIo, AtomicWriteReplacesTheWholeFileAndLeavesNoTemporary) {
  TempDir dir;
  const auto file = dir / "tools.bar";
  WriteBytes(file, "old content that is longer than the new one");
  platform::WriteFileAtomic(testsupport::WindowsNameOf(file), "new");
  EXPECT_EQ(ReadBytes(file), "new");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(HostFilesIo, WriteIntoAMissingFolderIsReportedWithTheFileName) {
  TempDir dir;
  const std::string name = testsupport::WindowsNameOf((dir / "missing" / "tools.bar"));
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
  EXPECT_THROW(platform::WriteFileAtomic(testsupport::WindowsNameOf(file), "lost"),
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
  EXPECT_THROW(platform::WriteFileAtomic(testsupport::WindowsNameOf(file), "new"),
               platform::EFileWriteError);
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_EQ(ReadBytes(file), "keep me");
}

TEST(HostFilesIo, WritableFileInAFolderThatTakesNoNewFileIsWrittenInPlace) {
  const passwd *nobody = ::getpwnam("nobody");
  if (::geteuid() == 0 && !nobody)
    GTEST_SKIP() << "running as root without a user 'nobody' to make the folder read-only";
  struct Case {
    const char *what;
    const char *old; // nullptr: no file yet
    std::string written;
    rlim_t sizeLimit; // 0: none
    std::string expected;
    bool reported;
  };
  const std::vector<Case> cases = {
      {"shorter bytes", "old content that is longer", "new", 0, "new", false},
      {"longer bytes", "old", "new content, longer than the old", 0,
       "new content, longer than the old", false},
      {"write cut short puts the old bytes back", "old bytes", std::string(64, 'n'), 16,
       "old bytes", true},
      {"no file to write over", nullptr, "new", 0, "", true},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    const auto file = dir / "tools.bar";
    if (row.old)
      WriteBytes(file, row.old);
    ::chmod(dir.path().c_str(), 0555);
    const std::string name = testsupport::WindowsNameOf(file);
    const std::string result = RunUnprivileged(nobody, dir.path(), [&]() -> std::string {
      if (row.sizeLimit) {
        // Past the limit a write fails with EFBIG instead of the signal ending the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{row.sizeLimit, row.sizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
      }
      try {
        platform::WriteFileAtomic(name, row.written);
        return "written";
      } catch (const platform::EFileWriteError &e) {
        return e.what();
      }
    });
    if (row.reported)
      EXPECT_EQ(result.rfind("Cannot write file " + name + ": ", 0), 0u) << result;
    else
      EXPECT_EQ(result, "written");
    EXPECT_EQ(fs::exists(file) ? ReadBytes(file) : "", row.expected);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), row.old ? 1 : 0);
  }
}

TEST(HostFilesIo, ReadOfAMissingFileGivesNothing) {
  TempDir dir;
  EXPECT_FALSE(platform::ReadFileBytes(testsupport::WindowsNameOf((dir / "nope.ini"))));
  EXPECT_FALSE(platform::FileExists(testsupport::WindowsNameOf(dir.path())));
  EXPECT_TRUE(platform::DirectoryExists(testsupport::WindowsNameOf(dir.path())));
}
