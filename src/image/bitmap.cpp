#include "image/bitmap.h"

#include "image/bitmap_lock.h"
#include "image/image_messages.h"
#include "image/image_rebuild.h"
#include "image/picture_copy.h"
#include "platform/errors.h"

namespace quillo {

TBitmap::TBitmap() : image_(std::make_shared<TBitmapImage>()) {}

void TBitmap::AssignFrom(TGraphic* source) {
  auto* bitmap = dynamic_cast<TBitmap*>(source);
  if (source != nullptr && bitmap == nullptr) {
    TGraphic::AssignFrom(source);
    return;
  }
  if (bitmap != nullptr) {
    std::lock_guard lock(BitmapLock());
    image_ = bitmap->image_;
    SetTransparent(bitmap->Transparent());
  } else {
    Install(std::make_shared<TBitmapImage>());
  }
  SetPaletteModified(Palette() != nullptr);
  Changed();
}

void TBitmap::SetWidth(int32_t width) {
  if (width == Width()) return;
  Rebuild(width, image_->header.height, std::nullopt, nullptr);
}

void TBitmap::SetHeight(int32_t height) {
  if (height == Height()) return;
  Rebuild(Width(), height, std::nullopt, nullptr);
}

TPaletteRef TBitmap::Palette() {
  if (!image_->palette && image_->Indexed()) {
    const int count = image_->defined_colors > 0 ? image_->defined_colors : image_->ColorCount();
    image_->palette = PaletteFromColorTable(image_->colors, count);
  }
  return image_->palette;
}

void TBitmap::SetPalette(TPaletteRef palette) {
  if (palette && palette->entries.empty()) palette = nullptr;
  if (palette == image_->palette) return;
  if (palette) {
    Rebuild(Width(), image_->header.height, std::nullopt, std::move(palette));
    return;
  }
  MakePrivate();
  image_->palette = nullptr;
  image_->halftone = false;
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == PixelFormat()) return;
  if (format > pxCustom) throw EInvalidGraphic(kInvalidPixelFormatMessage);
  Rebuild(Width(), Height(), format, nullptr);
}

void TBitmap::SetUpPicture(TPixelFormat format, int32_t width, int32_t height, TPaletteRef palette,
                           bool paint_white) {
  if (format > pxCustom) throw EInvalidGraphic(kInvalidPixelFormatMessage);
  if (width < 0 || height < 0) throw EInvalidGraphic(kInvalidBitmapMessage);
  if (palette && palette->entries.empty()) palette = nullptr;
  // The first step only describes the format; the second allocates once, in the final layout.
  const auto described = RebuildImage(TBitmapImage{}, {0, 0, format, nullptr});
  Install(RebuildImage(*described, {width, height, std::nullopt, std::move(palette), paint_white}));
  SetPaletteModified(image_->palette != nullptr);
  Changed();
}

void TBitmap::PaintRowsWhite(int32_t first_row) {
  Handle();
  quillo::PaintRowsWhite(*image_, first_row);
}

void TBitmap::InstallImage(std::shared_ptr<TBitmapImage> image) {
  Install(std::move(image));
  SetPaletteModified(image_->palette != nullptr || image_->Indexed());
  Changed();
}

uint8_t* TBitmap::RowAddress(int32_t row) {
  Handle();
  if (row < 0 || row >= Height() || image_->Empty()) {
    throw EInvalidGraphicOperation(kScanLineRangeMessage);
  }
  // A device store already has the rows of a 32-bit DIB; only its description changes.
  image_->device = false;
  return image_->Row(row);
}

const TBitmapImage* TBitmap::Handle() {
  MakePrivate();
  image_->file_bytes.clear();
  image_->header.clr_used = 0;
  image_->header.clr_important = 0;
  return image_->Empty() ? nullptr : image_.get();
}

void TBitmap::Rebuild(int32_t width, int32_t height, std::optional<TPixelFormat> format,
                      TPaletteRef palette) {
  Install(RebuildImage(*image_, {width, height, format, std::move(palette)}));
  SetPaletteModified(image_->palette != nullptr);
  Changed();
}

void TBitmap::Install(std::shared_ptr<TBitmapImage> image) {
  std::lock_guard lock(BitmapLock());
  image_.swap(image);
}

void TBitmap::MakePrivate() {
  std::lock_guard lock(BitmapLock());
  if (image_.use_count() > 1) image_ = std::make_shared<TBitmapImage>(*image_);
}

}  // namespace quillo
