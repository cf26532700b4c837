#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace varnisk {

// Writes a picture as an 8-bit RGB PNG file. `rgbaTopFirst` holds width ×
// height pixels of four bytes (R, G, B, A), the top row first; the alpha
// byte is dropped, since the view shows its frame opaque whatever alpha
// blending left in the buffer. The file is written beside the target under
// a temporary name and then renamed over it, so a failure leaves any old
// file as it was and no partial one behind. Throws FileError naming the file
// and the system's reason when it cannot be written; std::invalid_argument
// when the sizes do not fit the pixels.
void writePng(const std::string& path, int width, int height, std::span<const std::uint8_t> rgbaTopFirst);

// Reads a PNG file of any kind as 8-bit RGBA, the top row first. False when
// the file cannot be read or is no PNG picture.
bool readPng(const std::string& path, int& width, int& height, std::vector<std::uint8_t>& rgba);

}  // namespace varnisk
