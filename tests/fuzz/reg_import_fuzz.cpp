// .reg import: any text merged into a registry that already holds keys of
// the product, then every key opened, enumerated and queried.
#include "fuzz_support.h"
#include "registry_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb) {
  fuzz::UseFreshMachine();
  sim::ResetRegistry();
  sim::ImportRegistry("Windows Registry Editor Version 5.00\r\n\r\n"
                      "[HKEY_CLASSES_ROOT\\CLSID\\{5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}\\InProcServer32]\r\n"
                      "@=\"C:\\\\windows\\\\system32\\\\VQ6100F.dll\"\r\n\"ThreadingModel\"=\"Both\"\r\n\r\n"
                      "[HKEY_CURRENT_USER\\SOFTWARE\\VevOvuRivizud\\47]\r\n\"CurrentValue\"=hex:01,02,03\r\n",
                      nullptr);
  HKEY hHeld = nullptr;
  RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\VevOvuRivizud\\47", 0, KEY_READ, &hHeld);
  sim::ImportRegistry(std::string(reinterpret_cast<const char*>(pData), cb), nullptr);
  // A handle held across the import still answers (maybe ERROR_KEY_DELETED).
  DWORD cb2 = 0;
  RegQueryValueExA(hHeld, "CurrentValue", nullptr, nullptr, nullptr, &cb2);
  RegCloseKey(hHeld);
  fuzz::WalkRegistry();
  return 0;
}
