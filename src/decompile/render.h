// The two descriptions written from recovered records.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "decompile/records.h"

namespace binario {

// A station name or sign-board text as a field that reads back as `text`:
// as it is, or in double quotes when it holds a comma or a line end, or
// starts or ends with a blank or starts with a quote. Nothing when no field
// reads back as it (a quote inside a text that needs quoting).
std::optional<std::string> text_value(std::string_view text);

// The texts, Windows-1252 with CR LF line ends; `summary` is written as
// comment lines at the top. Every text of the records must have a
// text_value().
std::string render_line(const LineRecords& records, const std::vector<std::string>& summary);
std::string render_train(const TrainRecords& records, const std::vector<std::string>& summary);

}  // namespace binario
