#pragma once

#include "basics/Csv.h"

#include <string>
#include <string_view>
#include <vector>

namespace orvek::batch {

// A field as written: quoted when it holds a comma, a quote or a line break.
std::string csvField(std::string_view text);

} // namespace orvek::batch
