// The shell front end's enfuse command. First, `enfuse --group auto --run` on 4 brackets of 3
// photo-like 6-megapixel JPEGs, against the same 4 enfuse commands run one after another with
// enfuse's own default threads, in the same run. Then `enfuse --group auto --show-groups` on a
// folder of 10,000 camera JPEGs: its time and its peak memory.
#include <sys/resource.h>

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"

namespace {

namespace fs = std::filesystem;
using namespace quillo::bench;

constexpr int kRounds = 2;
constexpr int kWidth = 3000;
constexpr int kHeight = 2000;
constexpr int kBrackets = 4;
constexpr int kGroupingFiles = 10000;
constexpr int kGroupingRounds = 3;

// A camera's EXIF block: the shot's time and exposure, and a 160 x 120 thumbnail.
std::string ExifBlock(int second, int hundredths, const char* exposure,
                      const std::vector<uint8_t>& thumbnail) {
  Exiv2::ExifData data;
  data["Exif.Image.Make"] = "Quillo Optics";
  data["Exif.Image.Model"] = "Bracket 3";
  data["Exif.Image.Orientation"] = uint16_t{1};
  char time[32];
  std::snprintf(time, sizeof time, "2024:05:01 %02d:%02d:%02d", 10 + second / 3600,
                second / 60 % 60, second % 60);
  data["Exif.Photo.DateTimeOriginal"] = time;
  data["Exif.Photo.SubSecTimeOriginal"] = std::to_string(hundredths);
  data["Exif.Photo.ExposureTime"] = exposure;
  data["Exif.Photo.FNumber"] = "8/1";
  data["Exif.Photo.ISOSpeedRatings"] = uint16_t{100};
  data["Exif.Photo.FocalLength"] = "35/1";
  data["Exif.Photo.LensModel"] = "Quillo 35 mm";
  data["Exif.GPSInfo.GPSLatitudeRef"] = "N";
  data["Exif.GPSInfo.GPSLatitude"] = "35/1 39/1 2932/100";
  Exiv2::ExifThumb(data).setJpegThumbnail(thumbnail.data(), static_cast<long>(thumbnail.size()));
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
  return std::string("Exif\0\0", 6) + std::string(blob.begin(), blob.end());
}

const char* const kExposures[] = {"1/100", "1/400", "1/25"};

// Brackets of 0, -2 and +2 EV, a minute apart; the pictures' brightness follows the exposure.
void WriteBrackets(const fs::path& folder) {
  fs::create_directories(folder);
  const std::vector<uint8_t> thumbnail = EncodeJpeg(PhotoRgb(160, 120).data(), 160, 120, 90);
  const std::vector<uint8_t> photo = PhotoRgb(kWidth, kHeight);
  const double brightness[] = {1.0, 0.5, 1.8};
  for (int shot = 0; shot < 3; ++shot) {
    std::vector<uint8_t> rgb = photo;
    for (uint8_t& sample : rgb)
      sample = static_cast<uint8_t>(std::min(255.0, sample * brightness[shot]));
    for (int b = 0; b < kBrackets; ++b) {
      const std::vector<uint8_t> jpeg =
          EncodeJpeg(rgb.data(), kWidth, kHeight, 90,
                     ExifBlock(b * 60 + shot, 0, kExposures[shot], thumbnail));
      const std::string name = "IMG_" + std::to_string(b * 3 + shot + 1000) + ".jpg";
      WritePlain((folder / name).string(), jpeg.data(), jpeg.size());
    }
  }
}

// 10,000 small camera files in brackets of three, a few seconds apart.
void WriteArchive(const fs::path& folder) {
  fs::create_directories(folder);
  const std::vector<uint8_t> thumbnail = EncodeJpeg(PhotoRgb(160, 120).data(), 160, 120, 90);
  const std::vector<uint8_t> rgb = PhotoRgb(64, 48);
  for (int i = 0; i < kGroupingFiles; ++i) {
    const std::vector<uint8_t> jpeg = EncodeJpeg(
        rgb.data(), 64, 48, 90, ExifBlock(i / 3 * 5, i % 3 * 20, kExposures[i % 3], thumbnail));
    const std::string name = "IMG_" + std::to_string(10000 + i) + ".jpg";
    WritePlain((folder / name).string(), jpeg.data(), jpeg.size());
  }
}

std::vector<std::string> EnfuseCommand(const fs::path& folder, int bracket) {
  std::vector<std::string> args = {"enfuse", "-o"};
  std::string output = (folder / "enfused").string() + "/";
  std::vector<std::string> inputs;
  for (int shot = 0; shot < 3; ++shot) {
    const std::string name = "IMG_" + std::to_string(bracket * 3 + shot + 1000);
    output += (shot > 0 ? "-" : "") + name;
    inputs.push_back((folder / (name + ".jpg")).string());
  }
  args.push_back(output + ".jpg");
  args.insert(args.end(), inputs.begin(), inputs.end());
  return args;
}

double RunOurs(const fs::path& folder) {
  fs::remove_all(folder / "enfused");
  return Seconds([&] {
    RunProgram({QUILLO_CLI, "enfuse", "--source", folder.string(), "--group", "auto", "--run"},
               "/dev/null");
  });
}

double RunOneAfterAnother(const fs::path& folder) {
  fs::remove_all(folder / "enfused");
  fs::create_directories(folder / "enfused");
  return Seconds([&] {
    for (int b = 0; b < kBrackets; ++b) RunProgram(EnfuseCommand(folder, b));
  });
}

}  // namespace

int main() {
  // enfuse's own default, as a user who runs the commands by hand gets it.
  ::unsetenv("OMP_NUM_THREADS");
  const ScratchDir scratch;
  const fs::path brackets = scratch.Path() / "brackets";
  WriteBrackets(brackets);
  const auto [ours, theirs] = AlternateRounds(
      kRounds, [&] { return RunOurs(brackets); }, [&] { return RunOneAfterAnother(brackets); });
  if (fs::exists(brackets / "enfused" / "IMG_1000-IMG_1001-IMG_1002.jpg") == false)
    throw std::runtime_error("no result");
  std::printf(
      "enfuse --run, %d brackets of 3 x %d MP JPEGs: median %.2f s; the same enfuse commands one "
      "after another: %.2f s; ratio %.2f (best %.2f s and %.2f s; goal: at most 0.8)\n",
      kBrackets, kWidth * kHeight / 1000000, Median(ours), Median(theirs),
      Median(ours) / Median(theirs), Best(ours), Best(theirs));

  const fs::path archive = scratch.Path() / "archive";
  WriteArchive(archive);
  std::vector<double> times;
  long peak_kb = 0;
  for (int round = 0; round <= kGroupingRounds; ++round) {
    ResetPeak();
    long round_peak = 0;
    const double seconds = Seconds([&] {
      round_peak = RunProgram(
          {QUILLO_CLI, "enfuse", "--source", archive.string(), "--group", "auto", "--show-groups"},
          "/dev/null");
    });
    // The first round only warms the page cache.
    if (round == 0) continue;
    times.push_back(seconds);
    peak_kb = std::max(peak_kb, round_peak);
  }
  std::printf(
      "enfuse --group auto --show-groups on %d camera JPEGs: median %.2f s, best %.2f s (goal: "
      "at most 2 s); peak memory %.1f MB (goal: at most 64 MB)\n",
      kGroupingFiles, Median(times), Best(times), peak_kb * 1024 / 1e6);
  return 0;
}
