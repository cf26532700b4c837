#include "editing/ArchiveChoice.h"

#include "archive/Archive.h"
#include "base/Errors.h"
#include "core/Editor.h"
#include "files/GameFiles.h"
#include "gamedata/GameFolder.h"
#include "gamedata/TyreData.h"

namespace varnisk {

void changeCarswad(Editor& editor) {
    FileDialogRequest request;
    request.filter = "wad files|*.wad";
    request.initialDir = gameFolder(editor);
    std::optional<FileDialogAnswer> answer = editor.ui.openFile(request);
    if (!answer || answer->path.empty()) return;
    const std::string& path = answer->path;
    if (otherThanFileAt(path)) throw FileError(kNotAFile);
    std::uint8_t first = 0;
    {
        ByteFile chosen(path, ByteFile::Mode::ReadOnly);
        // A file too short to hold a first entry is no archive either.
        if (chosen.fits(kDirectoryStart, 1)) chosen.read(kDirectoryStart, std::span(&first, 1));
    }
    if (first != 'c') {
        editor.ui.message("Sorry but you didn't selected a cars wad.\r\nCurrent cars.wad will be used.");
        return;
    }
    editor.ManualWadPath = path;
    readTyrePositions(editor);
    editor.pending.takeArchive();
    editor.preview.ReloadCarShape = true;
    editor.requestFrame();
}

}  // namespace varnisk
