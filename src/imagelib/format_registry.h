// The registry of graphic classes: which class handles which file extension, and which reader
// class takes a file by its content.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imagelib/graphic_class.h"
#include "platform/stream.h"

namespace quillo {

// Bits of TExtensionEntry::FormatKinds.
enum TFormatKind : uint8_t { fkLayered = 2, fkMultiImage = 4, fkRaster = 8, fkVector = 16 };

struct TClassEntry {
  const TGraphicClass* ReaderClass = nullptr;
  std::string Description;  // common description of the class's files
  int32_t UseCount = 0;     // extension entries owned by this entry
};

struct TExtensionEntry {
  std::string Extension;    // without the dot, as registered
  std::string Description;  // individual description; may be empty
  uint8_t FormatKinds = 0;
  TClassEntry* Owner = nullptr;
};

// The framework's picture-format list, which hears of every registration. This program's window
// lists no picture formats, so the list it uses ignores them; tests listen in.
class TPictureFormatList {
 public:
  virtual ~TPictureFormatList() = default;
  virtual void RegisterFileFormat(const std::string& /*extension*/,
                                  const std::string& /*description*/,
                                  const TGraphicClass& /*graphic_class*/) {}
  virtual void UnregisterGraphicClass(const TGraphicClass& /*graphic_class*/) {}
};

class TFileFormatList {
 public:
  // The picture-format list must outlive the registry; none means the ignoring one.
  explicit TFileFormatList(TPictureFormatList* picture_formats = nullptr);
  ~TFileFormatList();
  TFileFormatList(const TFileFormatList&) = delete;
  TFileFormatList& operator=(const TFileFormatList&) = delete;

  // Registers the extension for the class. A registered extension raises EInvalidGraphic unless
  // replace is set; then it moves to the new class, keeping its description and kinds.
  void AddFormat(const std::string& extension, const std::string& common_description,
                 const std::string& individual_description, uint8_t format_kinds, bool replace,
                 const TGraphicClass& graphic_class);
  // Removes one extension (the class is not consulted), or with an empty extension the whole
  // class with every extension it owns. Unknown extensions and classes are ignored.
  void RemoveFormat(const std::string& extension, const TGraphicClass& graphic_class);
  void RemoveAll();

  // The extension carries no dot and is matched ignoring ASCII letter case; -1 when absent.
  int32_t IndexOfExtension(const std::string& extension) const;
  int32_t IndexOfClass(const TGraphicClass& graphic_class) const;
  // The first registered reader class whose content test takes the stream from its position,
  // or null. The position is left where it was.
  const TGraphicClass* ClassForStream(TStream& stream) const;
  // The same for a file (EFOpenError when it cannot be opened).
  const TGraphicClass* ClassForFile(const std::string& path) const;

  const std::vector<std::unique_ptr<TClassEntry>>& Classes() const { return classes_; }
  const std::vector<std::unique_ptr<TExtensionEntry>>& Extensions() const { return extensions_; }

 private:
  // Gives the extension entry to the class, creating the class entry on its first extension.
  void Attach(TExtensionEntry& entry, const std::string& common_description,
              const TGraphicClass& graphic_class);
  void RemoveClassEntry(const TClassEntry* entry);
  void RemoveWholeClass(const TGraphicClass& graphic_class);

  TPictureFormatList* picture_formats_;
  std::vector<std::unique_ptr<TClassEntry>> classes_;
  std::vector<std::unique_ptr<TExtensionEntry>> extensions_;
};

// The program's registry, filled with the library's formats: from program start, before the
// window exists, to program end. Both front ends hold one of these for their whole run.
class TFormatRegistration {
 public:
  TFormatRegistration();
  // Removes the formats in their fixed order, then the registry itself.
  ~TFormatRegistration();
  TFormatRegistration(const TFormatRegistration&) = delete;
  TFormatRegistration& operator=(const TFormatRegistration&) = delete;
};

// The registry of the running TFormatRegistration; std::logic_error when there is none.
TFileFormatList& FormatRegistry();

// The start-up table and its teardown (format_table.cpp).
void RegisterFileFormats(TFileFormatList& list);
void UnregisterFileFormats(TFileFormatList& list);

}  // namespace quillo
