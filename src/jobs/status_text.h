// The jobs' status texts as the user reads them, and the file a progress text names.
#pragma once

#include <optional>
#include <string>

namespace quillo {

// The status text in the user's language; a progress text keeps its path as it is.
std::string TranslateStatusText(const std::string& status);
// The path of a progress text ("処理中 PATH"); nothing for any other status text.
std::optional<std::string> ProgressPath(const std::string& status);

}  // namespace quillo
