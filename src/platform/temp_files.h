// The temporary files a target is written into before it takes its name: a recognisable hidden
// name, an exclusive lock held while their writer lives, the clean-up of those a killed writer
// left behind, and the flushes that make a replacement survive a power cut.
#pragma once

#include <string>
#include <string_view>

namespace quillo {

// Set (to anything) in the environment, it makes every temporary file a named one, as on file
// systems without unnamed files, so that that path can be tested anywhere.
inline constexpr char kNamedTemporariesVariable[] = "QUILLO_NAMED_TEMPORARIES";

// Whether a file name (without its folder) has the form of our temporary names.
bool IsTemporaryName(std::string_view name);

// A fresh temporary name in the folder (the folder, "/" and the name).
std::string TemporaryName(const std::string& folder);

// Whether the unnamed temporary files of the file system may be tried.
bool UnnamedTemporariesWanted();

// Creates an unnamed temporary file in the folder, opened for writing and locked; the
// descriptor, or -1 with errno set.
int CreateUnnamedTemporary(const std::string& folder);

// Creates a named temporary file in the folder, opened for writing and locked, and stores its
// path; the descriptor, or -1 with errno set (path then empty).
int CreateNamedTemporary(const std::string& folder, std::string& path);

// Removes the temporary files of ours in the folder that no live writer holds locked. Files it
// cannot judge (another user's, say) are left alone; it never fails.
void RemoveStaleTemporaries(const std::string& folder);

// Flushes the folder's entries to the disk, so that a rename in it lasts; false on failure.
bool SyncFolder(const std::string& folder);

}  // namespace quillo
