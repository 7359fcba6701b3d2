// Windows-1252, the encoding of every scenario text, to and from UTF-8 for
// the terminal, JSON and file names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace binario {

std::string windows1252_to_utf8(std::string_view bytes);

// The Windows-1252 bytes of a UTF-8 text, or nothing when the text is not
// valid UTF-8 or holds a character that Windows-1252 cannot represent.
std::optional<std::string> utf8_to_windows1252(std::string_view text);

// Windows-1252 text with every control byte (below 0x20, and 0x7F) written
// as \xNN, so that nothing read from a file reaches a terminal as an escape
// sequence, a NUL or a line break of its own. Windows-1252 has no other
// control characters.
std::string escaped_controls(std::string_view bytes);

// A text meant to be UTF-8 (a path, a name given on the command line) made
// safe to show: control characters (C0, DEL and C1) and every byte that is
// not part of valid UTF-8 written as \xNN, byte by byte.
std::string escaped_utf8(std::string_view text);

}  // namespace binario
