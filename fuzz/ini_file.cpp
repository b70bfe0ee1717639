// Any file content: reading never fails, and writing one key leaves every other key's value and
// the written key readable as written.
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/file_stream.h"
#include "platform/ini_file.h"

namespace {

// A folder of its own for one input, removed with its content when the input is done, so that
// no run leaves anything behind.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quillo-fuzz-ini-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string File(const char* name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using quillo::TIniFile;
  const ScratchFolder folder;
  const std::string content(reinterpret_cast<const char*>(data), size);
  quillo::WriteWholeFile(folder.File("fuzz.ini"), content);
  const TIniFile ini(folder.File("fuzz.ini"));
  const std::string other_before = ini.ReadString("data", "Other", "<none>");
  const std::string elsewhere_before = ini.ReadString("more", "Prefix", "<none>");

  ini.WriteString("data", "Prefix", "written value");
  if (ini.ReadString("data", "Prefix", "<none>") != "written value") std::abort();
  if (ini.ReadString("data", "Other", "<none>") != other_before) std::abort();
  if (ini.ReadString("more", "Prefix", "<none>") != elsewhere_before) std::abort();
  return 0;
}
