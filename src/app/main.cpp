#include <cstdio>

#include "version.h"

int main(int argc, char** argv) {
  (void)argc;
  (void)argv;
  std::printf("vora %s\n", vora::kVersion);
  return 0;
}
