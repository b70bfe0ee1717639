// The rotate batch: turns every JPEG file of the rotate tab's list a quarter turn either way or a
// half turn and saves it under its own name in the output folder.
#pragma once

#include <functional>
#include <string>

namespace quillo {

class FormControls;

// Writes one listed file, turned, to its target, in place of decoding and encoding it afresh.
using RotateFileHook = std::function<void(const std::string& source, const std::string& target)>;

// Runs the whole batch inside the caller's click handler; the abort button stops it between two
// files. Does nothing at all when the folders or the list fail their checks. Each file is turned
// by rotate_file when one is given.
void RotateImages(FormControls& form, const RotateFileHook& rotate_file = nullptr);

}  // namespace quillo
