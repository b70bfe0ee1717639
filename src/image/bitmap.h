// The in-memory raster every image passes through: a pixel store shared by reference count and
// copied before a sharer changes it, read from and written to BMP files.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "image/bitmap_image.h"
#include "image/graphic.h"
#include "image/pixel_format.h"

namespace quillo {

class TBitmap : public TGraphic {
 public:
  // An empty 0 x 0 bitmap that reports pxDevice.
  TBitmap();

  static constexpr char kClassName[] = "TBitmap";
  const char* ClassName() const override { return kClassName; }

  // From another bitmap: share its store. From none: become empty. From any other graphic: ask
  // it to hand its image over.
  void AssignFrom(TGraphic* source) override;

  bool Empty() const override { return image_->Empty(); }
  int32_t Width() const override { return image_->Width(); }
  int32_t Height() const override { return image_->Height(); }
  // Resizing keeps the picture at the top-left corner and fills new area white.
  // Throws EInvalidGraphic for a negative size or one beyond the store limits.
  void SetWidth(int32_t width) override;
  void SetHeight(int32_t height) override;
  // Indexed pictures make their palette from the colour table the first time it is asked for.
  TPaletteRef Palette() override;
  // A palette becomes the colour table of an indexed picture (each pixel takes its nearest
  // entry); none drops the palette.
  void SetPalette(TPaletteRef palette) override;

  TPixelFormat PixelFormat() const { return image_->PixelFormat(); }
  // Converts the picture; pxCustom fails with EInvalidGraphic.
  void SetPixelFormat(TPixelFormat format);

  // The first byte of picture row `row` (0 = top). Makes the store private, drops the retained
  // file bytes and the colours-used counts, and turns a device store into a DIB. Fails with
  // EInvalidGraphicOperation outside 0 .. Height() - 1 and for an empty bitmap.
  uint8_t* RowAddress(int32_t row);
  // The store, made private with the retained file bytes and colours-used counts dropped; null
  // for an empty bitmap.
  const TBitmapImage* Handle();
  // The store as it stands, for reading only.
  const TBitmapImage& Image() const { return *image_; }

  // Loads a BMP file image from the stream's position to its end. On failure the bitmap keeps
  // what it had: EReadError when the data end inside the headers, masks or colour table,
  // EInvalidGraphic for anything a store cannot hold.
  void ReadBmp(TStream& stream);
  // Writes a complete BMP file image; an empty bitmap fails with EInvalidGraphic.
  void WriteBmp(TStream& stream) const;
  void LoadFromStream(TStream& stream) override { ReadBmp(stream); }
  void SaveToStream(TStream& stream) override { WriteBmp(stream); }

 protected:
  // Sets pixel format, size and palette at once, with a single allocation, leaving the bitmap as
  // SetPixelFormat, SetWidth, SetHeight and SetPalette in turn would: a white picture in the new
  // layout. Readers build their picture through this, then fill its rows. Same errors as those.
  // A reader that writes every row asks for no white: its rows are then zero until written, which
  // spares a pass over the whole picture.
  void SetUpPicture(TPixelFormat format, int32_t width, int32_t height,
                    TPaletteRef palette = nullptr, bool paint_white = true);
  // Paints the rows from `first_row` (from the top) down white: what a reader that set up its
  // picture without white leaves of rows its file never gave.
  void PaintRowsWhite(int32_t first_row);
  // Makes a finished store the bitmap's picture; an indexed one counts as a modified palette.
  void InstallImage(std::shared_ptr<TBitmapImage> image);

 private:
  void Rebuild(int32_t width, int32_t height, std::optional<TPixelFormat> format,
               TPaletteRef palette);
  void Install(std::shared_ptr<TBitmapImage> image);
  void MakePrivate();

  std::shared_ptr<TBitmapImage> image_;
};

}  // namespace quillo
