/* Loads a libquillet.so and prints the answer of one of its fields, the way
 * a program that uses the library without any set-up asks for it. */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

typedef int32_t (*GetFieldValueFn)(const char*, const char*, char*, int32_t, char*);

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    fprintf(stderr, "%s\n", dlerror());
    return 1;
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
