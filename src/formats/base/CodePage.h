#pragma once

#include <string>
#include <string_view>

namespace varnisk {

// The program keeps texts (field texts, captions, team names) as bytes of the
// single-byte Windows code page 1252, as the game stores its names. These
// convert between that code page and UTF-8 at the edges (the window, the
// command line, the dump).

// Bytes of code page 1252 as UTF-8; the five unassigned bytes map to the C1
// control characters of the same value.
std::string cp1252ToUtf8(std::string_view bytes);

// UTF-8 as code page 1252; a character the code page lacks, or a malformed
// sequence, becomes '?'.
std::string utf8ToCp1252(std::string_view utf8);

// The code page 1252 byte of one Unicode code point, or -1 when it has none.
int unicodeToCp1252(char32_t code);

// Code page 1252 text in lower case: A to Z and the accented capitals.
std::string lowerCp1252(std::string_view bytes);
char32_t cp1252ToUnicode(unsigned char byte);

}  // namespace varnisk
