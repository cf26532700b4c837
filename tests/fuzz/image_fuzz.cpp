// The texture decoders, the input taken as a TGA and as a BMP file.
// Beside memory errors it stops on a decoded image whose size and pixels
// disagree or exceed the decoder's limits, or a TGA header read alone that
// disagrees with the whole file's verdict.

#include <span>

#include "FuzzTargets.h"
#include "images/TextureFormats.h"

namespace varnisk::fuzz {

namespace {

// What every decoded image must satisfy.
void check(const varnisk::DecodedImage& image) {
    const auto expected = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) *
                          static_cast<std::size_t>(image.bytesPerPixel);
    require(image.width > 0 && image.height > 0 && image.width <= varnisk::kMaxTextureSide &&
                image.height <= varnisk::kMaxTextureSide && (image.bytesPerPixel == 3 || image.bytesPerPixel == 4) &&
                image.pixels.size() == expected && expected <= varnisk::kMaxDecodedImageBytes,
            "an image whose size and pixels disagree");
}

}  // namespace

int fuzzImage(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    const varnisk::TgaDecodeResult tga = varnisk::decodeTga(file);
    // What the header alone refuses, the whole file is refused for; a header
    // it passes leaves the file's verdict to the pixels.
    const varnisk::TgaHeader header = varnisk::readTgaHeader(file);
    require(header.problem == varnisk::TgaProblem::None ? tga.problem == varnisk::TgaProblem::None ||
                                                              tga.problem == varnisk::TgaProblem::Short
                                                        : tga.problem == header.problem,
            "the header's verdict and the file's disagree");
    if (tga.problem == varnisk::TgaProblem::None) {
        check(tga.image);
        // A run-length packet of 1 + bytesPerPixel bytes gives at most 128
        // pixels; an uncompressed image stores each of them.
        const auto pixels = tga.image.pixels.size() / static_cast<std::size_t>(tga.image.bytesPerPixel);
        require(pixels <= 128 * size && (file[2] != 2 || tga.image.pixels.size() <= size),
                "a TGA image larger than its file can hold");
    }
    const varnisk::BmpDecodeResult bmp = varnisk::decodeBmp(file);
    if (bmp.problem == varnisk::BmpProblem::None) {
        check(bmp.image);
        require(bmp.image.bytesPerPixel == 3, "a BMP image that is not RGB");
        require(bmp.image.pixels.size() <= size, "a BMP image larger than its file");
    }
    return 0;
}

}  // namespace varnisk::fuzz
