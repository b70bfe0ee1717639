// The photo archive the listing benchmarks list: 100,000 empty files in 100 folders, named as
// cameras name them, with extensions in mixed letter case and a share of other kinds.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace quillo::bench {

inline constexpr int kTreeFolders = 100;
inline constexpr int kTreeFilesPerFolder = 1000;

// No ".jpeg" files, so that a listing of "*.jpg;*.jpeg" and find's "*.jpg" list the same paths.
// Returns how many files are JPEGs.
inline size_t WritePhotoTree(const std::filesystem::path& root) {
  static const char* const kPrefixes[] = {"IMG_", "DSC", "_MG_", "P"};
  static const char* const kJpegs[] = {".JPG", ".jpg", ".Jpg"};
  static const char* const kOthers[] = {".CR2", ".xmp", ".png", ".NEF"};
  size_t jpegs = 0;
  for (int folder = 0; folder < kTreeFolders; ++folder) {
    const std::filesystem::path dir =
        root / (std::to_string(100 + folder) + (folder % 2 ? "CANON" : "_fuji"));
    std::filesystem::create_directories(dir);
    for (int i = 0; i < kTreeFilesPerFolder; ++i) {
      const int number = folder * kTreeFilesPerFolder + i;
      const bool other = i % 10 == 9;
      const std::string name = kPrefixes[number % 4] + std::to_string(10000 + number).substr(1) +
                               (other ? kOthers[number % 4] : kJpegs[number % 3]);
      const int fd = ::open((dir / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0) throw std::runtime_error("cannot create " + (dir / name).string());
      ::close(fd);
      jpegs += other ? 0 : 1;
    }
  }
  return jpegs;
}

}  // namespace quillo::bench
