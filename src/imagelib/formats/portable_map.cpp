#include "imagelib/formats/portable_map.h"

#include <algorithm>
#include <vector>

#include "image/image_limits.h"

namespace quillo {
namespace {

constexpr int64_t kChunkSize = 1 << 16;
constexpr uint32_t kMaxSampleValue = 65535;
constexpr uint32_t kMaxSide = 0x7FFFFFFF;

[[noreturn]] void Invalid() { RaiseGraphicError(kInvalidPortableMapMessage); }

bool IsSpace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Buffered byte-wise reading of the header and of the plain formats' text.
class Scanner {
 public:
  Scanner(TStream& stream, int64_t position) : stream_(stream), position_(position) {}

  int Peek() {
    if (next_ == buffer_.size() && !Fill()) return -1;
    return buffer_[next_];
  }
  int Get() {
    const int c = Peek();
    if (c >= 0) ++next_;
    return c;
  }
  // The stream position of the next byte.
  int64_t Position() const {
    return position_ - static_cast<int64_t>(buffer_.size()) + static_cast<int64_t>(next_);
  }

  // Skips white space and "#" comments, which run to the end of their line.
  void SkipSpace() {
    for (int c = Peek(); c >= 0; c = Peek()) {
      if (c == '#') {
        while (c >= 0 && c != '\n' && c != '\r') c = Get();
      } else if (IsSpace(c)) {
        Get();
      } else {
        return;
      }
    }
  }

  // A decimal number after white space and comments; -1 when there is none. Values beyond
  // `limit` come back as limit + 1.
  int64_t Number(uint32_t limit) {
    SkipSpace();
    int64_t value = -1;
    for (int c = Peek(); c >= '0' && c <= '9'; c = Peek()) {
      Get();
      value = std::min<int64_t>(std::max<int64_t>(value, 0) * 10 + (c - '0'), int64_t{limit} + 1);
    }
    return value;
  }

 private:
  bool Fill() {
    stream_.SetPosition(position_);
    buffer_.resize(kChunkSize);
    const int64_t got = stream_.Read(buffer_.data(), kChunkSize);
    buffer_.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
    position_ += static_cast<int64_t>(buffer_.size());
    next_ = 0;
    return !buffer_.empty();
  }

  TStream& stream_;
  int64_t position_;  // stream position after the buffered bytes
  std::vector<uint8_t> buffer_;
  size_t next_ = 0;
};

// The map's samples scaled to 0..255, rounded, for every value the file's sample size can hold;
// values above the maximum count as the maximum.
std::vector<uint8_t> ScaleTable(uint32_t max_value) {
  std::vector<uint8_t> table(max_value > 255 ? 65536 : 256, 255);
  for (uint32_t v = 0; v <= max_value; ++v) {
    table[v] = static_cast<uint8_t>((v * 255 + max_value / 2) / max_value);
  }
  return table;
}

}  // namespace

bool TPPMGraphic::CanLoadStream(TStream& stream) {
  uint8_t h[256];
  const int64_t got = PeekBytes(stream, h, sizeof h);
  if (got < 3 || h[0] != 'P' || h[1] < '1' || h[1] > '6' || !(IsSpace(h[2]) || h[2] == '#')) {
    return false;
  }
  // The width follows after white space and comments; a long comment may hide it.
  for (int64_t i = 2; i < got; ++i) {
    if (h[i] == '#') {
      while (i < got && h[i] != '\n' && h[i] != '\r') ++i;
    } else if (!IsSpace(h[i])) {
      return h[i] >= '0' && h[i] <= '9';
    }
  }
  return true;
}

bool TPPMGraphic::ReadProperties(TStream& stream, uint32_t image_index) {
  TReaderGraphic::ReadProperties(stream, image_index);
  if (image_index != 0) return false;
  Scanner in(stream, StartPosition());
  if (in.Get() != 'P') return false;
  const int kind = in.Get() - '0';
  if (kind < 1 || kind > 6) return false;
  const int64_t width = in.Number(kMaxSide);
  const int64_t height = in.Number(kMaxSide);
  const bool bitmap = kind == 1 || kind == 4;
  const int64_t max_value = bitmap ? 1 : in.Number(kMaxSampleValue);
  if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide || max_value < 1 ||
      max_value > kMaxSampleValue || !IsSpace(in.Get())) {
    return false;
  }
  max_value_ = static_cast<uint32_t>(max_value);
  data_position_ = in.Position();

