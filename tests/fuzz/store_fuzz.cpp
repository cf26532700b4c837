// The program's registry store as text: the input up to its first NUL byte
// is the store (a store holding a NUL is refused before it is parsed), what
// follows is a folder to write into it.
//
// Beside memory errors it stops when a written folder does not read back,
// writing the same folder twice changes more than the line ends, or writing
// the value set folder changes the game folder.

#include <string>
#include <string_view>

#include "FuzzTargets.h"
#include "registry/StoreRegistry.h"

namespace varnisk::fuzz {

int fuzzStore(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string_view text = input.substr(0, nul);
    const std::optional<std::string> folder = storeGameFolder(text);
    if (folder) require(folder->find_first_of(std::string_view("\n\0", 2)) == std::string::npos, "a folder with a line break");
    if (nul == std::string_view::npos) return 0;

    // The program writes no folder holding a line break or a NUL.
    const std::string wanted(input.substr(nul + 1));
    if (wanted.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) return 0;
    const std::string written = storeWithGameFolder(text, wanted);
    require(storeGameFolder(written) == wanted, "a written folder that does not read back");
    // Writing it again changes nothing, but for the line ends: a text whose
    // lines end in a stray carriage return gets "\r\n" ends the first time,
    // and then all its lines take them.
    auto withoutReturns = [](std::string s) {
        std::erase(s, '\r');
        return s;
    };
    require(withoutReturns(storeWithGameFolder(written, wanted)) == withoutReturns(written),
            "writing the same folder again changes the store");

    // The value set folder lives in a section of its own: writing it reads
    // back (an empty one reads as none) and leaves the game folder alone.
    const std::string both = storeWithValueSetFolder(written, wanted);
    require(storeValueSetFolder(both) == (wanted.empty() ? std::nullopt : std::optional<std::string>(wanted)),
            "a written value set folder that does not read back");
    require(storeGameFolder(both) == wanted, "writing the value set folder changes the game folder");
    return 0;
}

}  // namespace varnisk::fuzz
