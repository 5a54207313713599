/* Loads a libquillet.so and prints the answer of one of its fields, or
 * converts one file, the way a program that uses the library without any
 * set-up does:
 *   probe LIBRARY FIELD
 *   probe LIBRARY convert SRC DEST FORMAT OPTION */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef int32_t (*GetFieldValueFn)(const char*, const char*, char*, int32_t, char*);
typedef uint8_t (*ConvertSingleFileFn)(const char*, const char*, const char*, const char*, char*);

int main(int argc, char** argv) {
  if (argc != 3 && !(argc == 7 && strcmp(argv[2], "convert") == 0)) return 2;
  void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    fprintf(stderr, "%s\n", dlerror());
    return 1;
  }
  if (argc == 7) {
    ConvertSingleFileFn convert = (ConvertSingleFileFn)dlsym(lib, "ConvertSingleFile");
    char error[2048] = "";
    const int ok = convert(argv[3], argv[4], argv[5], argv[6], error);
    printf("%s\n", error);
    dlclose(lib);
    return ok ? 0 : 1;
  }
  GetFieldValueFn get = (GetFieldValueFn)dlsym(lib, "GetFieldValue");
  char error[2048] = "";
  int32_t len = get(argv[2], "", NULL, 0, error);
  char* value = malloc((size_t)len + 1);
  get(argv[2], "", value, len, error);
  printf("%s\n%s\n", error, value);
  free(value);
  dlclose(lib); /* the converter gives its applications back */
  return error[0] ? 1 : 0;
}
