#include "platform/translation.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace quillo {
namespace {

constexpr char kTextDomain[] = "quillomark";
constexpr uint32_t kMagic = 0x950412de;
constexpr uint32_t kSwappedMagic = 0xde120495;
// A catalogue of this program's texts is a few kilobytes; anything far larger is no catalogue.
constexpr size_t kMaxCatalogueBytes = size_t{16} << 20;

const MessageCatalogue* g_catalogue = nullptr;

// The language part of a locale or LANGUAGE entry ("ja_JP.UTF-8" gives "ja").
std::string_view LanguagePart(std::string_view name) {
  return name.substr(0, name.find_first_of("_.@"));
}

bool IsNoLocale(std::string_view name) {
  return name.empty() || name == "POSIX" || LanguagePart(name) == "C";
}

// The fields of a catalogue, read in the byte order its magic number shows.
class CatalogueBytes {
 public:
  explicit CatalogueBytes(std::string bytes) : bytes_(std::move(bytes)) {}

  bool ReadHeader() {
    const std::optional<uint32_t> magic = U32(0);
    if (!magic || (*magic != kMagic && *magic != kSwappedMagic)) return false;
    swapped_ = *magic == kSwappedMagic;
    return U32(4).has_value();
  }
  std::optional<uint32_t> U32(size_t offset) const {
    if (offset > bytes_.size() || bytes_.size() - offset < 4) return std::nullopt;
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const int shift = swapped_ ? 8 * (3 - i) : 8 * i;
      value |= uint32_t{static_cast<unsigned char>(bytes_[offset + i])} << shift;
    }
    return value;
  }
  // The string a table entry (length, offset) points at; its terminating zero must be there.
  std::optional<std::string> Text(size_t entry) const {
    const std::optional<uint32_t> length = U32(entry);
    const std::optional<uint32_t> offset = U32(entry + 4);
    if (!length || !offset || *offset >= bytes_.size() || bytes_.size() - *offset <= *length ||
        bytes_[*offset + *length] != '\0') {
      return std::nullopt;
    }
    return bytes_.substr(*offset, *length);
  }

 private:
  std::string bytes_;
  bool swapped_ = false;
};

}  // namespace

TMessageLanguage MessageLanguageOf(const EnvironmentLookup& variable) {
  std::string_view locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = variable(name);
    if (value != nullptr && *value != '\0') {
      locale = value;
      break;
    }
  }
  if (IsNoLocale(locale)) return mlSource;
  // LANGUAGE lists languages by preference: the first with texts of its own decides, and a list
  // of none of them asks for English.
  const char* languages = variable("LANGUAGE");
  if (languages != nullptr && *languages != '\0') {
    for (std::string_view list = languages; !list.empty();) {
      const size_t colon = list.find(':');
      const std::string_view language = LanguagePart(list.substr(0, colon));
      if (language == "ja") return mlSource;
      if (language == "en") return mlEnglish;
      list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
    }
    return mlEnglish;
  }
  return LanguagePart(locale) == "ja" ? mlSource : mlEnglish;
}

std::optional<MessageCatalogue> MessageCatalogue::Load(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes;
  bytes.resize(kMaxCatalogueBytes + 1);
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (file.bad() || static_cast<size_t>(file.gcount()) > kMaxCatalogueBytes) return std::nullopt;
  bytes.resize(static_cast<size_t>(file.gcount()));

  CatalogueBytes catalogue(std::move(bytes));
  if (!catalogue.ReadHeader()) return std::nullopt;
  const std::optional<uint32_t> count = catalogue.U32(8);
  const std::optional<uint32_t> originals = catalogue.U32(12);
  const std::optional<uint32_t> translations = catalogue.U32(16);
  if (!count || !originals || !translations) return std::nullopt;
  MessageCatalogue result;
  for (uint32_t i = 0; i < *count; ++i) {
    const std::optional<std::string> source = catalogue.Text(*originals + size_t{8} * i);
    const std::optional<std::string> text = catalogue.Text(*translations + size_t{8} * i);
    if (!source || !text) return std::nullopt;
    // The empty original holds the catalogue's header, no text of the program.
    if (!source->empty()) result.texts_.emplace(*source, *text);
  }
  return result;
}

const std::string* MessageCatalogue::Find(std::string_view source) const {
  const auto found = texts_.find(source);
  return found == texts_.end() ? nullptr : &found->second;
}

std::vector<std::string> CatalogueFolders(const std::string& executable_path) {
  // Beside the executable in the build folder; relative to it once installed, so that a package
  // unpacked under any root finds its own catalogue.
  const std::filesystem::path folder = std::filesystem::path(executable_path).parent_path();
  return {(folder / "locale").string(), (folder / QUILLO_LOCALE_DIR_FROM_PROGRAMS).string()};
}

std::optional<MessageCatalogue> CatalogueForEnvironment(const std::vector<std::string>& folders,
                                                        const EnvironmentLookup& variable) {
  if (MessageLanguageOf(variable) == mlSource) return std::nullopt;
  for (const std::string& folder : folders) {
    const std::string path = folder + "/en/LC_MESSAGES/" + kTextDomain + ".mo";
    if (std::optional<MessageCatalogue> catalogue = MessageCatalogue::Load(path)) return catalogue;
  }
  return std::nullopt;
}

void SetUpMessageLanguage(const std::string& executable_path) {
  static const std::optional<MessageCatalogue> catalogue =
      CatalogueForEnvironment(CatalogueFolders(executable_path), std::getenv);
  if (catalogue) g_catalogue = &*catalogue;
}

std::string Translate(std::string_view text) {
  if (g_catalogue != nullptr) {
    if (const std::string* translation = g_catalogue->Find(text)) return *translation;
  }
  return std::string(text);
}

ScopedMessageCatalogue::ScopedMessageCatalogue(const MessageCatalogue& catalogue)
    : previous_(g_catalogue) {
  g_catalogue = &catalogue;
}

ScopedMessageCatalogue::~ScopedMessageCatalogue() { g_catalogue = previous_; }

}  // namespace quillo
