// A reference to a graphic class, as the format registry keeps it: the class's name, its
// class-level content test (readers of this library only) and a way to make an instance.
#pragma once

#include <memory>
#include <string>
#include <type_traits>

#include "image/graphic.h"
#include "platform/stream.h"

namespace quillo {

class TReaderGraphic;

class TGraphicClass {
 public:
  using TContentTest = bool (*)(TStream& stream);
  using TFactory = std::unique_ptr<TGraphic> (*)();

  // A class without content test is not a reader of this library; one without factory is a
  // class that nothing here can load.
  constexpr explicit TGraphicClass(const char* name, TContentTest content_test = nullptr,
                                   TFactory factory = nullptr)
      : name_(name), content_test_(content_test), factory_(factory) {}
  TGraphicClass(const TGraphicClass&) = delete;
  TGraphicClass& operator=(const TGraphicClass&) = delete;

  const char* Name() const { return name_; }
  // Whether the class is TReaderGraphic or derives from it: only those are asked by content.
  bool IsReader() const { return content_test_ != nullptr; }
  // The class's content test; false for classes that are not readers. Leaves the position as it
  // was.
  bool CanLoadStream(TStream& stream) const;
  // Opens the file for reading (EFOpenError when it cannot be) and runs the content test on it.
  bool CanLoadFile(const std::string& path) const;
  // A new instance, or null for a class that nothing here loads.
  std::unique_ptr<TGraphic> Create() const { return factory_ ? factory_() : nullptr; }

 private:
  const char* name_;
  TContentTest content_test_;
  TFactory factory_;
};

// The one class reference of a graphic class T. T is default-constructible and names itself with
// a static kClassName; readers (T derived from TReaderGraphic) bring their static CanLoadStream.
template <class T>
const TGraphicClass& ClassOf() {
  static const TGraphicClass reference = [] {
    TGraphicClass::TFactory factory = [] { return std::unique_ptr<TGraphic>(new T()); };
    if constexpr (std::is_base_of_v<TReaderGraphic, T>) {
      return TGraphicClass(T::kClassName, &T::CanLoadStream, factory);
    } else {
      return TGraphicClass(T::kClassName, nullptr, factory);
    }
  }();
  return reference;
}

}  // namespace quillo
