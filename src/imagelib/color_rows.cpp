#include "imagelib/color_rows.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <utility>

#include "imagelib/bit_fields.h"
#include "imagelib/color_manager.h"
#include "imagelib/pixel_reverse.h"

namespace quillo {
namespace {

template <bool kWord>
uint32_t Get(const uint8_t* pixel, size_t sample) {
  if constexpr (kWord) {
    uint16_t v;
    std::memcpy(&v, pixel + 2 * sample, 2);
    return v;
  } else {
    return pixel[sample];
  }
}

template <bool kWord>
void Put(uint8_t* pixel, size_t sample, uint32_t value) {
  if constexpr (kWord) {
    const auto v = static_cast<uint16_t>(value);
    std::memcpy(pixel + 2 * sample, &v, 2);
  } else {
    pixel[sample] = static_cast<uint8_t>(value);
  }
}

constexpr uint32_t Widen(uint32_t v) { return v * 257; }
// v × 255 ÷ 65535, rounded.
constexpr uint32_t Narrow(uint32_t v) { return (v + 128) / 257; }

// An 8-bit result stored on a side of 8 or 16 bits.
template <bool kWord>
constexpr uint32_t FromByte(uint32_t v) {
  return kWord ? Widen(v) : v;
}

// Compile-time view of a routine's flags.
template <unsigned F>
struct Shape {
  static constexpr bool kWordIn = (F & kSource16) != 0;
  static constexpr bool kWordOut = (F & kTarget16) != 0;
  static constexpr bool kSwapRB = (F & kReverse) != 0;
  static constexpr bool kGammaOn = (F & kGamma) != 0;
  static constexpr int kIn = (F & kSourceAlpha) ? 4 : 3;
  static constexpr int kOut = (F & kTargetAlpha) ? 4 : 3;
  static constexpr size_t kInBytes = kIn * (kWordIn ? 2 : 1);
  static constexpr size_t kOutBytes = kOut * (kWordOut ? 2 : 1);

  // Writes red, green, blue (given in that order) in the target's order.
  static void PutRgb(uint8_t* pixel, uint32_t r, uint32_t g, uint32_t b) {
    Put<kWordOut>(pixel, kSwapRB ? 2 : 0, r);
    Put<kWordOut>(pixel, 1, g);
    Put<kWordOut>(pixel, kSwapRB ? 0 : 2, b);
  }
};

template <unsigned F>
struct ColorCopy {
  using S = Shape<F>;

  static uint32_t Color(const TRowContext& c, uint32_t v) {
    if constexpr (S::kWordIn && S::kWordOut) {
      return v;
    } else {
      const uint32_t byte = S::kWordIn ? Narrow(v) : v;
      return FromByte<S::kWordOut>(S::kGammaOn ? c.gamma[byte] : byte);
    }
  }

  static uint32_t Alpha(uint32_t v) {
    if constexpr (S::kWordIn == S::kWordOut) return v;
    return S::kWordIn ? Narrow(v) : Widen(v);
  }

  static void Run(const TRowContext& c, const uint8_t* source, uint8_t* target, uint32_t count) {
    if constexpr (!S::kWordIn && !S::kWordOut && !S::kGammaOn && S::kIn == S::kOut) {
      if constexpr (S::kSwapRB) {
        ReversePixels(S::kIn, source, target, count);
      } else {
        std::memcpy(target, source, size_t{count} * S::kIn);
      }
    } else {
      for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* s = source + i * S::kInBytes;
        uint8_t* t = target + i * S::kOutBytes;
        for (int k = 0; k < 3; ++k) {
          Put<S::kWordOut>(t, S::kSwapRB ? 2 - k : k, Color(c, Get<S::kWordIn>(s, k)));
        }
        // Alpha goes across only when both sides have it; a target alpha alone stays as it is.
        if constexpr (S::kIn == 4 && S::kOut == 4) {
          Put<S::kWordOut>(t, 3, Alpha(Get<S::kWordIn>(s, 3)));
        }
      }
    }
  }
};

template <unsigned F>
struct Cmyk {
  using S = Shape<F>;

  static uint32_t Channel(uint32_t x, uint32_t k) {
    if constexpr (S::kWordIn && S::kWordOut) {
      const uint32_t o = MulDiv16(x, k, 65535);
      return (o - x - k - 1) & 0xFFFF;
    } else {
      // Words for a byte target are narrowed first, as every other sample is.
      if constexpr (S::kWordIn) {
        x = Narrow(x);
        k = Narrow(k);
      }
      const uint32_t v = ClampByte(static_cast<int32_t>(MulDiv16(x, k, 255) - x - k + 255));
      return FromByte<S::kWordOut>(v);
    }
  }

