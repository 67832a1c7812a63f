/*
 * A bare host for one format plug-in, as any program other than Glimr
 * would use it: "pluginhost PLUGIN CYCLES" loads and unloads the library
 * CYCLES times, then loads it once more and leaves it loaded when it exits
 * through exit(). It prints the resident memory after the first tenth of
 * the cycles and after the last one ("rss KB KB"), so a caller can tell
 * whether repeated loading grows the process. Exit status 0 on success.
 */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static long resident_kb(void) {
  FILE* f = fopen("/proc/self/status", "r");
  if (!f)
    return -1;
  char line[256];
  long kb = -1;
  while (fgets(line, sizeof line, f)) {
    if (strncmp(line, "VmRSS:", 6) == 0)
      kb = strtol(line + 6, NULL, 10);
  }
  fclose(f);
  return kb;
}

static int load_once(const char* path, int unload) {
  void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    fprintf(stderr, "%s\n", dlerror());
    return 0;
  }
  const char* (*type)(void) = (const char* (*)(void))dlsym(handle, "GetPluginType");
  if (!type || strcmp(type(), "KPX") != 0) {
    fprintf(stderr, "%s: not a plug-in\n", path);
    return 0;
  }
  return unload ? dlclose(handle) == 0 : 1;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: pluginhost PLUGIN CYCLES\n");
    return 2;
  }
  const long cycles = strtol(argv[2], NULL, 10);
  long warm = -1;
  for (long i = 0; i < cycles; ++i) {
    if (!load_once(argv[1], 1))
      return 1;
    if (i == cycles / 10)
      warm = resident_kb();
  }
  printf("rss %ld %ld\n", warm, resident_kb());
  fflush(stdout);
  if (!load_once(argv[1], 0))
    return 1;
  exit(0);
}
