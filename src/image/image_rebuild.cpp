#include "image/image_rebuild.h"

#include <algorithm>

#include "image/image_messages.h"
#include "image/picture_copy.h"
#include "platform/errors.h"

namespace quillo {
namespace {

void DescribeFormat(TPixelFormat format, TBitmapImage& image) {
  image.device = format == pxDevice;
  image.header = TBitmapInfoHeader{};
  image.header.bit_count = BitsPerPixel(format);
  if (format == px16Bit) {
    image.header.compression = kDibBitFields;
    image.masks = kMasks565;
  }
}

void DescribeAsBefore(const TBitmapImage& old, TBitmapImage& image) {
  image.device = old.device;
  image.header = old.header;
  image.header.size = kInfoHeaderSize;
  image.header.planes = 1;
  image.masks = old.masks;
}

void TakePalette(const TPaletteRef& palette, bool halftone, TBitmapImage& image) {
  image.palette = palette;
  image.halftone = halftone;
  if (!image.Indexed()) return;
  image.defined_colors = std::min(PaletteToColorTable(*palette, image.colors), image.ColorCount());
}

// The colour table and palette: fixed palettes for 4 and 8 bits, else an explicit palette, the
// current palette, the old colour table, or black and white for 1 bit. A conversion to 1 bit
// takes only colours that fit its table whole: the first two of a larger palette would lose it.
void ChooseColors(const TBitmapImage& old, const TRebuildRequest& request, TBitmapImage& image) {
  const bool old_colors_fit =
      request.format != px1Bit ||
      (old.palette ? old.palette->entries.size() <= 2 : old.defined_colors <= 2);
  if (request.format == px4Bit) {
    TakePalette(SixteenColorPalette(), false, image);
  } else if (request.format == px8Bit) {
    TakePalette(HalftonePalette(), true, image);
  } else if (request.palette) {
    TakePalette(request.palette, false, image);
  } else if (old.palette && old_colors_fit) {
    TakePalette(old.palette, old.halftone, image);
  } else if (image.Indexed() && old.Indexed() && old_colors_fit) {
    image.colors = old.colors;
    image.defined_colors = std::min(old.defined_colors, image.ColorCount());
  } else if (image.Indexed() && image.header.bit_count == 1) {
    image.colors[0] = {0, 0, 0, 0};
    image.colors[1] = {255, 255, 255, 0};
    image.defined_colors = 2;
  }
  // A new table makes the old colours-used count meaningless; kept, it would cut the table.
  if (request.format || request.palette) {
    image.header.clr_used = 0;
    image.header.clr_important = 0;
  }
}

}  // namespace

std::shared_ptr<TBitmapImage> RebuildImage(const TBitmapImage& old,
                                           const TRebuildRequest& request) {
  if (request.format == pxCustom) throw EInvalidGraphic(kInvalidPixelFormatMessage);
  auto image = std::make_shared<TBitmapImage>();
  image->os2 = old.os2;
  if (request.format) {
    DescribeFormat(*request.format, *image);
  } else {
    DescribeAsBefore(old, *image);
  }
  image->header.width = request.width;
  image->header.height = request.height;
  image->header.size_image = 0;
  const int64_t height = std::abs(int64_t{request.height});
  if (!FitsStoreLimits(request.width, height, image->header.bit_count)) {
    throw EInvalidGraphic(kInvalidBitmapMessage);
  }
  ChooseColors(old, request, *image);
  if (request.width == 0 || height == 0) return image;
  image->AllocatePixels();
  if (request.paint_white) CopyPicture(old, *image);
  return image;
}

}  // namespace quillo
