#include "files/GameFiles.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <random>

#include "base/Errors.h"
#include "files/FileSteps.h"
#include "files/SystemText.h"

namespace varnisk {

namespace fs = std::filesystem;

namespace {

FileStepHook& stepHook() {
    static FileStepHook hook;
    return hook;
}

std::string lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

}  // namespace

bool stopsHere(FileStep step, const std::string& path) {
    const FileStepHook& hook = stepHook();
    if (!hook) return false;
    switch (hook(step, path)) {
    case StepFault::None:
        return false;
    case StepFault::Fail:
        throwFileError(EIO);
    case StepFault::Stop:
        if (step != FileStep::Write) stopProcess();
        return true;
    }
    return false;
}

[[noreturn]] void throwFileError(int errorNumber) {
    switch (errorNumber) {
    case ENOENT:
    case ENOTDIR:
        throw FileError(kFileNotFound);
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        throw FileError(kAccessDenied);
    case EISDIR:
        throw FileError(kNotAFile);
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        throw FileError("Disk full");
    default:
        throw FileError("I/O error " + std::to_string(errorNumber));
    }
}

std::string joinPath(const std::string& folder, const std::string& name) {
#ifdef _WIN32
    return folder + "\\" + name;
#else
    return folder + "/" + name;
#endif
}

std::optional<std::string> findGameFile(const std::string& folder, const std::string& name) {
    const std::string exact = joinPath(folder, name);
#ifndef _WIN32
    if (fileExists(exact)) return exact;
#endif
    // Where the system itself ignores case, the folder is looked through even
    // so: the name on disk is the one messages show.
    std::optional<std::string> found;
    if (!folder.empty()) {
        std::error_code ec;
        const std::string wanted = lower(name);
        fs::directory_iterator it(systemPath(folder), ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            const std::string onDisk = pathText(it->path().filename());
            if (lower(onDisk) != wanted) continue;
            const std::string path = joinPath(folder, onDisk);
            if (!fileExists(path)) continue;
            if (onDisk == name) return path;
            if (!found) found = path;
        }
    }
    if (found) return found;
#ifdef _WIN32
    if (fileExists(exact)) return exact;  // a folder that cannot be listed
#endif
    return std::nullopt;
}

std::string gameFilePath(const std::string& folder, const std::string& name) {
    return findGameFile(folder, name).value_or(joinPath(folder, name));
}

std::string fileNameOf(const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); }

std::string fileNameList(const std::vector<std::string>& paths) {
    std::string list;
    for (const std::string& p : paths) list += (list.empty() ? "" : ", ") + fileNameOf(p);
    return list;
}

bool isLink(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(systemPath(path), ec);
    return !ec && fs::is_symlink(status);
}

static TemporaryNameHook& temporaryNameHook() {
    static TemporaryNameHook hook;
    return hook;
}

void setTemporaryNameHook(TemporaryNameHook hook) { temporaryNameHook() = std::move(hook); }

std::string temporaryNameFor(const std::string& path) {
    if (const TemporaryNameHook& hook = temporaryNameHook()) return hook(path);
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random([] {
        std::random_device seed;
        std::seed_seq seq{seed(), seed(), seed(), seed()};
        return std::mt19937_64(seq);
    }());
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
    std::string name = path + kTemporaryMark;
    for (std::size_t i = 0; i < kTemporaryTagLength; ++i) name += kAlphabet[pick(random)];
    return name;
}

bool isTemporaryNameOf(const std::string& name, const std::string& fileName) {
    const std::string stem = fileName + kTemporaryMark;
    if (name.size() != stem.size() + kTemporaryTagLength || name.compare(0, stem.size(), stem) != 0) return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(stem.size()), name.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); });
}

std::vector<std::string> temporaryLeftovers(const std::vector<std::string>& paths) {
    // Each folder is listed once, for all the files in it.
    std::map<std::string, std::vector<std::string>> namesByFolder;
    for (const std::string& path : paths) {
        const std::string name = fileNameOf(path);
        namesByFolder[path.substr(0, path.size() - name.size())].push_back(name);
    }
    std::vector<std::string> found;
    for (const auto& [folder, names] : namesByFolder) {
        std::error_code ec;
        fs::directory_iterator it(systemPath(folder.empty() ? "." : folder), ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            const std::string onDisk = pathText(it->path().filename());
            if (onDisk.find(kTemporaryMark) == std::string::npos) continue;
            const bool ours = std::any_of(names.begin(), names.end(),
                                          [&](const std::string& name) { return isTemporaryNameOf(onDisk, name); });
            std::error_code kind;
            if (ours && fs::symlink_status(it->path(), kind).type() == fs::file_type::regular && !kind) {
                found.push_back(folder + onDisk);
            }
        }
    }
    return found;
}

std::vector<std::string> temporaryLeftovers(const std::string& path) {
    return temporaryLeftovers(std::vector<std::string>{path});
}

void setFileStepHook(FileStepHook hook) { stepHook() = std::move(hook); }

std::uint64_t ByteFile::size() const { return size_; }

bool ByteFile::fits(std::uint64_t offset, std::uint64_t count) const {
    return offset <= size_ && count <= size_ - offset;
}

std::vector<std::uint8_t> ByteFile::read(std::uint64_t offset, std::size_t count) const {
    std::vector<std::uint8_t> out(count);
    read(offset, out);
    return out;
}

std::vector<std::uint8_t> readWholeFile(const std::string& path) {
    ByteFile f(path, ByteFile::Mode::ReadOnly);
    return f.read(0, static_cast<std::size_t>(f.size()));
}

std::vector<std::uint8_t> readFileStart(const std::string& path, std::size_t limit) {
    ByteFile f(path, ByteFile::Mode::ReadOnly);
    return f.read(0, static_cast<std::size_t>(std::min<std::uint64_t>(f.size(), limit)));
}

}  // namespace varnisk
