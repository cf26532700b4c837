#include "FuzzTargets.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <fcntl.h>
#include <unistd.h>

#include "core/Editor.h"
#include "registry/Registry.h"
#include "ui/Ui.h"

namespace varnisk::fuzz {

std::string scratchPath(std::string_view suffix) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    return (folder / ("varnisk-fuzz-" + std::to_string(::getpid()) + std::string(suffix))).string();
}

void writeScratch(const std::string& path, std::span<const std::uint8_t> bytes) {
    // Written over and then cut to length, never truncated first: a file cut
    // to nothing and written again is flushed to the disk when it is closed,
    // which made a target wait on the disk for every input.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
    if (fd < 0) fail("cannot write the scratch file " + path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ::ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<::off_t>(done));
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    const bool written = done == bytes.size() && ::ftruncate(fd, static_cast<::off_t>(bytes.size())) == 0;
    if (::close(fd) != 0 || !written) fail("cannot write the scratch file " + path);
}

ScratchFile::~ScratchFile() { std::remove(path.c_str()); }

namespace {

// Answers every message and cancels every dialog, keeping nothing: a fuzzer
// runs millions of inputs through one editor.
class QuietUi : public Ui {
public:
    void message(const std::string&) override {}
    void error(const std::string&) override {}
    int ask(const Question& question) override { return question.unattendedAnswer; }
    std::optional<FileDialogAnswer> openFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<FileDialogAnswer> saveFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::uint32_t> chooseColour(const ColourDialogRequest&) override { return std::nullopt; }
    void beep() override {}
    Point cursorPos() override { return {}; }
    void repaintPreview() override {}
};

}  // namespace

Editor& sharedEditor() {
    static QuietUi ui;
    static MemoryRegistry registry;
    static Editor editor(ui, registry, {std::filesystem::temp_directory_path().string()});
    return editor;
}

}  // namespace varnisk::fuzz
