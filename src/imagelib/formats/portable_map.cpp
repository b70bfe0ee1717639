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

// One raw row of samples into a bitmap row: colour turns from red-first to blue-first.
template <int kSamples, bool kWide>
void ScaleRowOf(const uint8_t* raw, uint8_t* row, int32_t width, const uint8_t* scale) {
  constexpr int kStep = kWide ? 2 * kSamples : kSamples;
  for (int32_t x = 0; x < width; ++x, raw += kStep, row += kSamples) {
    for (int s = 0; s < kSamples; ++s) {
      const uint32_t value = kWide ? uint32_t{raw[2 * s]} << 8 | raw[2 * s + 1] : raw[s];
      row[kSamples - 1 - s] = scale[value];
    }
  }
}

void ScaleRow(const uint8_t* raw, uint8_t* row, int32_t width, int samples, bool wide,
              const uint8_t* scale) {
  if (samples == 3) {
    (wide ? ScaleRowOf<3, true> : ScaleRowOf<3, false>)(raw, row, width, scale);
  } else {
    (wide ? ScaleRowOf<1, true> : ScaleRowOf<1, false>)(raw, row, width, scale);
  }
}

TPaletteRef GrayPalette() {
  std::vector<TPaletteEntry> entries(256);
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<uint8_t>(i);
    entries[i] = {v, v, v};
  }
  return MakePalette(std::move(entries));
}

// Bit 1 is black in a portable bitmap.
TPaletteRef BlackOnWhitePalette() { return MakePalette({{255, 255, 255}, {0, 0, 0}}); }

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
  const int32_t width = p.Width;
  const int32_t height = p.Height;
  const int samples = p.SamplesPerPixel;
  const TPixelFormat format = p.BitsPerSample == 1 ? px1Bit : samples == 3 ? px24Bit : px8Bit;
  if (!FitsStoreLimits(width, height, BitsPerPixel(format))) Invalid();

  // Every sample takes at least one byte of text, or its full size in a raw map: a file that
  // cannot hold them all is refused before the picture is made.
  const int sample_bytes = max_value_ > 255 ? 2 : 1;
  const int64_t raw_row =
      p.BitsPerSample == 1 ? (int64_t{width} + 7) / 8 : int64_t{width} * samples * sample_bytes;
  const int64_t least_row = plain ? int64_t{width} * samples : raw_row;
  if (stream.Size() - data_position_ < least_row * height) Invalid();

  SetUpPicture(format, width, height,
               format == px1Bit   ? BlackOnWhitePalette()
               : format == px8Bit ? GrayPalette()
                                  : nullptr);
  const std::vector<uint8_t> scale = ScaleTable(max_value_);
  const int row_samples = width * samples;

  if (plain) {
    Scanner in(stream, data_position_);
    for (int32_t y = 0; y < height; ++y) {
      uint8_t* row = RowAddress(y);
      if (kind == 1) std::fill(row, row + raw_row, 0);
      for (int i = 0; i < row_samples; ++i) {
        if (kind == 1) {
          in.SkipSpace();
          const int c = in.Get();
          if (c != '0' && c != '1') Invalid();
          if (c == '1') row[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
          continue;
        }
        const int64_t value = in.Number(kMaxSampleValue);
        if (value < 0) Invalid();
        // Colour samples arrive red first; bitmap rows hold blue first.
        row[samples == 3 ? i + 2 - 2 * (i % 3) : i] = scale[std::min<int64_t>(value, max_value_)];
      }
    }
    return;
  }

  std::vector<uint8_t> raw(CheckedSize(raw_row, 1, kInvalidPortableMapMessage));
  stream.SetPosition(data_position_);
  for (int32_t y = 0; y < height; ++y) {
    stream.ReadBuffer(raw.data(), raw_row);
    uint8_t* row = RowAddress(y);
    if (kind == 4) {
      std::copy(raw.begin(), raw.end(), row);
      continue;
    }
    ScaleRow(raw.data(), row, width, samples, sample_bytes == 2, scale.data());
  }
}

}  // namespace quillo
