// Any file content: reading never fails, and writing one key leaves every other key's value and
// the written key readable as written.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/file_stream.h"
#include "platform/ini_file.h"

namespace {

const std::string& IniPath() {
  static const std::string path = [] {
    std::string folder = "/tmp/quillo-fuzz-ini-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr) std::abort();
    return folder + "/fuzz.ini";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using quillo::TIniFile;
  const std::string content(reinterpret_cast<const char*>(data), size);
  quillo::WriteWholeFile(IniPath(), content);
  const TIniFile ini(IniPath());
  const std::string other_before = ini.ReadString("data", "Other", "<none>");
  const std::string elsewhere_before = ini.ReadString("more", "Prefix", "<none>");

  ini.WriteString("data", "Prefix", "written value");
  if (ini.ReadString("data", "Prefix", "<none>") != "written value") std::abort();
  if (ini.ReadString("data", "Other", "<none>") != other_before) std::abort();
  if (ini.ReadString("more", "Prefix", "<none>") != elsewhere_before) std::abort();
  return 0;
}
