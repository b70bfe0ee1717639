// Conversion that keeps metadata, against the same conversion with --strip: a 6000 x 4000 TIFF
// with an EXIF block, XMP and a colour profile into JPEG. And the TIFF writer's Deflate strips
// against libtiff writing the same picture with the same compression, differencing and strips:
// time and file size.
#include <tiffio.h>

#include <exiv2/exiv2.hpp>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>

#include "bench_support.h"
#include "image/bitmap.h"
#include "image/metadata/metadata_carry.h"
#include "image/tiff_write.h"
#include "imagelib/format_registry.h"
#include "jobs/convert_options.h"

namespace {

using namespace quillo::bench;

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
// What the writer's strips of about 64 KB hold of this picture.
constexpr uint32_t kRowsPerStrip = 65536 / (kWidth * 3);

std::string ExifBlock() {
  Exiv2::ExifData data;
  data["Exif.Image.Make"] = "Quillo Optics";
  data["Exif.Image.Model"] = "Bracket 3";
  data["Exif.Photo.DateTimeOriginal"] = "2021:06:01 12:34:56";
  data["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 250);
  data["Exif.Photo.FNumber"] = Exiv2::URational(56, 10);
  data["Exif.GPSInfo.GPSLatitudeRef"] = "N";
  data["Exif.GPSInfo.GPSLatitude"] = "35/1 39/1 2932/100";
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
  return std::string(blob.begin(), blob.end());
}

// The photo as a TIFF file with an EXIF block, XMP and a 500 kB colour profile.
void WriteSource(const std::string& path, quillo::TBitmap& picture) {
  quillo::TPhotoMetadata metadata;
  metadata.exif = ExifBlock();
  metadata.xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'>" + std::string(4000, ' ') + "</x:xmpmeta>";
  metadata.icc = std::string(500000, '\x5A');
  metadata.resolution = quillo::TTiffResolution{{300, 1}, {300, 1}, 2};
  quillo::TTiffWriteOptions options;
  quillo::CarryIntoTiff(options, metadata, {kWidth, kHeight, std::nullopt});
  quillo::SaveTiffFile(path, picture, options);
}

void WriteWithLibtiff(const std::string& path, const std::vector<uint8_t>& rgb) {
  TIFF* t = TIFFOpen(path.c_str(), "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, kRowsPerStrip);
  const tmsize_t row_bytes = kWidth * 3;
  for (uint32_t s = 0; s < TIFFNumberOfStrips(t); ++s) {
    const uint32_t first = s * kRowsPerStrip;
    const uint32_t rows = std::min<uint32_t>(kRowsPerStrip, kHeight - first);
    // libtiff differences the strip in place, so it gets its own copy as from a decoder.
    std::vector<uint8_t> strip(rgb.begin() + first * row_bytes,
                               rgb.begin() + (first + rows) * row_bytes);
    TIFFWriteEncodedStrip(t, s, strip.data(), static_cast<tmsize_t>(strip.size()));
  }
  TIFFClose(t);
}

template <typename Work>
double ProcessorSeconds(Work&& work) {
  const std::clock_t start = std::clock();
  work();
  return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

}  // namespace

int main(int argc, char** argv) {
  const quillo::TFormatRegistration formats;
  const ScratchDir scratch;
  quillo::TBitmap picture;
  FillWithPhoto(picture, kWidth, kHeight);
  const std::string source = scratch.File("source.tif");
  WriteSource(source, picture);
  const std::string target = scratch.File("target.jpg");
  quillo::TConvertOptions keep;
  quillo::TConvertOptions strip;
  strip.keep_metadata = false;

  const std::vector<uint8_t> rgb = PhotoRgb(kWidth, kHeight);
  const std::string ours = scratch.File("ours.tif");
  const std::string theirs = scratch.File("libtiff.tif");
  quillo::TTiffWriteOptions deflate;
  deflate.compression = quillo::tcDeflate;

  // The two conversions differ by a few per cent only: alternating rounds keep a busy machine's
  // changing load out of the ratio, and processor time keeps out the waits.
  const auto [keeping, stripped] = AlternateRounds(
      9,
      [&] {
        return ProcessorSeconds([&] { quillo::ConvertFileWithOptions(source, target, keep); });
      },
      [&] {
        return ProcessorSeconds([&] { quillo::ConvertFileWithOptions(source, target, strip); });
      });
  // One of each first, so that the sizes are there whichever cases run.
  quillo::SaveTiffFile(ours, picture, deflate);
  WriteWithLibtiff(theirs, rgb);
  Register("WriteDeflate", [&](benchmark::State& state) {
    for (auto _ : state) quillo::SaveTiffFile(ours, picture, deflate);
  });
  Register("LibtiffDeflate", [&](benchmark::State& state) {
    for (auto _ : state) WriteWithLibtiff(theirs, rgb);
  });
  return RunWithRatios(
      argc, argv, {{"Deflate ratio (our TIFF writer / libtiff)", "WriteDeflate", "LibtiffDeflate"}},
      [&] {
        std::printf(
            "Metadata ratio (TIFF to JPEG keeping metadata / with --strip): %.3f processor "
            "(medians of 9 alternating rounds, %.0f ms / %.0f ms)\n",
            Median(keeping) / Median(stripped), Median(keeping) * 1000, Median(stripped) * 1000);
        std::printf("Deflate size ratio (our TIFF writer / libtiff): %.3f\n",
                    static_cast<double>(std::filesystem::file_size(ours)) /
                        static_cast<double>(std::filesystem::file_size(theirs)));
      });
}
