// The command line of a benchmark whose only option is --short (the test command's quick run).
#pragma once

#include <cstdio>
#include <cstring>

// Sets `shortRun` from the arguments; false, with the usage written to stderr, for anything else.
inline bool ReadShortOption(int argc, char** argv, const char* program, bool& shortRun) {
  shortRun = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--short") != 0) {
      std::fprintf(stderr, "usage: %s [--short]\n", program);
      return false;
    }
    shortRun = true;
  }
  return true;
}
