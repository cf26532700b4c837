#pragma once

// The textures that ship with Varnisk in its CamTextures folder: original
// images drawn by code, and the TGA and BMP writers that store them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnisk::texgen {

// An image as the generator draws it: red, green, blue (and alpha) bytes,
// bottom row first, no row padding.
struct Image {
    int width = 0;
    int height = 0;
    int channels = 3;  // 3 (RGB) or 4 (RGBA)
    std::vector<std::uint8_t> pixels;
};

enum class TgaEncoding {
    Uncompressed,  // image type 2
    RunLength,     // image type 10; packets never cross a row
};

// A true-colour TGA of 24 or 32 bits (as the image's channels say), origin
// bottom left, with the ID field `id` (at most 255 bytes) and the closing
// footer of version 2 files.
std::vector<std::uint8_t> writeTga(const Image& image, TgaEncoding encoding, std::string_view id = {});

// An uncompressed 24-bit BMP (bottom-up, rows padded to 4 bytes) of an RGB
// image.
std::vector<std::uint8_t> writeBmp(const Image& image);

// The designs, each drawn at its shipped size.
Image sleeveImage();          // racing-suit fabric with a stripe and a knitted cuff
Image gloveImage();           // leather glove with a suede palm, stitching and a wrist strap
Image steeringWheelImage();   // RGBA: a round wheel with grips, spokes and a hub; clear around it
Image cockpitDamageImage();   // RGBA: cracked carbon fibre with a hole broken through
Image rimImage();             // a six-spoke rim in front of the brake disc, in its tyre
Image treadImage();           // grooved tread rubber, tiling both ways
Image displayImage();         // a dashboard display: shift lights, gear, speed and lap time

// One file of the folder.
struct ShippedTexture {
    std::string name;  // file name inside CamTextures
    Image image;       // what it shows
    std::vector<std::uint8_t> bytes;  // the file
};

// The seven files: arm.tga, glove.tga, stwheel.tga, COCKPIT_DAMAGE.tga,
// wheel_michelin_0.tga, michelin_tread_0_right_0.bmp and
// new_steering_wheel_displays.tga, in that order.
std::vector<ShippedTexture> shippedTextures();

// Writes them into `folder` (created when missing), each through a temporary
// file that then replaces it. Throws std::runtime_error naming the file that
// cannot be written.
void writeTextureFolder(const std::string& folder);

}  // namespace varnisk::texgen
