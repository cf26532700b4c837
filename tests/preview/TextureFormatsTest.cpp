#include "images/TextureFormats.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace varnisk {
namespace {

using Bytes = std::vector<std::uint8_t>;

void addU16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void addU32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

// A TGA header and what follows it.
struct Tga {
    int type = 2;
    int colourMapType = 0;
    unsigned width = 1, height = 1;
    int bits = 24;
    std::string id;
    Bytes colourMap;  // its entries, 24 bits each as the header says
    Bytes data;

    Bytes bytes() const {
        Bytes b;
        b.push_back(static_cast<std::uint8_t>(id.size()));
        b.push_back(static_cast<std::uint8_t>(colourMapType));
        b.push_back(static_cast<std::uint8_t>(type));
        addU16(b, 0);                                                   // first map entry
        addU16(b, static_cast<unsigned>(colourMap.size() / 3));        // map length
        b.push_back(colourMap.empty() ? 0 : 24);                        // map entry size
        addU16(b, 0);
        addU16(b, 0);
        addU16(b, width);
        addU16(b, height);
        b.push_back(static_cast<std::uint8_t>(bits));
        b.push_back(bits == 32 ? 8 : 0);
        b.insert(b.end(), id.begin(), id.end());
        append(b, colourMap);
        append(b, data);
        return b;
    }
};

TgaDecodeResult decode(const Tga& t) { return decodeTga(t.bytes()); }

// ------------------------------------------------------------------ TGA

TEST(DecodeTga, UncompressedPixelsComeOutRedGreenBlue) {
    Tga t;
    t.width = 2;
    t.data = {1, 2, 3, 4, 5, 6};
    const TgaDecodeResult r = decode(t);
    ASSERT_EQ(r.problem, TgaProblem::None);
    EXPECT_EQ(r.image.width, 2);
    EXPECT_EQ(r.image.height, 1);
    EXPECT_EQ(r.image.bytesPerPixel, 3);
    EXPECT_EQ(r.image.pixels, (Bytes{3, 2, 1, 6, 5, 4}));
}

TEST(DecodeTga, ThirtyTwoBitsKeepAlphaLastAndRowsInStoredOrder) {
    Tga t;
    t.bits = 32;
    t.width = 1;
    t.height = 2;
    t.data = {10, 20, 30, 40, 50, 60, 70, 80};
    const TgaDecodeResult r = decode(t);
    ASSERT_EQ(r.problem, TgaProblem::None);
    EXPECT_EQ(r.image.bytesPerPixel, 4);
    EXPECT_EQ(r.image.pixels, (Bytes{30, 20, 10, 40, 70, 60, 50, 80}));
}

TEST(DecodeTga, RunAndRawPackets) {
    Tga t;
    t.type = 10;
    t.width = 3;
    t.height = 2;
    // 130: the next pixel three times; 2: the next three pixels.
    t.data = {130, 1, 2, 3, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const TgaDecodeResult r = decode(t);
    ASSERT_EQ(r.problem, TgaProblem::None);
    EXPECT_EQ(r.image.pixels, (Bytes{3, 2, 1, 3, 2, 1, 3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
}

TEST(DecodeTga, PacketsPastThePixelCountAreCut) {
    Tga run;
    run.type = 10;
    run.width = 2;
    run.data = {0xFF, 1, 2, 3};  // 128 copies for two pixels
    TgaDecodeResult r = decode(run);
    ASSERT_EQ(r.problem, TgaProblem::None);
    EXPECT_EQ(r.image.pixels, (Bytes{3, 2, 1, 3, 2, 1}));

    // A raw packet of 6 pixels for a 2-pixel image needs only those two.
    Tga raw = run;
    raw.data = {5, 1, 2, 3, 4, 5, 6};
    r = decode(raw);
    ASSERT_EQ(r.problem, TgaProblem::None);
    EXPECT_EQ(r.image.pixels, (Bytes{3, 2, 1, 6, 5, 4}));

    // Whatever follows the last pixel is ignored.
    raw.data.insert(raw.data.end(), {0x80, 9, 9});
    EXPECT_EQ(decode(raw).problem, TgaProblem::None);
}

TEST(DecodeTga, TheIdFieldIsSkipped) {
    Tga t;
    t.id = "hello";
    t.width = 2;
    t.data = {1, 2, 3, 4, 5, 6};
    TgaDecodeResult r = decode(t);
    ASSERT_EQ(r.problem, TgaProblem::None);
    EXPECT_EQ(r.image.pixels, (Bytes{3, 2, 1, 6, 5, 4}));

    t.type = 10;
    t.id = std::string(255, 'x');
    t.data = {1, 1, 2, 3, 4, 5, 6};
    r = decode(t);
    ASSERT_EQ(r.problem, TgaProblem::None);
    EXPECT_EQ(r.image.pixels, (Bytes{3, 2, 1, 6, 5, 4}));
}

TEST(DecodeTga, RefusalsAreTestedInOrder) {
    struct Case {
        int type, colourMapType, bits;
        TgaProblem expected;
    };
    const Case cases[] = {
        {1, 1, 8, TgaProblem::NotTrueColour},   // colour-mapped: the type test comes first
        {3, 0, 8, TgaProblem::NotTrueColour},
        {2, 1, 24, TgaProblem::ColourMapped},
        {10, 1, 16, TgaProblem::ColourMapped},  // the map before the bits
        {2, 0, 16, TgaProblem::TooFewBits},
        {10, 0, 15, TgaProblem::TooFewBits},
        {2, 0, 28, TgaProblem::TooFewBits},     // neither 3 nor 4 whole bytes
        {2, 0, 40, TgaProblem::TooFewBits},
        {2, 0, 255, TgaProblem::TooFewBits},
    };
    for (const Case& c : cases) {
        Tga t;
        t.type = c.type;
        t.colourMapType = c.colourMapType;
        t.bits = c.bits;
        t.data = Bytes(64, 7);
        EXPECT_EQ(decode(t).problem, c.expected) << "type " << c.type << " map " << c.colourMapType << " bits " << c.bits;
    }
}

TEST(DecodeTga, FilesThatDoNotHoldTheirPixelsAreShort) {
    Tga few;
    few.width = 2;
    few.data = {1, 2, 3, 4, 5};
    EXPECT_EQ(decode(few).problem, TgaProblem::Short);

    Tga rleEnds;
    rleEnds.type = 10;
    rleEnds.width = 4;
    rleEnds.data = {0x81, 1, 2, 3, 1, 4, 5, 6};  // two plus two pixels, the second raw pixel missing
    EXPECT_EQ(decode(rleEnds).problem, TgaProblem::Short);
    rleEnds.data = {0x81, 1, 2, 3, 0x80, 4, 5};  // a run without its whole pixel
    EXPECT_EQ(decode(rleEnds).problem, TgaProblem::Short);

    for (const int type : {2, 10}) {
        Tga huge;
        huge.type = type;
        huge.bits = 32;
        huge.width = huge.height = 65535;
        huge.data = {0xFF, 1, 2, 3, 4, 0xFF, 1, 2, 3, 4, 0xFF, 1};  // 30 bytes in all
        ASSERT_EQ(huge.bytes().size(), 30u);
        EXPECT_EQ(decode(huge).problem, TgaProblem::TooLarge) << type;  // told from the header alone
        huge.width = huge.height = 4096;  // within the size: the pixels are missing
        EXPECT_EQ(decode(huge).problem, TgaProblem::Short) << type;
    }

    Tga empty;
    empty.width = 0;
    EXPECT_EQ(decode(empty).problem, TgaProblem::Short);
    empty.width = 1;
    empty.height = 0;
    empty.data = {1, 2, 3};
    EXPECT_EQ(decode(empty).problem, TgaProblem::Short);

    Tga idPastEnd;
    Bytes b = idPastEnd.bytes();
    b.resize(18);
    b[0] = 10;
    EXPECT_EQ(decodeTga(b).problem, TgaProblem::Short);

    EXPECT_EQ(decodeTga(Bytes{}).problem, TgaProblem::Short);
    EXPECT_EQ(decodeTga(Bytes(17, 0)).problem, TgaProblem::Short);
}

// A texture of more than kMaxTextureSide a side is refused from its 18-byte
// header, after the type, map and bit tests, before anything else is looked
// at: a file of the header alone tells it.
TEST(DecodeTga, AnImageOfMoreThanTheLargestSideIsRefusedFromItsHeader) {
    static_assert(kMaxTextureSide == 4096);
    struct Case {
        int type;
        unsigned width, height;
        int bits;
        TgaProblem header;  // what the header alone says
        TgaProblem decoded;  // what the header and no pixels give
    };
    const Case cases[] = {
        {10, 8192, 8192, 24, TgaProblem::TooLarge, TgaProblem::TooLarge},
        {2, 8192, 8192, 32, TgaProblem::TooLarge, TgaProblem::TooLarge},
        {2, 4097, 1, 24, TgaProblem::TooLarge, TgaProblem::TooLarge},
        {10, 1, 4097, 32, TgaProblem::TooLarge, TgaProblem::TooLarge},
        {2, 65535, 0, 24, TgaProblem::TooLarge, TgaProblem::TooLarge},
        {10, 4096, 4096, 24, TgaProblem::None, TgaProblem::Short},
        {2, 0, 4096, 24, TgaProblem::Short, TgaProblem::Short},
        {3, 8192, 8192, 8, TgaProblem::NotTrueColour, TgaProblem::NotTrueColour},
        {2, 8192, 8192, 16, TgaProblem::TooFewBits, TgaProblem::TooFewBits},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + " type " + std::to_string(c.type));
        Tga t;
        t.type = c.type;
        t.width = c.width;
        t.height = c.height;
        t.bits = c.bits;
        const Bytes header = t.bytes();
        ASSERT_EQ(header.size(), 18u);
        const TgaHeader h = readTgaHeader(header);
        EXPECT_EQ(h.problem, c.header);
        EXPECT_EQ(h.width, static_cast<int>(c.width));
        EXPECT_EQ(h.height, static_cast<int>(c.height));
        EXPECT_EQ(decodeTga(header).problem, c.decoded);
    }
    // The largest side itself decodes.
    Tga wide;
    wide.width = 4096;
    wide.data.assign(4096 * 3, 7);
    const TgaDecodeResult r = decode(wide);
    ASSERT_EQ(r.problem, TgaProblem::None);
    EXPECT_EQ(r.image.width, 4096);
}

TEST(DecodeTga, EveryCutOfAGoodFileIsShort) {
    Tga plain;
    plain.bits = 32;
    plain.width = 3;
    plain.height = 2;
    plain.id = "ab";
    plain.data = Bytes(24, 9);
    Tga rle;
    rle.type = 10;
    rle.width = 5;
    rle.height = 2;
    rle.data = {0x82, 1, 2, 3, 1, 4, 5, 6, 7, 8, 9, 0x84, 10, 11, 12};
    for (const Tga& t : {plain, rle}) {
        const Bytes whole = t.bytes();
        ASSERT_EQ(decodeTga(whole).problem, TgaProblem::None);
        for (std::size_t cut = 0; cut < whole.size(); ++cut) {
            const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
            EXPECT_EQ(decodeTga(part).problem, TgaProblem::Short) << "type " << t.type << " cut " << cut;
        }
    }
}

// Every image type of the TGA standard in every usual depth, as small files
// the way other programs write them: each loads or is refused for the right
// reason.
TEST(DecodeTga, EveryTypeAndDepth) {
    for (const int type : {0, 1, 2, 3, 9, 10, 11, 32, 33}) {
        for (const int bits : {8, 15, 16, 24, 32}) {
            const bool mapped = type == 1 || type == 9 || type == 32 || type == 33;
            const bool rle = type >= 9;
            Tga t;
            t.type = type;
            t.width = 2;
            t.height = 2;
            t.bits = bits;
            t.colourMapType = mapped ? 1 : 0;
            if (mapped) t.colourMap = Bytes(3 * 4, 0x40);
            const std::size_t pixelBytes = static_cast<std::size_t>((t.bits + 7) / 8);
            if (type != 0) {
                if (rle) t.data.push_back(3);  // one raw packet of the four pixels
                for (std::size_t i = 0; i < 4 * pixelBytes; ++i) t.data.push_back(static_cast<std::uint8_t>(i + 1));
            }

            const TgaDecodeResult r = decode(t);
            const bool trueColour = type == 2 || type == 10;
            const TgaProblem expected = !trueColour                   ? TgaProblem::NotTrueColour
                                        : bits == 24 || bits == 32 ? TgaProblem::None
                                                                   : TgaProblem::TooFewBits;
            EXPECT_EQ(r.problem, expected) << "type " << type << " bits " << bits;
            if (expected == TgaProblem::None) {
                ASSERT_EQ(r.image.pixels.size(), 4 * pixelBytes);
                EXPECT_EQ(r.image.pixels[0], 3);
                EXPECT_EQ(r.image.pixels[2], 1);
            }
            // The same true-colour file with a colour map present.
            if (trueColour) {
                t.colourMapType = 1;
                t.colourMap = Bytes(6, 0x11);
                EXPECT_EQ(decode(t).problem, TgaProblem::ColourMapped) << "type " << type << " bits " << bits;
            }
        }
    }
}

// ------------------------------------------------------------------ BMP

// A BMP with a 40-byte (or longer) information header.
struct Bmp {
    std::int32_t width = 1, height = 1;
    int bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t infoSize = 40;
    std::uint32_t coloursUsed = 0;
    std::uint32_t imageSize = 0;
    std::int64_t offset = -1;  // the pixel-data offset; -1: right behind the palette
    Bytes palette;             // coloursUsed x 4 bytes unless a test says otherwise
    Bytes gap;                 // bytes between the palette and the pixels
    Bytes data;

    Bytes bytes() const {
        Bytes b = {'B', 'M'};
        const std::uint32_t behindPalette = 14 + infoSize + static_cast<std::uint32_t>(palette.size());
        addU32(b, static_cast<std::uint32_t>(behindPalette + gap.size() + data.size()));
        addU32(b, 0);
        addU32(b, offset < 0 ? behindPalette + static_cast<std::uint32_t>(gap.size()) : static_cast<std::uint32_t>(offset));
        addU32(b, infoSize);
        addU32(b, static_cast<std::uint32_t>(width));
        addU32(b, static_cast<std::uint32_t>(height));
        addU16(b, 1);
        addU16(b, static_cast<unsigned>(bits));
        addU32(b, compression);
        addU32(b, imageSize);
        addU32(b, 2835);
        addU32(b, 2835);
        addU32(b, coloursUsed);
        addU32(b, 0);
        b.resize(14 + infoSize, 0);  // a longer header's own fields
        append(b, palette);
        append(b, gap);
        append(b, data);
        return b;
    }
};

// A 2 x 2 24-bit image, bottom row first, each row padded from 6 to 8 bytes.
Bmp twoByTwo() {
    Bmp b;
    b.width = 2;
    b.height = 2;
    b.data = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    return b;
}
const Bytes kTwoByTwoRgb = {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10};

TEST(DecodeBmp, RowsArePaddedToFourBytesAndComeOutRedGreenBlue) {
    const BmpDecodeResult r = decodeBmp(twoByTwo().bytes());
    ASSERT_EQ(r.problem, BmpProblem::None);
    EXPECT_EQ(r.image.width, 2);
    EXPECT_EQ(r.image.height, 2);
    EXPECT_EQ(r.image.bytesPerPixel, 3);
    EXPECT_EQ(r.image.pixels, kTwoByTwoRgb);

    // The last row's padding may be missing.
    Bmp cut = twoByTwo();
    cut.data.resize(14);
    EXPECT_EQ(decodeBmp(cut.bytes()).image.pixels, kTwoByTwoRgb);
    cut.data.resize(13);
    EXPECT_EQ(decodeBmp(cut.bytes()).problem, BmpProblem::PixelData);
}

TEST(DecodeBmp, ATopDownFileComesOutBottomRowFirst) {
    Bmp b = twoByTwo();
    b.height = -2;
    b.data = {7, 8, 9, 10, 11, 12, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0};
    const BmpDecodeResult r = decodeBmp(b.bytes());
    ASSERT_EQ(r.problem, BmpProblem::None);
    EXPECT_EQ(r.image.height, 2);
    EXPECT_EQ(r.image.pixels, kTwoByTwoRgb);
}

TEST(DecodeBmp, PixelsStartAtASoundOffset) {
    struct Case {
        const char* what;
        std::uint32_t coloursUsed;
        std::size_t gap;
        std::int64_t offset;  // -1: behind palette and gap
    };
    const Case cases[] = {
        {"right behind the header", 0, 0, -1},
        {"behind a palette of two colours", 2, 0, -1},
        {"at the offset, past a gap", 2, 6, -1},
        {"no offset: right behind the palette", 2, 0, 0},
        {"an offset into the header: right behind the palette", 0, 0, 20},
        {"an offset into the palette: right behind it", 3, 0, 60},
    };
    for (const Case& c : cases) {
        Bmp b = twoByTwo();
        b.coloursUsed = c.coloursUsed;
        b.palette = Bytes(c.coloursUsed * 4, 0xEE);
        b.gap = Bytes(c.gap, 0xDD);
        b.offset = c.offset;
        const BmpDecodeResult r = decodeBmp(b.bytes());
        ASSERT_EQ(r.problem, BmpProblem::None) << c.what;
        EXPECT_EQ(r.image.pixels, kTwoByTwoRgb) << c.what;
    }
    // An offset past the end leaves no pixels.
    Bmp past = twoByTwo();
    past.offset = 5000;
    EXPECT_EQ(decodeBmp(past.bytes()).problem, BmpProblem::PixelData);
}

TEST(DecodeBmp, LongerInformationHeaders) {
    for (const std::uint32_t size : {108u, 124u}) {
        Bmp b = twoByTwo();
        b.infoSize = size;
        const BmpDecodeResult r = decodeBmp(b.bytes());
        ASSERT_EQ(r.problem, BmpProblem::None) << size;
        EXPECT_EQ(r.image.pixels, kTwoByTwoRgb);
    }
    // The old 12-byte header has other fields.
    Bmp core = twoByTwo();
    core.infoSize = 12;
    Bytes bytes = core.bytes();
    bytes.resize(bytes.size() + 28);
    EXPECT_EQ(decodeBmp(bytes).problem, BmpProblem::PixelData);
    // A header size past the end.
    bytes = twoByTwo().bytes();
    bytes[14] = 0xF0, bytes[15] = bytes[16] = bytes[17] = 0xFF;
    EXPECT_EQ(decodeBmp(bytes).problem, BmpProblem::PixelData);
}

TEST(DecodeBmp, APaletteThatDoesNotFitIsRefused) {
    Bmp b = twoByTwo();
    b.coloursUsed = 1000;
    b.palette = Bytes(16, 0);
    b.data.clear();
    EXPECT_EQ(decodeBmp(b.bytes()).problem, BmpProblem::Palette);
    b.coloursUsed = 0xFFFFFFFFu;
    EXPECT_EQ(decodeBmp(b.bytes()).problem, BmpProblem::Palette);
}

TEST(DecodeBmp, HeadersThatLieAboutTheImage) {
    // The image size field is not trusted either way.
    Bmp bigSize = twoByTwo();
    bigSize.imageSize = 1000000;
    EXPECT_EQ(decodeBmp(bigSize.bytes()).image.pixels, kTwoByTwoRgb);
    Bmp smallSize = twoByTwo();
    smallSize.imageSize = 4;
    smallSize.data.resize(4);
    EXPECT_EQ(decodeBmp(smallSize.bytes()).problem, BmpProblem::PixelData);

    struct Case {
        const char* what;
        std::int32_t width, height;
    };
    const Case cases[] = {
        {"wider than the data", 3, 2},
        {"taller than the data", 2, 3},
        {"huge", 0x7FFFFFFF, 0x7FFFFFFF},
        {"huge top-down", 0x7FFFFFFF, -0x7FFFFFFF},
        {"the most negative height", 2, INT32_MIN},
        {"negative width", -2, 2},
        {"zero width", 0, 2},
        {"zero height", 2, 0},
    };
    for (const Case& c : cases) {
        Bmp b = twoByTwo();
        b.width = c.width;
        b.height = c.height;
        EXPECT_EQ(decodeBmp(b.bytes()).problem, BmpProblem::PixelData) << c.what;
    }
    // More than the largest side is refused with every pixel there; the
    // largest side itself decodes.
    struct Side { std::int32_t width, height; BmpProblem problem; };
    for (const Side& c : {Side{4097, 1, BmpProblem::PixelData}, Side{1, 4097, BmpProblem::PixelData},
                          Side{1, -4097, BmpProblem::PixelData}, Side{4096, 1, BmpProblem::None},
                          Side{1, -4096, BmpProblem::None}}) {
        Bmp b;
        b.width = c.width;
        b.height = c.height;
        const std::size_t stride = (static_cast<std::size_t>(c.width) * 3 + 3) / 4 * 4;
        b.data.assign(stride * static_cast<std::size_t>(std::abs(c.height)), 5);
        EXPECT_EQ(decodeBmp(b.bytes()).problem, c.problem) << c.width << " x " << c.height;
    }
}

TEST(DecodeBmp, EveryCutOfAGoodFileIsRefused) {
    Bmp b = twoByTwo();
    b.coloursUsed = 1;
    b.palette = {1, 2, 3, 0};
    const Bytes whole = b.bytes();
    ASSERT_EQ(decodeBmp(whole).problem, BmpProblem::None);
    for (std::size_t cut = 0; cut + 2 < whole.size(); ++cut) {
        const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        const BmpProblem expected = cut >= 54 && cut < 58 ? BmpProblem::Palette : BmpProblem::PixelData;
        EXPECT_EQ(decodeBmp(part).problem, expected) << "cut " << cut;
    }
}

// The BMP variants other programs write, as small files: only uncompressed
// 24-bit ones give pixels; the rest are refused, never misread.
TEST(DecodeBmp, EveryVariant) {
    struct Case {
        const char* what;
        int bits;
        std::uint32_t compression;
        bool loads;
    };
    const Case cases[] = {
        {"1 bit", 1, 0, false},          {"4 bits", 4, 0, false},
        {"4 bits RLE", 4, 2, false},     {"8 bits", 8, 0, false},
        {"8 bits RLE", 8, 1, false},     {"16 bits", 16, 0, false},
        {"16 bits bitfields", 16, 3, false}, {"24 bits", 24, 0, true},
        {"24 bits claiming RLE", 24, 1, false}, {"24 bits claiming bitfields", 24, 3, false},
        {"32 bits", 32, 0, false},       {"32 bits bitfields", 32, 3, false},
        {"32 bits alpha bitfields", 32, 6, false}, {"JPEG", 24, 4, false},
        {"PNG", 24, 5, false},           {"64 bits", 64, 0, false},
    };
    for (const Case& c : cases) {
        for (const bool topDown : {false, true}) {
            Bmp b;
            b.width = 4;
            b.height = topDown ? -4 : 4;
            b.bits = c.bits;
            b.compression = c.compression;
            if (c.bits <= 8) {
                b.coloursUsed = 1u << c.bits;
                for (std::uint32_t i = 0; i < b.coloursUsed; ++i)
                    b.palette.insert(b.palette.end(), {static_cast<std::uint8_t>(i), 0x20, 0x40, 0});
            }
            if (c.compression == 3) b.palette = Bytes(12, 0x1F);  // the three masks
            if (c.compression == 6) b.palette = Bytes(16, 0x1F);
            const std::size_t stride = (4u * static_cast<std::size_t>(c.bits) + 31) / 32 * 4;
            if (c.compression == 1 || c.compression == 2)
                b.data = {4, 1, 0, 0, 4, 2, 0, 0, 4, 3, 0, 0, 4, 4, 0, 1};  // runs, line ends, end of bitmap
            else
                for (std::size_t i = 0; i < stride * 4; ++i) b.data.push_back(static_cast<std::uint8_t>(i));
            const BmpDecodeResult r = decodeBmp(b.bytes());
            EXPECT_EQ(r.problem, c.loads ? BmpProblem::None : BmpProblem::PixelData)
                << c.what << (topDown ? " top-down" : "");
            if (c.loads) {
                ASSERT_EQ(r.image.pixels.size(), 48u);
                // The bottom row's first pixel, wherever the file stores it.
                const std::size_t bottom = topDown ? 3 * stride : 0;
                EXPECT_EQ(r.image.pixels[0], b.data[bottom + 2]);
                EXPECT_EQ(r.image.pixels[2], b.data[bottom]);
            }
        }
    }
}

}  // namespace
}  // namespace varnisk
