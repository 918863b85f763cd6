// regimport FILE
//
// Merges FILE (.reg text, "Windows Registry Editor Version 5.00") into the
// registry of the simulated machine in $QJ_MACHINE_ROOT, as importing it on
// Windows would. Exit code 0; 1 when the file cannot be read, a line of it
// cannot be read (the other lines are merged) or the registry cannot be
// written; 2 for a wrong command line.
#include "platform/sim/sim.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: regimport FILE.reg\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "regimport: cannot read %s\n", argv[1]);
    return 1;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string issues;
  if (!sim::ImportRegistry(text, &issues)) {
    std::fprintf(stderr, "regimport: %s into %s:\n%s", argv[1], sim::RegistryFilePath().c_str(), issues.c_str());
    return 1;
  }
  return 0;
}
