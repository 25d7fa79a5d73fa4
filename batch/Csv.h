#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvek::batch {

// Fields of one line of comma-separated text; quoted fields may hold commas and doubled quotes.
std::vector<std::string> csvFields(std::string_view line);

// A field as written: quoted when it holds a comma, a quote or a line break.
std::string csvField(std::string_view text);

} // namespace orvek::batch
