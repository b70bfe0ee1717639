#include "imagelib/format_registry.h"

#include <algorithm>
#include <stdexcept>

#include "platform/errors.h"
#include "platform/file_stream.h"

namespace quillo {
namespace {

constexpr char kRegisterTwicePattern[] = "Attempt to register %s twice.";

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

TPictureFormatList& IgnoringPictureFormatList() {
  static TPictureFormatList list;
  return list;
}

}  // namespace

TFileFormatList::TFileFormatList(TPictureFormatList* picture_formats)
    : picture_formats_(picture_formats ? picture_formats : &IgnoringPictureFormatList()) {}

TFileFormatList::~TFileFormatList() { RemoveAll(); }

void TFileFormatList::RemoveAll() {
  for (const auto& entry : classes_) picture_formats_->UnregisterGraphicClass(*entry->ReaderClass);
  classes_.clear();
  extensions_.clear();
}

int32_t TFileFormatList::IndexOfExtension(const std::string& extension) const {
  if (extension.empty()) return -1;
  for (size_t i = 0; i < extensions_.size(); ++i) {
    if (SameIgnoringAsciiCase(extensions_[i]->Extension, extension)) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t TFileFormatList::IndexOfClass(const TGraphicClass& graphic_class) const {
  for (size_t i = 0; i < classes_.size(); ++i) {
    if (classes_[i]->ReaderClass == &graphic_class) return static_cast<int32_t>(i);
  }
  return -1;
}

const TGraphicClass* TFileFormatList::ClassForStream(TStream& stream) const {
  for (const auto& entry : classes_) {
    if (entry->ReaderClass->IsReader() && entry->ReaderClass->CanLoadStream(stream)) {
      return entry->ReaderClass;
    }
  }
  return nullptr;
}

const TGraphicClass* TFileFormatList::ClassForFile(const std::string& path) const {
  TFileStream stream(path, fmOpenRead);
  return ClassForStream(stream);
}

void TFileFormatList::AddFormat(const std::string& extension, const std::string& common_description,
                                const std::string& individual_description, uint8_t format_kinds,
                                bool replace, const TGraphicClass& graphic_class) {
  if (extension.empty()) return;
  const int32_t index = IndexOfExtension(extension);
  TExtensionEntry* entry;
  if (index < 0) {
    extensions_.push_back(std::make_unique<TExtensionEntry>(
        TExtensionEntry{extension, individual_description, format_kinds, nullptr}));
    entry = extensions_.back().get();
    Attach(*entry, common_description, graphic_class);
  } else {
    entry = extensions_[index].get();
    if (!replace) throw EInvalidGraphic(Format(kRegisterTwicePattern, {extension}));
    TClassEntry* old_owner = entry->Owner;
    if (old_owner->ReaderClass != &graphic_class) {
      Attach(*entry, common_description, graphic_class);
      if (--old_owner->UseCount == 0) RemoveClassEntry(old_owner);
    }
  }
  const std::string& listed =
      individual_description.empty() ? entry->Owner->Description : individual_description;
  picture_formats_->RegisterFileFormat(extension, listed, graphic_class);
}

void TFileFormatList::Attach(TExtensionEntry& entry, const std::string& common_description,
                             const TGraphicClass& graphic_class) {
  const int32_t index = IndexOfClass(graphic_class);
  TClassEntry* owner;
  if (index < 0) {
    classes_.push_back(std::make_unique<TClassEntry>(TClassEntry{&graphic_class, "", 0}));
    owner = classes_.back().get();
  } else {
    owner = classes_[index].get();
  }
  if (!common_description.empty()) owner->Description = common_description;
  ++owner->UseCount;
  entry.Owner = owner;
}

void TFileFormatList::RemoveClassEntry(const TClassEntry* entry) {
  std::erase_if(classes_, [entry](const auto& e) { return e.get() == entry; });
}

void TFileFormatList::RemoveFormat(const std::string& extension,
                                   const TGraphicClass& graphic_class) {
  if (extension.empty()) {
    RemoveWholeClass(graphic_class);
    return;
  }
  const int32_t index = IndexOfExtension(extension);
  if (index < 0) return;
  TClassEntry* owner = extensions_[index]->Owner;
  if (--owner->UseCount == 0) {
    const TGraphicClass& owner_class = *owner->ReaderClass;
    RemoveClassEntry(owner);
    picture_formats_->UnregisterGraphicClass(owner_class);
  }
  extensions_.erase(extensions_.begin() + index);
}

void TFileFormatList::RemoveWholeClass(const TGraphicClass& graphic_class) {
  const int32_t class_index = IndexOfClass(graphic_class);
  if (class_index < 0) return;
  TClassEntry* owner = classes_[class_index].get();
  for (size_t i = extensions_.size(); i-- > 0 && owner->UseCount > 0;) {
    if (extensions_[i]->Owner != owner) continue;
    --owner->UseCount;
    extensions_.erase(extensions_.begin() + static_cast<std::ptrdiff_t>(i));
  }
  RemoveClassEntry(owner);
  picture_formats_->UnregisterGraphicClass(graphic_class);
}

namespace {

std::unique_ptr<TFileFormatList>& RegistrySlot() {
  static std::unique_ptr<TFileFormatList> registry;
  return registry;
}

}  // namespace

TFormatRegistration::TFormatRegistration() {
  if (RegistrySlot()) throw std::logic_error("The format registry is already set up.");
  auto registry = std::make_unique<TFileFormatList>();
  RegisterFileFormats(*registry);
  RegistrySlot() = std::move(registry);
}

TFormatRegistration::~TFormatRegistration() {
  UnregisterFileFormats(*RegistrySlot());
  RegistrySlot().reset();
}

TFileFormatList& FormatRegistry() {
  if (!RegistrySlot()) throw std::logic_error("The format registry is not set up.");
  return *RegistrySlot();
}

}  // namespace quillo
