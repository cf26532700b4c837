#include "files/GameFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/Errors.h"
#include "files/FileSteps.h"

// The game-file port on Linux and the other POSIX systems.

namespace varnisk {

namespace {

// Writes all bytes at the offset (or at the file's position when offset is
// negative), going on after interruptions; returns 0 or the error number.
int writeAll(int fd, const std::uint8_t* data, std::size_t size, long long offset, const std::string& path) {
    const bool stop = stopsHere(FileStep::Write, path);
    const std::size_t count = stop ? size / 2 : size;
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = offset < 0 ? ::write(fd, data + done, count - done)
                               : ::pwrite(fd, data + done, count - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    if (stop) stopProcess();
    return 0;
}

int flushDescriptor(int fd, const std::string& path) {
    stopsHere(FileStep::Flush, path);
    while (::fsync(fd) != 0) {
        if (errno == EINTR) continue;
        // A file system that cannot flush a folder says so; nothing is lost.
        return errno == EINVAL ? 0 : errno;
    }
    return 0;
}

std::string folderOf(const std::string& path) {
    const std::size_t cut = path.find_last_of('/');
    if (cut == std::string::npos) return ".";
    return cut == 0 ? "/" : path.substr(0, cut);
}

// The status of what the descriptor is open on, when that is a regular
// file; else it is closed (and set to -1) and FileError thrown.
struct stat requireRegularFile(int& fd) {
    struct stat st {};
    const int failure = ::fstat(fd, &st) != 0 ? errno : !S_ISREG(st.st_mode) ? EISDIR : 0;
    if (failure != 0) {
        ::close(fd);
        fd = -1;
        throwFileError(failure);
    }
    return st;
}

}  // namespace

[[noreturn]] void stopProcess() { ::_exit(kStoppedByHook); }

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool otherThanFileAt(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

ByteFile::ByteFile(const std::string& path, Mode mode) : path_(path) {
    // Only a regular file is opened: the kind is checked before, and again on
    // what was opened (without waiting, should it have become a pipe since).
    if (otherThanFileAt(path)) throw FileError(kNotAFile);
    fd_ = ::open(path.c_str(), (mode == Mode::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) throwFileError(errno);
    size_ = static_cast<std::uint64_t>(requireRegularFile(fd_).st_size);
}

ByteFile::~ByteFile() {
    if (fd_ >= 0) ::close(fd_);
}

ByteFile::ByteFile(ByteFile&& other) noexcept : path_(std::move(other.path_)), fd_(other.fd_), size_(other.size_) {
    other.fd_ = -1;
}

bool ByteFile::readOnly() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throwFileError(errno);
    return (st.st_mode & S_IWUSR) == 0;
}

void ByteFile::openForWriting() {
    const int fd = ::open(path_.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throwFileError(errno);
    struct stat now {}, opened {};
    int failure = ::fstat(fd, &now) != 0 || ::fstat(fd_, &opened) != 0 ? errno : 0;
    if (failure == 0 && (now.st_dev != opened.st_dev || now.st_ino != opened.st_ino)) {
        ::close(fd);
        throw FileError(fileNameOf(path_) + " was replaced by another file while Varnisk had it open");
    }
    if (failure != 0) {
        ::close(fd);
        throwFileError(failure);
    }
    ::close(fd_);
    fd_ = fd;
}

void ByteFile::flush() {
    if (const int failure = flushDescriptor(fd_, path_)) throwFileError(failure);
}

FileStamp ByteFile::stamp() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throwFileError(errno);
    return {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
            static_cast<unsigned long long>(st.st_size), st.st_mtim.tv_sec, st.st_mtim.tv_nsec,
            st.st_ctim.tv_sec, st.st_ctim.tv_nsec};
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

void ByteFile::write(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (!fits(offset, bytes.size())) throw FileError(kReadBeyondEnd);
    if (const int failure = writeAll(fd_, bytes.data(), bytes.size(), static_cast<long long>(offset), path_)) {
        throwFileError(failure);
    }
}

void replaceFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (otherThanFileAt(path)) throw FileError(kNotAFile);
    // Created here and now: a name somebody planted (a link, a pipe, a file)
    // is never opened, another name is drawn instead.
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        temp = temporaryNameFor(path);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) throwFileError(errno);
    }
    if (fd < 0) throwFileError(EEXIST);
    int failure = 0;
    try {
        failure = writeAll(fd, bytes.data(), bytes.size(), -1, temp);
        if (failure == 0) failure = flushDescriptor(fd, temp);
        if (::close(fd) != 0 && failure == 0) failure = errno;
        fd = -1;
        if (failure == 0) {
            stopsHere(FileStep::Rename, path);
            if (::rename(temp.c_str(), path.c_str()) != 0) failure = errno;
        }
    } catch (...) {
        if (fd >= 0) ::close(fd);
        ::unlink(temp.c_str());
        throw;
    }
    if (failure != 0) {
        ::unlink(temp.c_str());
        throwFileError(failure);
    }
    flushFolderOf(path);
}

FileLock::FileLock(const std::string& path) {
    // Whatever is there but a regular file is never opened: a device may
    // act on being opened.
    struct stat there {};
    if (::lstat(path.c_str(), &there) == 0 && !S_ISREG(there.st_mode)) throw FileError(kNotAFile);
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd_ < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        // A folder Varnisk may not write in: an existing lock file is still
        // taken, read-only; else there is nothing to lock.
        fd_ = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0 && errno == ENOENT) return;
    }
    if (fd_ < 0) throwFileError(errno == ELOOP ? EISDIR : errno);
    requireRegularFile(fd_);
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing lets the lock go
}

bool FileLock::opened() const { return fd_ >= 0; }

bool FileLock::tryLock() {
    if (held_ || fd_ < 0) return true;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK) return false;
        throwFileError(errno);
    }
    held_ = true;
    return true;
}

void removeFile(const std::string& path) {
    stopsHere(FileStep::Remove, path);
    if (::unlink(path.c_str()) != 0) {
        if (errno == ENOENT) return;
        throwFileError(errno);
    }
    flushFolderOf(path);
}

void renameFile(const std::string& from, const std::string& to) {
    stopsHere(FileStep::Rename, to);
    if (::rename(from.c_str(), to.c_str()) != 0) throwFileError(errno);
    flushFolderOf(to);
}

void flushFolderOf(const std::string& path) {
    const std::string folder = folderOf(path);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throwFileError(errno);
    const int failure = flushDescriptor(fd, folder);
    ::close(fd);
    if (failure != 0) throwFileError(failure);
}

}  // namespace varnisk
