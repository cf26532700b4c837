#include "gamedata/GameFolder.h"

#include <filesystem>

#include "base/Errors.h"
#include "core/Editor.h"
#include "files/GameFiles.h"
#include "gamedata/ImportAll.h"

namespace varnisk {

namespace {

// Only GP4.exe itself is taken: the folder is cut from the path by the
// length of that name, and any other file would write a wrong folder over a
// working registry entry.
bool namesGameExe(const std::string& path) {
    if (path.size() < 8) return false;
    std::string tail = path.substr(path.size() - 8);
    for (char& c : tail) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return tail == "/gp4.exe" || tail == "\\gp4.exe";
}

// The registry's answer: nothing when it could not be read; else the
// folder, empty when GP4.exe is not in it.
std::optional<std::string> lookUpGame(const Editor& editor) {
    std::optional<std::string> folder = editor.registry.readGameFolder();
    if (!folder) return std::nullopt;
    if (!folder->empty() && findGameFile(*folder, kExeName)) return folder;
    return std::string();
}

}  // namespace

std::string gameFolder(const Editor& editor) { return lookUpGame(editor).value_or(std::string()); }

std::string findGameAndRemember(Editor& editor) {
    const std::optional<std::string> folder = lookUpGame(editor);
    if (!folder) return {};
    editor.GameFound = !folder->empty();
    return *folder;
}

void chooseGP4Path(Editor& editor) {
    std::error_code ec;
    const std::filesystem::path remembered = std::filesystem::current_path(ec);
    FileDialogRequest request;
    request.title = "Choose GP4 Path";
    request.filter = "GP4.exe|gp4.exe";
    request.initialDir = ec ? std::string() : remembered.string();
    std::optional<FileDialogAnswer> answer = editor.ui.openFile(request);
    if (answer && otherThanFileAt(answer->path)) editor.ui.message(fileNameOf(answer->path) + " is not a regular file.");
    if (answer && !answer->path.empty() && fileExists(answer->path) && namesGameExe(answer->path)) {
        const std::string& path = answer->path;
        // The folder is the chosen path less "\GP4.exe" (eight characters).
        const std::string folder = path.size() > 8 ? path.substr(0, path.size() - 8) : std::string();
        // A choice that cannot be kept still holds for this run.
        if (RegistryWrite kept = editor.registry.writeGameFolder(folder); !kept) {
            editor.ui.message("The GP4 folder you chose could not be kept for the next start: " + kept.reason +
                              ". It is used for this run.");
        }
        if (!ec) std::filesystem::current_path(remembered, ec);
        importAll(editor);
    }
    if (findGameAndRemember(editor).empty()) {
        editor.ui.message("Sorry but Varnisk will now terminate.");
        throw Terminated();
    }
}

std::string gameFile(const Editor& editor, const std::string& name) {
    const std::string folder = gameFolder(editor);
    if (folder.empty()) throw FileError(kFileNotFound);
    return gameFilePath(folder, name);
}

std::string wadPath(const Editor& editor) {
    if (!editor.ManualWadPath.empty()) return editor.ManualWadPath;
    const std::string folder = gameFolder(editor);
    if (folder.empty()) return {};
    return gameFilePath(folder, kArchiveName);
}

void chooseGameAfterFailedImport(Editor& editor) {
    editor.SheetReady = 0;
    editor.ui.message("Please choose your GP4 folder");
    chooseGP4Path(editor);
    // The failed folder is still registered, so the chooser's own test for a
    // game finds one even when nothing new was imported.
    if (editor.SheetReady != 1) {
        editor.ui.message("Sorry but Varnisk will now terminate.");
        throw Terminated();
    }
}

}  // namespace varnisk
