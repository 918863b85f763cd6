// regexport KEY
//
// Prints KEY (say "HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control")
// and everything below it from the registry of the simulated machine in
// $QJ_MACHINE_ROOT, as .reg text that the Windows registry editor imports.
// Exit code 0; 1 when the key does not exist; 2 for a wrong command line.
#include "platform/sim/sim.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: regexport KEY   (e.g. regexport \"HKEY_LOCAL_MACHINE\\Software\")\n");
    return 2;
  }
  const std::string text = sim::ExportRegistry(argv[1]);
  if (text.empty()) {
    std::fprintf(stderr, "regexport: no key %s in %s\n", argv[1], sim::RegistryFilePath().c_str());
    return 1;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
