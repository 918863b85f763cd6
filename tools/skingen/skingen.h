// The skin generator: draws every bitmap the property pages load and
// installs them, with the layout file, below the system folder.
#pragma once

#include "platform/win32.h"

#include <string>
#include <vector>

namespace skingen {

// One skin bitmap: its file name without ".bmp" and its size in pixels.
struct SkinFile {
  const char* pszName;
  int cx;
  int cy;
};

// Every skin bitmap of the pages, each once.
const std::vector<SkinFile>& SkinFiles();

// The 24-bit BMP file image of the named skin bitmap; empty for a name that
// is not a skin bitmap.
std::vector<unsigned char> DrawSkin(const char* pszName);

// Writes every skin bitmap into pszFolder (a Windows path), creating the
// folder when it is missing. False when a file cannot be written.
bool WriteSkins(const char* pszFolder);

// Creates "<system>\VQ6100" and its "Image" folder, writes the skins there
// and, when pszSetupIni (a Windows path) is given, copies it as
// "<system>\VQ6100\Setup.ini". False on the first failure.
bool InstallPageData(const char* pszSetupIni);

// The button sound of button nButton (1..12): a WAVE file of 8-bit mono PCM
// at 11025 Hz, a short tone whose pitch rises with the button number; empty
// for another number.
std::vector<unsigned char> MakeButtonSound(int nButton);

// Writes the twelve button sounds into "<system>\VQ6100\Wav" as the pages
// name them: Joy1.wav .. Joy9.wav, Joya.wav, Joyb.wav, Joyc.wav. False when
// a file cannot be written.
bool InstallButtonSounds();

// "<system>\VQ6100" as GetSystemDirectoryA gives the system folder.
std::string PageDataFolder();

}  // namespace skingen
