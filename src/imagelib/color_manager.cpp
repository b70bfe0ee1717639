#include "imagelib/color_manager.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "imagelib/color_row_stages.h"
#include "platform/errors.h"

namespace quillo {
namespace {

void CheckDepth(uint8_t bits) {
  if (bits == 0 || bits > 16) throw EColorConversionError(kColorDepthMessage);
}

void CheckSampleCount(uint8_t samples) {
  if (samples == 0 || samples > 4) throw EColorConversionError(kSampleCountMessage);
}

template <class T>
void Assign(T& field, T value, bool& changed) {
  if (field != value) {
    field = value;
    changed = true;
  }
}

bool IndexedOrGray(ColorModel model) {
  return model == cmIndexed || model == cmGray || model == cmGrayAlpha;
}

bool HasAlpha(ColorModel model) {
  return model == cmGrayAlpha || model == cmRGBA || model == cmBGRA;
}

bool RgbFamily(ColorModel model) {
  return model == cmRGB || model == cmRGBA || model == cmBGR || model == cmBGRA;
}

bool BgrOrder(ColorModel model) { return model == cmBGR || model == cmBGRA; }

// The samples one pixel of the model carries.
unsigned ModelSamples(ColorModel model) {
  switch (model) {
    case cmGrayAlpha:
      return 2;
    case cmRGBA:
    case cmBGRA:
    case cmCMYK:
      return 4;
    case cmRGB:
    case cmBGR:
    case cmCMY:
    case cmCIELab:
    case cmYCbCr:
    case cmPhotoYCC:
      return 3;
    default:
      return 1;
  }
}

unsigned DepthFlags(unsigned source_bits, unsigned target_bits) {
  unsigned flags = 0;
  if (source_bits == 16) flags |= kSource16;
  if (target_bits == 16) flags |= kTarget16;
  return flags;
}

TConvertOptions WithAlpha(TConvertOptions options, bool alpha) {
  return static_cast<TConvertOptions>(alpha ? options | opHasAlpha : options & ~opHasAlpha);
}

// Bitmaps keep 2- and 3-bit pictures in 4-bit pixels, so such targets are written that wide.
unsigned FieldBits(unsigned bits) { return bits == 2 || bits == 3 ? 4 : bits; }

constexpr uint32_t MaxValue(unsigned bits) { return (1u << bits) - 1; }

// R(k × f) for a YCbCr table, kept finite and bounded whatever coefficients a file gives.
int32_t TableEntry(double k, int f) {
  const double v = std::nearbyint(k * f);
  if (std::isnan(v)) return 0;
  return static_cast<int32_t>(std::clamp<double>(v, -kYCbCrTableLimit, kYCbCrTableLimit));
}

}  // namespace

TColorManager::TColorManager() { SetGammaValues(2.2f, 1.0f); }

void TColorManager::SetSourceBitsPerSample(uint8_t bits) {
  CheckDepth(bits);
  Assign(source_bits_, bits, changed_);
}

void TColorManager::SetTargetBitsPerSample(uint8_t bits) {
  CheckDepth(bits);
  Assign(target_bits_, bits, changed_);
}

void TColorManager::SetSourceSamplesPerPixel(uint8_t samples) {
  CheckSampleCount(samples);
  Assign(source_samples_, samples, changed_);
}

void TColorManager::SetTargetSamplesPerPixel(uint8_t samples) {
  CheckSampleCount(samples);
  Assign(target_samples_, samples, changed_);
}

void TColorManager::SetSourceColorModel(ColorModel model) {
  Assign(source_model_, model, changed_);
}
void TColorManager::SetTargetColorModel(ColorModel model) {
  Assign(target_model_, model, changed_);
}

void TColorManager::SetSourceOptions(TConvertOptions options) {
  Assign(source_options_, options, changed_);
}

void TColorManager::SetTargetOptions(TConvertOptions options) {
  Assign(target_options_, options, changed_);
}

void TColorManager::SetGammaValues(float image_gamma, float view_gamma) {
  image_gamma_ = image_gamma > 0 ? image_gamma : 2.2f;
  view_gamma_ = view_gamma > 0 ? view_gamma : 1.0f;
  const double exponent = 1.0 / (double{view_gamma_} * double{image_gamma_});
  // Every user of the table looks up and expects 8-bit values, whatever the depths.
  for (int i = 0; i < 256; ++i) {
    context_.gamma[i] = static_cast<uint8_t>(std::nearbyint(std::pow(i / 255.0, exponent) * 255));
  }
}

void TColorManager::SetYCbCrValues(std::span<const float> coefficients, int horizontal,
                                   int vertical) {
  float* const lumas[] = {&luma_red_, &luma_green_, &luma_blue_};
  for (size_t i = 0; i < coefficients.size() && i < 3; ++i) {
    Assign(*lumas[i], coefficients[i], changed_);
  }
  const auto valid = [](int v) { return v == 1 || v == 2 || v == 4; };
  if (!valid(horizontal) || !valid(vertical)) throw EColorConversionError(kSubsamplingMessage);
  if (vertical > horizontal) throw EColorConversionError(kVerticalSubsamplingMessage);
  Assign(horizontal_subsampling_, static_cast<uint8_t>(horizontal), changed_);
  Assign(vertical_subsampling_, static_cast<uint8_t>(vertical), changed_);
}

void TColorManager::BuildYCbCrTables(int cr_offset, int cb_offset) {
  const auto kr = static_cast<float>(2.0 - 2.0 * luma_red_);
  const auto kb = static_cast<float>(2.0 - 2.0 * luma_blue_);
  const auto kgr = static_cast<float>(double{luma_red_} * kr / luma_green_);
  const auto kgb = static_cast<float>(double{luma_blue_} * kb / luma_green_);
  for (int i = 0; i < 256; ++i) {
    context_.cr_to_red[i] = TableEntry(kr, i - cr_offset);
    context_.cb_to_blue[i] = TableEntry(kb, i - cb_offset);
    context_.cr_to_green[i] = -TableEntry(kgr, i - cr_offset);
    context_.cb_to_green[i] = -TableEntry(kgb, i - cb_offset);
  }
}

TPixelFormat TColorManager::PixelFormatFor(int side) const {
  const unsigned bits = side == 0 ? source_bits_ : target_bits_;
  const unsigned samples = side == 0 ? source_samples_ : target_samples_;
  if (samples == 1) {
    if (bits == 1) return px1Bit;
    if (bits <= 4) return px4Bit;
    if (bits >= 8) return px8Bit;
  } else if (samples == 3) {
    return bits <= 5 ? px15Bit : px24Bit;
  } else if (samples == 4 && bits >= 8) {
    return px32Bit;
  }
  return pxCustom;
}

TPaletteRef TColorManager::MakeGrayPalette(bool min_is_white) const {
  const unsigned bits = std::min(FieldBits(target_bits_) * target_samples_, 8u);
  const unsigned count = 1u << bits;
  const unsigned step = 255 / (count - 1);
  std::vector<TPaletteEntry> entries(count);
  for (unsigned i = 0; i < count; ++i) {
    auto gray = static_cast<uint8_t>(i * step);
    if (target_options_ & opGamma) gray = context_.gamma[gray];
    entries[min_is_white ? count - 1 - i : i] = {gray, gray, gray};
  }
  return MakePalette(std::move(entries));
}

TPaletteRef TColorManager::MakeColorPalette(std::span<const uint8_t* const> planes,
                                            TRawPaletteFormat format, int count,
                                            bool reversed) const {
  const bool words = format >= rpWords3;
  const bool planar = format == rpBytePlanes3 || format == rpBytePlanes4 ||
                      format == rpWordPlanes3 || format == rpWordPlanes4;
  if (planes.size() < (planar ? 3u : 1u)) throw EColorConversionError(kSampleCountMessage);
  const size_t group = format == rpBytes4 || format == rpWords4 ? 4 : 3;
  const bool swap = (source_options_ & opSwapBytes) != 0;
  const bool gamma = (target_options_ & opGamma) != 0;
  const auto value = [&](size_t plane, size_t index) {
    uint32_t v;
    if (words) {
      const uint8_t* p = planes[plane] + 2 * index;
      v = swap ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
      v = MulDiv16(v, 255, 65535);
    } else {
      v = planes[plane][index];
    }
    return gamma ? context_.gamma[v] : static_cast<uint8_t>(v);
  };
  // Byte groups run red to blue unless reversed; word groups the other way round.
  const bool red_first = words == reversed;
  const auto entry = [&](size_t index) -> TPaletteEntry {
    if (planar) return {value(0, index), value(1, index), value(2, index)};
    const size_t first = index * group;
    const uint8_t a = value(0, first), g = value(0, first + 1), b = value(0, first + 2);
    return red_first ? TPaletteEntry{a, g, b} : TPaletteEntry{b, g, a};
  };

  const size_t available = count > 0 ? static_cast<size_t>(count) : 0;
  std::vector<TPaletteEntry> entries;
  if (target_bits_ <= 8 && source_bits_ != target_bits_) {
    // Entry i takes the colour the source depth's index scaled to i stands for; an index the
    // data does not reach is black.
    const uint32_t size = 1u << target_bits_;
    entries.resize(size);
    for (uint32_t i = 0; i < size; ++i) {
      const size_t from = MulDiv16(i, MaxValue(source_bits_), MaxValue(target_bits_));
      if (from < available) entries[i] = entry(from);
    }
  } else {
    entries.resize(std::min<size_t>(available, 256));
    for (size_t i = 0; i < entries.size(); ++i) entries[i] = entry(i);
  }
  return MakePalette(std::move(entries));
}

void TColorManager::ConvertRow(std::span<const uint8_t* const> planes, uint8_t* target,
                               uint32_t count, uint8_t mask) {
  if (planes.size() != 1 && planes.size() != source_samples_) {
    throw EColorConversionError(kSampleCountMessage);
  }
  if (changed_) SelectConverter();
  const uint64_t pixels = SelectedPixels(count, mask);
  if (pixels == 0) return;
  const uint8_t* source = PrepareSource(planes, pixels);
  if (mask == 0xFF) {
    selection_.kernel(context_, source, target, count);
    return;
  }
  // The routine writes whole runs of pixels: it works on the selected ones gathered from the
  // row, so that what it leaves alone (alpha, neighbouring fields) goes back unchanged.
  const unsigned bits = selection_.target_bits_per_pixel;
  target_scratch_.resize((pixels * bits + 7) / 8);
  GatherPixels(target, count, mask, bits, target_scratch_.data());
  selection_.kernel(context_, source, target_scratch_.data(), static_cast<uint32_t>(pixels));
  ScatterPixels(target_scratch_.data(), count, mask, bits, target);
}

const uint8_t* TColorManager::PrepareSource(std::span<const uint8_t* const> planes,
                                            uint64_t pixels) {
  const uint8_t* source = planes[0];
  if (planes.size() > 1) {
    InterleavePlanes(planes, source_bits_, pixels, source_scratch_);
    source = source_scratch_.data();
  }
  const uint64_t samples = pixels * source_samples_;
  if (selection_.swap_words) {
    if (source != source_scratch_.data()) source_scratch_.resize(samples * 2);
    SwapWords(source, samples, source_scratch_.data());
    source = source_scratch_.data();
  }
  if (selection_.widen_bits != 0) {
    WidenSamples(source, selection_.widen_bits, samples, widen_scratch_);
    source = widen_scratch_.data();
  }
  return source;
}

uint64_t TColorManager::TargetBytesPerRow(uint32_t count) {
  if (changed_) SelectConverter();
  return (uint64_t{count} * selection_.target_bits_per_pixel + 7) / 8;
}

uint64_t TColorManager::SourceBytesPerRow(uint32_t count) {
  if (changed_) SelectConverter();
  return (uint64_t{count} * source_samples_ * source_bits_ + 7) / 8;
}

void TColorManager::SelectConverter() {
  if (IndexedOrGray(source_model_) != (target_model_ == cmIndexed || target_model_ == cmGray)) {
    throw EColorConversionError(kIndexedMismatchMessage);
  }
  TSelection selection;
  if (IndexedOrGray(source_model_)) {
    ChoosePackedRoutine(selection);
  } else {
    ChooseColorRoutine(selection);
  }
  if (selection.kernel == nullptr) throw EColorConversionError(kNoConversionMessage);

  // A routine steps over exactly the samples its colour model carries; a gray or indexed
  // target may be sized for an alpha sample it does not keep.
  const unsigned target_samples = ModelSamples(target_model_);
  const bool target_fits =
      target_samples_ == target_samples || (target_samples == 1 && target_samples_ == 2);
  if (source_samples_ != ModelSamples(source_model_) || !target_fits) {
    throw EColorConversionError(kSampleCountMessage);
  }

  if (selection.field_bits != 0) BuildValueMap(selection.field_bits);
  if (source_model_ == cmYCbCr) BuildYCbCrTables(128, 128);
  if (source_model_ == cmPhotoYCC) BuildYCbCrTables(137, 156);
  context_.lab_percent_l = (source_options_ & opLabPercentL) != 0;
  context_.lab_ab_flip = (source_options_ & opLabOffsetAB) ? 0 : 0x80;
  selection.swap_words = source_bits_ == 16 && ((source_options_ & opSwapBytes) != 0) !=
                                                   (std::endian::native == std::endian::big);
  source_options_ = WithAlpha(source_options_, HasAlpha(source_model_));
  target_options_ = WithAlpha(target_options_, HasAlpha(target_model_));
  selection_ = selection;
  changed_ = false;
}

void TColorManager::ChoosePackedRoutine(TSelection& selection) {
  const unsigned s = source_bits_;
  const unsigned t = target_bits_;
  const auto whole = [](unsigned bits) { return bits == 8 || bits == 16; };
  if (source_model_ == cmGrayAlpha || (source_model_ == cmGray && (s == 16 || t == 16))) {
    if (!whole(s) || !whole(t)) {
      // Gray between 8 bits or more and 16 bits has a routine that reads only whole bytes
      // and words; other depths have none.
      if (source_model_ == cmGray && s >= 8 && t >= 8) {
        throw EColorConversionError(kColorDepthMessage);
      }
      return;
    }
    unsigned flags = DepthFlags(s, t);
    if (source_model_ == cmGrayAlpha) flags |= kSourceAlpha;
    selection.kernel = GrayKernel(flags);
    selection.target_bits_per_pixel = t;
    return;
  }
  const unsigned field = FieldBits(t);
  selection.field_bits = static_cast<uint8_t>(field);
  selection.target_bits_per_pixel = field;
  if (s == t && field == t) {
    selection.kernel = CopyRow;
  } else {
    selection.kernel = PackedKernel(DepthFlags(s, t));
  }
}

void TColorManager::ChooseColorRoutine(TSelection& selection) {
  if (!RgbFamily(target_model_)) return;
  const unsigned s = source_bits_;
  const unsigned t = target_bits_;
  unsigned flags = 0;
  TRowKernel (*pick)(unsigned) = nullptr;
  switch (source_model_) {
    case cmRGB:
    case cmRGBA:
    case cmBGR:
    case cmBGRA:
      pick = ColorCopyKernel;
      if (HasAlpha(source_model_)) flags |= kSourceAlpha;
      if (BgrOrder(source_model_) != BgrOrder(target_model_)) flags |= kReverse;
      if ((target_options_ & opGamma) && (s != 16 || t != 16)) flags |= kGamma;
      break;
    case cmCMYK:
      pick = CmykKernel;
      break;
    case cmCIELab:
      pick = LabKernel;
      break;
    case cmYCbCr:
    case cmPhotoYCC:
      pick = YCbCrKernel;
      break;
    default:
      return;
  }
  // The routines read bytes and words; fewer bits are widened to bytes first.
  if ((s > 8 && s < 16) || (t != 8 && t != 16)) throw EColorConversionError(kColorDepthMessage);
  if (s < 8) selection.widen_bits = static_cast<uint8_t>(s);
  if (pick != ColorCopyKernel && BgrOrder(target_model_)) flags |= kReverse;
  if (HasAlpha(target_model_)) flags |= kTargetAlpha;
  selection.kernel = pick(flags | DepthFlags(s, t));
  selection.target_bits_per_pixel = (HasAlpha(target_model_) ? 4 : 3) * t;
}

void TColorManager::BuildValueMap(unsigned field) {
  const unsigned s = source_bits_;
  const unsigned t = target_bits_;
  // Gray values are scaled to the wider field; indexes stay what they are.
  const bool widen_field = target_model_ == cmGray && field != t;
  context_.source_bits = static_cast<uint8_t>(s);
  context_.field_bits = static_cast<uint8_t>(field);
  if (s == t && field == t) return;  // copied
  context_.value_map.resize(size_t{1} << s);
  for (uint32_t v = 0; v <= MaxValue(s); ++v) {
    uint32_t m = MulDiv16(v, MaxValue(t), MaxValue(s));
    if (widen_field) m = MulDiv16(m, MaxValue(field), MaxValue(t));
    context_.value_map[v] = static_cast<uint16_t>(m);
  }
}

}  // namespace quillo