  static void Run(const TRowContext&, const uint8_t* source, uint8_t* target, uint32_t count) {
    constexpr size_t kInBytes = S::kWordIn ? 8 : 4;
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* s = source + i * kInBytes;
      const uint32_t k = Get<S::kWordIn>(s, 3);
      S::PutRgb(target + i * S::kOutBytes, Channel(Get<S::kWordIn>(s, 0), k),
                Channel(Get<S::kWordIn>(s, 1), k), Channel(Get<S::kWordIn>(s, 2), k));
    }
  }
};

// R(v × 255) clamped to a byte, ties to even.
uint32_t ScaledByte(double v) {
  const double scaled = v * 255;
  return static_cast<uint32_t>(std::nearbyint(scaled < 0 ? 0 : scaled > 255 ? 255 : scaled));
}

template <unsigned F>
struct Lab {
  using S = Shape<F>;

  static void Run(const TRowContext& c, const uint8_t* source, uint8_t* target, uint32_t count) {
    // 16-bit samples carry the 8-bit meaning with eight more bits: L* spans 0..65535 for what
    // 0..255 means in 8 bits, a* and b* are signed or offset 16-bit values in 1/256 steps.
    constexpr double kUnit = S::kWordIn ? 256.0 : 1.0;
    constexpr int32_t kMiddle = S::kWordIn ? 0x8000 : 0x80;
    const uint32_t flip = S::kWordIn ? uint32_t{c.lab_ab_flip} << 8 : c.lab_ab_flip;
    const double l_numerator = S::kWordIn && c.lab_percent_l ? 100.0 : 1.0;
    const double l_denominator =
        S::kWordIn ? (c.lab_percent_l ? 65535.0 : 257.0) : (c.lab_percent_l ? 2.55 : 1.0);
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* s = source + i * S::kInBytes;
      const double l = Get<S::kWordIn>(s, 0) * l_numerator / l_denominator;
      const double a = static_cast<int32_t>(Get<S::kWordIn>(s, 1) ^ flip) - kMiddle;
      const double b = static_cast<int32_t>(Get<S::kWordIn>(s, 2) ^ flip) - kMiddle;
      double x, y, z;
      if (l < 7.9996) {
        y = l / 903.3;
        x = y + a / kUnit / 3893.5;
        z = y - b / kUnit / 1557.4;
      } else {
        const double fy = (l + 16) / 116;
        const double fx = fy + a / kUnit / 500;
        const double fz = fy - b / kUnit / 200;
        x = fx * fx * fx;
        y = fy * fy * fy;
        z = fz * fz * fz;
      }
      S::PutRgb(target + i * S::kOutBytes,
                FromByte<S::kWordOut>(ScaledByte(2.998 * x - 1.458 * y - 0.541 * z)),
                FromByte<S::kWordOut>(ScaledByte(-0.952 * x + 1.893 * y + 0.059 * z)),
                FromByte<S::kWordOut>(ScaledByte(0.099 * x - 0.198 * y + 1.099 * z)));
    }
  }
};

// ClampByte of every sum a YCbCr pixel reaches: a luma byte and up to two table entries.
constexpr int32_t kClampBias = 2 * kYCbCrTableLimit;
constexpr auto kClamp = [] {
  std::array<uint8_t, 256 + 2 * kClampBias> table{};
  for (size_t i = 0; i < table.size(); ++i) {
    table[i] = ClampByte(static_cast<int32_t>(i) - kClampBias);
  }
  return table;
}();

template <unsigned F>
struct YCbCr {
  using S = Shape<F>;

  static void Run(const TRowContext& c, const uint8_t* source, uint8_t* target, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* s = source + i * S::kInBytes;
      uint32_t y = Get<S::kWordIn>(s, 0), cb = Get<S::kWordIn>(s, 1), cr = Get<S::kWordIn>(s, 2);
      if constexpr (S::kWordIn) {
        y = Narrow(y);
        cb = Narrow(cb);
        cr = Narrow(cr);
      }
      const uint8_t* clamp = kClamp.data() + kClampBias + y;
      S::PutRgb(target + i * S::kOutBytes, FromByte<S::kWordOut>(clamp[c.cr_to_red[cr]]),
                FromByte<S::kWordOut>(clamp[c.cb_to_green[cb] + c.cr_to_green[cr]]),
                FromByte<S::kWordOut>(clamp[c.cb_to_blue[cb]]));
    }
  }
};

template <unsigned F>
struct MapColor {
  using S = Shape<F>;

