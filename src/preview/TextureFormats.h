#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace varnisk {

// The two image formats of the preview's textures, as pure decoders over a
// file's bytes. Pixels come out as the texture is uploaded: red, green, blue
// (and alpha), rows in stored order, no row padding.

struct DecodedImage {
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0;  // 3 (RGB) or 4 (RGBA)
    std::vector<std::uint8_t> pixels;  // width x height x bytesPerPixel
};

// TGA: the four refusals, in the order they are tested.
enum class TgaProblem {
    None,
    NotTrueColour,  // image type other than 2 or 10 ("Only 24 and 32bit TGA supported.")
    ColourMapped,   // colour-map type not 0 ("Colormapped TGA files not supported.")
    TooFewBits,     // fewer than 24 bits per pixel ("Only 24 and 32 bit TGA files supported.")
    Short,          // the file holds fewer pixels than its header promises ("Couldn't read file")
};

struct TgaDecodeResult {
    TgaProblem problem = TgaProblem::None;
    DecodedImage image;  // filled when problem is None
};

// Types 2 (uncompressed) and 10 (run-length encoded) true-colour images of
// 24 or 32 bits. The ID field is skipped; the descriptor's origin bits are
// not interpreted. A run-length stream is decoded until width x height pixels
// are produced, never writing past them nor reading past the file.
TgaDecodeResult decodeTga(std::span<const std::uint8_t> file);

// BMP: what stops a load.
enum class BmpProblem {
    None,
    Palette,    // the file ends inside the palette ("Error reading palette")
    PixelData,  // the pixels cannot give width x height x 3 bytes ("Error reading bitmap data")
};

struct BmpDecodeResult {
    BmpProblem problem = BmpProblem::None;
    DecodedImage image;  // RGB, bottom row first, when problem is None
};

BmpDecodeResult decodeBmp(std::span<const std::uint8_t> file);

}  // namespace varnisk
