// One image file directory of a TIFF file: its entries, sorted by tag, and the helpers that read
// a tag's value or values in the types the file gives them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/byte_reader.h"

namespace quillo {

struct TIFDEntry {
  uint16_t tag = 0;
  uint16_t type = 0;
  uint32_t count = 0;
  uint32_t value = 0;  // the 4-byte value field read as one number in the file's byte order
};

enum TTiffType : uint16_t {
  ttByte = 1,
  ttAscii = 2,
  ttShort = 3,
  ttLong = 4,
  ttRational = 5,
  ttSByte = 6,
  ttUndefined = 7,
  ttSShort = 8,
  ttSLong = 9,
  ttSRational = 10,
  ttFloat = 11,
  ttDouble = 12,
};

class TTiffDirectory {
 public:
  // The reader spans the file from its first byte, in the file's byte order; offsets count from
  // there. A directory cut off by the end of the file raises EReadError.
  void Read(TByteReader& file, uint32_t offset);
  const std::vector<TIFDEntry>& Entries() const { return entries_; }

  // The lowest index of an entry with the tag.
  bool LocateTag(uint16_t tag, size_t& index) const;
  // A count-1 BYTE, SHORT, SSHORT, LONG or SLONG as unsigned; other types of count 1 give the
  // default; other counts the raw value field.
  uint32_t TagValue(uint16_t tag, uint32_t default_value) const;
  // A single value of any numeric type; a rational with denominator 0 reads as 0.
  double TagNumber(TByteReader& file, uint16_t tag, double default_value) const;
  // Every value of the tag: integers as unsigned, other numbers truncated into 0 .. 2^32 - 1.
  // Values that lie past the end of the file raise EReadError.
  std::vector<uint32_t> TagCardinalList(TByteReader& file, uint16_t tag) const;
  // The low 8 bits of each value.
  std::vector<uint8_t> TagByteList(TByteReader& file, uint16_t tag) const;
  std::vector<float> TagFloatList(TByteReader& file, uint16_t tag) const;

 private:
  // The raw bytes of every value of the entry, from its value field or its offset.
  std::vector<uint8_t> ValueBytes(TByteReader& file, const TIFDEntry& entry) const;
  template <typename T, typename Convert>
  std::vector<T> List(TByteReader& file, uint16_t tag, Convert convert) const;

  std::vector<TIFDEntry> entries_;
  bool big_endian_ = false;
};

}  // namespace quillo
