// The rotate batch: turns every JPEG file of the rotate tab's list a quarter turn either way or a
// half turn and saves it under its own name in the output folder.
#pragma once

namespace quillo {

class FormControls;

// Runs the whole batch inside the caller's click handler; the abort button stops it between two
// files. Does nothing at all when the folders or the list fail their checks.
void RotateImages(FormControls& form);

}  // namespace quillo
