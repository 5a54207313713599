/*
 * A caller written in plain C, the way a Visual Basic or Delphi program uses
 * the library: load it at run time, look the four entry points up by name and
 * call them through stdcall function pointers with its own buffers.
 *
 * usage: caller LIBRARY SCRATCH_FOLDER
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#define CALLCONV __stdcall
typedef HMODULE Lib;
static Lib OpenLib(const char* path) { return LoadLibraryA(path); }
static void* Sym(Lib lib, const char* name) { return (void*)GetProcAddress(lib, name); }
static void CloseLib(Lib lib) { FreeLibrary(lib); }
static const char kSep = '\\';
#else
#include <dlfcn.h>
#define CALLCONV
typedef void* Lib;
static Lib OpenLib(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
static void* Sym(Lib lib, const char* name) { return dlsym(lib, name); }
static void CloseLib(Lib lib) { dlclose(lib); }
static const char kSep = '/';
#endif

typedef uint8_t(CALLCONV* ConvertSingleFileFn)(const char*, const char*, const char*, const char*, char*);
typedef uint8_t(CALLCONV* ConvertFolderFn)(const char*, const char*, const char*, int32_t, const char*, const char*);
typedef int32_t(CALLCONV* GetFieldValueFn)(const char*, const char*, char*, int32_t, char*);
typedef int32_t(CALLCONV* FreeMemoryFn)(void*);

static int passed, failed;

#define CHECK(cond)                                                            \
  do {                                                                         \
    if (cond) {                                                                \
      ++passed;                                                                \
    } else {                                                                   \
      ++failed;                                                                \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
    }                                                                          \
  } while (0)

/* Linux paths handed to a Windows program under Wine live on drive Z:. */
static void NativePath(const char* in, char* out, size_t size) {
#ifdef _WIN32
  if (in[0] == '/') {
    size_t i;
    snprintf(out, size, "Z:%s", in);
    for (i = 0; out[i]; ++i)
      if (out[i] == '/') out[i] = '\\';
    return;
  }
#endif
  snprintf(out, size, "%s", in);
}

