// Keyword completion: every record keyword, inserted with its values as
// snippet placeholders named as the format reference names them.
#pragma once

#include <nlohmann/json.hpp>

namespace binario {

// The protocol's CompletionItem array.
nlohmann::json keyword_completions();

}  // namespace binario
