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

// The largest image either decoder produces (width x height x bytes per
// pixel); a larger one is refused as unreadable before anything is
// allocated. 256 MiB holds an 8192 x 8192 RGBA texture.
inline constexpr std::uint64_t kMaxDecodedImageBytes = 256ull << 20;

// The widest and tallest texture the preview takes. The preview shows a car
// of a few hundred pixels across: textures of more than 4096 pixels a side
// add nothing to it but memory (64 MiB for the pixels of a 4096 x 4096 RGBA
// one, and as much again in OpenGL with its mipmaps).
inline constexpr int kMaxTextureSide = 4096;

// TGA: the four refusals, in the order they are tested.
enum class TgaProblem {
    None,
    NotTrueColour,  // image type other than 2 or 10 ("Only 24 and 32bit TGA supported.")
    ColourMapped,   // colour-map type not 0 ("Colormapped TGA files not supported.")
    TooFewBits,     // bits per pixel other than 24 or 32 ("Only 24 and 32 bit TGA files supported.")
    TooLarge,       // wider or taller than kMaxTextureSide
    Short,          // the file holds fewer pixels than its header promises, or no
                    // image at all ("Couldn't read file")
};

struct TgaDecodeResult {
    TgaProblem problem = TgaProblem::None;
    DecodedImage image;  // filled when problem is None
};

// What the 18-byte header alone tells: the first four refusals of decodeTga
// in its order, and the image's size. Short here only for fewer than 18
// bytes or a zero width or height; whether the file holds the pixels is
// decodeTga's to tell. width, height and bytesPerPixel are set whenever the
// header could be read.
struct TgaHeader {
    TgaProblem problem = TgaProblem::None;
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0;
};
TgaHeader readTgaHeader(std::span<const std::uint8_t> file);

// Types 2 (uncompressed) and 10 (run-length encoded) true-colour images of
// 24 or 32 bits. A file shorter than the 18-byte header is Short; then the
// tests run in this order: image type, colour-map type, bits per pixel, the
// size (a width or height above kMaxTextureSide is TooLarge, told from the
// header before anything is allocated), and whether the file holds the
// pixels.
// - Bits per pixel other than 24 and 32 (below 24, but also 25..31, 40, ...)
//   are refused as TooFewBits: their pixels cannot be taken as 3 or 4 bytes.
// - The ID field (its length is the first byte) is skipped: the pixels start
//   behind the 18-byte header and the ID. The descriptor's origin bits and
//   any footer are not interpreted.
// - A zero width or height, a file that ends inside the ID field, and an
//   image larger than kMaxDecodedImageBytes are Short. So is a header that
//   promises more pixels than the file can hold; that is told before the
//   pixel buffer is allocated.
// - A run-length stream is decoded until width x height pixels are produced:
//   a packet that runs past that count is cut, and a stream that ends before
//   it is Short. Bytes behind the last pixel are ignored.
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

// Uncompressed 24-bit images with an information header of 40 bytes or a
// longer one that begins like it (the 108- and 124-byte versions).
// - The 14-byte file header is only used for its pixel-data offset.
// - The palette is the count of colours used times 4 bytes behind the
//   information header; a file that ends inside it is Palette.
// - Pixels start at the file header's pixel-data offset when that lies at
//   or behind the end of the palette; an offset that points into the headers
//   or the palette (0 among them) is taken as "right behind the palette".
// - Each stored row is padded to a multiple of 4 bytes; the last row's
//   padding may be missing. The header's image size is not used: the file
//   must hold the rows that width and height ask for.
// - A negative height marks a top-down file; its rows are turned round so
//   that the result is bottom row first as well.
// - Everything else is PixelData: a header shorter than 40 bytes or cut
//   short, other bit depths, any compression, a zero or negative width, a
//   zero height, a width or height above kMaxTextureSide, an image larger
//   than kMaxDecodedImageBytes, or a file that ends inside the pixels.
BmpDecodeResult decodeBmp(std::span<const std::uint8_t> file);

}  // namespace varnisk
