#include "files/GameFiles.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstdlib>

#include "base/Errors.h"
#include "files/FileSteps.h"
#include "files/SystemText.h"

// The game-file port on Windows: UTF-16 paths, positioned reads and writes
// through OVERLAPPED offsets, and the system's sharing rules. A file another
// program holds open against writing (the game running, say) is refused
// with the system's sharing error, which reads as "Access denied" here, as a
// busy file does elsewhere.

namespace varnisk {

namespace {

HANDLE handleOf(void* h) { return static_cast<HANDLE>(h); }

// The same texts as the errors of the other systems.
[[noreturn]] void throwSystemError(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
        throw FileError(kFileNotFound);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        throw FileError(kAccessDenied);
    case ERROR_DIRECTORY:
        throw FileError(kNotAFile);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        throw FileError("Disk full");
    case ERROR_HANDLE_EOF:
        throw FileError(kReadBeyondEnd);
    default:
        throw FileError("I/O error " + std::to_string(error));
    }
}

[[noreturn]] void throwLastError() { throwSystemError(GetLastError()); }

// The devices the system finds in every folder ("NUL", "COM1.txt"):
// opening one would act on the device, not read a file.
bool isDeviceName(const std::string& path) {
    if (path.rfind("\\\\.\\", 0) == 0 || path.rfind("//./", 0) == 0) return true;
    std::string name = fileNameOf(path);
    name = name.substr(0, name.find('.'));
    while (!name.empty() && (name.back() == ' ')) name.pop_back();
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL" || name == "CONIN$" || name == "CONOUT$") {
        return true;
    }
    return name.size() == 4 && (name.rfind("COM", 0) == 0 || name.rfind("LPT", 0) == 0) && name[3] >= '1' &&
           name[3] <= '9';
}

DWORD attributesOf(const std::string& path) { return GetFileAttributesW(widen(path).c_str()); }

HANDLE openHandle(const std::string& path, bool write) {
    // Readers let others read and write alongside (the game may save its
    // state meanwhile); a writer lets others only read.
    const DWORD access = GENERIC_READ | (write ? GENERIC_WRITE : 0);
    const DWORD share = write ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    return CreateFileW(widen(path).c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    o.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return o;
}

// The largest piece one system call moves.
constexpr std::size_t kPiece = 1u << 30;

// Writes all bytes at the offset (or at the file's position when offset is
// negative); returns 0 or the system's error.
DWORD writeAll(HANDLE h, const std::uint8_t* data, std::size_t size, long long offset, const std::string& path) {
    const bool stop = stopsHere(FileStep::Write, path);
    const std::size_t count = stop ? size / 2 : size;
    std::size_t done = 0;
    while (done < count) {
        const DWORD piece = static_cast<DWORD>(std::min(kPiece, count - done));
        DWORD n = 0;
        BOOL ok = FALSE;
        if (offset < 0) {
            ok = WriteFile(h, data + done, piece, &n, nullptr);
        } else {
            OVERLAPPED o = at(static_cast<std::uint64_t>(offset) + done);
            ok = WriteFile(h, data + done, piece, &n, &o);
        }
        if (!ok) return GetLastError();
        if (n == 0) return ERROR_WRITE_FAULT;
        done += n;
    }
    if (stop) stopProcess();
    return 0;
}

DWORD flushHandle(HANDLE h, const std::string& path) {
    stopsHere(FileStep::Flush, path);
    return FlushFileBuffers(h) ? 0 : GetLastError();
}

BY_HANDLE_FILE_INFORMATION informationOf(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) throwLastError();
    return info;
}

long long ticks(const LARGE_INTEGER& t) { return static_cast<long long>(t.QuadPart); }

}  // namespace

[[noreturn]] void stopProcess() { TerminateProcess(GetCurrentProcess(), kStoppedByHook); std::abort(); }

