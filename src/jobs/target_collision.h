// Stops a batch from replacing a listed file that it has not read yet, as a batch that writes
// into a folder it also reads from may: with the output folder equal to the source folder, copy 1
// may be given the name of listed file 51.
#pragma once

#include <map>
#include <string>

#include "platform/file_system.h"
#include "platform/source_text.h"

namespace quillo {

class ListEditor;

inline constexpr char kPendingSourcePattern[] =
    N_("ファイル \"%s\" を作成すると、まだ処理していない \"%s\" が失われます。");

class PendingSources {
 public:
  // Notes which file each of the first count lines of the list names, as the run starts.
  PendingSources(const ListEditor& list, int count);

  // Throws EFCreateError naming both files when the target is the file of a line after index,
  // which the run has not read yet. The target may be the file of line index itself (it is read
  // whole before it is replaced) or of an earlier line.
  void CheckTarget(int index, const std::string& source, const std::string& target) const;

 private:
  struct Listed {
    int last_index;  // the last line that names the file
    std::string line;
  };
  std::map<FileIdentity, Listed> listed_;
};

}  // namespace quillo
