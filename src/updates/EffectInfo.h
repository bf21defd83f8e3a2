#pragma once

#include <optional>
#include <string>

namespace corvid {

// The information page of an effect, from the program's resources ("info/<resource name>.html"),
// with its parameter section made from the parameter table. Nullopt when the effect has none.
std::optional<std::string> EffectInfoPage(const std::string& resourceName);
// The parameter section: each parameter's name, what it changes, its range and whether a
// control can drive it.
std::string ParameterSectionHtml();

} // namespace corvid
