// skingen [SETUP_INI]
//
// Draws every skin bitmap of the property pages into "<system>\VQ6100\Image"
// of the machine (on Linux the simulated machine that QJ_MACHINE_ROOT names),
// writes the twelve button sounds into "<system>\VQ6100\Wav" and, when
// SETUP_INI is given (a path as the platform maps it, for example
// Z:\work\main\data\Setup.ini), copies the layout file to
// "<system>\VQ6100\Setup.ini". Exit code 0 on success, 1 on a usage or write
// error.
#include "skingen.h"

#include <cstdio>

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: skingen [SETUP_INI]\n");
    return 1;
  }
  if (!skingen::InstallPageData(argc == 2 ? argv[1] : nullptr) || !skingen::InstallButtonSounds()) {
    std::fprintf(stderr, "skingen: cannot write the page data below %s\n", skingen::PageDataFolder().c_str());
    return 1;
  }
  std::printf("skingen: %zu skin bitmaps and 12 button sounds written below %s\n", skingen::SkinFiles().size(),
              skingen::PageDataFolder().c_str());
  return 0;
}
