#include "imagelib/color_manager.h"

#include <algorithm>
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

void TColorManager::SetSourceExtraSamples(uint8_t samples) {
  Assign(source_extra_, samples, changed_);
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

void TColorManager::ConvertRow(std::span<const uint8_t* const> planes, uint8_t* target,
                               uint32_t count, uint8_t mask) {
  if (planes.size() != 1 && planes.size() != size_t{source_samples_} + source_extra_) {
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
    InterleavePlanes(planes.first(source_samples_), source_bits_, pixels, source_scratch_);
    source = source_scratch_.data();
  } else if (source_extra_ != 0) {
    DropSamples(source, source_bits_, source_samples_, source_extra_, pixels, source_scratch_);
    source = source_scratch_.data();
  }
  const uint64_t samples = pixels * source_samples_;
  const uint64_t bytes = (samples * source_bits_ + 7) / 8;
  const bool sign = (source_options_ & opSigned) != 0;
  if (selection_.swap_words || (sign && source != source_scratch_.data())) {
    if (source != source_scratch_.data()) source_scratch_.resize(bytes);
    if (selection_.swap_words) {
      SwapWords(source, samples, source_scratch_.data());
    } else {
      std::copy_n(source, bytes, source_scratch_.data());
    }
    source = source_scratch_.data();
  }
  if (sign) FlipSignBits(source_scratch_.data(), source_bits_, samples);
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
  return (uint64_t{count} * (source_samples_ + source_extra_) * source_bits_ + 7) / 8;
}

}  // namespace quillo
