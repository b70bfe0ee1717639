#include "imagelib/tiff/tiff_directory.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "image/byte_order.h"
#include "image/image_limits.h"

namespace quillo {
namespace {

constexpr int64_t kEntrySize = 12;

// Bytes of one value of the type; 0 for types no value can be read from.
uint32_t TypeSize(uint16_t type) {
  switch (type) {
    case ttByte:
    case ttAscii:
    case ttSByte:
    case ttUndefined:
      return 1;
    case ttShort:
    case ttSShort:
      return 2;
    case ttLong:
    case ttSLong:
    case ttFloat:
      return 4;
    case ttRational:
    case ttSRational:
    case ttDouble:
      return 8;
    default:
      return 0;
  }
}

double Quotient(double numerator, double denominator) {
  return denominator == 0 ? 0.0 : numerator / denominator;
}

// One value at p; integer types as unsigned numbers.
double ValueAt(const uint8_t* p, uint16_t type, bool big_endian) {
  switch (TypeSize(type)) {
    case 1:
      return p[0];
    case 2:
      return LoadU16(p, big_endian);
    default:
      break;
  }
  const uint32_t first = LoadU32(p, big_endian);
  switch (type) {
    case ttRational:
      return Quotient(first, LoadU32(p + 4, big_endian));
    case ttSRational:
      return Quotient(static_cast<int32_t>(first),
                      static_cast<int32_t>(LoadU32(p + 4, big_endian)));
    case ttFloat:
      return std::bit_cast<float>(first);
    case ttDouble: {
      const uint64_t high = first;
      const uint64_t low = LoadU32(p + 4, big_endian);
      return std::bit_cast<double>(big_endian ? high << 32 | low : low << 32 | high);
    }
    default:
      return first;
  }
}

// The value field as the four bytes it was stored as.
std::array<uint8_t, 4> FieldBytes(uint32_t value, bool big_endian) {
  std::array<uint8_t, 4> field;
  if (big_endian) {
    StoreU32Be(field.data(), value);
  } else {
    StoreU32(field.data(), value);
  }
  return field;
}

uint32_t ToCardinal(double v) {
  if (!(v > 0)) return 0;
  return v >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(v);
}

}  // namespace

void TTiffDirectory::Read(TByteReader& file, uint32_t offset) {
  big_endian_ = file.BigEndian();
  file.Seek(offset);
  const uint16_t count = file.U16();
  file.Need(count * kEntrySize);
  std::vector<uint8_t> bytes(static_cast<size_t>(count * kEntrySize));
  file.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
  entries_.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = bytes.data() + i * kEntrySize;
    entries_[i] = {LoadU16(p, big_endian_), LoadU16(p + 2, big_endian_),
                   LoadU32(p + 4, big_endian_), LoadU32(p + 8, big_endian_)};
  }
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const TIFDEntry& a, const TIFDEntry& b) { return a.tag < b.tag; });
}

bool TTiffDirectory::LocateTag(uint16_t tag, size_t& index) const {
  const auto it = std::lower_bound(entries_.begin(), entries_.end(), tag,
                                   [](const TIFDEntry& e, uint16_t t) { return e.tag < t; });
  if (it == entries_.end() || it->tag != tag) return false;
  index = static_cast<size_t>(it - entries_.begin());
  return true;
}

uint32_t TTiffDirectory::TagValue(uint16_t tag, uint32_t default_value) const {
  size_t index;
  if (!LocateTag(tag, index)) return default_value;
  const TIFDEntry& e = entries_[index];
  if (e.count != 1) return e.value;
  switch (e.type) {
    case ttByte:
    case ttShort:
    case ttSShort:
    case ttLong:
    case ttSLong:
      return static_cast<uint32_t>(
          ValueAt(FieldBytes(e.value, big_endian_).data(), e.type, big_endian_));
    default:
      return default_value;
  }
}

double TTiffDirectory::TagNumber(TByteReader& file, uint16_t tag, double default_value) const {
  size_t index;
  if (!LocateTag(tag, index) || entries_[index].count != 1 || TypeSize(entries_[index].type) == 0 ||
      entries_[index].type == ttAscii || entries_[index].type == ttUndefined) {
    return default_value;
  }
  const std::vector<uint8_t> bytes = ValueBytes(file, entries_[index]);
  return ValueAt(bytes.data(), entries_[index].type, big_endian_);
}

std::vector<uint8_t> TTiffDirectory::ValueBytes(TByteReader& file, const TIFDEntry& e) const {
  const uint64_t size = uint64_t{e.count} * TypeSize(e.type);
  if (size <= 4) {
    std::vector<uint8_t> bytes(size);
    std::memcpy(bytes.data(), FieldBytes(e.value, big_endian_).data(), bytes.size());
    return bytes;
  }
  // Only values that are there get a buffer: a count is no more than a claim.
  file.Seek(e.value);
  file.Need(static_cast<int64_t>(std::min<uint64_t>(size, INT64_MAX)));
  std::vector<uint8_t> bytes(CheckedSize(size, 1));
  file.Read(bytes.data(), static_cast<int64_t>(size));
  return bytes;
}

template <typename T, typename Convert>
std::vector<T> TTiffDirectory::List(TByteReader& file, uint16_t tag, Convert convert) const {
  size_t index;
  if (!LocateTag(tag, index)) return {};
  const TIFDEntry& e = entries_[index];
  const uint32_t size = TypeSize(e.type);
  if (e.count == 0 || size == 0) return {};
  const std::vector<uint8_t> bytes = ValueBytes(file, e);
  std::vector<T> values(CheckedSize(e.count, sizeof(T)) / sizeof(T));
  for (size_t i = 0; i < values.size(); ++i) {
    values[i] = convert(ValueAt(bytes.data() + i * size, e.type, big_endian_));
  }
  return values;
}

std::vector<uint32_t> TTiffDirectory::TagCardinalList(TByteReader& file, uint16_t tag) const {
  return List<uint32_t>(file, tag, ToCardinal);
}

std::vector<uint8_t> TTiffDirectory::TagByteList(TByteReader& file, uint16_t tag) const {
  return List<uint8_t>(file, tag, [](double v) { return static_cast<uint8_t>(ToCardinal(v)); });
}

std::vector<float> TTiffDirectory::TagFloatList(TByteReader& file, uint16_t tag) const {
  return List<float>(file, tag, [](double v) { return static_cast<float>(v); });
}

}  // namespace quillo
