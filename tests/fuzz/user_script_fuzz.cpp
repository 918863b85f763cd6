// The Game Controllers stand-in's user scripts: any text through its parser.
#include "user_script.h"

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(pData), cb));
  std::vector<cplhost::Step> steps;
  std::string error;
  cplhost::ParseScript(in, &steps, &error);
  return 0;
}
