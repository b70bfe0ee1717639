// The rotate job on a 24-megapixel photo-like JPEG against a plain in-memory program doing the
// same work with libjpeg-turbo (decode, a tiled quarter turn into a second buffer, encode at
// quality 90), measured in the same run; the job's peak memory, measured in a child process that
// runs it once; and the quarter turn alone against a plain copy of the same bytes.
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

// The library header needs the standard types above.
#include <jpeglib.h>

#include "image/bitmap.h"
#include "image/rotation.h"
#include "ui/headless/headless_window.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kQuality = 90;
constexpr int kRounds = 5;
constexpr int kTile = 32;
constexpr double kPictureBytes = double{kWidth} * kHeight * 3;

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "quillo-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

template <typename Work>
double Seconds(Work work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Best(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

// Blue-green-red samples of smooth light, coarse texture and sensor noise, like a photo.
std::vector<uint8_t> PhotoPixels() {
  std::vector<uint8_t> pixels(static_cast<size_t>(kPictureBytes));
  std::mt19937 random(20240607);
  std::uniform_int_distribution<int> noise(-16, 16);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = pixels.data() + static_cast<size_t>(y) * kWidth * 3;
    for (int x = 0; x < kWidth; ++x) {
      const double u = double(x) / kWidth;
      const double v = double(y) / kHeight;
      const double texture = 30 * std::sin(x * 0.05) * std::cos(y * 0.037);
      const double base[3] = {90 + 80 * v + texture, 60 + 120 * u * v + texture,
                              120 + 90 * std::sin(3 * u + 2 * v)};
      for (int c = 0; c < 3; ++c) {
        row[3 * x + c] = static_cast<uint8_t>(std::clamp(base[c] + noise(random), 0.0, 255.0));
      }
    }
  }
  return pixels;
}

// The settings both sides use: the library's defaults at quality 90, baseline tables.
std::vector<uint8_t> Encode(const uint8_t* pixels, int width, int height) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, kQuality, TRUE);
  jpeg_start_compress(&info, TRUE);
  const size_t stride = static_cast<size_t>(width) * 3;
  std::vector<JSAMPROW> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) rows[y] = const_cast<JSAMPROW>(pixels + y * stride);
  while (info.next_scanline < info.image_height) {
    jpeg_write_scanlines(&info, rows.data() + info.next_scanline,
                         info.image_height - info.next_scanline);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

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
  const std::unique_ptr<uint8_t[]> decoded(new uint8_t[size]);
  std::vector<JSAMPROW> rows(static_cast<size_t>(h));
  for (int y = 0; y < h; ++y) rows[y] = decoded.get() + static_cast<size_t>(y) * w * 3;
  while (info.output_scanline < info.output_height) {
    jpeg_read_scanlines(&info, rows.data() + info.output_scanline,
                        info.output_height - info.output_scanline);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);

  // Turned picture: h wide, w high; target (x, y) comes from source (w - 1 - y, x).
  const std::unique_ptr<uint8_t[]> turned(new uint8_t[size]);
  for (int y0 = 0; y0 < w; y0 += kTile) {
    for (int x0 = 0; x0 < h; x0 += kTile) {
      for (int y = y0; y < std::min(y0 + kTile, w); ++y) {
        uint8_t* out = turned.get() + (static_cast<size_t>(y) * h + x0) * 3;
        const size_t column = static_cast<size_t>(w - 1 - y) * 3;
        for (int x = x0; x < std::min(x0 + kTile, h); ++x, out += 3) {
          std::memcpy(out, rows[x] + column, 3);
        }
      }
    }
  }
  return Encode(turned.get(), h, w).size();
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

// A field of /proc/self/status in kB. The peak is the process's own high-water mark: unlike the
// resource usage, it does not carry over the spawning process's memory.
long StatusKb(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(field.size()));
  }
  return 0;
}

// Runs the job once in this process and prints the resident memory before it and at its peak.
int JobOnce(const char* source, const char* out) {
  quillo::HeadlessApp app("/opt/quillomark/Quillomark.exe");
  PrepareJob(app, source, out);
  const long before = StatusKb("VmRSS:");
  RunJob(app);
  std::printf("%ld %ld\n", before, StatusKb("VmHWM:"));
  return 0;
}

