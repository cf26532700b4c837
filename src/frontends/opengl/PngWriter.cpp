#include "opengl/PngWriter.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "base/Errors.h"

namespace varnisk {

namespace {

// The most bytes readPng takes a picture to hold; a larger one is refused
// rather than allocated.
constexpr std::size_t kReadLimit = std::size_t{1} << 30;

[[noreturn]] void fail(const char* what, const std::string& path, int errorNumber) {
    throw FileError(std::string(what) + " \"" + path + "\". " + std::strerror(errorNumber));
}

// The encoded file.
std::vector<std::uint8_t> encode(const std::string& path, int width, int height,
                                 std::span<const std::uint8_t> rgba) {
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> rgb(pixels * 3);
    for (std::size_t i = 0; i < pixels; ++i) std::memcpy(&rgb[i * 3], &rgba[i * 4], 3);

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> file(static_cast<std::size_t>(PNG_IMAGE_PNG_SIZE_MAX(image)));
    png_alloc_size_t size = file.size();
    if (png_image_write_to_memory(&image, file.data(), &size, 0, rgb.data(), 0, nullptr) == 0) {
        const std::string message = image.message;
        png_image_free(&image);
        throw FileError("Cannot write file \"" + path + "\". " + message);
    }
    file.resize(static_cast<std::size_t>(size));
    return file;
}

}  // namespace

void writePng(const std::string& path, int width, int height, std::span<const std::uint8_t> rgbaTopFirst) {
    if (width < 1 || height < 1 ||
        rgbaTopFirst.size() / 4 / static_cast<std::size_t>(width) != static_cast<std::size_t>(height) ||
        rgbaTopFirst.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4)
        throw std::invalid_argument("writePng: " + std::to_string(rgbaTopFirst.size()) + " bytes are no " +
                                    std::to_string(width) + " x " + std::to_string(height) + " RGBA picture");
    const std::vector<std::uint8_t> bytes = encode(path, width, height, rgbaTopFirst);

    // A name of our own beside the target, so that two writers never share one.
    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) fail("Cannot create file", path, errno);

    std::size_t done = 0;
    int failure = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            failure = errno;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && failure == 0) failure = errno;
    if (failure == 0 && ::rename(temp.c_str(), path.c_str()) != 0) failure = errno;
    if (failure != 0) {
        ::unlink(temp.c_str());
        fail("Cannot write file", path, failure);
    }
}

bool readPng(const std::string& path, int& width, int& height, std::vector<std::uint8_t>& rgba) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return false;
    image.format = PNG_FORMAT_RGBA;
    const std::size_t size = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4;
    if (image.width == 0 || image.height == 0 || size > kReadLimit) {
        png_image_free(&image);
        return false;
    }
    std::vector<std::uint8_t> pixels(size);
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return false;
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    rgba = std::move(pixels);
    return true;
}

}  // namespace varnisk
