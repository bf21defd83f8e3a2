#pragma once

#include <string>

namespace corvid {

// The path of the program's resource `name` in `folder` (":/algorithms"), the name compared
// ignoring letter case; empty when there is none.
std::string FindResource(const std::string& folder, const std::string& name);

} // namespace corvid