  static void Run(const TRowContext& c, const uint8_t* source, uint8_t* target, uint32_t count) {
    const size_t size = c.color_map.size();
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t v = S::kWordIn ? Get<true>(source, i)
                                    : ReadField(source, uint64_t{i} * c.source_bits, c.source_bits);
      const TPaletteEntry e = v < size ? c.color_map[v] : TPaletteEntry{};
      S::PutRgb(target + size_t{i} * 3, e.red, e.green, e.blue);
    }
  }
};

template <unsigned F>
struct Gray {
  using S = Shape<F>;

  static void Run(const TRowContext&, const uint8_t* source, uint8_t* target, uint32_t count) {
    constexpr size_t kStep = (F & kSourceAlpha) ? 2 : 1;
    if constexpr (kStep == 1 && S::kWordIn == S::kWordOut) {
      std::memcpy(target, source, size_t{count} * (S::kWordIn ? 2 : 1));
    } else {
      for (uint32_t i = 0; i < count; ++i) {
        uint32_t v = Get<S::kWordIn>(source, i * kStep);
        if constexpr (S::kWordIn != S::kWordOut) v = S::kWordIn ? Narrow(v) : Widen(v);
        Put<S::kWordOut>(target, i, v);
      }
    }
  }
};

template <unsigned F>
struct Packed {
  using S = Shape<F>;

  static void Run(const TRowContext& c, const uint8_t* source, uint8_t* target, uint32_t count) {
    const uint16_t* map = c.value_map.data();
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t v = S::kWordIn ? Get<true>(source, i)
                                    : ReadField(source, uint64_t{i} * c.source_bits, c.source_bits);
      if constexpr (S::kWordOut) {
        Put<true>(target, i, map[v]);
      } else {
        WriteField(target, uint64_t{i} * c.field_bits, c.field_bits, map[v]);
      }
    }
  }
};

// Spreads the low bits of `index` over the bits set in `used`, lowest first.
constexpr unsigned Spread(unsigned index, unsigned used) {
  unsigned flags = 0;
  for (unsigned bit = 1; used != 0; bit <<= 1) {
    if (used & bit) {
      if (index & 1) flags |= bit;
      index >>= 1;
      used &= ~bit;
    }
  }
  return flags;
}

// The inverse of Spread: the bits of `flags` found in `used`, packed into the low bits.
constexpr unsigned Gather(unsigned flags, unsigned used) {
  unsigned index = 0;
  unsigned next = 1;
  for (unsigned bit = 1; used != 0; bit <<= 1) {
    if (used & bit) {
      if (flags & bit) index |= next;
      next <<= 1;
      used &= ~bit;
    }
  }
  return index;
}

template <template <unsigned> class K, unsigned kUsed, size_t... I>
constexpr std::array<TRowKernel, sizeof...(I)> Kernels(std::index_sequence<I...>) {
  return {&K<Spread(I, kUsed)>::Run...};
}

// Instantiates the routine for every combination of the flags in kUsed and picks one.
template <template <unsigned> class K, unsigned kUsed>
TRowKernel Pick(unsigned flags) {
  static constexpr auto kTable =
      Kernels<K, kUsed>(std::make_index_sequence<size_t{1} << std::popcount(kUsed)>());
  return kTable[Gather(flags, kUsed)];
}

constexpr unsigned kDepths = kSource16 | kTarget16;
constexpr unsigned kColorTarget = kDepths | kReverse | kTargetAlpha;

}  // namespace

TRowKernel ColorCopyKernel(unsigned flags) {
  return Pick<ColorCopy, kColorTarget | kSourceAlpha | kGamma>(flags);
}
TRowKernel CmykKernel(unsigned flags) { return Pick<Cmyk, kColorTarget>(flags); }
TRowKernel LabKernel(unsigned flags) { return Pick<Lab, kColorTarget>(flags); }
TRowKernel YCbCrKernel(unsigned flags) { return Pick<YCbCr, kColorTarget>(flags); }
TRowKernel ColorMapKernel(unsigned flags) { return Pick<MapColor, kSource16 | kReverse>(flags); }
TRowKernel GrayKernel(unsigned flags) { return Pick<Gray, kDepths | kSourceAlpha>(flags); }
TRowKernel PackedKernel(unsigned flags) { return Pick<Packed, kDepths>(flags); }

void CopyRow(const TRowContext& context, const uint8_t* source, uint8_t* target, uint32_t count) {
  std::memcpy(target, source, (uint64_t{count} * context.field_bits + 7) / 8);
}

}  // namespace quillo
