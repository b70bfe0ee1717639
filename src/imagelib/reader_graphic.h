// The base of every reader of the image library: a bitmap that also owns a colour converter and
// the properties of the image it read last, with the helpers the readers and decoders share.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "image/bitmap.h"
#include "imagelib/color_manager.h"

namespace quillo {

// An array shared by every copy of the record that holds it; its values never change once made,
// so sharers never see each other's writes.
template <class T>
class TSharedArray {
 public:
  TSharedArray() = default;
  explicit TSharedArray(std::vector<T> values)
      : values_(std::make_shared<const std::vector<T>>(std::move(values))) {}
  TSharedArray(std::initializer_list<T> values) : TSharedArray(std::vector<T>(values)) {}

  size_t size() const { return values_ ? values_->size() : 0; }
  bool empty() const { return size() == 0; }
  const T& operator[](size_t index) const { return (*values_)[index]; }
  const T* begin() const { return values_ ? values_->data() : nullptr; }
  const T* end() const { return begin() + size(); }
  // How many holders share the values (0 for an empty array that was never made).
  long UseCount() const { return values_.use_count(); }

 private:
  std::shared_ptr<const std::vector<T>> values_;
};

using TCardinalArray = TSharedArray<uint32_t>;
using TByteArray = TSharedArray<uint8_t>;
using TFloatArray = TSharedArray<float>;

enum TCompressionKind : uint8_t {
  ctUnknown,
  ctNone,
  ctRunLength,
  ctPackBits,
  ctLZW,
  ctCCITTGroup3,
  ctCCITTHuffman,
  ctCCITTGroup4,
  ctCCITTHuffmanWordAligned,
  ctDeflate,
  ctJPEG,
  ctOldJPEG,
  ctThunderScan,
  ctNeXT,
  ctIT8CTPad,
  ctIT8LineWork,
  ctIT8Monochrome,
  ctIT8BinaryLineArt,
  ctPixarFilm,
  ctPixarLog,
  ctKodakDCS,
  ctJBIG,
  ctPhotoCDHuffman,
};

// Bits of TImageProperties::Flags.
enum TImageOption : uint8_t {
  Tiled = 1,
  BigEndian = 2,          // numbers stored most significant byte first
  MinIsWhite = 4,         // gray value 0 is white
  ReversedFillOrder = 8,  // the bits of a byte run from the least significant one
};

struct TImageProperties {
  uint32_t FormatVersion = 0;
  uint8_t Flags = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  quillo::ColorModel ColorModel = cmUnknown;
  uint8_t BitsPerSample = 0;
  uint8_t SamplesPerPixel = 0;
  uint8_t BitsPerPixel = 0;
  TCompressionKind Compression = ctUnknown;
  float Gamma = 0;
  float XResolution = 0;  // pixels per inch
  float YResolution = 0;
  bool RowsInterlaced = false;
  bool HasAlphaChannel = false;
  uint32_t FirstIFDOffset = 0;
  uint32_t PlanarConfiguration = 0;
  uint32_t RowsDone = 0;
  uint32_t TileWidth = 0;
  uint32_t TileLength = 0;
  uint32_t BytesPerRow = 0;
  TCardinalArray RowsPerStrip;
  TByteArray YCbCrSubSampling;
  TByteArray JPEGTables;
  uint32_t JPEGColorMode = 0;
  uint32_t JPEGTablesMode = 0;
  uint32_t StripIndex = 0;
  uint32_t StripCount = 0;
  uint32_t Predictor = 0;
};

class TReaderGraphic : public TBitmap {
 public:
  static constexpr char kClassName[] = "TReaderGraphic";
  const char* ClassName() const override { return kClassName; }

  // From another reader: its properties first; then always the bitmap's hand-over.
  void AssignFrom(TGraphic* source) override;

  // Class-level content test: whether the stream, from its position, holds an image this class
  // reads. Every reader hides this with its own; the position is always left where it was.
  static bool CanLoadStream(TStream& stream);
  // Fills Properties() for the image with that index (0 = first) of the file that begins at
  // StartPosition(). Readers run this base version first: it resets the record and says false.
  virtual bool ReadProperties(TStream& stream, uint32_t image_index);

  // Set up by the reader for each image it loads.
  TColorManager& ColorConverter() { return color_converter_; }
  TImageProperties& Properties() { return properties_; }
  const TImageProperties& Properties() const { return properties_; }
  // Stream position at which the image file begins; every offset of the format counts from it.
  int32_t StartPosition() const { return start_position_; }
  void SetStartPosition(int32_t position) { start_position_ = position; }
  // The band of rows reported with progress notifications.
  TRect& RowsRect() { return rows_rect_; }

 private:
  TColorManager color_converter_;
  TImageProperties properties_;
  int32_t start_position_ = 0;
  TRect rows_rect_;
};

// Reads up to count bytes from the stream's position into buffer and puts the position back,
// also when the read fails; returns how many bytes were there. For content tests.
int64_t PeekBytes(TStream& stream, void* buffer, int64_t count);

[[noreturn]] void RaiseGraphicError(const std::string& message);
[[noreturn]] void RaiseGraphicErrorFmt(std::string_view pattern,
                                       std::initializer_list<std::string_view> args);

// Reverse the byte order of each value in place.
void SwapWordArray(uint16_t* values, size_t count);
void SwapLongArray(uint32_t* values, size_t count);
uint32_t SwapLong(uint32_t value);

}  // namespace quillo
