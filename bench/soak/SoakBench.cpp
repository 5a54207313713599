// Many conversions in one process, as a server would run them: the same
// small document converted COUNT times through the library, with the office
// kept between requests (and recycled by it). Every BLOCK conversions one
// line: the conversions done, the mean time per document over the block, the
// resident memory of this process and of the soffice processes it started,
// and the descriptors this process has open.
//
//   soak_bench SOURCE DEST FORMAT [COUNT [BLOCK]]
//
// A failed conversion ends the program with status 1.
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "quillet/quillet.h"

namespace {

// Resident bytes of process Pid ("self" for this one); 0 when unreadable.
unsigned long long Resident(const std::string& pid) {
  std::FILE* f = std::fopen(("/proc/" + pid + "/statm").c_str(), "r");
  if (!f) return 0;
  unsigned long long size = 0, resident = 0;
  const int n = std::fscanf(f, "%llu %llu", &size, &resident);
  std::fclose(f);
  return n == 2 ? resident * static_cast<unsigned long long>(::sysconf(_SC_PAGESIZE)) : 0;
}

// The soffice.bin processes whose parent is this process, with their memory.
unsigned long long OfficeResident(int& count) {
  count = 0;
  unsigned long long total = 0;
  DIR* proc = ::opendir("/proc");
  if (!proc) return 0;
  const int self = ::getpid();
  while (dirent* e = ::readdir(proc)) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
    std::FILE* f = std::fopen((std::string("/proc/") + e->d_name + "/stat").c_str(), "r");
    if (!f) continue;
    char line[512] = {};
    const bool read = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    if (!read) continue;
    // pid (comm) state ppid ...
    const char* open = std::strchr(line, '(');
    const char* close = std::strrchr(line, ')');
    if (!open || !close) continue;
    const std::string comm(open + 1, close);
    int ppid = 0;
    char state = 0;
    if (std::sscanf(close + 1, " %c %d", &state, &ppid) != 2 || ppid != self || comm != "soffice.bin") continue;
    ++count;
    total += Resident(e->d_name);
  }
  ::closedir(proc);
  return total;
}

int OpenDescriptors() {
  int n = 0;
  if (DIR* fds = ::opendir("/proc/self/fd")) {
    while (dirent* e = ::readdir(fds)) n += e->d_name[0] != '.';
    ::closedir(fds);
  }
  return n - 1;  // the listing's own
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s SOURCE DEST FORMAT [COUNT [BLOCK]]\n", argv[0]);
    return 2;
  }
  const int count = argc > 4 ? std::atoi(argv[4]) : 1000;
  const int block = argc > 5 ? std::atoi(argv[5]) : 100;
  std::vector<char> error(1 << 16);
  std::printf("%6s %10s %12s %12s %8s %5s\n", "done", "ms/doc", "self MiB", "soffice MiB", "offices", "fds");
  double blockMs = 0;
  for (int i = 1; i <= count; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (!ConvertSingleFile(argv[1], argv[2], argv[3], "", error.data())) {
      std::fprintf(stderr, "conversion %d: %s\n", i, error.data());
      return 1;
    }
    blockMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (i % block == 0 || i == 1) {
      int offices = 0;
      const unsigned long long office = OfficeResident(offices);
      std::printf("%6d %10.1f %12.1f %12.1f %8d %5d\n", i, i == 1 ? blockMs : blockMs / block,
                  Resident("self") / 1048576.0, office / 1048576.0, offices, OpenDescriptors());
      std::fflush(stdout);
      blockMs = 0;
    }
  }
  return 0;
}
