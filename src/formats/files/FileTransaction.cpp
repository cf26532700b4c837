#include "files/FileTransaction.h"

#include <algorithm>
#include <filesystem>

#include "base/Errors.h"
#include "files/SystemText.h"

namespace varnisk {

namespace {

// A journal larger than this is no journal of Varnisk's: it holds at most
// two copies of each game file, and those have limits of their own
// (GameFileSizes.h).
constexpr std::size_t kMaxJournalRead = 128u << 20;

// Differences closer than this are written as one range.
constexpr std::size_t kMergeGap = 16;

void writeSide(ByteFile& file, const JournalFile& record, bool before) {
    for (const JournalRange& r : record.ranges) file.write(r.offset, before ? r.before : r.after);
}

void setAside(const std::string& journalPath) { renameFile(journalPath, journalPath + kNotAppliedSuffix); }

// Opens a file that was read for writing as well; FileError names it when it
// is marked read-only or the system refuses. Its permissions stay as they are.
void openToWrite(ByteFile& file) {
    const std::string name = fileNameOf(file.path());
    if (file.readOnly()) throw FileError(name + " is read-only");
    try {
        file.openForWriting();
    } catch (const FileError& refused) {
        throw FileError(name + " cannot be written: " + refused.what());
    }
}

}  // namespace

FileTransaction::FileTransaction(std::string journalPath, std::string operation) : journalPath_(std::move(journalPath)) {
    journal_.operation = std::move(operation);
}

void FileTransaction::add(ByteFile& file, const std::vector<Patch>& changes) {
    // Overlapping changes become one range holding what they leave, the later
    // change winning, so that every byte of the journal has one value before
    // and one after.
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        if (!changes[i].bytes.empty()) order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return changes[a].offset < changes[b].offset; });
    JournalFile record{journalPathOf(file.path()), file.size(), {}};
    // Changes that overlap or touch share a range. Should that leave more
    // ranges than a journal holds, changes closer than a gap share one too
    // (the bytes between keep their value before and after).
    struct Group {
        std::size_t first, last;  // [first, last) of order
        std::uint64_t end;         // one past the group's last byte
    };
    auto group = [&](std::uint64_t gap) {
        std::vector<Group> groups;
        for (std::size_t first = 0; first < order.size();) {
            std::uint64_t end = changes[order[first]].offset + changes[order[first]].bytes.size();
            std::size_t last = first + 1;
            while (last < order.size() && changes[order[last]].offset <= end + gap) {
                end = std::max<std::uint64_t>(end, changes[order[last]].offset + changes[order[last]].bytes.size());
                ++last;
            }
            groups.push_back({first, last, end});
            first = last;
        }
        return groups;
    };
    std::vector<Group> groups = group(0);
    if (groups.size() > kMaxJournalRanges) groups = group(file.size() / (kMaxJournalRanges - 1) + 1);
    for (const auto& [first, last, end] : groups) {
        const std::uint64_t begin = changes[order[first]].offset;
        JournalRange range{begin, file.read(begin, static_cast<std::size_t>(end - begin)), {}};
        range.after = range.before;
        std::vector<std::size_t> inOrder(order.begin() + static_cast<std::ptrdiff_t>(first),
                                         order.begin() + static_cast<std::ptrdiff_t>(last));
        std::sort(inOrder.begin(), inOrder.end());
        for (std::size_t i : inOrder) {
            const Patch& p = changes[i];
            std::copy(p.bytes.begin(), p.bytes.end(), range.after.begin() + static_cast<std::ptrdiff_t>(p.offset - begin));
        }
        record.ranges.push_back(std::move(range));
    }
    if (record.ranges.empty()) return;
    try {
        openToWrite(file);
    } catch (const FileError& refused) {
        throw FileError(journal_.operation + " failed: " + refused.what() + ". No game file was changed.");
    }
    journal_.files.push_back(std::move(record));
    files_.push_back(&file);
}

