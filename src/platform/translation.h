// The user's language: the source texts (Japanese) or a translation from a compiled gettext
// catalogue. Texts are translated where they reach the user; a catalogue is chosen once, at
// program start, before any worker thread runs.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/source_text.h"

namespace quillo {

enum TMessageLanguage : uint8_t { mlSource, mlEnglish };

// The value of an environment variable, nullptr when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

// The language gettext would choose from LANGUAGE, LC_ALL, LC_MESSAGES and LANG: the source texts
// for a Japanese locale and for no locale (unset, C, POSIX, C.*), where LANGUAGE is not read;
// English for every other language.
TMessageLanguage MessageLanguageOf(const EnvironmentLookup& variable);

// The originals and translations of a compiled catalogue (a gettext .mo file).
class MessageCatalogue {
 public:
  // Nothing when the file cannot be read or is not a well-formed catalogue.
  static std::optional<MessageCatalogue> Load(const std::string& path);

  // The translation of a source text; nullptr when the catalogue has none.
  const std::string* Find(std::string_view source) const;
  size_t Size() const { return texts_.size(); }

 private:
  std::map<std::string, std::string, std::less<>> texts_;
};

// Where programs look for their catalogues: a "locale" folder beside the executable (the build
// folder), then the folder the program is installed with.
std::vector<std::string> CatalogueFolders(const std::string& executable_path);
// The catalogue the environment asks for, from the first folder that holds a readable one;
// nothing for the source texts.
std::optional<MessageCatalogue> CatalogueForEnvironment(const std::vector<std::string>& folders,
                                                        const EnvironmentLookup& variable);
// Program start: the language of the environment for the rest of the process.
void SetUpMessageLanguage(const std::string& executable_path);

// The text the user reads: the translation of a source text in the catalogue in use, else the
// text as it stands.
std::string Translate(std::string_view text);

// Puts a catalogue in use for the guard's lifetime (the previous one comes back afterwards).
class ScopedMessageCatalogue {
 public:
  explicit ScopedMessageCatalogue(const MessageCatalogue& catalogue);
  ~ScopedMessageCatalogue();
  ScopedMessageCatalogue(const ScopedMessageCatalogue&) = delete;
  ScopedMessageCatalogue& operator=(const ScopedMessageCatalogue&) = delete;

 private:
  const MessageCatalogue* previous_;
};

}  // namespace quillo
