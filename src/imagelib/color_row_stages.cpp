#include "imagelib/color_row_stages.h"

#include <bit>
#include <cstring>

#include "imagelib/bit_fields.h"

namespace quillo {
namespace {

void CopyField(const uint8_t* from, uint64_t from_index, uint8_t* to, uint64_t to_index,
               unsigned bits) {
  if (bits % 8 == 0) {
    std::memcpy(to + to_index * (bits / 8), from + from_index * (bits / 8), bits / 8);
  } else {
    WriteField(to, to_index * bits, bits, ReadField(from, from_index * bits, bits));
  }
}

bool Selected(uint32_t pixel, uint8_t mask) { return (mask >> (7 - pixel % 8) & 1) != 0; }

}  // namespace

uint64_t SelectedPixels(uint32_t count, uint8_t mask) {
  const uint64_t whole = uint64_t{count / 8} * std::popcount(mask);
  const unsigned rest = count % 8;
  return rest == 0 ? whole : whole + std::popcount(static_cast<uint8_t>(mask >> (8 - rest)));
}

void InterleavePlanes(std::span<const uint8_t* const> planes, unsigned bits, uint64_t pixels,
                      std::vector<uint8_t>& row) {
  const uint64_t samples = planes.size();
  row.assign((pixels * samples * bits + 7) / 8, 0);
  for (uint64_t p = 0; p < pixels; ++p) {
    for (uint64_t k = 0; k < samples; ++k)
      CopyField(planes[k], p, row.data(), p * samples + k, bits);
  }
}

void SwapWords(const uint8_t* from, uint64_t words, uint8_t* to) {
  for (uint64_t i = 0; i < words; ++i) {
    const uint8_t low = from[2 * i];
    to[2 * i] = from[2 * i + 1];
    to[2 * i + 1] = low;
  }
}

void DropSamples(const uint8_t* from, unsigned bits, unsigned kept, unsigned dropped,
                 uint64_t pixels, std::vector<uint8_t>& row) {
  const uint64_t stride = kept + dropped;
  row.assign((pixels * kept * bits + 7) / 8, 0);
  for (uint64_t p = 0; p < pixels; ++p) {
    for (uint64_t k = 0; k < kept; ++k)
      CopyField(from, p * stride + k, row.data(), p * kept + k, bits);
  }
}

void FlipSignBits(uint8_t* row, unsigned bits, uint64_t samples) {
  if (bits == 16) {
    for (uint64_t i = 0; i < samples; ++i) {
      uint16_t v;
      std::memcpy(&v, row + 2 * i, 2);
      v ^= 0x8000;
      std::memcpy(row + 2 * i, &v, 2);
    }
    return;
  }
  for (uint64_t i = 0; i < samples; ++i) {
    WriteField(row, i * bits, bits, ReadField(row, i * bits, bits) ^ 1u << (bits - 1));
  }
}

void WidenSamples(const uint8_t* from, unsigned bits, uint64_t samples, std::vector<uint8_t>& row) {
  const uint32_t max = (1u << bits) - 1;
  row.resize(samples);
  for (uint64_t i = 0; i < samples; ++i) {
    const uint32_t v = ReadField(from, i * bits, bits);
    row[i] = static_cast<uint8_t>((v * 255 * 2 + max) / (2 * max));
  }
}

void GatherPixels(const uint8_t* row, uint32_t count, uint8_t mask, unsigned bits,
                  uint8_t* selected) {
  uint64_t k = 0;
  for (uint32_t i = 0; i < count; ++i) {
    if (Selected(i, mask)) CopyField(row, i, selected, k++, bits);
  }
}

void ScatterPixels(const uint8_t* selected, uint32_t count, uint8_t mask, unsigned bits,
                   uint8_t* row) {
  uint64_t k = 0;
  for (uint32_t i = 0; i < count; ++i) {
    if (Selected(i, mask)) CopyField(selected, k++, row, i, bits);
  }
}

}  // namespace quillo
