#include "image/jpeg_image.h"

#include <jerror.h>

#include <algorithm>

#include "image/jpeg_decode.h"
#include "image/jpeg_glue.h"
#include "platform/errors.h"

namespace quillo {

TJpegOptions JpegDefaults;

TJPEGImage::TJPEGImage() : data_(std::make_shared<TJPEGData>()), options_(JpegDefaults) {}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::NewData(std::shared_ptr<TJPEGData> data) {
  data_ = std::move(data);
  scaled_ = {};
}

void TJPEGImage::AssignFrom(TGraphic* source) {
  if (auto* jpeg = dynamic_cast<TJPEGImage*>(source)) {
    if (jpeg == this) return;
    NewData(jpeg->data_);
    bitmap_.reset();
    if (jpeg->bitmap_) {
      bitmap_ = std::make_unique<TBitmap>();
      bitmap_->AssignFrom(jpeg->bitmap_.get());
    }
  } else if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
    NewData(std::make_shared<TJPEGData>());
    auto copy = std::make_unique<TBitmap>();
    copy->AssignFrom(bitmap);
    bitmap_ = std::move(copy);
  } else {
    TGraphic::AssignFrom(source);
    return;
  }
  SetPaletteModified(true);
  Changed();
}

void TJPEGImage::AssignInto(TGraphic& target) {
  auto* bitmap = dynamic_cast<TBitmap*>(&target);
  if (bitmap == nullptr) AssignError(this, target);
  bitmap->AssignFrom(&DecodeToBitmap());
}

bool TJPEGImage::Empty() const {
  if (bitmap_) return bitmap_->Empty();
  return !data_->HasBytes();
}

TJPEGImage::ScaledSize TJPEGImage::Scaled() const {
  if (scaled_.scale == options_.JpegScale) return scaled_;
  ScaledSize size{options_.JpegScale, 0, 0};
  if (data_->HasBytes()) {
    TJpegDecompressor decoder;
    SetUpDecoder(decoder, *data_->bytes, options_);
    size.width = static_cast<int32_t>(decoder.Info().output_width);
    size.height = static_cast<int32_t>(decoder.Info().output_height);
  }
  scaled_ = size;
  return size;
}

int32_t TJPEGImage::Width() const {
  if (bitmap_) return bitmap_->Width();
  return options_.JpegScale == 0 ? data_->width : Scaled().width;
}

int32_t TJPEGImage::Height() const {
  if (bitmap_) return bitmap_->Height();
  return options_.JpegScale == 0 ? data_->height : Scaled().height;
}

void TJPEGImage::SetWidth(int32_t) { throw EInvalidGraphicOperation(kJpegResizeMessage); }

void TJPEGImage::SetHeight(int32_t) { throw EInvalidGraphicOperation(kJpegResizeMessage); }

TPaletteRef TJPEGImage::Palette() {
  if (bitmap_) {
    if (TPaletteRef palette = bitmap_->Palette()) return palette;
  }
  return palette_;
}

void TJPEGImage::SetPalette(TPaletteRef palette) {
  palette_ = std::move(palette);
  SetPaletteModified(true);
  Changed();
}

void TJPEGImage::LoadFromStream(TStream& stream) {
  auto data = std::make_shared<TJPEGData>();
  const int64_t size = std::max<int64_t>(0, stream.Size() - stream.Position());
  data->bytes = std::make_unique<TMemoryStream>();
  data->bytes->SetSize(size);
  stream.ReadBuffer(data->bytes->Memory(), size);
  NewData(std::move(data));
  bitmap_.reset();
  if (size > 0) ReadHeader();
  SetPaletteModified(true);
  Changed();
}

void TJPEGImage::ReadHeader() {
  TJpegDecompressor decoder;
  data_->bytes->SetPosition(0);
  decoder.SetStreamSource(*data_->bytes);
  jpeg_decompress_struct& info = decoder.Info();
  bool multi_scan = false;
  decoder.Run([&] {
    jpeg_read_header(&info, TRUE);
    multi_scan = jpeg_has_multiple_scans(&info);
  });
  data_->width = static_cast<int32_t>(info.image_width);
  data_->height = static_cast<int32_t>(info.image_height);
  data_->grayscale = info.jpeg_color_space == JCS_GRAYSCALE;
  options_.JpegProgressiveEncoding = multi_scan;
}

void TJPEGImage::SaveToStream(TStream& stream) {
  if (!data_->HasBytes()) CompressBitmap();
  if (!data_->HasBytes()) RaiseJpegError(JERR_EMPTY_IMAGE);
  stream.WriteBuffer(data_->bytes->Memory(), data_->bytes->Size());
}

}  // namespace quillo
