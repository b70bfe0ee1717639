// A temporary folder per test, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <string>

namespace quillo::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The folder as text, with or without a trailing "/".
  std::string Str() const { return path_.string(); }
  std::string Slash() const { return path_.string() + "/"; }
  std::string File(const std::string& relative) const { return (path_ / relative).string(); }

  // Creates a file (and its folders) holding the given bytes; returns its path.
  std::string Write(const std::string& relative, const std::string& bytes = "") const;
  std::string Mkdir(const std::string& relative) const;

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::string& path);

// The names of a folder's files (not its folders), in name order, separated by spaces.
std::string FileNames(const std::string& folder);

}  // namespace quillo::testing
