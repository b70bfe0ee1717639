// Batches on two processors: the shell front end turning 12 photo-like JPEG files of 24
// megapixels with --jobs 2 against --jobs 1, and converting 12 Deflate-coded TIFF files of the
// same size to JPEG likewise, each as a child process in the same run. Two --jobs 1 processes
// on half the files each show what two processors give on the machine at the time. Prints best
// and median times with their ratios, processor times, and each side's peak memory beside the
// peak of one file alone.
#include <sys/resource.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

// The source folders of one kind: every file, one file alone, and each half of the files.
struct Folders {
  std::string all;
  std::string one;
  std::string halves[2];
};

Folders MakeFolders(const ScratchDir& scratch, const std::string& kind) {
  Folders folders{scratch.File(kind + "-all"),
                  scratch.File(kind + "-one"),
                  {scratch.File(kind + "-half0"), scratch.File(kind + "-half1")}};
  for (const std::string* folder :
       {&folders.all, &folders.one, &folders.halves[0], &folders.halves[1]}) {
    fs::create_directories(*folder);
  }
  return folders;
}

// 12 copies of one photo as JPEG and as a Deflate TIFF file, spread over the folders.
void FillFolders(const Folders& jpegs, const Folders& tiffs) {
  const std::vector<uint8_t> rgb = PhotoRgb(kWidth, kHeight);
  const std::vector<uint8_t> jpeg = EncodeJpeg(rgb.data(), kWidth, kHeight, 90);
  WritePlain(jpegs.one + "/photo.jpg", jpeg.data(), jpeg.size());
  WriteDeflateTiff(tiffs.one + "/photo.tif", rgb);
  for (int i = 0; i < kFiles; ++i) {
    const std::string name = "/photo" + std::to_string(100 + i);
    for (const auto& [folders, extension] :
         {std::pair(&jpegs, ".jpg"), std::pair(&tiffs, ".tif")}) {
      const std::string original = folders->one + "/photo" + extension;
      fs::copy_file(original, folders->all + name + extension);
      fs::copy_file(original, folders->halves[i % 2] + name + extension);
    }
  }
}

struct Side {
  std::vector<double> processor;
  long peak_kb = 0;
};

double ChildrenProcessorSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The shell front end's command line for a source folder, into the output folder, its progress
// lines dropped.
std::string CliCommand(const std::vector<std::string>& args, const std::string& source,
                       const std::string& out, const char* jobs) {
  std::string command = std::string("'") + QUILLO_CLI + "'";
  for (const std::string& arg : args) command += " '" + arg + "'";
  return command + " --source '" + source + "' --dest '" + out + "' --jobs " + jobs +
         " 2>/dev/null";
}

// Runs the shell command once after emptying the output folder; its elapsed time, with its
// processor time and its peak kept.
double TimeShell(const std::string& command, const std::string& out, Side& side) {
  fs::remove_all(out);
  fs::create_directories(out);
  ResetPeak();
  const double processor_before = ChildrenProcessorSeconds();
  long peak_kb = 0;
  const double seconds = Seconds([&] { peak_kb = RunProgram({"sh", "-c", command}); });
  side.processor.push_back(ChildrenProcessorSeconds() - processor_before);
  side.peak_kb = std::max(side.peak_kb, peak_kb);
  return seconds;
}

double LoadAverage() {
  double load = 0;
  return ::getloadavg(&load, 1) == 1 ? load : 0;
}

// --jobs 2 against --jobs 1 on every file, and against what two processors give on this machine
// now: two --jobs 1 processes at once, each on half of the files.
void Compare(const char* what, const std::vector<std::string>& args, const Folders& folders,
             const ScratchDir& scratch) {
  const std::string out = scratch.File("out");
  Side alone;
  Side single;
  Side two;
  Side halves;
  // The peak of one file alone: what each worker may hold.
  TimeShell("exec " + CliCommand(args, folders.one, out, "1"), out, alone);
  const std::string two_processes = CliCommand(args, folders.halves[0], out, "1") + " & " +
                                    CliCommand(args, folders.halves[1], out, "1") + "; wait";
  std::vector<double> halves_times;
  const auto [single_times, two_times] = AlternateRounds(
      kRounds,
      [&] {
        halves_times.push_back(TimeShell(two_processes, out, halves));
        return TimeShell("exec " + CliCommand(args, folders.all, out, "1"), out, single);
      },
      [&] { return TimeShell("exec " + CliCommand(args, folders.all, out, "2"), out, two); });
  std::printf(
      "%s, %d files of %d x %d, best of %d rounds: --jobs 2 %.2f s, --jobs 1 %.2f s, ratio %.2f "
      "(medians %.2f s and %.2f s, ratio %.2f; goal: at most 0.55)\n"
      "  two --jobs 1 processes on half the files each: best %.2f s, ratio to --jobs 1 %.2f\n"
      "  processor time, medians: --jobs 2 %.2f s, --jobs 1 %.2f s (load average now %.1f)\n",
      what, kFiles, kWidth, kHeight, kRounds, Best(two_times), Best(single_times),
      Best(two_times) / Best(single_times), Median(two_times), Median(single_times),
      Median(two_times) / Median(single_times), Best(halves_times),
      Best(halves_times) / Best(single_times), Median(two.processor), Median(single.processor),
      LoadAverage());
  std::printf(
      "  peak memory: --jobs 2 %.1f MB, --jobs 1 %.1f MB, one file alone %.1f MB (goal: --jobs 2 "
      "at most 2 x one file + 30 MB = %.1f MB)\n",
      two.peak_kb / 1024.0, single.peak_kb / 1024.0, alone.peak_kb / 1024.0,
      2 * alone.peak_kb / 1024.0 + 30);
}

}  // namespace

int main() {
  const ScratchDir scratch;
  const Folders jpegs = MakeFolders(scratch, "jpeg");
  const Folders tiffs = MakeFolders(scratch, "tiff");
  FillFolders(jpegs, tiffs);
  Compare("rotate --turn right", {"rotate", "--turn", "right"}, jpegs, scratch);
  Compare("convert --to jpg of Deflate TIFF files", {"convert", "--type", "tif", "--to", "jpg"},
          tiffs, scratch);
  return 0;
}
