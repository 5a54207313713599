/*
 * quillet-convert: the library's four entry points from the command line.
 *
 *   quillet-convert SRC DEST FORMAT [OPTION]          convert one file
 *   quillet-convert --folder SRC DEST FORMAT REPORT [OPTION] [--recurse]
 *   quillet-convert --field NAME                      print a field's value
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "quillet/quillet.h"

static int Field(const char* name) {
  char error[4096];
  int32_t len = GetFieldValue(name, "", NULL, 0, error);
  char* value = (char*)malloc((size_t)len + 1);
  if (!value) return 1;
  value[0] = 0; /* an empty value leaves the buffer untouched */
  GetFieldValue(name, "", value, len, error);
  printf("%s\n", value);
  if (error[0]) fprintf(stderr, "error: %s\n", error);
  free(value);
  return error[0] ? 1 : 0;
}

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "--field") == 0) return Field(argv[2]);
  if (argc >= 6 && strcmp(argv[1], "--folder") == 0) {
    const char* option = argc >= 7 && strcmp(argv[6], "--recurse") != 0 ? argv[6] : "";
    int recurse = strcmp(argv[argc - 1], "--recurse") == 0;
    QuilletBool ok = ConvertFolder(argv[2], argv[3], argv[4], recurse, option, argv[5]);
    printf("%s (report: %s)\n", ok ? "every file converted" : "some files failed", argv[5]);
    return ok ? 0 : 1;
  }
  if (argc == 4 || argc == 5) {
    /* Error texts carry paths and the applications' own messages. */
    static char error[65536];
    QuilletBool ok = ConvertSingleFile(argv[1], argv[2], argv[3], argc == 5 ? argv[4] : "", error);
    if (ok) {
      printf("converted %s to %s\n", argv[1], argv[2]);
      return 0;
    }
    fprintf(stderr, "error: %s\n", error);
    return 1;
  }
  fprintf(stderr,
          "usage: quillet-convert SRC DEST FORMAT [OPTION]\n"
          "       quillet-convert --folder SRC DEST FORMAT REPORT [OPTION] [--recurse]\n"
          "       quillet-convert --field NAME\n");
  return 2;
}
