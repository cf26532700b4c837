// A fuzz target for the texture decoders; not part of the build. Run it by
// hand, e.g.:
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I src \
//     tests/fuzz/image_fuzz.cpp src/preview/TextureFormats.cpp -o image_fuzz
//   ./image_fuzz -max_total_time=60 -max_len=4096

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "preview/TextureFormats.h"

namespace {

// What every decoded image must satisfy.
void check(const varnisk::DecodedImage& image) {
    const auto expected = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) *
                          static_cast<std::size_t>(image.bytesPerPixel);
    if (image.width <= 0 || image.height <= 0 || (image.bytesPerPixel != 3 && image.bytesPerPixel != 4) ||
        image.pixels.size() != expected || expected > varnisk::kMaxDecodedImageBytes)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    const varnisk::TgaDecodeResult tga = varnisk::decodeTga(file);
    if (tga.problem == varnisk::TgaProblem::None) check(tga.image);
    const varnisk::BmpDecodeResult bmp = varnisk::decodeBmp(file);
    if (bmp.problem == varnisk::BmpProblem::None) {
        check(bmp.image);
        if (bmp.image.bytesPerPixel != 3) std::abort();
    }
    return 0;
}
