#include "FuzzTargets.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "core/Editor.h"
#include "platform/Registry.h"
#include "platform/Ui.h"

namespace varnisk::fuzz {

std::string scratchPath(std::string_view suffix) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    return (folder / ("varnisk-fuzz-" + std::to_string(::getpid()) + std::string(suffix))).string();
}

void writeScratch(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) fail("cannot write the scratch file " + path);
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) fail("cannot write the scratch file " + path);
}

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
