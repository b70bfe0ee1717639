// Batches on two processors: the shell front end turning 12 photo-like JPEG files of 24
// megapixels with --jobs 2 against --jobs 1, and converting 12 Deflate-coded TIFF files of the
// same size to JPEG likewise, each as a child process in the same run. Prints best and median
// times with their ratios, and each side's peak memory beside the peak of one file alone.
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"

namespace {

namespace fs = std::filesystem;
using namespace quillo::bench;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kFiles = 12;
constexpr int kRounds = 3;
constexpr int kRowsPerStrip = 16;

void WriteDeflateTiff(const std::string& path, const std::vector<uint8_t>& rgb) {
  const std::unique_ptr<TIFF, void (*)(TIFF*)> tif(TIFFOpen(path.c_str(), "w"), TIFFClose);
  if (!tif) throw std::runtime_error("libtiff cannot create " + path);
  TIFFSetField(tif.get(), TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tif.get(), TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tif.get(), TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif.get(), TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(tif.get(), TIFFTAG_ROWSPERSTRIP, kRowsPerStrip);
  for (uint32_t y = 0; y < kHeight; ++y) {
    auto* row = const_cast<uint8_t*>(rgb.data() + size_t{y} * kWidth * 3);
    if (TIFFWriteScanline(tif.get(), row, y) != 1) throw std::runtime_error("libtiff failed");
  }
}

// The source folders: `count` copies of one JPEG and one TIFF file each.
struct Sources {
  Sources(const ScratchDir& scratch, int count)
      : jpegs(scratch.File("jpeg-" + std::to_string(count))),
        tiffs(scratch.File("tiff-" + std::to_string(count))) {
    fs::create_directories(jpegs);
    fs::create_directories(tiffs);
  }
  std::string jpegs;
  std::string tiffs;
};

void MakeSources(const Sources& many, const Sources& one) {
  const std::vector<uint8_t> rgb = PhotoRgb(kWidth, kHeight);
  const std::vector<uint8_t> jpeg = EncodeJpeg(rgb.data(), kWidth, kHeight, 90);
  WritePlain(one.jpegs + "/photo.jpg", jpeg.data(), jpeg.size());
  WriteDeflateTiff(one.tiffs + "/photo.tif", rgb);
  for (int i = 0; i < kFiles; ++i) {
    const std::string name = "photo" + std::to_string(100 + i);
    fs::copy_file(one.jpegs + "/photo.jpg", many.jpegs + "/" + name + ".jpg");
    fs::copy_file(one.tiffs + "/photo.tif", many.tiffs + "/" + name + ".tif");
  }
}

struct Side {
  std::vector<double> seconds;
  long peak_kb = 0;
};

// One run of the shell front end into a fresh output folder; its time, and its peak kept.
double TimeCli(const std::vector<std::string>& args, const char* jobs, const std::string& out,
               Side& side) {
  fs::remove_all(out);
  fs::create_directories(out);
  std::vector<std::string> command = {QUILLO_CLI};
  command.insert(command.end(), args.begin(), args.end());
  command.insert(command.end(), {"--dest", out, "--jobs", jobs});
  ResetPeak();
  long peak_kb = 0;
  const double seconds = Seconds([&] { peak_kb = RunProgram(command, "/dev/null"); });
  side.peak_kb = std::max(side.peak_kb, peak_kb);
  return seconds;
}

void Compare(const char* what, const std::vector<std::string>& args, const ScratchDir& scratch,
             const std::vector<std::string>& one_file_args) {
  Side single;
  Side two;
  Side alone;
  const std::string out = scratch.File("out");
  // The peak of one file alone: what each worker may hold.
  TimeCli(one_file_args, "1", out, alone);
  const auto [single_times, two_times] = AlternateRounds(
      kRounds, [&] { return TimeCli(args, "1", out, single); },
      [&] { return TimeCli(args, "2", out, two); });
  std::printf(
      "%s, %d files of %d x %d, best of %d rounds: --jobs 2 %.2f s, --jobs 1 %.2f s, ratio %.2f "
      "(medians %.2f s and %.2f s, ratio %.2f; goal: at most 0.55)\n",
      what, kFiles, kWidth, kHeight, kRounds, Best(two_times), Best(single_times),
      Best(two_times) / Best(single_times), Median(two_times), Median(single_times),
      Median(two_times) / Median(single_times));
  std::printf(
      "  peak memory: --jobs 2 %.1f MB, --jobs 1 %.1f MB, one file alone %.1f MB (goal: --jobs 2 "
      "at most 2 x one file + 30 MB = %.1f MB)\n",
      two.peak_kb / 1024.0, single.peak_kb / 1024.0, alone.peak_kb / 1024.0,
      2 * alone.peak_kb / 1024.0 + 30);
}

}  // namespace

int main() {
  const ScratchDir scratch;
  const Sources many(scratch, kFiles);
  const Sources one(scratch, 1);
  MakeSources(many, one);
  Compare("rotate --turn right", {"rotate", "--turn", "right", "--source", many.jpegs}, scratch,
          {"rotate", "--turn", "right", "--source", one.jpegs});
  Compare("convert --to jpg of Deflate TIFF files",
          {"convert", "--type", "tif", "--to", "jpg", "--source", many.tiffs}, scratch,
          {"convert", "--type", "tif", "--to", "jpg", "--source", one.tiffs});
  return 0;
}
