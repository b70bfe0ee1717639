// The conversion job on 24-megapixel photos: a Deflate TIFF to JPEG against libtiff's decode plus
// libjpeg-turbo's encode at quality 100, and a JPEG to TIFF against libjpeg-turbo's decode plus a
// plain write of the decoded bytes, all on the same files in the same run. Prints the two ratios
// and each side's peak memory, measured in child processes that do the work once.
#include <tiffio.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

// The library header needs the standard types above.
#include <jpeglib.h>

#include "bench_support.h"
#include "image/pixel_buffer.h"
#include "imagelib/format_registry.h"
#include "ui/headless/headless_window.h"

namespace {

using namespace quillo::bench;

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
constexpr size_t kRowBytes = size_t{kWidth} * 3;
constexpr size_t kPictureBytes = kRowBytes * kHeight;
constexpr int kJpgItem = 1;
constexpr int kTifItem = 2;

struct Files {
  std::string tiff;
  std::string jpeg;
  std::string out;
};

void WriteDeflateTiff(const std::string& path, const std::vector<uint8_t>& rgb) {
  TIFF* t = TIFFOpen(path.c_str(), "w");
  if (t == nullptr) throw std::runtime_error("cannot write " + path);
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 16);
  for (uint32_t y = 0; y < kHeight; ++y) {
    if (TIFFWriteScanline(t, const_cast<uint8_t*>(rgb.data()) + y * kRowBytes, y) < 0) {
      throw std::runtime_error("cannot write " + path);
    }
  }
  TIFFClose(t);
}

// Encodes whole rows at quality 100 with the library's defaults (baseline, 4:2:0), as the job's
// adapter does.
void EncodeJpeg(const uint8_t* rgb, J_COLOR_SPACE space, const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot write " + path);
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = kWidth;
  info.image_height = kHeight;
  info.input_components = 3;
  info.in_color_space = space;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    auto row = const_cast<JSAMPROW>(rgb + size_t{info.next_scanline} * kRowBytes);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(file);
}

// libtiff's decode of every strip into a picture, then libjpeg-turbo's encode of it.
void TiffToJpegBaseline(const Files& files) {
  TIFF* t = TIFFOpen(files.tiff.c_str(), "r");
  if (t == nullptr) throw std::runtime_error("cannot read " + files.tiff);
  quillo::TPixelBuffer picture(kPictureBytes);
  size_t done = 0;
  for (uint32_t s = 0; s < TIFFNumberOfStrips(t); ++s) {
    const tmsize_t n = TIFFReadEncodedStrip(t, s, picture.Data() + done, -1);
    if (n < 0) throw std::runtime_error("cannot read " + files.tiff);
    done += static_cast<size_t>(n);
  }
  TIFFClose(t);
  EncodeJpeg(picture.Data(), JCS_RGB, files.out + "baseline.jpg");
}

// libjpeg-turbo's decode of the file into a picture, then a plain write of its bytes.
void JpegToTiffBaseline(const Files& files) {
  FILE* file = std::fopen(files.jpeg.c_str(), "rb");
  if (file == nullptr) throw std::runtime_error("cannot read " + files.jpeg);
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  quillo::TPixelBuffer picture(kPictureBytes);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = picture.Data() + size_t{info.output_scanline} * kRowBytes;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  std::fclose(file);
  WritePlain(files.out + "baseline.tif", picture.Data(), kPictureBytes);
}

// The conversion tab set up for one source and output type, run once per call.
class Job {
 public:
  Job(const Files& files, const std::string& source, int item)
      : app_("/opt/quillomark/Quillomark.exe") {
    const std::string folder = source.substr(0, source.rfind('/') + 1);
    app_.Type("Edit_ConversionSource", folder);
    app_.Type("Edit_ConversionDest", files.out);
    app_.Pick("RadioGroup_ConversionImageType", item);
    app_.SetLines("Editor4", {source});
  }
  void Run() {
    app_.Click("SpeedButton_ConversionExecute");
    if (app_.Status() != "Complete!" || !app_.Boxes().empty()) {
      throw std::runtime_error("conversion failed");
    }
  }

