// The DirectInput stand-in's effect scripts: any text through its parser.
#include "effect_script.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb) {
  distandin::Script script;
  std::string error;
  distandin::ParseScript(std::string(reinterpret_cast<const char*>(pData), cb), &script, &error);
  return 0;
}
