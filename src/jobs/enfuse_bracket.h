// One enfuse call: the files of a bracket, the one whose EXIF the result carries, and the name
// the result takes in enfused/.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quillo {

struct TEnfuseBracket {
  std::vector<std::string> inputs;  // paths, in the order they are fused
  size_t reference = 0;             // index into inputs
};

// The base names of the files joined by "-", then the first file's extension.
std::string EnfuseOutputName(const std::vector<std::string>& file_names);

// The same for a bracket's inputs, by their file names.
std::string EnfuseOutputName(const TEnfuseBracket& bracket);

}  // namespace quillo
