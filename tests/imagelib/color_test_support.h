// Setting up a colour converter in one step and laying out test rows.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "imagelib/color_manager.h"

namespace quillo::testing {

struct ColorSetup {
  ColorModel source = cmRGB;
  ColorModel target = cmBGR;
  uint8_t source_bits = 8;
  uint8_t target_bits = 8;
  uint8_t source_samples = 3;
  uint8_t target_samples = 3;
  TConvertOptions source_options = 0;
  TConvertOptions target_options = 0;
};

inline void Apply(TColorManager& manager, const ColorSetup& setup) {
  manager.SetSourceColorModel(setup.source);
  manager.SetTargetColorModel(setup.target);
  manager.SetSourceBitsPerSample(setup.source_bits);
  manager.SetTargetBitsPerSample(setup.target_bits);
  manager.SetSourceSamplesPerPixel(setup.source_samples);
  manager.SetTargetSamplesPerPixel(setup.target_samples);
  manager.SetSourceOptions(setup.source_options);
  manager.SetTargetOptions(setup.target_options);
}

// Samples of the given depth as a row: bytes, 16-bit words (most significant byte first when
// asked), or fields of fewer bits packed from the most significant bit.
inline std::vector<uint8_t> Pack(const std::vector<uint32_t>& samples, unsigned bits,
                                 bool big_endian = false) {
  std::vector<uint8_t> row;
  if (bits == 16) {
    for (uint32_t v : samples) {
      const auto high = static_cast<uint8_t>(v >> 8), low = static_cast<uint8_t>(v);
      row.push_back(big_endian ? high : low);
      row.push_back(big_endian ? low : high);
    }
    return row;
  }
  row.assign((samples.size() * bits + 7) / 8, 0);
  for (size_t i = 0; i < samples.size(); ++i) {
    for (unsigned b = 0; b < bits; ++b) {
      const size_t bit = i * bits + b;
      if (samples[i] >> (bits - 1 - b) & 1) row[bit / 8] |= static_cast<uint8_t>(0x80 >> bit % 8);
    }
  }
  return row;
}

// The samples of a row of the given depth (16-bit words in host order).
inline std::vector<uint32_t> Unpack(const std::vector<uint8_t>& row, unsigned bits, size_t count) {
  std::vector<uint32_t> samples(count);
  for (size_t i = 0; i < count; ++i) {
    if (bits == 16) {
      uint16_t word;
      std::memcpy(&word, &row[2 * i], 2);
      samples[i] = word;
    } else {
      for (unsigned b = 0; b < bits; ++b) {
        const size_t bit = i * bits + b;
        samples[i] = samples[i] << 1 | (row[bit / 8] >> (7 - bit % 8) & 1);
      }
    }
  }
  return samples;
}

// Converts one row given as a single interleaved plane.
inline void Convert(TColorManager& manager, const std::vector<uint8_t>& source,
                    std::vector<uint8_t>& target, uint32_t count, uint8_t mask = 0xFF) {
  const uint8_t* planes[] = {source.data()};
  manager.ConvertRow(planes, target.data(), count, mask);
}

}  // namespace quillo::testing
