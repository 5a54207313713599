#include "uno/Launcher.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "automation/Failure.h"
#include "platform/unique_any.h"

namespace quillet::office::uno {

namespace {

using UniqueFd = os::UniqueAny<int, &::close, -1>;

// A file URL of Path, every byte but the unreserved ones and '/' escaped.
std::string FileUrlOf(const std::string& path) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  if (ec) absolute = path;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (const unsigned char c : absolute.lexically_normal().string()) {
    if (std::isalnum(c) || std::strchr("/-._~", c)) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Folder as an absolute path without a trailing delimiter; raises Failure
// when it is no folder. What names it in the failure: Variable.
std::string ExistingFolder(const std::string& folder, const char* variable) {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec))
    throw Failure(std::string(variable) + " names no folder: " + folder);
  std::string absolute = std::filesystem::absolute(folder, ec).lexically_normal().string();
  while (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
  return absolute;
}

}  // namespace

Confinement ConfinementOfEnvironment() {
  Confinement walls;
  const std::string folder = Variable("QUILLET_OFFICE_CONFINE");
  if (!folder.empty()) walls.folder = ExistingFolder(folder, "QUILLET_OFFICE_CONFINE");
  return walls;
}

std::string WellKnownPipe() {
  if (const char* pipe = std::getenv("QUILLET_OFFICE_PIPE"); pipe && *pipe) return pipe;
  return "quillet-office";
}

std::string PipeFolder() {
  if (::access("/tmp", W_OK) == 0) return "/tmp";
  if (::access("/var/tmp", W_OK) == 0) return "/var/tmp";
  return Variable("OSL_SOCKET_PATH");
}

std::string PipeFile(const std::string& pipe) { return PipeFile(pipe, PipeFolder()); }

std::string PipeFile(const std::string& pipe, const std::string& folder) {
  return folder + "/OSL_PIPE_" + std::to_string(::getuid()) + "_" + pipe;
}

bool PipeAccepts(const std::string& pipe) { return SocketAccepts(PipeFile(pipe)); }

bool SocketAccepts(const std::string& file) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (file.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, file.c_str(), file.size() + 1);
  // Without waiting: a listener that takes no connections (stopped, or
  // with its queue full) does not accept.
  const UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  return fd && ::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

void RequireSoffice(const std::string& programFolder) {
  if (::access((programFolder + "/soffice.bin").c_str(), X_OK) != 0)
    throw Failure(
        "LibreOffice is not installed: install the Debian packages libreoffice-core, libreoffice-writer, "
        "libreoffice-calc and libreoffice-impress");
}

OfficeCommand CommandOf(const OfficeLaunch& launch) {
  return {launch.programFolder + "/soffice.bin",
          {"--headless", "--invisible", "--nologo", "--norestore", "--nodefault", "--nolockcheck",
           "--accept=pipe,name=" + launch.pipe + ";urp;", "-env:UserInstallation=" + FileUrlOf(launch.profileFolder)},
          {"TMPDIR=" + launch.tempFolder}};
}

}  // namespace quillet::office::uno
