// Text at the edge of the Win32 API: the program holds UTF-8, the API takes
// and gives UTF-16. Windows builds only.
#pragma once

#include <string>
#include <string_view>

namespace binario {

// UTF-8 to UTF-16; bytes that are not UTF-8 become U+FFFD.
std::wstring utf8_to_wide(std::string_view text);
// UTF-16 to UTF-8; lone surrogates become U+FFFD.
std::string wide_to_utf8(std::wstring_view text);

}  // namespace binario
