// The JPEG graphic: keeps a JPEG as its compressed bytes for as long as it can, decodes them into
// a bitmap only when pixels are wanted and encodes a bitmap only when it is saved.
#pragma once

#include <cstdint>
#include <memory>

#include "image/bitmap.h"
#include "image/graphic.h"
#include "image/shared_image.h"
#include "platform/source_text.h"
#include "platform/stream.h"

namespace quillo {

enum TJPEGPixelFormat : uint8_t { jpf24Bit, jpf8Bit };
enum TJPEGPerformance : uint8_t { jpsBestQuality, jpsBestSpeed };

struct TJpegOptions {
  int JpegQuality = 90;        // 1 to 100
  bool JpegGrayscale = false;  // decode as greyscale; encode as greyscale
  // The bitmap format of decoded colour pictures; a display of at most 8 bits wants indices.
  TJPEGPixelFormat JpegPixelFormat = kDeviceBitsPerPixel <= 8 ? jpf8Bit : jpf24Bit;
  TJPEGPerformance JpegPerformance = jpsBestQuality;
  bool JpegProgressiveDisplay = false;   // decode multi-scan files scan by scan
  bool JpegProgressiveEncoding = false;  // set from the file on every load
  int JpegScale = 0;                     // decoded size = full size / 2^scale, 0 to 3
  bool JpegSmoothing = true;             // block smoothing while decoding
};

// The options every new adapter starts from.
extern TJpegOptions JpegDefaults;

inline constexpr char kJpegResizeMessage[] = N_("JPEG イメージのサイズは変更できません");
// Told through the quiet warnings when a file decodes with damaged data: the picture stays as far
// as the library could take it.
inline constexpr char kJpegEndsEarlyWarning[] =
    "the data ends early; the rest of the picture is grey";
inline constexpr char kJpegCorruptWarning[] =
    "the data is corrupt; parts of the picture may be wrong";

// The compressed store, shared by adapters that were assigned from one another. It is never
// changed once installed: an adapter that encodes or loads installs a new one.
class TJPEGData : public TSharedImage {
 public:
  std::unique_ptr<TMemoryStream> bytes;  // none until loaded or encoded
  int32_t width = 0;
  int32_t height = 0;
  bool grayscale = false;  // the file is greyscale, or greyscale encoding was done

  bool HasBytes() const { return bytes && bytes->Size() > 0; }
};

class TJPEGImage : public TGraphic {
 public:
  // Options from JpegDefaults, an empty store and no bitmap.
  TJPEGImage();
  ~TJPEGImage() override;

  static constexpr char kClassName[] = "TJPEGImage";
  const char* ClassName() const override { return kClassName; }

  // From an adapter: share its store and its bitmap's pixels. From a bitmap: a new empty store
  // and a bitmap sharing the source's pixels; nothing is encoded yet. From anything else: ask it
  // to hand its image over.
  void AssignFrom(TGraphic* source) override;
  // Only a bitmap can take the picture: decoded when needed, then shared.
  void AssignInto(TGraphic& target) override;

  bool Empty() const override;
  // The bitmap's size when there is one; else the header's, at full scale, or the library's
  // scaled output size.
  int32_t Width() const override;
  int32_t Height() const override;
  // A JPEG's size comes from its data: both fail with EInvalidGraphicOperation.
  void SetWidth(int32_t width) override;
  void SetHeight(int32_t height) override;
  // The bitmap's palette, else the one set on the adapter.
  TPaletteRef Palette() override;
  // Kept for the next decode: at jpf8Bit the library quantizes colour pictures to it.
  void SetPalette(TPaletteRef palette) override;

  // Takes the bytes from the stream's position to its end and reads only the header.
  void LoadFromStream(TStream& stream) override;
  // Writes the compressed bytes, encoding the bitmap first when there are none. Nothing to
  // encode is the library's empty-image error, and nothing is written.
  void SaveToStream(TStream& stream) override;

  // Decodes into the adapter's bitmap unless it has one; an abort from the progress hook leaves
  // the picture as far as it got. Library errors raise "JPEG エラー #%d".
  TBitmap& DecodeToBitmap();
  // Encodes the bitmap into a new store. On any failure the store is left empty.
  void CompressBitmap();

  TJpegOptions& Options() { return options_; }
  const TJpegOptions& Options() const { return options_; }
  // Whether the file is greyscale, or greyscale encoding was done.
  bool Grayscale() const { return data_->grayscale; }
  const TJPEGData& Data() const { return *data_; }

 private:
  struct ScaledSize {
    int scale = -1;  // the scale the size was computed for; -1 when there is none
    int32_t width = 0;
    int32_t height = 0;
  };

  void NewData(std::shared_ptr<TJPEGData> data);
  ScaledSize Scaled() const;
  void ReadHeader();

  std::shared_ptr<TJPEGData> data_;
  std::unique_ptr<TBitmap> bitmap_;
  TPaletteRef palette_;  // set on the adapter by its user
  TJpegOptions options_;
  mutable ScaledSize scaled_;
};

}  // namespace quillo
