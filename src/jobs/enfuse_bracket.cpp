#include "jobs/enfuse_bracket.h"

#include "platform/path.h"

namespace quillo {

std::string EnfuseOutputName(const std::vector<std::string>& file_names) {
  std::string name;
  for (size_t k = 0; k < file_names.size(); ++k) {
    if (k > 0) name += '-';
    name += ChangeFileExt(file_names[k], "");
  }
  if (!file_names.empty()) name += ExtractFileExt(file_names.front());
  return name;
}

std::string EnfuseOutputName(const TEnfuseBracket& bracket) {
  std::vector<std::string> names;
  names.reserve(bracket.inputs.size());
  for (const std::string& input : bracket.inputs) names.push_back(ExtractFileName(input));
  return EnfuseOutputName(names);
}

}  // namespace quillo
