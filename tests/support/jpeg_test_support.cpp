#include "support/jpeg_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>

#include "support/bmp_test_support.h"

namespace quillo::testing {

Samples PhotoSamples(int width, int height, uint32_t seed) {
  Samples s{width, height, 3, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(-12, 12);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = s.data.data() + (static_cast<size_t>(y) * width + x) * 3;
      const double u = width > 1 ? double(x) / (width - 1) : 0.0;
      const double v = height > 1 ? double(y) / (height - 1) : 0.0;
      const int base[3] = {static_cast<int>(40 + 180 * u), static_cast<int>(200 - 150 * v),
                           static_cast<int>(128 + 90 * std::sin(6.0 * (u + v)))};
      for (int c = 0; c < 3; ++c) {
        p[c] = static_cast<uint8_t>(std::clamp(base[c] + noise(random), 0, 255));
      }
    }
  }
  return s;
}

std::string LibjpegEncode(const Samples& samples, const EncodeSettings& settings) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(samples.width);
  info.image_height = static_cast<JDIMENSION>(samples.height);
  info.input_components = samples.components;
  info.in_color_space = settings.input;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, settings.quality, TRUE);
  if (settings.jpeg != JCS_UNKNOWN) jpeg_set_colorspace(&info, settings.jpeg);
  if (samples.components == 4 && !settings.adobe_marker) info.write_Adobe_marker = FALSE;
  if (settings.progressive) jpeg_simple_progression(&info);
  if (info.num_components == 3) {
    info.comp_info[0].h_samp_factor = settings.luma_sampling[0];
    info.comp_info[0].v_samp_factor = settings.luma_sampling[1];
  }
  jpeg_start_compress(&info, TRUE);
  for (const auto& [marker, payload] : settings.markers) {
    jpeg_write_marker(&info, marker, reinterpret_cast<const JOCTET*>(payload.data()),
                      static_cast<unsigned>(payload.size()));
  }
  const size_t stride = static_cast<size_t>(samples.width) * samples.components;
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data.data() + info.next_scanline * stride);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string bytes(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return bytes;
}

Samples LibjpegDecode(const std::string& bytes, const DecodeSettings& settings) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  // Cut-off test files draw warnings, counted but not printed; errors are still printed before
  // the library exits.
  errors.emit_message = [](j_common_ptr info, int level) {
    if (level < 0) ++info->err->num_warnings;
  };
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_read_header(&info, TRUE);
  info.out_color_space = settings.output;
  info.dct_method = settings.dct;
  info.scale_num = 1;
  info.scale_denom = static_cast<unsigned>(settings.scale_denom);
  info.do_block_smoothing = settings.block_smoothing ? TRUE : FALSE;
  if (settings.colors > 0) {
    info.quantize_colors = TRUE;
    info.desired_number_of_colors = settings.colors;
    info.two_pass_quantize = settings.two_pass ? TRUE : FALSE;
    info.dither_mode = settings.dither;
  }
  jpeg_start_decompress(&info);
  Samples s{static_cast<int>(info.output_width),
            static_cast<int>(info.output_height),
            info.out_color_components,
            {}};
  const size_t stride = static_cast<size_t>(s.width) * s.components;
  s.data.resize(stride * s.height);
  std::vector<JSAMPLE> indices(static_cast<size_t>(s.width));
  while (info.output_scanline < info.output_height) {
    uint8_t* out = s.data.data() + info.output_scanline * stride;
    JSAMPROW row = info.quantize_colors ? indices.data() : out;
    jpeg_read_scanlines(&info, &row, 1);
    for (int x = 0; info.quantize_colors && x < s.width; ++x) {
      for (int c = 0; c < s.components; ++c)
        out[x * s.components + c] = info.colormap[c][indices[x]];
    }
  }
  jpeg_finish_decompress(&info);
  s.warnings = errors.num_warnings;
  jpeg_destroy_decompress(&info);
  return s;
}

Header LibjpegHeader(const std::string& bytes) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_save_markers(&info, JPEG_COM, 0xFFFF);
  for (int n = 0; n < 16; ++n) jpeg_save_markers(&info, JPEG_APP0 + n, 0xFFFF);
  jpeg_read_header(&info, TRUE);
  Header header{info.progressive_mode != 0, info.num_components, info.jpeg_color_space, {}, {}};
  for (int c = 0; c < info.num_components; ++c)
    header.sampling.emplace_back(info.comp_info[c].h_samp_factor, info.comp_info[c].v_samp_factor);
  for (jpeg_saved_marker_ptr m = info.marker_list; m != nullptr; m = m->next)
    header.markers.emplace_back(m->marker, std::string(m->data, m->data + m->data_length));
  jpeg_destroy_decompress(&info);
  return header;
}

void FillBitmap(TBitmap& bitmap, const Samples& rgb) {
  bitmap.SetPixelFormat(px24Bit);
  bitmap.SetWidth(rgb.width);
  bitmap.SetHeight(rgb.height);
  for (int y = 0; y < rgb.height; ++y) {
    uint8_t* row = bitmap.RowAddress(y);
    for (int x = 0; x < rgb.width; ++x) {
      const uint8_t* p = rgb.Pixel(x, y);
      row[3 * x] = p[2];
      row[3 * x + 1] = p[1];
      row[3 * x + 2] = p[0];
    }
  }
}

Samples RgbSamples(TBitmap& bitmap) {
  Samples s{bitmap.Width(), bitmap.Height(), 3, {}};
  s.data.resize(static_cast<size_t>(s.width) * s.height * 3);
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      const uint32_t color = ColorAt(bitmap, x, y);
      uint8_t* p = s.data.data() + (static_cast<size_t>(y) * s.width + x) * 3;
      p[0] = static_cast<uint8_t>(color >> 16);
      p[1] = static_cast<uint8_t>(color >> 8);
      p[2] = static_cast<uint8_t>(color);
    }
  }
  return s;
}

Samples TurnSamples(const Samples& samples, TPictureTurn turn) {
  const bool swaps =
      turn == ptTranspose || turn == ptRotate90 || turn == ptTransverse || turn == ptRotate270;
  const int w = samples.width;
  const int h = samples.height;
  Samples out{swaps ? h : w, swaps ? w : h, samples.components, {}};
  out.data.resize(samples.data.size());
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      // The source place of (x, y) in the turned picture.
      const std::pair<int, int> from[] = {
          {x, y}, {w - 1 - x, y}, {w - 1 - x, h - 1 - y}, {x, h - 1 - y},
          {y, x}, {y, h - 1 - x}, {w - 1 - y, h - 1 - x}, {w - 1 - y, x},
      };
      const auto [sx, sy] = from[turn];
      std::copy_n(samples.Pixel(sx, sy), samples.components,
                  out.data.begin() + (static_cast<ptrdiff_t>(y) * out.width + x) * out.components);
    }
  }
  return out;
}

int MaxDifference(const Samples& a, const Samples& b) {
  int most = 0;
  for (size_t i = 0; i < a.data.size(); ++i) most = std::max(most, std::abs(a.data[i] - b.data[i]));
  return most;
}

double Psnr(const Samples& a, const Samples& b) {
  double squares = 0;
  for (size_t i = 0; i < a.data.size(); ++i) {
    const double d = static_cast<double>(a.data[i]) - b.data[i];
    squares += d * d;
  }
  if (squares == 0) return std::numeric_limits<double>::infinity();
  return 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.data.size()) / squares);
}

}  // namespace quillo::testing
