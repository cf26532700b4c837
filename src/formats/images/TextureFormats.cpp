#include "images/TextureFormats.h"

#include <algorithm>
#include <cstring>

#include "base/Bytes.h"

namespace varnisk {

namespace {

using Span = std::span<const std::uint8_t>;

// ------------------------------------------------------------------ TGA

constexpr std::size_t kTgaHeader = 18;
constexpr std::uint64_t kTgaPacketPixels = 128;

TgaDecodeResult tgaRefused(TgaProblem problem) {
    TgaDecodeResult r;
    r.problem = problem;
    return r;
}

// Blue-green-red(-alpha) to red-green-blue(-alpha), one pixel.
void putPixel(std::uint8_t* out, const std::uint8_t* in, std::size_t bytesPerPixel) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
    if (bytesPerPixel == 4) out[3] = in[3];
}

// Decodes `pixelCount` run-length-encoded pixels from `data` into `out`;
// false when the stream ends first.
bool decodeRle(Span data, std::size_t bytesPerPixel, std::uint64_t pixelCount, std::uint8_t* out) {
    std::size_t at = 0;
    std::uint64_t made = 0;
    while (made < pixelCount) {
        if (at >= data.size()) return false;
        const std::uint8_t head = data[at++];
        const std::uint64_t count = std::min<std::uint64_t>((head & 0x7Fu) + 1u, pixelCount - made);
        if (head >= 128) {
            if (data.size() - at < bytesPerPixel) return false;
            for (std::uint64_t i = 0; i < count; ++i, ++made)
                putPixel(out + made * bytesPerPixel, data.data() + at, bytesPerPixel);
            at += bytesPerPixel;
        } else {
            // Only the pixels that are used must be there: a packet cut at
            // the image's end may stop with the file.
            if ((data.size() - at) / bytesPerPixel < count) return false;
            for (std::uint64_t i = 0; i < count; ++i, ++made, at += bytesPerPixel)
                putPixel(out + made * bytesPerPixel, data.data() + at, bytesPerPixel);
        }
    }
    return true;
}

// ------------------------------------------------------------------ BMP

constexpr std::size_t kBmpFileHeader = 14;
constexpr std::size_t kBmpInfoHeader = 40;

BmpDecodeResult bmpRefused(BmpProblem problem) {
    BmpDecodeResult r;
    r.problem = problem;
    return r;
}

}  // namespace

TgaHeader readTgaHeader(Span file) {
    TgaHeader h;
    if (file.size() < kTgaHeader) {
        h.problem = TgaProblem::Short;
        return h;
    }
    h.width = bytes::u16(file, 12);
    h.height = bytes::u16(file, 14);
    h.bytesPerPixel = file[16] / 8;
    if (file[2] != 2 && file[2] != 10) h.problem = TgaProblem::NotTrueColour;
    else if (file[1] != 0) h.problem = TgaProblem::ColourMapped;
    else if (file[16] != 24 && file[16] != 32) h.problem = TgaProblem::TooFewBits;
    else if (h.width > kMaxTextureSide || h.height > kMaxTextureSide) h.problem = TgaProblem::TooLarge;
    else if (h.width == 0 || h.height == 0) h.problem = TgaProblem::Short;
    return h;
}

