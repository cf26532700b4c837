#pragma once

#include <string>

namespace varnisk {

// Where Varnisk's own data (the shipped CamTextures) lies: beside the
// executable in the build tree, else in the installed data folder
// (<prefix>/share/varnisk beside <prefix>/bin). A CamTextures folder in the
// start directory goes before either (textureFolder, preview/Textures.h).
std::string ownDataFolder(const std::string& executableFolder);

// The folder of the running executable; empty when it cannot be told.
std::string executableFolder();

}  // namespace varnisk
