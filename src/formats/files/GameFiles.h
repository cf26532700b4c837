#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace varnisk {

// The game's files as byte streams. The game's own platform ignores letter
// case in file names, so a file is found in its folder whatever the case of
// its name on disk. Every failure throws FileError with the usual texts:
// "File not found", "Access denied", "Read beyond end of file", or
// "I/O error N" with the system's error number.

inline constexpr const char* kFileNotFound = "File not found";
inline constexpr const char* kAccessDenied = "Access denied";
inline constexpr const char* kReadBeyondEnd = "Read beyond end of file";
// A folder, a pipe or a device where a file was expected. Nothing is opened:
// a pipe would wait for a writer for ever, a device may act on being opened.
inline constexpr const char* kNotAFile = "Not a regular file";

// folder + separator + name. The folder is used as given, so a trailing
// separator gives a doubled one, which the file system resolves.
std::string joinPath(const std::string& folder, const std::string& name);

// The path of the regular file `name` in `folder`, found without regard to
// letter case (an exact match first); nullopt when there is none.
std::optional<std::string> findGameFile(const std::string& folder, const std::string& name);

// The same, else joinPath: opening a missing file then says what is wrong.
std::string gameFilePath(const std::string& folder, const std::string& name);

// The last part of a path: its file name.
std::string fileNameOf(const std::string& path);

// The file names of the paths, separated by ", ".
std::string fileNameList(const std::vector<std::string>& paths);

// Whether a regular file exists at the path.
bool fileExists(const std::string& path);

// Whether the path itself is a symbolic link (or another kind of link the
// system follows), whatever it points at.
bool isLink(const std::string& path);

// Whether something that is not a regular file (a folder, a pipe, a device)
// is at the path.
bool otherThanFileAt(const std::string& path);

// What tells one state of a file from another: its identity, size and the
// times of its last change. The change time cannot be set back by anyone,
// so any write to the file gives a new stamp.
struct FileStamp {
    unsigned long long device = 0, inode = 0, size = 0;
    long long modified = 0, modifiedNs = 0, changed = 0, changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

// A file opened for reading, and for writing only where asked: reading a game
// file never needs write access, and Varnisk never changes a file's
// permissions.
class ByteFile {
public:
    enum class Mode { ReadWrite, ReadOnly };

    explicit ByteFile(const std::string& path, Mode mode = Mode::ReadOnly);
    ~ByteFile();
    ByteFile(const ByteFile&) = delete;
    ByteFile& operator=(const ByteFile&) = delete;
    ByteFile(ByteFile&& other) noexcept;
    ByteFile& operator=(ByteFile&&) = delete;

    std::uint64_t size() const;

    // Makes what was written reach the disk.
    void flush();

    // Reads exactly out.size() bytes at the offset; "Read beyond end of file"
    // when the file ends before.
    void read(std::uint64_t offset, std::span<std::uint8_t> out) const;
    std::vector<std::uint8_t> read(std::uint64_t offset, std::size_t count) const;

    // Writes the bytes at the offset. A write never extends a game file:
    // callers check that it fits first (see fits), and a write past the end
    // throws "Read beyond end of file" without writing.
    void write(std::uint64_t offset, std::span<const std::uint8_t> bytes);

    // Whether [offset, offset + count) lies inside the file.
    bool fits(std::uint64_t offset, std::uint64_t count) const;

    const std::string& path() const { return path_; }

    // Whether the file carries a read-only mark: its owner is given no write
    // permission. The mark is the user's word, so it holds for the superuser
    // too, whom the system would let write anyway.
    bool readOnly() const;

    // Opens the same file again for writing as well (what was read stays
    // valid). Throws FileError when the system refuses, and when the path no
    // longer names the file that was opened.
    void openForWriting();

    // The file's stamp as it is now.
    FileStamp stamp() const;

private:
    std::string path_;
#ifdef _WIN32
    void* handle_ = nullptr;  // the system's HANDLE
#else
    int fd_ = -1;
#endif
    std::uint64_t size_ = 0;
};

// An advisory lock on a file, held until the object goes: other processes
// (and other FileLocks of this one) that ask for it meanwhile are refused.
// The file is created when missing, empty, and stays; it is never opened
// through a link, and anything but a regular file there is refused with
// kNotAFile.
class FileLock {
public:
    // Opens (or creates) the file; FileError when it cannot be, or when the
    // folder lets nobody create it and it is not there (see opened()).
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock without waiting; false when another holds it.
    bool tryLock();

    // False when the file could not be created because the folder cannot be
    // written: nobody writes a file there then, and nothing is locked.
    bool opened() const;

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    bool held_ = false;
};

// Reads a whole file, or writes one through a temporary file beside it that
// then replaces it, so that a failure leaves the old file as it was.
std::vector<std::uint8_t> readWholeFile(const std::string& path);
// The file's first bytes, at most `limit` of them, for a format that never
// needs more: a huge file chosen by mistake is not read whole.
std::vector<std::uint8_t> readFileStart(const std::string& path, std::size_t limit);
// The new file is on the disk, and so is its name in the folder, when this
// returns. The temporary file is created anew under a name nobody can know
// in advance (see temporaryNameFor), never through a link or over anything
// already there.
void replaceFile(const std::string& path, std::span<const std::uint8_t> bytes);

// Varnisk's temporary files are named after the file they replace, its name
// followed by this mark and kTemporaryTagLength random letters and digits.
inline constexpr const char* kTemporaryMark = ".varnisk-tmp-";
inline constexpr std::size_t kTemporaryTagLength = 12;

// A fresh temporary name for the file at the path, beside it.
std::string temporaryNameFor(const std::string& path);

// The seam where tests choose the temporary names, to plant something at
// one first: the hook gives the name to try for the file at the path. No
// hook is set outside tests.
using TemporaryNameHook = std::function<std::string(const std::string& path)>;
void setTemporaryNameHook(TemporaryNameHook hook);

// Whether `name` is one of Varnisk's temporary names for the file `fileName`.
bool isTemporaryNameOf(const std::string& name, const std::string& fileName);

// Varnisk's own leftover temporary files of the file at the path: regular
// files (never links) in its folder whose names carry the mark. They are
// never the only copy of anything: a temporary file is renamed into place
// once whole.
std::vector<std::string> temporaryLeftovers(const std::string& path);
// The same for several files, listing each folder once.
std::vector<std::string> temporaryLeftovers(const std::vector<std::string>& paths);

// Removes a file; a file that is not there is no error. The folder is
// flushed, so that the removal holds after a power loss.
void removeFile(const std::string& path);

// Renames a file, replacing any file of the new name; the folder is flushed.
void renameFile(const std::string& from, const std::string& to);

// Makes the folder's entries (a file created, renamed or removed in it)
// reach the disk.
void flushFolderOf(const std::string& path);

// The seam where tests make the disk fail or the program stop: every step
// that changes something on the disk (a write, a flush, a rename, a removal)
// asks the hook first. Fail makes the step fail with an I/O error; Stop ends
// the process there at once, as a kill or a power loss would (a write is cut
// in half first). No hook is set outside tests.
enum class FileStep { Write, Flush, Rename, Remove };
enum class StepFault { None, Fail, Stop };
using FileStepHook = std::function<StepFault(FileStep step, const std::string& path)>;
void setFileStepHook(FileStepHook hook);
// The exit code of a process stopped by the hook.
inline constexpr int kStoppedByHook = 86;

// A FileError for the system's error number.
[[noreturn]] void throwFileError(int errorNumber);

}  // namespace varnisk
