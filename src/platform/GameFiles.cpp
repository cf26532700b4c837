#include "platform/GameFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "form/Errors.h"

namespace varnisk {

namespace fs = std::filesystem;

namespace {

std::string lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

}  // namespace

[[noreturn]] void throwFileError(int errorNumber) {
    switch (errorNumber) {
    case ENOENT:
    case ENOTDIR:
        throw FileError(kFileNotFound);
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EISDIR:
        throw FileError(kAccessDenied);
    case ENOSPC:
    case EDQUOT:
        throw FileError("Disk full");
    default:
        throw FileError("I/O error " + std::to_string(errorNumber));
    }
}

std::string currentFolder() {
    std::error_code ec;
    std::string folder = std::filesystem::current_path(ec).string();
    return ec ? std::string() : folder;
}

std::string joinPath(const std::string& folder, const std::string& name) {
#ifdef _WIN32
    return folder + "\\" + name;
#else
    return folder + "/" + name;
#endif
}

std::optional<std::string> findGameFile(const std::string& folder, const std::string& name) {
    std::string exact = joinPath(folder, name);
    if (fileExists(exact)) return exact;
    if (folder.empty()) return std::nullopt;
    std::error_code ec;
    const std::string wanted = lower(name);
    fs::directory_iterator it(folder, ec);
    if (ec) return std::nullopt;
    for (const fs::directory_entry& entry : it) {
        std::string found = entry.path().filename().string();
        if (lower(found) != wanted) continue;
        std::string path = joinPath(folder, found);
        if (fileExists(path)) return path;
    }
    return std::nullopt;
}

std::string gameFilePath(const std::string& folder, const std::string& name) {
    return findGameFile(folder, name).value_or(joinPath(folder, name));
}

std::string fileNameOf(const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); }

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void clearReadOnly(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return;
    if ((st.st_mode & S_IWUSR) == 0) ::chmod(path.c_str(), st.st_mode | S_IWUSR);
}

ByteFile::ByteFile(const std::string& path, Mode mode) : path_(path) {
    fd_ = ::open(path.c_str(), (mode == Mode::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd_ < 0) throwFileError(errno);
    struct stat st {};
    const int failure = ::fstat(fd_, &st) != 0 ? errno : !S_ISREG(st.st_mode) ? EACCES : 0;
    if (failure != 0) {
        ::close(fd_);
        fd_ = -1;
        throwFileError(failure);
    }
    size_ = static_cast<std::uint64_t>(st.st_size);
}

ByteFile::~ByteFile() {
    if (fd_ >= 0) ::close(fd_);
}

ByteFile::ByteFile(ByteFile&& other) noexcept : path_(std::move(other.path_)), fd_(other.fd_), size_(other.size_) {
    other.fd_ = -1;
}

std::uint64_t ByteFile::size() const { return size_; }

FileStamp ByteFile::stamp() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throwFileError(errno);
    return {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
            static_cast<unsigned long long>(st.st_size), st.st_mtim.tv_sec, st.st_mtim.tv_nsec,
            st.st_ctim.tv_sec, st.st_ctim.tv_nsec};
}

bool ByteFile::fits(std::uint64_t offset, std::uint64_t count) const {
    return offset <= size_ && count <= size_ - offset;
}

void ByteFile::read(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (!fits(offset, out.size())) throw FileError(kReadBeyondEnd);
    std::size_t done = 0;
    while (done < out.size()) {
        ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throwFileError(errno);
        }
        if (n == 0) throw FileError(kReadBeyondEnd);
        done += static_cast<std::size_t>(n);
    }
}

std::vector<std::uint8_t> ByteFile::read(std::uint64_t offset, std::size_t count) const {
    std::vector<std::uint8_t> out(count);
    read(offset, out);
    return out;
}

void ByteFile::write(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (!fits(offset, bytes.size())) throw FileError(kReadBeyondEnd);
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throwFileError(errno);
        }
        done += static_cast<std::size_t>(n);
    }
}

std::vector<std::uint8_t> readWholeFile(const std::string& path) {
    ByteFile f(path, ByteFile::Mode::ReadOnly);
    return f.read(0, static_cast<std::size_t>(f.size()));
}

std::vector<std::uint8_t> readFileStart(const std::string& path, std::size_t limit) {
    ByteFile f(path, ByteFile::Mode::ReadOnly);
    return f.read(0, static_cast<std::size_t>(std::min<std::uint64_t>(f.size(), limit)));
}

void replaceFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    const std::string temp = path + ".varnisk-tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throwFileError(errno);
    std::size_t done = 0;
    int failure = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            failure = errno;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (failure == 0 && ::fsync(fd) != 0) failure = errno;
    if (::close(fd) != 0 && failure == 0) failure = errno;
    if (failure == 0 && ::rename(temp.c_str(), path.c_str()) != 0) failure = errno;
    if (failure != 0) {
        ::unlink(temp.c_str());
        throwFileError(failure);
    }
}

}  // namespace varnisk
