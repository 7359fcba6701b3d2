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

}  // namespace binario
