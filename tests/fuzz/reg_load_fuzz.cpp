// The simulated machine's registry file: any text as registry.reg, read as a
// new process reads it, then every key opened, enumerated and queried, one
// key created and one value set (a save), and the tree exported.
#include "fuzz_support.h"
#include "registry_walk.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb) {
  fuzz::UseFreshMachine();
  const std::string path = sim::RegistryFilePath();
  FILE* fp = std::fopen(path.c_str(), "wb");
  if (!fp) return 0;
  std::fwrite(pData, 1, cb, fp);
  std::fclose(fp);
  std::remove((path + ".corrupt").c_str());
  sim::SetMachineRoot(sim::MachineRoot());  // a new process: the file is read again
  fuzz::WalkRegistry();
  sim::ExportRegistry("HKEY_LOCAL_MACHINE\\SOFTWARE");
  return 0;
}
