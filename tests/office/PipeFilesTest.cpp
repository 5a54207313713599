// The socket files of LibreOffice's pipes, named in one place: the file the
// launcher waits on and connects to is the one the search for an office's own
// pipe files finds, and no file of another name or user is taken for one.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "uno/Launcher.h"
#include "uno/PipeFiles.h"

namespace quillet {
namespace {

namespace uno = office::uno;

// A Unix socket of this process listening at Path.
class Listening {
 public:
  explicit Listening(const std::string& path) : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ok_ = path.size() < sizeof address.sun_path &&
          ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(fd_, 1) == 0;
  }
  ~Listening() { ::close(fd_); }
  bool ok() const { return ok_; }

 private:
  int fd_;
  bool ok_ = false;
};

TEST(PipeFiles, ThePipesFileIsNamedAsLibreOfficeNamesItInTheFolderOfItsOffice) {
  const std::string uid = std::to_string(::getuid());
  EXPECT_EQ(uno::PipeFileName("quillet-office"), "OSL_PIPE_" + uid + "_quillet-office");
  EXPECT_EQ(uno::PipeFile("quillet-office", "/run/q"), "/run/q/OSL_PIPE_" + uid + "_quillet-office");
  EXPECT_EQ(uno::PipeFile("quillet-office"), uno::PipeFolder() + "/OSL_PIPE_" + uid + "_quillet-office");

  uno::OfficeLaunch launch;
  launch.pipe = "quillet-1-slot";
  EXPECT_EQ(uno::PipeFileOf(launch), uno::PipeFile("quillet-1-slot"));
  // An isolated office puts its pipes where its confinement says.
  launch.confinement = {"/srv/walls", true, "/srv/walls/pipes"};
  EXPECT_EQ(uno::PipeFileOf(launch), "/srv/walls/pipes/OSL_PIPE_" + uid + "_quillet-1-slot");
}

TEST(PipeFiles, TheFileALauncherListensOnIsFoundAsItsProcesssOwnAndNothingElse) {
  test::TempDir folder;
  const std::string pipe = "quillet-test-" + std::to_string(::getpid());
  const std::string file = uno::PipeFile(pipe, folder.path());
  Listening office(file);
  // Sockets of other names: not a pipe's, and a pipe's of the user whose id
  // begins with ours.
  Listening other(folder / "not-a-pipe");
  Listening anotherUser(folder / ("OSL_PIPE_" + std::to_string(::getuid()) + "1_" + pipe));
  ASSERT_TRUE(office.ok() && other.ok() && anotherUser.ok()) << folder.path();

  EXPECT_TRUE(uno::SocketAccepts(file));
  std::vector<std::string> found;
  for (const std::string& f : uno::PipeFilesOf(::getpid()))
    if (f.rfind(folder.path() + "/", 0) == 0) found.push_back(f);
  EXPECT_EQ(found, std::vector<std::string>{file});
}

}  // namespace
}  // namespace quillet
