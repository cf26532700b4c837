#pragma once

#include <string>

namespace varnisk {

// Whether a driver's GL_VERSION string ("4.5 (Compatibility Profile) Mesa
// 22.3.6", "1.1.0", ...) names OpenGL 1.1 or later. The string must start
// with "major.minor"; anything else counts as too old.
bool glVersionAtLeast11(const std::string& versionString);

}  // namespace varnisk
