// How the shell front end's process keeps memory between two files.
#pragma once

namespace quillo {

// Large blocks freed after one file stay in the heap for the next one instead of going back to
// the system: a lossless turn's coefficient arrays (the library's own, over 100 MB for a
// 24-megapixel photo) are then not mapped and faulted in page by page for every file, which costs
// more than the turn itself. Process-wide; set once at start.
void KeepFreedMemoryForReuse();

}  // namespace quillo
