// Costs of the dialog automation:
//  1. one window search over a desktop of 200 top-level windows (no window
//     matches, so every window is tested with every criterion), compared with
//     reading the process list once per window tested;
//  2. the processor share of a watcher that waits 2 s without a match.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

#include "FakeDesktop.h"
#include "dialogs/FindAppWindow.h"
#include "sendkeythread/ThreadSendKey.h"
#include "utilities/Strings.h"

using namespace quillet;
using Clock = std::chrono::steady_clock;

namespace {

double ProcessCpuSeconds() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto value = [](const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(value(kernel) + value(user)) / 1e7;
#else
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
#endif
}

// Processor share of a watcher that waits 2 s for a dialog that never comes,
// over the desktop in use.
void MeasureWatcher(const char* what) {
  const auto watcher = TThreadSendKey::Create();
  const double cpuStart = ProcessCpuSeconds();
  const auto wallStart = Clock::now();
  watcher->StartWatch("winword.exe", "WordPerfect", "", "", "button#1", 2000);
  watcher->WaitFor(10000);
  const double cpu = ProcessCpuSeconds() - cpuStart;
  const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
  std::printf("watcher waiting %.2f s %s: %.2f ms processor time, %.3f%% of one core\n", wall, what, cpu * 1000,
              100.0 * cpu / wall);
}

// The search as it would be with one process snapshot for each exe test.
os::WindowHandle SearchWithSnapshotPerWindow(os::Desktop& desktop, const std::string& exe, const std::string& window) {
  const std::string exeLower = LowerCase(exe), windowLower = LowerCase(window);
  os::WindowHandle found = os::NoWindow;
  desktop.EnumTopLevelWindows([&](os::WindowHandle w) {
    const bool caption = Contains(LowerCase(desktop.WindowCaption(w, 254)), windowLower) ||
                         Contains(LowerCase(desktop.WindowClassName(w, 254)), windowLower);
    const bool exeMatch = Contains(LowerCase(GetWindowExeName(w)), exeLower);
    if (caption && exeMatch) found = w;
    return found == os::NoWindow;
  });
  return found;
}

template <typename F>
double MedianMicroseconds(int runs, F&& f) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    f();
    times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main() {
  auto desktop = std::make_shared<test::FakeDesktop>();
  test::ScopedDesktop installed(desktop);
  // 200 top-level windows of 100 processes, among some 150 running processes,
  // each window with an owner-less caption that does not hold the pattern.
  for (os::ProcessId pid = 1000; pid < 1150; ++pid) desktop->AddProcess(pid, "process" + std::to_string(pid) + ".exe");
  for (int i = 0; i < 200; ++i) {
    const auto window = desktop->AddWindow("AppWindowClass" + std::to_string(i % 17),
                                           "Document " + std::to_string(i) + " - Some Application",
                                           static_cast<os::ProcessId>(1000 + i % 100));
    desktop->AddChild(window, "Button", "OK");
  }

  const int runs = 2000;
  int snapshotsBefore = desktop->Snapshots();
  const double search = MedianMicroseconds(runs, [] { (void)FindAppWindow("winword.exe", "WordPerfect", "", ""); });
  const double perSearch = static_cast<double>(desktop->Snapshots() - snapshotsBefore) / runs;
  const double parentJob =
      MedianMicroseconds(runs, [] { (void)FindAppWindow("", "Password", "", "Microsoft PowerPoint"); });
  snapshotsBefore = desktop->Snapshots();
  const double naive =
      MedianMicroseconds(runs / 10, [&] { (void)SearchWithSnapshotPerWindow(*desktop, "winword.exe", "WordPerfect"); });
  const double naivePerSearch = static_cast<double>(desktop->Snapshots() - snapshotsBefore) / (runs / 10);

  std::printf("search over 200 windows, Word job (exe + caption), no match: %.1f us, %.1f process snapshots\n", search,
              perSearch);
  std::printf("search over 200 windows, PowerPoint job (caption + owner caption): %.1f us\n", parentJob);
  std::printf("same search reading the process list per window:          %.1f us, %.1f process snapshots\n", naive,
              naivePerSearch);

  MeasureWatcher("over 200 in-memory windows");

#ifdef _WIN32
  // The same on the system's own desktop, with real enumeration and snapshots.
  os::SetDesktop(nullptr);
  int windows = 0;
  os::SystemDesktop()->EnumTopLevelWindows([&](os::WindowHandle) {
    ++windows;
    return true;
  });
  const double snapshot = MedianMicroseconds(200, [] { (void)os::SystemDesktop()->ProcessSnapshot(); });
  const double systemSearch =
      MedianMicroseconds(200, [] { (void)FindAppWindow("winword.exe", "WordPerfect", "", ""); });
  std::printf("system desktop: %d top-level windows, one process snapshot %.1f us, one Word-job search %.1f us\n",
              windows, snapshot, systemSearch);
  MeasureWatcher("on the system desktop");
#endif
  return 0;
}
