// TColorManager: choosing the row routine for a set-up and building what it reads.

#include <algorithm>
#include <bit>
#include <cmath>

#include "imagelib/bit_fields.h"
#include "imagelib/color_manager.h"
#include "platform/errors.h"

namespace quillo {
namespace {

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

// R(k × f) for a YCbCr table, kept finite and bounded whatever coefficients a file gives.
int32_t TableEntry(double k, int f) {
  const double v = std::nearbyint(k * f);
  if (std::isnan(v)) return 0;
  return static_cast<int32_t>(std::clamp<double>(v, -kYCbCrTableLimit, kYCbCrTableLimit));
}

}  // namespace

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

void TColorManager::SelectConverter() {
  const bool mapped = source_model_ == cmIndexed && RgbFamily(target_model_);
  if (!mapped &&
      IndexedOrGray(source_model_) != (target_model_ == cmIndexed || target_model_ == cmGray)) {
    throw EColorConversionError(kIndexedMismatchMessage);
  }
  TSelection selection;
  if (mapped) {
    ChooseMapRoutine(selection);
  } else if (IndexedOrGray(source_model_)) {
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
      // Gray of 8 bits or more has a routine, but it moves only whole bytes and words: other
      // depths are refused rather than left unwritten.
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
  const unsigned field = StoredFieldBits(t);
  selection.field_bits = static_cast<uint8_t>(field);
  selection.target_bits_per_pixel = field;
  if (s == t && field == t) {
    selection.kernel = CopyRow;
  } else {
    selection.kernel = PackedKernel(DepthFlags(s, t));
  }
}

void TColorManager::ChooseMapRoutine(TSelection& selection) {
  if (target_bits_ != 8 || HasAlpha(target_model_)) throw EColorConversionError(kColorDepthMessage);
  context_.source_bits = source_bits_;
  unsigned flags = 0;
  if (source_bits_ == 16) flags |= kSource16;
  if (BgrOrder(target_model_)) flags |= kReverse;
  selection.kernel = ColorMapKernel(flags);
  selection.target_bits_per_pixel = 24;
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
  // The routines read bytes and words; other depths are scaled to bytes first.
  if (t != 8 && t != 16) throw EColorConversionError(kColorDepthMessage);
  if (s != 8 && s != 16) selection.widen_bits = static_cast<uint8_t>(s);
  if (pick != ColorCopyKernel && BgrOrder(target_model_)) flags |= kReverse;
  if (HasAlpha(target_model_)) flags |= kTargetAlpha;
  selection.kernel = pick(flags | DepthFlags(s, t));
  selection.target_bits_per_pixel = (HasAlpha(target_model_) ? 4 : 3) * t;
}

void TColorManager::BuildValueMap(unsigned field) {
  const unsigned s = source_bits_;
  const unsigned t = target_bits_;
  context_.source_bits = static_cast<uint8_t>(s);
  context_.field_bits = static_cast<uint8_t>(field);
  if (s == t && field == t) return;  // copied
  // Gray levels are scaled, v × max(t) ÷ max(s) rounded; the gray palette has a level for each
  // value of the target depth, also when a wider field holds it. Indexes stay what they are
  // when the target holds them.
  const uint64_t from = MaxFieldValue(s);
  const uint64_t to = MaxFieldValue(t);
  const bool gray = target_model_ == cmGray;
  context_.value_map.resize(size_t{1} << s);
  for (uint32_t v = 0; v <= from; ++v) {
    uint64_t m = v;
    if (gray) {
      m = (v * 2 * to + from) / (2 * from);
    } else if (t < s) {
      m = MulDiv16(v, static_cast<uint32_t>(to), static_cast<uint32_t>(from));
    }
    context_.value_map[v] = static_cast<uint16_t>(m);
  }
}

}  // namespace quillo