TgaDecodeResult decodeTga(Span file) {
    const TgaHeader header = readTgaHeader(file);
    if (header.problem != TgaProblem::None) return tgaRefused(header.problem);

    const bool rle = file[2] == 10;
    const auto bytesPerPixel = static_cast<std::size_t>(header.bytesPerPixel);
    const auto width = static_cast<std::uint64_t>(header.width);
    const auto height = static_cast<std::uint64_t>(header.height);
    const std::size_t pixelStart = kTgaHeader + file[0];
    const std::uint64_t pixelCount = width * height;
    const std::uint64_t imageBytes = pixelCount * bytesPerPixel;
    if (pixelCount == 0 || imageBytes > kMaxDecodedImageBytes || file.size() < pixelStart)
        return tgaRefused(TgaProblem::Short);

    const Span data = file.subspan(pixelStart);
    // What the file must hold at least: every pixel, or for a run-length
    // stream one packet header and one pixel for each 128 pixels.
    const std::uint64_t least =
        rle ? (pixelCount + kTgaPacketPixels - 1) / kTgaPacketPixels * (1 + bytesPerPixel) : imageBytes;
    if (data.size() < least) return tgaRefused(TgaProblem::Short);

    TgaDecodeResult r;
    r.image.width = header.width;
    r.image.height = header.height;
    r.image.bytesPerPixel = header.bytesPerPixel;
    r.image.pixels.resize(static_cast<std::size_t>(imageBytes));
    std::uint8_t* out = r.image.pixels.data();
    if (rle) {
        if (!decodeRle(data, bytesPerPixel, pixelCount, out)) return tgaRefused(TgaProblem::Short);
    } else {
        for (std::uint64_t i = 0; i < pixelCount; ++i)
            putPixel(out + i * bytesPerPixel, data.data() + i * bytesPerPixel, bytesPerPixel);
    }
    return r;
}

BmpDecodeResult decodeBmp(Span file) {
    if (file.size() < kBmpFileHeader + kBmpInfoHeader) return bmpRefused(BmpProblem::PixelData);
    const std::uint32_t infoSize = bytes::u32(file, 14);
    if (infoSize < kBmpInfoHeader || infoSize > file.size() - kBmpFileHeader)
        return bmpRefused(BmpProblem::PixelData);

    const std::uint64_t paletteEnd = kBmpFileHeader + std::uint64_t{infoSize} + std::uint64_t{bytes::u32(file, 46)} * 4;
    if (paletteEnd > file.size()) return bmpRefused(BmpProblem::Palette);

    const std::int64_t width = bytes::i32(file, 18);
    const std::int64_t storedHeight = bytes::i32(file, 22);
    const std::uint16_t bitsPerPixel = bytes::u16(file, 28);
    const std::uint32_t compression = bytes::u32(file, 30);
    if (bitsPerPixel != 24 || compression != 0 || width <= 0 || storedHeight == 0)
        return bmpRefused(BmpProblem::PixelData);
    const bool topDown = storedHeight < 0;
    const std::uint64_t height = static_cast<std::uint64_t>(topDown ? -storedHeight : storedHeight);
    if (width > kMaxTextureSide || height > kMaxTextureSide) return bmpRefused(BmpProblem::PixelData);
    const std::uint64_t rowBytes = static_cast<std::uint64_t>(width) * 3;
    const std::uint64_t imageBytes = rowBytes * height;
    if (imageBytes > kMaxDecodedImageBytes) return bmpRefused(BmpProblem::PixelData);

    const std::uint32_t offset = bytes::u32(file, 10);
    const std::uint64_t start = offset >= paletteEnd ? offset : paletteEnd;
    const std::uint64_t stride = (rowBytes + 3) / 4 * 4;
    const std::uint64_t needed = stride * (height - 1) + rowBytes;
    if (start > file.size() || file.size() - start < needed) return bmpRefused(BmpProblem::PixelData);

    BmpDecodeResult r;
    r.image.width = static_cast<int>(width);
    r.image.height = static_cast<int>(height);
    r.image.bytesPerPixel = 3;
    r.image.pixels.resize(static_cast<std::size_t>(imageBytes));
    for (std::uint64_t row = 0; row < height; ++row) {
        const std::uint64_t stored = topDown ? height - 1 - row : row;
        const std::uint8_t* in = file.data() + start + stored * stride;
        std::uint8_t* out = r.image.pixels.data() + row * rowBytes;
        for (std::uint64_t x = 0; x < static_cast<std::uint64_t>(width); ++x) putPixel(out + x * 3, in + x * 3, 3);
    }
    return r;
}

}  // namespace varnisk
