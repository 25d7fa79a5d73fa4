#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvek {

// Fields of one line of comma-separated text, as written: quoted fields may hold commas and
// doubled quotes; blanks around a field are kept.
std::vector<std::string> csvFields(std::string_view line);

} // namespace orvek
