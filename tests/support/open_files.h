// The files this process holds open, for tests that check that no temporary file is kept.
#pragma once

#include <string>

namespace quillo::testing {

// How many of the process's open descriptors lead to a file in the folder or below it, unnamed
// temporary files included.
int OpenFilesUnder(const std::string& folder);

}  // namespace quillo::testing
