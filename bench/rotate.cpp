// The rotate job on a 24-megapixel photo-like JPEG against a plain in-memory program doing the
// same work with libjpeg-turbo (decode, a tiled quarter turn into a second buffer, encode at
// quality 90), measured in the same run; the job's peak memory, measured in a child process that
// runs it once; the quarter turn alone against a plain copy of the same bytes; and the job turning
// the photo in place against turning it into a new target, which tells what the flushes of a
// durable replacement cost.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// The library header needs the standard types above.
#include <jpeglib.h>

#include "bench_support.h"
#include "image/bitmap.h"
#include "image/pixel_buffer.h"
#include "image/rotation.h"
#include "ui/headless/headless_window.h"

namespace {

namespace fs = std::filesystem;
using namespace quillo::bench;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kQuality = 90;
constexpr int kRounds = 5;
constexpr int kTile = 32;
constexpr double kPictureBytes = double{kWidth} * kHeight * 3;

// Decode, a tiled counter-clockwise quarter turn into a second buffer, and encode: the job's
// work with nothing around it.
size_t PlainProgram(const std::vector<uint8_t>& file) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), file.size());
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  const int w = static_cast<int>(info.output_width);
  const int h = static_cast<int>(info.output_height);
  const auto size = static_cast<size_t>(w) * h * 3;
  // Both pictures are allocated as a bitmap's store is, so that both sides pay the same for memory.
  quillo::TPixelBuffer decoded(size);
  std::vector<JSAMPROW> rows(static_cast<size_t>(h));
  for (int y = 0; y < h; ++y) rows[y] = decoded.Data() + static_cast<size_t>(y) * w * 3;
  while (info.output_scanline < info.output_height) {
    jpeg_read_scanlines(&info, rows.data() + info.output_scanline,
                        info.output_height - info.output_scanline);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);

  // Turned picture: h wide, w high; target (x, y) comes from source (w - 1 - y, x).
  quillo::TPixelBuffer turned(size);
  for (int y0 = 0; y0 < w; y0 += kTile) {
    for (int x0 = 0; x0 < h; x0 += kTile) {
      for (int y = y0; y < std::min(y0 + kTile, w); ++y) {
        uint8_t* out = turned.Data() + (static_cast<size_t>(y) * h + x0) * 3;
        const size_t column = static_cast<size_t>(w - 1 - y) * 3;
        for (int x = x0; x < std::min(x0 + kTile, h); ++x, out += 3) {
          std::memcpy(out, rows[x] + column, 3);
        }
      }
    }
  }
  return EncodeJpeg(turned.Data(), h, w, kQuality).size();
}

void RunJob(quillo::HeadlessApp& app) {
  app.Click("SpeedButton_RotateExecute");
  if (app.Status() != "Complete!" || !app.Boxes().empty()) {
    throw std::runtime_error("rotate batch failed");
  }
}

void PrepareJob(quillo::HeadlessApp& app, const fs::path& source, const fs::path& out) {
  app.Type("Edit_RotateSource", source.parent_path().string() + "/");
  app.Type("Edit_RotateDest", out.string() + "/");
  app.SetLines("Editor1", {source.string()});
}

// The turn of a 24-bit bitmap against copying its bytes into a new buffer.
void TurnAgainstCopy(const std::vector<uint8_t>& pixels) {
  quillo::TBitmap bitmap;
  FillWithPhoto(bitmap, kWidth, kHeight);
  const auto [turns, copies] = AlternateRounds(
      kRounds,
      [&] { return Seconds([&] { quillo::RotateBitmap90(bitmap, quillo::rdCounterClockwise); }); },
      [&] {
        return Seconds([&] {
          quillo::TPixelBuffer copy(pixels.size());
          std::memcpy(copy.Data(), pixels.data(), pixels.size());
          benchmark::DoNotOptimize(copy.Data());
        });
      });
  std::printf(
      "quarter turn of %d x %d 24-bit, best of %d: %.3f s; plain copy of the same bytes: %.3f s; "
      "ratio %.2f (medians %.3f s and %.3f s)\n",
      kWidth, kHeight, kRounds, Best(turns), Best(copies), Best(turns) / Best(copies),
      Median(turns), Median(copies));
}

