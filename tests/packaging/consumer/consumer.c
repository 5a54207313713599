/* A program of a quillet user, built against the installed tree: converts one
 * file and says what the library reported.
 *
 *   consumer SRC DEST FORMAT
 */
#include <stdio.h>

#include <quillet/quillet.h>

#ifndef QUILLET_VERSION
#error "quillet.h names no version"
#endif

int main(int argc, char** argv) {
  static char error[QUILLET_ERROR_TEXT_MAX];
  if (argc != 4) {
    fprintf(stderr, "usage: consumer SRC DEST FORMAT\n");
    return 2;
  }
  printf("built against quillet %s (%d.%d)\n", QUILLET_VERSION, QUILLET_VERSION_MAJOR, QUILLET_VERSION_MINOR);
  if (!ConvertSingleFile(argv[1], argv[2], argv[3], "", error)) {
    printf("failed: %s\n", error);
    return 1;
  }
  printf("converted %s\n", argv[2]);
  return 0;
}