// The child's resident memory before the job and its peak, in kB.
std::pair<long, long> JobMemory(const fs::path& source, const fs::path& out) {
  std::string self = fs::read_symlink("/proc/self/exe").string();
  std::string flag = "--job-once";
  std::string source_text = source.string();
  std::string out_text = out.string();
  char* argv[] = {self.data(), flag.data(), source_text.data(), out_text.data(), nullptr};
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
  pid_t child = 0;
  if (::posix_spawn(&child, self.c_str(), &actions, nullptr, argv, environ) != 0) {
    throw std::runtime_error("spawn failed");
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_fds[1]);
  char text[128] = {};
  const ssize_t n = ::read(pipe_fds[0], text, sizeof text - 1);
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  long before = 0;
  long peak = 0;
  if (n <= 0 || std::sscanf(text, "%ld %ld", &before, &peak) != 2 || status != 0) {
    throw std::runtime_error("the measuring child failed");
  }
  return {before, peak};
}

// The turn of a 24-bit bitmap against copying its bytes into a new buffer.
void TurnAgainstCopy(const std::vector<uint8_t>& pixels) {
  quillo::TBitmap bitmap;
  bitmap.SetPixelFormat(quillo::px24Bit);
  bitmap.SetWidth(kWidth);
  bitmap.SetHeight(kHeight);
  for (int y = 0; y < kHeight; ++y) {
    std::memcpy(bitmap.RowAddress(y), pixels.data() + static_cast<size_t>(y) * kWidth * 3,
                kWidth * 3);
  }
  std::vector<double> turns;
  std::vector<double> copies;
  for (int round = 0; round <= kRounds; ++round) {
    turns.push_back(Seconds([&] { quillo::RotateBitmap90(bitmap, quillo::rdCounterClockwise); }));
    copies.push_back(Seconds([&] {
      const std::unique_ptr<uint8_t[]> copy(new uint8_t[pixels.size()]);
      std::memcpy(copy.get(), pixels.data(), pixels.size());
      asm volatile("" : : "r"(copy.get()) : "memory");
    }));
  }
  turns.erase(turns.begin());
  copies.erase(copies.begin());
  std::printf(
      "quarter turn of %d x %d 24-bit, best of %d: %.3f s; plain copy of the same bytes: %.3f s; "
      "ratio %.2f (medians %.3f s and %.3f s)\n",
      kWidth, kHeight, kRounds, Best(turns), Best(copies), Best(turns) / Best(copies),
      Median(turns), Median(copies));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--job-once") return JobOnce(argv[2], argv[3]);

  const ScratchFolder scratch;
  const fs::path source = scratch.Path() / "in" / "photo.jpg";
  const fs::path out = scratch.Path() / "out";
  fs::create_directories(source.parent_path());
  fs::create_directories(out);
  const std::vector<uint8_t> pixels = PhotoPixels();
  const std::vector<uint8_t> file = Encode(pixels.data(), kWidth, kHeight);
  std::ofstream(source, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));

  quillo::HeadlessApp app("/opt/quillomark/Quillomark.exe");
  PrepareJob(app, source, out);
  std::vector<double> plain_times;
  std::vector<double> job_times;
  // The first round only warms up; the order alternates so that neither side always goes first.
  for (int round = 0; round <= kRounds; ++round) {
    const auto plain = [&] { plain_times.push_back(Seconds([&] { PlainProgram(file); })); };
    const auto job = [&] { job_times.push_back(Seconds([&] { RunJob(app); })); };
    if (round % 2 == 0) {
      plain();
      job();
    } else {
      job();
      plain();
    }
    if (round == 0) {
      plain_times.clear();
      job_times.clear();
    }
  }
  std::printf(
      "rotate job on a %d x %d JPEG of %.1f MB, best of %d rounds: %.3f s; plain libjpeg-turbo "
      "program: %.3f s; ratio %.3f (medians %.3f s and %.3f s, ratio %.3f)\n",
      kWidth, kHeight, file.size() / 1e6, kRounds, Best(job_times), Best(plain_times),
      Best(job_times) / Best(plain_times), Median(job_times), Median(plain_times),
      Median(job_times) / Median(plain_times));

  const auto [before_kb, peak_kb] = JobMemory(source, out);
  const double picture_mb = kPictureBytes / 1e6;
  const double peak_mb = peak_kb * 1024 / 1e6;
  const double job_mb = (peak_kb - before_kb) * 1024 / 1e6;
  std::printf(
      "rotate job memory: peak %.1f MB, of which %.1f MB above the process before the job; one "
      "decoded picture %.1f MB; goal 2.2 x picture + 30 MB = %.1f MB; peak / goal %.2f\n",
      peak_mb, job_mb, picture_mb, 2.2 * picture_mb + 30, peak_mb / (2.2 * picture_mb + 30));

  TurnAgainstCopy(pixels);
  return 0;
}
