#include "jobs/job_run.h"

#include "form/form_controls.h"
#include "platform/file_system.h"
#include "platform/temp_files.h"

namespace quillo {
namespace {

bool NamesFolder(const EditBox& folder) {
  const std::string text = folder.Text();
  return !text.empty() && DirectoryExists(text);
}

}  // namespace

bool FolderAndListValid(const EditBox& source_folder, const ListEditor& list) {
  return NamesFolder(source_folder) && list.LineCount() > 0;
}

bool FolderAndListValid(const EditBox& source_folder, const ListEditor& list,
                        const EditBox& output_folder) {
  return FolderAndListValid(source_folder, list) && NamesFolder(output_folder);
}

void RemoveLeftTemporaries(const std::string& target) {
  RemoveStaleTemporaries(FolderOfPath(target));
}

void AnnounceFile(FormControls& form, const std::string& source) {
  form.SetStatusText(kProgressPrefix + source);
  form.Window().Repaint();
  form.Window().ProcessMessages();
}

}  // namespace quillo
