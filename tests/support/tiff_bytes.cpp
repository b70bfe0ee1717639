#include "support/tiff_bytes.h"

#include "support/jpeg_test_support.h"

namespace quillo::testing {

TiffBytes::TiffBytes(bool big_endian) : big_endian_(big_endian) {}

void TiffBytes::Put16(std::vector<uint8_t>& out, uint16_t v) const {
  if (big_endian_) {
    out.insert(out.end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
  } else {
    out.insert(out.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
  }
}

void TiffBytes::Put32(std::vector<uint8_t>& out, uint32_t v) const {
  if (big_endian_) {
    Put16(out, static_cast<uint16_t>(v >> 16));
    Put16(out, static_cast<uint16_t>(v));
  } else {
    Put16(out, static_cast<uint16_t>(v));
    Put16(out, static_cast<uint16_t>(v >> 16));
  }
}

uint32_t TiffBytes::Data(const std::vector<uint8_t>& bytes) {
  const auto offset = static_cast<uint32_t>(8 + data_.size());
  data_.insert(data_.end(), bytes.begin(), bytes.end());
  if (data_.size() % 2) data_.push_back(0);
  return offset;
}

uint32_t TiffBytes::Words(const std::vector<uint16_t>& values) {
  std::vector<uint8_t> bytes;
  for (uint16_t v : values) Put16(bytes, v);
  return Data(bytes);
}

uint32_t TiffBytes::Longs(const std::vector<uint32_t>& values) {
  std::vector<uint8_t> bytes;
  for (uint32_t v : values) Put32(bytes, v);
  return Data(bytes);
}

TiffBytes& TiffBytes::Field(uint16_t tag, uint16_t type, uint32_t count,
                            std::vector<uint8_t> field) {
  std::vector<uint8_t> e;
  Put16(e, tag);
  Put16(e, type);
  Put32(e, count);
  field.resize(4);
  e.insert(e.end(), field.begin(), field.end());
  entries_.push_back(e);
  return *this;
}

TiffBytes& TiffBytes::Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
  std::vector<uint8_t> field;
  Put32(field, value);
  return Field(tag, type, count, field);
}

TiffBytes& TiffBytes::Short(uint16_t tag, uint16_t value) {
  std::vector<uint8_t> field;
  Put16(field, value);
  return Field(tag, 3, 1, field);
}

TiffBytes& TiffBytes::Long(uint16_t tag, uint32_t value) { return Entry(tag, 4, 1, value); }

TiffBytes& TiffBytes::ShortsInField(uint16_t tag, uint16_t first, uint16_t second) {
  std::vector<uint8_t> field;
  Put16(field, first);
  Put16(field, second);
  return Field(tag, 3, 2, field);
}

std::string TiffBytes::File() const {
  std::vector<uint8_t> out =
      big_endian_ ? std::vector<uint8_t>{'M', 'M'} : std::vector<uint8_t>{'I', 'I'};
  Put16(out, 42);
  Put32(out, static_cast<uint32_t>(8 + data_.size()));
  out.insert(out.end(), data_.begin(), data_.end());
  Put16(out, static_cast<uint16_t>(entries_.size()));
  for (const auto& e : entries_) out.insert(out.end(), e.begin(), e.end());
  Put32(out, 0);
  return std::string(out.begin(), out.end());
}

std::string JpegStripThatEndsEarly(uint32_t seed) {
  std::string strip = LibjpegEncode(PhotoSamples(16, 16, seed));
  strip.resize(strip.size() - 30);  // inside the coded data, behind the headers
  TiffBytes tiff;
  const uint32_t offset = tiff.Data(std::vector<uint8_t>(strip.begin(), strip.end()));
  const uint32_t bits = tiff.Words({8, 8, 8});
  tiff.Long(256, 16).Long(257, 16).Entry(258, 3, 3, bits).Short(259, 7).Short(262, 6);
  tiff.Long(273, offset).Short(277, 3).Long(278, 16).Long(279, static_cast<uint32_t>(strip.size()));
  tiff.Short(284, 1).ShortsInField(530, 2, 2);
  return tiff.File();
}

}  // namespace quillo::testing
