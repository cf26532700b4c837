#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <QColor>
#include <QString>
#include <QStringList>

namespace varnisk {

// Conversions between the program's values and Qt's, used by the window and
// the Qt dialogs.

// Texts: the program keeps them in code page 1252.
QString fromCp1252(std::string_view bytes);
// A character the code page lacks becomes '?'.
std::string toCp1252(const QString& text);

// Paths: the system's own encoding on both sides.
QString fromPath(const std::string& path);
std::string toPath(const QString& path);

// Window colours 0x00BBGGRR (red in the low byte); a system colour is
// resolved to its plain value first.
QColor toQColor(std::uint32_t windowsColour);
std::uint32_t fromQColor(const QColor& colour);

// A custom colour entry of the colour dialog, "colorA=BBGGRR" (six hex digits
// in 0x00BBGGRR order; the letter A..P names the slot 0..15). nullopt when the
// entry is malformed.
struct CustomColour {
    int slot = 0;
    std::uint32_t colour = 0;
};
std::optional<CustomColour> parseCustomColour(std::string_view entry);

// The window system's filter list "Text|*.car;*.cam|Text 2|*.x" as Qt's name
// filters {"Text (*.car *.cam)", "Text 2 (*.x)"}. A trailing description
// without a pattern is dropped.
QStringList toNameFilters(std::string_view windowsFilter);
// The same filters joined as one Qt filter string "Text (*.car *.cam);;Text 2 (*.x)".
QString toQtFilter(std::string_view windowsFilter);

}  // namespace varnisk
