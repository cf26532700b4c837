// varnisk-make-textures: writes the textures that ship with Varnisk into a
// folder (the build puts them into CamTextures beside the executables).

#include "TextureImages.h"

#include <exception>
#include <iostream>
#include <string_view>

int main(int argc, char** argv) {
    constexpr const char* kUsage =
        "usage: varnisk-make-textures FOLDER\n"
        "Writes the preview's textures (arm.tga, glove.tga, stwheel.tga, COCKPIT_DAMAGE.tga,\n"
        "wheel_michelin_0.tga, michelin_tread_0_right_0.bmp, new_steering_wheel_displays.tga)\n"
        "into FOLDER, which is created when missing.\n";
    if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
        std::cout << kUsage;
        return 0;
    }
    if (argc != 2 || std::string_view(argv[1]).empty()) {
        std::cerr << kUsage;
        return 2;
    }
    try {
        varnisk::texgen::writeTextureFolder(argv[1]);
    } catch (const std::exception& e) {
        std::cerr << "varnisk-make-textures: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