  TImageProperties& p = Properties();
  p.FormatVersion = static_cast<uint32_t>(kind);
  p.Width = static_cast<int32_t>(width);
  p.Height = static_cast<int32_t>(height);
  p.Compression = ctNone;
  p.ColorModel = kind == 3 || kind == 6 ? cmRGB : cmGray;
  p.SamplesPerPixel = p.ColorModel == cmRGB ? 3 : 1;
  p.BitsPerSample = bitmap ? 1 : max_value > 255 ? 16 : 8;
  p.BitsPerPixel = static_cast<uint8_t>(p.BitsPerSample * p.SamplesPerPixel);
  if (bitmap) p.Flags |= MinIsWhite;
  return true;
}

void TPPMGraphic::LoadFromStream(TStream& stream) {
  SetStartPosition(static_cast<int32_t>(stream.Position()));
  try {
    if (!ReadProperties(stream, 0)) Invalid();
    ReadPixels(stream);
  } catch (...) {
    AssignFrom(nullptr);
    throw;
  }
}

void TPPMGraphic::ReadPixels(TStream& stream) {
  const TImageProperties& p = Properties();
  const int kind = static_cast<int>(p.FormatVersion);
  const bool plain = kind <= 3;
  const bool bitmap = p.BitsPerSample == 1;
  const int32_t width = p.Width;
  const int32_t height = p.Height;
  const int samples = p.SamplesPerPixel;
  const bool wide = max_value_ > 255;
  // Raw samples of the full 8- or 16-bit range go to the converter as they are; other maxima
  // and the plain maps' numbers are scaled to 8 bits first.
  const bool as_stored = bitmap || (!plain && (max_value_ == 255 || max_value_ == 65535));

  TColorManager& converter = ColorConverter();
  converter.SetSourceOptions(as_stored && wide ? opSwapBytes : 0);
  converter.SetSourceBitsPerSample(as_stored ? p.BitsPerSample : 8);
  converter.SetSourceSamplesPerPixel(p.SamplesPerPixel);
  converter.SetSourceColorModel(p.ColorModel);
  converter.SetTargetOptions(0);
  converter.SetTargetBitsPerSample(bitmap ? 1 : 8);
  converter.SetTargetSamplesPerPixel(p.SamplesPerPixel);
  converter.SetTargetColorModel(samples == 3 ? cmBGR : cmGray);
  const TPixelFormat format = converter.PixelFormatFor(1);
  if (!FitsStoreLimits(width, height, BitsPerPixel(format))) Invalid();

  // Every sample takes at least one byte of text, or its full size in a raw map: a file that
  // cannot hold them all is refused before the picture is made.
  const int64_t count = int64_t{width} * samples;
  const int64_t raw_row = bitmap ? (count + 7) / 8 : count * (wide ? 2 : 1);
  const int64_t least_row = plain ? count : raw_row;
  if (stream.Size() - data_position_ < least_row * height) Invalid();

  SetUpPicture(format, width, height, samples == 3 ? nullptr : converter.MakeGrayPalette(bitmap));
  const std::vector<uint8_t> scale = ScaleTable(max_value_);
  std::vector<uint8_t> raw(CheckedSize(raw_row, 1, kInvalidPortableMapMessage));
  std::vector<uint8_t> scaled(CheckedSize(as_stored ? 0 : count, 1, kInvalidPortableMapMessage));
  const uint8_t* planes[] = {as_stored ? raw.data() : scaled.data()};
  Scanner text(stream, data_position_);
  stream.SetPosition(data_position_);
  for (int32_t y = 0; y < height; ++y) {
    if (plain && bitmap) {
      std::fill(raw.begin(), raw.end(), 0);
      for (int64_t i = 0; i < count; ++i) {
        text.SkipSpace();
        const int c = text.Get();
        if (c != '0' && c != '1') Invalid();
        if (c == '1') raw[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
      }
    } else if (plain) {
      for (int64_t i = 0; i < count; ++i) {
        const int64_t value = text.Number(kMaxSampleValue);
        if (value < 0) Invalid();
        scaled[i] = scale[std::min<int64_t>(value, max_value_)];
      }
    } else {
      stream.ReadBuffer(raw.data(), raw_row);
      for (int64_t i = 0; !as_stored && i < count; ++i) {
        scaled[i] = scale[wide ? uint32_t{raw[2 * i]} << 8 | raw[2 * i + 1] : raw[i]];
      }
    }
    converter.ConvertRow(planes, RowAddress(y), static_cast<uint32_t>(width), 0xFF);
  }
}

}  // namespace quillo