bool fileExists(const std::string& path) {
    if (isDeviceName(path)) return false;
    const DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool otherThanFileAt(const std::string& path) {
    if (isDeviceName(path)) return true;
    const DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

ByteFile::ByteFile(const std::string& path, Mode mode) : path_(path) {
    if (otherThanFileAt(path)) throw FileError(kNotAFile);
    HANDLE h = openHandle(path, mode == Mode::ReadWrite);
    if (h == INVALID_HANDLE_VALUE) throwLastError();
    LARGE_INTEGER size{};
    DWORD failure = GetFileType(h) != FILE_TYPE_DISK ? ERROR_DIRECTORY : 0;
    if (failure == 0 && !GetFileSizeEx(h, &size)) failure = GetLastError();
    if (failure != 0) {
        CloseHandle(h);
        throwSystemError(failure);
    }
    handle_ = h;
    size_ = static_cast<std::uint64_t>(size.QuadPart);
}

ByteFile::~ByteFile() {
    if (handle_ != nullptr) CloseHandle(handleOf(handle_));
}

ByteFile::ByteFile(ByteFile&& other) noexcept : path_(std::move(other.path_)), handle_(other.handle_), size_(other.size_) {
    other.handle_ = nullptr;
}

bool ByteFile::readOnly() const {
    return (informationOf(handleOf(handle_)).dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
}

void ByteFile::openForWriting() {
    HANDLE h = openHandle(path_, true);
    if (h == INVALID_HANDLE_VALUE) throwLastError();
    BY_HANDLE_FILE_INFORMATION now{}, opened{};
    const bool known = GetFileInformationByHandle(h, &now) && GetFileInformationByHandle(handleOf(handle_), &opened);
    if (!known) {
        const DWORD failure = GetLastError();
        CloseHandle(h);
        throwSystemError(failure);
    }
    if (now.dwVolumeSerialNumber != opened.dwVolumeSerialNumber || now.nFileIndexHigh != opened.nFileIndexHigh ||
        now.nFileIndexLow != opened.nFileIndexLow) {
        CloseHandle(h);
        throw FileError(fileNameOf(path_) + " was replaced by another file while Varnisk had it open");
    }
    CloseHandle(handleOf(handle_));
    handle_ = h;
}

void ByteFile::flush() {
    if (const DWORD failure = flushHandle(handleOf(handle_), path_)) throwSystemError(failure);
}

FileStamp ByteFile::stamp() const {
    const BY_HANDLE_FILE_INFORMATION info = informationOf(handleOf(handle_));
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(handleOf(handle_), FileBasicInfo, &basic, sizeof basic)) throwLastError();
    FileStamp s;
    s.device = info.dwVolumeSerialNumber;
    s.inode = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    s.size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    s.modified = ticks(basic.LastWriteTime);
    s.changed = ticks(basic.ChangeTime);
    return s;
}

void ByteFile::read(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (!fits(offset, out.size())) throw FileError(kReadBeyondEnd);
    std::size_t done = 0;
    while (done < out.size()) {
        const DWORD piece = static_cast<DWORD>(std::min(kPiece, out.size() - done));
        OVERLAPPED o = at(offset + done);
        DWORD n = 0;
        if (!ReadFile(handleOf(handle_), out.data() + done, piece, &n, &o)) throwLastError();
        if (n == 0) throw FileError(kReadBeyondEnd);
        done += n;
    }
}

void ByteFile::write(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (!fits(offset, bytes.size())) throw FileError(kReadBeyondEnd);
    if (const DWORD failure =
            writeAll(handleOf(handle_), bytes.data(), bytes.size(), static_cast<long long>(offset), path_)) {
        throwSystemError(failure);
    }
}

void replaceFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (otherThanFileAt(path)) throw FileError(kNotAFile);
    // Created here and now: a name somebody planted (a link, a file) is never
    // opened, another name is drawn instead.
    std::string temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 8 && h == INVALID_HANDLE_VALUE; ++attempt) {
        temp = temporaryNameFor(path);
        h = CreateFileW(widen(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
            throwLastError();
        }
    }
    if (h == INVALID_HANDLE_VALUE) throwSystemError(ERROR_FILE_EXISTS);
    DWORD failure = 0;
    try {
        failure = writeAll(h, bytes.data(), bytes.size(), -1, temp);
        if (failure == 0) failure = flushHandle(h, temp);
        if (!CloseHandle(h) && failure == 0) failure = GetLastError();
        h = INVALID_HANDLE_VALUE;
        if (failure == 0) {
            stopsHere(FileStep::Rename, path);
            if (!MoveFileExW(widen(temp).c_str(), widen(path).c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                failure = GetLastError();
            }
        }
    } catch (...) {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        DeleteFileW(widen(temp).c_str());
        throw;
    }
    if (failure != 0) {
        DeleteFileW(widen(temp).c_str());
        throwSystemError(failure);
    }
}

FileLock::FileLock(const std::string& path) {
    const std::wstring wide = widen(path);
    HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        // A folder Varnisk may not write in: an existing lock file is still
        // taken, read-only; else there is nothing to lock.
        h = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND) return;
    }
    if (h == INVALID_HANDLE_VALUE) throwLastError();
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info) || GetFileType(h) != FILE_TYPE_DISK ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        CloseHandle(h);
        throw FileError(kNotAFile);
    }
    handle_ = h;
}

FileLock::~FileLock() {
    if (handle_) CloseHandle(handleOf(handle_));  // closing lets the lock go
}

bool FileLock::opened() const { return handle_ != nullptr; }

bool FileLock::tryLock() {
    if (held_ || !handle_) return true;
    OVERLAPPED o{};
    if (!LockFileEx(handleOf(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &o)) {
        if (GetLastError() == ERROR_LOCK_VIOLATION || GetLastError() == ERROR_IO_PENDING) return false;
        throwLastError();
    }
    held_ = true;
    return true;
}

void removeFile(const std::string& path) {
    stopsHere(FileStep::Remove, path);
    if (!DeleteFileW(widen(path).c_str())) {
        const DWORD failure = GetLastError();
        if (failure == ERROR_FILE_NOT_FOUND || failure == ERROR_PATH_NOT_FOUND) return;
        throwSystemError(failure);
    }
}

void renameFile(const std::string& from, const std::string& to) {
    stopsHere(FileStep::Rename, to);
    if (!MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        throwLastError();
    }
}

// The system writes a folder's entries through with MOVEFILE_WRITE_THROUGH
// and keeps no handle to flush a folder by; nothing more to do.
void flushFolderOf(const std::string& path) { (void)path; }

}  // namespace varnisk
