/* Test helper started by the process tests: it writes how it was started (its
 * process id, working folder, command line and arguments) into a file in its
 * working folder, named by its first argument or "probe.txt". An argument
 * "sleep=N" makes it wait N milliseconds first, so a caller that does not wait
 * for it would look too early. The file appears whole (written aside, then
 * renamed). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <direct.h>
#include <process.h>
#include <windows.h>
#define getcwd _getcwd
#define getpid _getpid
static void SleepMs(int ms) { Sleep((DWORD)ms); }
#else
#include <time.h>
#include <unistd.h>
static void SleepMs(int ms) {
  struct timespec t = {ms / 1000, (long)(ms % 1000) * 1000000L};
  nanosleep(&t, NULL);
}
#endif

int main(int argc, char** argv) {
  const char* name = argc > 1 && argv[1][0] ? argv[1] : "probe.txt";
  for (int i = 1; i < argc; ++i)
    if (strncmp(argv[i], "sleep=", 6) == 0) SleepMs(atoi(argv[i] + 6));

  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) return 3;
  char partial[4200];
  snprintf(partial, sizeof partial, "%s.part", name);
  FILE* f = fopen(partial, "wb");
  if (!f) return 4;
  fprintf(f, "pid=%lu\n", (unsigned long)getpid());
  fprintf(f, "cwd=%s\n", cwd);
#ifdef _WIN32
  fprintf(f, "cmdline=%s\n", GetCommandLineA());
#endif
  for (int i = 1; i < argc; ++i) fprintf(f, "arg=%s\n", argv[i]);
  if (fclose(f) != 0) return 5;
  return rename(partial, name) == 0 ? 0 : 6;
}