void FileTransaction::commit() {
    if (empty()) return;
    std::size_t begun = 0;  // the files whose writing began
    try {
        replaceFile(journalPath_, encodeJournal(journal_));
        for (std::size_t i = 0; i < files_.size(); ++i) {
            begun = i + 1;
            writeSide(*files_[i], journal_.files[i], false);
        }
        for (ByteFile* file : files_) file->flush();
        removeFile(journalPath_);
    } catch (const FileError& failure) {
        const std::string what = journal_.operation + " failed: " + failure.what() + ".";
        try {
            for (std::size_t i = 0; i < begun; ++i) writeSide(*files_[i], journal_.files[i], true);
            for (std::size_t i = 0; i < begun; ++i) files_[i]->flush();
            removeFile(journalPath_);
        } catch (const FileError&) {
            throw FileError(what + " The game files could not all be put back yet: Varnisk puts them back as they "
                                   "were the next time it opens them.");
        }
        throw FileError(what + " No game file was changed.");
    }
}

std::string journalPathOf(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path whole = std::filesystem::absolute(systemPath(path), ec);
    return ec ? path : pathText(whole);
}

Rollback rollBackJournal(const std::string& journalPath, const std::vector<std::string>& gameFiles) {
    Rollback result;
    if (!fileExists(journalPath)) return result;
    std::optional<Journal> journal;
    if (!isLink(journalPath)) {
        // Its size is looked at before any of it is read.
        ByteFile file(journalPath, ByteFile::Mode::ReadOnly);
        if (file.size() <= kMaxJournalRead) journal = decodeJournal(file.read(0, static_cast<std::size_t>(file.size())));
    }
    if (!journal) {
        setAside(journalPath);
        result.outcome = Rollback::Outcome::Damaged;
        return result;
    }
    result.operation = journal->operation;

    // Only the game's own files, each once, are ever written from a journal:
    // its checksum shows it whole, not that it was written for this game.
    std::vector<std::string> allowed;
    for (const std::string& path : gameFiles) allowed.push_back(journalPathOf(path));
    for (std::size_t i = 0; i < journal->files.size(); ++i) {
        const std::string& path = journal->files[i].path;
        const bool known = std::find(allowed.begin(), allowed.end(), path) != allowed.end();
        bool twice = false;
        for (std::size_t k = 0; k < i; ++k) twice = twice || journal->files[k].path == path;
        if (!known || twice) {
            setAside(journalPath);
            result.outcome = Rollback::Outcome::NotTheGames;
            result.files = {path};
            return result;
        }
    }

    // Every file is checked before any is written.
    std::vector<ByteFile> files;
    for (const JournalFile& record : journal->files) {
        bool same = fileExists(record.path);
        if (same) {
            files.emplace_back(record.path);
            same = files.back().size() == record.size;
        }
        for (std::size_t k = 0; same && k < record.ranges.size(); ++k) {
            const JournalRange& r = record.ranges[k];
            const std::vector<std::uint8_t> now = files.back().read(r.offset, r.before.size());
            for (std::size_t i = 0; same && i < now.size(); ++i) same = now[i] == r.before[i] || now[i] == r.after[i];
        }
        if (!same) {
            setAside(journalPath);
            result.outcome = Rollback::Outcome::Changed;
            result.files = {record.path};
            return result;
        }
    }
    for (ByteFile& file : files) openToWrite(file);
    for (std::size_t i = 0; i < files.size(); ++i) writeSide(files[i], journal->files[i], true);
    for (ByteFile& file : files) file.flush();
    removeFile(journalPath);
    result.outcome = Rollback::Outcome::RolledBack;
    for (const JournalFile& record : journal->files) result.files.push_back(record.path);
    return result;
}

std::vector<Patch> differences(std::span<const std::uint8_t> current, std::span<const std::uint8_t> wanted) {
    std::vector<Patch> out;
    const std::size_t size = std::min(current.size(), wanted.size());
    std::size_t i = 0;
    while (i < size) {
        if (current[i] == wanted[i]) {
            ++i;
            continue;
        }
        std::size_t end = i + 1;  // one past the last difference of this range
        for (std::size_t k = end; k < size && k < end + kMergeGap; ++k) {
            if (current[k] != wanted[k]) end = k + 1;
        }
        out.push_back({i, std::vector<std::uint8_t>(wanted.begin() + static_cast<std::ptrdiff_t>(i),
                                                    wanted.begin() + static_cast<std::ptrdiff_t>(end))});
        i = end;
    }
    return out;
}

}  // namespace varnisk