int main(int argc, char** argv) {
  char libPath[1024], scratch[1024], path[1200], path2[1200], errorBuf[4096], value[64];
  Lib lib;
  ConvertSingleFileFn convertSingleFile;
  ConvertFolderFn convertFolder;
  GetFieldValueFn getFieldValue;
  FreeMemoryFn freeMemory;
  int32_t len;
  FILE* f;

  if (argc < 3) {
    fprintf(stderr, "usage: caller LIBRARY SCRATCH_FOLDER\n");
    return 2;
  }
  NativePath(argv[1], libPath, sizeof libPath);
  NativePath(argv[2], scratch, sizeof scratch);
  lib = OpenLib(libPath);
  if (!lib) {
    fprintf(stderr, "cannot load %s\n", libPath);
    return 1;
  }
  convertSingleFile = (ConvertSingleFileFn)Sym(lib, "ConvertSingleFile");
  convertFolder = (ConvertFolderFn)Sym(lib, "ConvertFolder");
  getFieldValue = (GetFieldValueFn)Sym(lib, "GetFieldValue");
  freeMemory = (FreeMemoryFn)Sym(lib, "FreeMemory");
  CHECK(convertSingleFile && convertFolder && getFieldValue && freeMemory);
  if (!(convertSingleFile && convertFolder && getFieldValue && freeMemory)) return 1;
#ifdef _WIN32
  /* Only the undecorated names are exported. */
  CHECK(Sym(lib, "ConvertSingleFile@20") == NULL && Sym(lib, "_ConvertSingleFile@20") == NULL);
#endif

  /* The two-call protocol: learn the length, then fetch with length + 1. */
  strcpy(errorBuf, "stale");
  len = getFieldValue("softwarename", NULL, NULL, 0, errorBuf);
  CHECK(len == 11 && errorBuf[0] == 0);
  memset(value, 'x', sizeof value);
  len = getFieldValue("softwarename", "", value, len, errorBuf);
  CHECK(len == 11 && strcmp(value, "Quillet COM") == 0);

  /* A short buffer gets the first bytes and a terminator; the whole length comes back. */
  memset(value, 'x', sizeof value);
  strcpy(errorBuf, "stale");
  len = getFieldValue("softwarebigversion", NULL, value, 2, errorBuf);
  CHECK(len == 4 && memcmp(value, " 2\0", 3) == 0 && value[3] == 'x' && errorBuf[0] == 0);

  /* Length 0 leaves the value buffer alone but still writes the error buffer. */
  memset(value, 'x', sizeof value);
  strcpy(errorBuf, "stale");
  len = getFieldValue("dateversion", NULL, value, 0, errorBuf);
  CHECK(len == 6 && value[0] == 'x' && errorBuf[0] == 0);
  len = getFieldValue("dateversion", NULL, value, 10, errorBuf);
  CHECK(strcmp(value, "040402") == 0);

  /* Unknown names, other letter case, and null names answer nothing. */
  strcpy(errorBuf, "stale");
  CHECK(getFieldValue("SoftwareName", NULL, NULL, 0, errorBuf) == 0 && errorBuf[0] == 0);
  CHECK(getFieldValue(NULL, NULL, NULL, 0, errorBuf) == 0 && errorBuf[0] == 0);
  CHECK(getFieldValue("setting", NULL, value, 10, errorBuf) == 0 && value[0] == 0);

  /* A missing source is an error text and a false result, whatever else is null. */
  snprintf(path, sizeof path, "%s%cmissing.doc", scratch, kSep);
  snprintf(path2, sizeof path2, "%s%cout.txt", scratch, kSep);
  strcpy(errorBuf, "stale");
  {
    char expected[1400];
    snprintf(expected, sizeof expected, "Source file \"%s\" do not exist", path);
    CHECK((convertSingleFile(path, path2, NULL, NULL, errorBuf) & 0xFF) == 0);
    CHECK(strcmp(errorBuf, expected) == 0);
  }
  CHECK((convertSingleFile(NULL, NULL, NULL, NULL, errorBuf) & 0xFF) == 0);
  CHECK(strcmp(errorBuf, "Source file \"\" do not exist") == 0);

  /* An existing source with a destination folder that is not there. */
  snprintf(path, sizeof path, "%s%ca.doc", scratch, kSep);
  f = fopen(path, "wb");
  CHECK(f != NULL);
  if (f) {
    fputs("x", f);
    fclose(f);
  }
  snprintf(path2, sizeof path2, "%s%cnowhere%cout.txt", scratch, kSep, kSep);
  CHECK((convertSingleFile(path, path2, "2", "", errorBuf) & 0xFF) == 0);
  CHECK(strstr(errorBuf, "nowhere directory do not exist") != NULL);

  /* A folder run on a machine without Word cannot build its format tables:
     false, and the report (its folder created first) holds the one text. */
  snprintf(path, sizeof path, "%s%c*.none", scratch, kSep);
  snprintf(path2, sizeof path2, "%s%creports%cdeep%creport.txt", scratch, kSep, kSep, kSep);
  CHECK((convertFolder(path, scratch, "2", 0, NULL, path2) & 0xFF) == 0);
  f = fopen(path2, "rb");
  CHECK(f != NULL);
  if (f) {
    char line[256] = "";
    CHECK(fgets(line, sizeof line, f) != NULL);
    CHECK(strcmp(line, "Can not load Microsoft Word, you must install Microsoft Word first, please try again!\r\n") ==
          0);
    fclose(f);
  }
  /* An empty report file name cannot be written: false, never a crash. */
  CHECK((convertFolder(path, scratch, "2", 1, NULL, "") & 0xFF) == 0);
  CHECK((convertFolder(NULL, NULL, NULL, 0, NULL, NULL) & 0xFF) == 0);

  /* FreeMemory: null is fine, a pointer the library did not make is refused. */
  CHECK(freeMemory(NULL) == 0);
  CHECK((uint32_t)freeMemory(value) == 0x8000FFFFu);

  CloseLib(lib);
  printf("%d passed, %d failed\n", passed, failed);
  return failed ? 1 : 0;
}
