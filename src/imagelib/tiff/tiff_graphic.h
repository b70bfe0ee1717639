// The TIFF reader: the first image of a TIFF file, in strips or tiles, in any of the colour
// layouts and compressions the decoders and the colour converter know, loaded into the bitmap
// it is.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "imagelib/decoders/decoder.h"
#include "imagelib/reader_graphic.h"
#include "imagelib/tiff/tiff_blocks.h"
#include "imagelib/tiff/tiff_directory.h"

namespace quillo {

// Raised by the reader for layouts it does not load.
inline constexpr char kBigTiffIs[] = "The BigTIFF format is";
inline constexpr char kFloatingPointSamplesAre[] = "Floating point samples are";
inline constexpr char kTileWidthIs[] = "A tile width that splits bytes is";
inline constexpr char kFloatingPointPredictorIs[] = "The floating point predictor is";
inline constexpr char kDifferencingDepthIs[] = "Horizontal differencing at this sample depth is";
inline constexpr char kSubsampledLayoutIs[] = "Subsampled YCbCr in this layout is";

class TTIFFGraphic : public TReaderGraphic {
 public:
  static constexpr char kClassName[] = "TTIFFGraphic";
  const char* ClassName() const override { return kClassName; }

  // "II" or "MM", version 42 (or 43, which the load refuses by name), and a first directory
  // inside the stream. The position stays.
  static bool CanLoadStream(TStream& stream);
  // Fills Properties() from the directory of the image with that index; false for a header or
  // directory chain that does not lead to an image with a size.
  bool ReadProperties(TStream& stream, uint32_t image_index) override;
  // Loads the first image from the stream's position on.
  void ReadTiff(TStream& stream);

  void LoadFromStream(TStream& stream) override { ReadTiff(stream); }
  // TIFF files are written elsewhere; saving a reader writes nothing.
  void SaveToStream(TStream&) override {}

 private:
  // The load proper, after the properties were read; the decoder is made here.
  void LoadImage(TByteReader& file, std::unique_ptr<TDecoder>& decoder);
  // The closing step of every load: the last progress notice and the decoder's end.
  void FinishLoad(std::unique_ptr<TDecoder>& decoder);
  // The colour converter's two sides, then the picture in the format they give, with its
  // palette, and the YCbCr set-up.
  void SetUpConversion(TByteReader& file);
  // Hands the colour map's red, green and blue planes of 16-bit values, and their length, to
  // `take`; nothing when the file has none.
  void ReadColorMap(TByteReader& file,
                    const std::function<void(std::span<const uint8_t* const>, int)>& take);
  // What the load refuses before it sets anything up: sample formats, depths and compressions
  // it has no way to read. Notes whether the samples are signed.
  void RefuseUnreadable(TByteReader& file);
  // How the strips or tiles are laid out and which predictor applies.
  TBlockLayout BlockLayout();
  // Before the first row: what the converter writes must fit a bitmap row, and what it reads a
  // decoded row.
  void CheckRowFits(const TBlockLayout& layout);

  // The directory read last (IFDEntries).
  TTiffDirectory directory_;
  std::vector<float> ycbcr_coefficients_;
  bool signed_samples_ = false;
};

}  // namespace quillo
