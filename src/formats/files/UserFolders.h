#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varnisk {

// The user's own folders, as the desktop names them.

// The home folder: $HOME, else the user database's entry (on Windows the
// user's profile folder); empty when there is none.
std::string homeFolder();

// The user's documents folder: the folder XDG_DOCUMENTS_DIR names in
// "user-dirs.dirs" ($XDG_CONFIG_HOME when absolute, else ~/.config), when it
// is an existing folder; else ~/Documents when that exists; else the home
// folder. Empty when there is no home folder either. On Windows the system's
// documents folder, else the profile folder.
std::string documentsFolder();

// The same for a given home and configuration folder.
std::string documentsFolderIn(const std::string& home, const std::string& configFolder);

// The documents folder a "user-dirs.dirs" text names: the last
// XDG_DOCUMENTS_DIR line's value, in double quotes or not, either "$HOME"
// followed by "/..." (resolved against home) or an absolute path. nullopt
// when the text names none in those forms.
std::optional<std::string> userDirsDocuments(std::string_view text, const std::string& home);

}  // namespace varnisk
