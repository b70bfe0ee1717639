// The rule that keeps a batch job from replacing a listed source it has not read yet, or one it
// has already turned into a target: a target may be its own source, but no other listed file.
#pragma once

#include <map>
#include <string>

#include "form/controls.h"
#include "platform/file_system.h"
#include "platform/source_text.h"

namespace quillo {

inline constexpr char kTargetIsListedSourcePattern[] =
    N_("ファイル \"%s\" の出力先は一覧にある別のファイル \"%s\" です");

class ListedSources {
 public:
  // Notes every line of the list that names an existing file.
  explicit ListedSources(const ListEditor& list);

  // Throws EFCreateError naming both files when the target is an existing file that another
  // line of the list names; the target of a file may be that file itself.
  void CheckTarget(const std::string& source, const std::string& target) const;

 private:
  std::map<FileIdentity, std::string> sources_;
};

}  // namespace quillo