 private:
  quillo::HeadlessApp app_;
};

// The child side of the memory figures: one piece of work, then the resident memory figures.
int OnceInChild(const std::string& what, const Files& files) {
  if (what == "job-tiff") {
    Job job(files, files.tiff, kJpgItem);
    return PrintMemoryOf([&] { job.Run(); });
  }
  if (what == "job-jpeg") {
    Job job(files, files.jpeg, kTifItem);
    return PrintMemoryOf([&] { job.Run(); });
  }
  if (what == "base-tiff") return PrintMemoryOf([&] { TiffToJpegBaseline(files); });
  return PrintMemoryOf([&] { JpegToTiffBaseline(files); });
}

void PrintMemory(const Files& files) {
  const auto megabytes = [](long kb) { return kb * 1024 / 1e6; };
  const double picture_mb = kPictureBytes / 1e6;
  for (const char* way : {"tiff", "jpeg"}) {
    const auto [job_before, job_peak] =
        MemoryInChild({"--once", std::string("job-") + way, files.tiff, files.jpeg, files.out});
    const auto [base_before, base_peak] =
        MemoryInChild({"--once", std::string("base-") + way, files.tiff, files.jpeg, files.out});
    const double beyond = megabytes(job_peak - job_before) - megabytes(base_peak - base_before);
    std::printf(
        "%s source, peak memory of the work: job %.1f MB, baseline %.1f MB; the job holds %.1f MB "
        "beyond the baseline (goal: at most one picture of %.1f MB + 30 MB = %.1f MB)\n",
        way, megabytes(job_peak - job_before), megabytes(base_peak - base_before), beyond,
        picture_mb, picture_mb + 30);
  }
}

}  // namespace

int main(int argc, char** argv) {
  TIFFSetWarningHandler(nullptr);
  const quillo::TFormatRegistration formats;
  if (argc == 6 && std::string(argv[1]) == "--once") {
    return OnceInChild(argv[2], {argv[3], argv[4], argv[5]});
  }
  const ScratchDir scratch;
  std::filesystem::create_directories(scratch.Path() / "in");
  std::filesystem::create_directories(scratch.Path() / "out");
  const Files files{scratch.File("in/photo.tif"), scratch.File("in/photo.jpg"),
                    scratch.File("out") + "/"};
  {
    const std::vector<uint8_t> rgb = PhotoRgb(kWidth, kHeight);
    WriteDeflateTiff(files.tiff, rgb);
    EncodeJpeg(rgb.data(), JCS_RGB, files.jpeg);
  }
  Job tiff_job(files, files.tiff, kJpgItem);
  Job jpeg_job(files, files.jpeg, kTifItem);
  Register("TiffToJpegJob", [&](benchmark::State& state) {
    for (auto _ : state) tiff_job.Run();
  });
  Register("TiffToJpegBaseline", [&](benchmark::State& state) {
    for (auto _ : state) TiffToJpegBaseline(files);
  });
  Register("JpegToTiffJob", [&](benchmark::State& state) {
    for (auto _ : state) jpeg_job.Run();
  });
  Register("JpegToTiffBaseline", [&](benchmark::State& state) {
    for (auto _ : state) JpegToTiffBaseline(files);
  });
  return RunWithRatios(argc, argv,
                       {{"Deflate TIFF to JPEG ratio (job / libtiff + libjpeg-turbo)",
                         "TiffToJpegJob", "TiffToJpegBaseline"},
                        {"JPEG to TIFF ratio (job / libjpeg-turbo + plain write)", "JpegToTiffJob",
                         "JpegToTiffBaseline"}},
                       [&] { PrintMemory(files); });
}
