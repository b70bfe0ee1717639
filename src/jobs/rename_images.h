// The rename batch: copies every file of the rename tab's list into the output folder as
// prefix + four-digit number + suffix + the source's extension.
#pragma once

namespace quillo {

class FormControls;

// Runs the whole batch inside the caller's click handler; the abort button stops it between two
// files. Does nothing at all when the source folder or the list fails its checks.
void RenameImages(FormControls& form);

}  // namespace quillo