// Runs the job once in this process and prints the resident memory before it and at its peak.
int JobOnce(const char* source, const char* out) {
  quillo::HeadlessApp app("/opt/quillomark/Quillomark.exe");
  PrepareJob(app, source, out);
  return PrintMemoryOf([&] { RunJob(app); });
}

// A replaced file is flushed before its successor takes its name, and its folder after; a new
// target is not.
void InPlaceAgainstNew(const fs::path& scratch, const std::vector<uint8_t>& file) {
  const fs::path in_place = scratch / "in-place" / "photo.jpg";
  const fs::path fresh = scratch / "fresh";
  fs::create_directories(in_place.parent_path());
  fs::create_directories(fresh);
  std::ofstream(in_place, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  quillo::HeadlessApp turn_in_place("/opt/quillomark/Quillomark.exe");
  PrepareJob(turn_in_place, in_place, in_place.parent_path());
  quillo::HeadlessApp turn_fresh("/opt/quillomark/Quillomark.exe");
  PrepareJob(turn_fresh, in_place, fresh);
  const auto [fresh_times, in_place_times] = AlternateRounds(
      kRounds,
      [&] {
        fs::remove(fresh / "photo.jpg");
        ::sync();
        return Seconds([&] { RunJob(turn_fresh); });
      },
      [&] {
        ::sync();
        return Seconds([&] { RunJob(turn_in_place); });
      });
  std::printf(
      "rotate job in place (flushed), best of %d: %.3f s; into a new target: %.3f s; ratio %.3f, "
      "%.1f ms per file (medians %.3f s and %.3f s)\n",
      kRounds, Best(in_place_times), Best(fresh_times), Best(in_place_times) / Best(fresh_times),
      (Best(in_place_times) - Best(fresh_times)) * 1000, Median(in_place_times),
      Median(fresh_times));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--job-once") return JobOnce(argv[2], argv[3]);

  const ScratchDir scratch;
  const fs::path source = scratch.Path() / "in" / "photo.jpg";
  const fs::path out = scratch.Path() / "out";
  fs::create_directories(source.parent_path());
  fs::create_directories(out);
  const std::vector<uint8_t> pixels = PhotoRgb(kWidth, kHeight);
  const std::vector<uint8_t> file = EncodeJpeg(pixels.data(), kWidth, kHeight, kQuality);
  std::ofstream(source, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));

  quillo::HeadlessApp app("/opt/quillomark/Quillomark.exe");
  PrepareJob(app, source, out);
  const auto [plain_times, job_times] = AlternateRounds(
      kRounds, [&] { return Seconds([&] { PlainProgram(file); }); },
      [&] { return Seconds([&] { RunJob(app); }); });
  std::printf(
      "rotate job on a %d x %d JPEG of %.1f MB, best of %d rounds: %.3f s; plain libjpeg-turbo "
      "program: %.3f s; ratio %.3f (medians %.3f s and %.3f s, ratio %.3f)\n",
      kWidth, kHeight, file.size() / 1e6, kRounds, Best(job_times), Best(plain_times),
      Best(job_times) / Best(plain_times), Median(job_times), Median(plain_times),
      Median(job_times) / Median(plain_times));

  const auto [before_kb, peak_kb] = MemoryInChild({"--job-once", source.string(), out.string()});
  const double picture_mb = kPictureBytes / 1e6;
  const double peak_mb = peak_kb * 1024 / 1e6;
  const double job_mb = (peak_kb - before_kb) * 1024 / 1e6;
  std::printf(
      "rotate job memory: peak %.1f MB, of which %.1f MB above the process before the job; one "
      "decoded picture %.1f MB; goal 2.2 x picture + 30 MB = %.1f MB; peak / goal %.2f\n",
      peak_mb, job_mb, picture_mb, 2.2 * picture_mb + 30, peak_mb / (2.2 * picture_mb + 30));

  TurnAgainstCopy(pixels);
  InPlaceAgainstNew(scratch.Path(), file);
  return 0;
}
