// Real JPEG files from cameras, phones and other readers' test suites: each turns a quarter
// right with its tags kept (as exiftool reads them), or is named damaged for a reason that an
// independent reader confirms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "image/lossless/jpeg_turn.h"
#include "platform/errors.h"
#include "support/jpeg_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

namespace fs = std::filesystem;

// Who confirms that a file named damaged is: exiftool warns about it, or libjpeg warns about its
// picture data.
enum Confirmation { kExiftoolWarns, kLibjpegOrExiftoolWarns };

const std::pair<const char*, Confirmation> kDamageReasons[] = {
    {"damaged EXIF block: ", kExiftoolWarns},
    {"JPEG markers before the first scan are damaged", kExiftoolWarns},
    {"JPEG transform failed: ", kLibjpegOrExiftoolWarns},
};

// Tags a turn changes on purpose: the orientation, the picture's size, the thumbnail's directory,
// and what exiftool says about the file itself; a file encoded afresh also gets the encoder's own
// JFIF segment. Tags that hold where data lie in the block move when the block is written anew,
// and exiv2 leaves out the structure tags of a TIFF picture, which a JPEG file's block has no use
// for.
const char* const kGroupsTurned[] = {"[ExifTool]", "[System]", "[File]", "[Composite]", "[IFD1]"};
const char* const kGroupsEncodedAfresh[] = {"[JFIF]", "[Adobe]"};
const char* const kTagsTurned[] = {"Orientation", "ExifImageWidth", "ExifImageHeight",
                                   "PhotometricInterpretation"};
const char* const kPositionSuffixes[] = {"Start ", "Offset "};
// What lies behind the picture's end (trailers of other programs, further pictures of a
// multi-picture file) is not part of what the turn carries over.
const char* const kGroupsBehindThePicture[] = {"[PhotoMechanic]", "[MPImage", "[MPF0]"};

using TagLines = std::map<std::string, std::set<std::string>>;

// exiftool's "[group] tag : value" lines of every file, by path.
TagLines Exiftool(const std::vector<std::string>& paths) {
  std::string command = "exiftool -a -G1 -s -n";
  for (const std::string& path : paths) command += " '" + path + "'";
  command += " 2>/dev/null";
  TagLines lines;
  const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return lines;
  std::string current = paths.size() == 1 ? paths[0] : "";
  char buffer[4096];
  while (fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.rfind("======== ", 0) == 0) {
      current = line.substr(9);
      continue;
    }
    if (line.rfind('[', 0) == 0) lines[current].insert(line);
  }
  return lines;
}

bool StartsWithAny(const std::string& line, const auto& prefixes) {
  return std::any_of(std::begin(prefixes), std::end(prefixes),
                     [&](const char* prefix) { return line.rfind(prefix, 0) == 0; });
}

std::set<std::string> Kept(const std::set<std::string>& lines, bool encoded_afresh) {
  std::set<std::string> kept;
  for (const std::string& line : lines) {
    if (StartsWithAny(line, kGroupsTurned) || StartsWithAny(line, kGroupsBehindThePicture)) {
      continue;
    }
    if (encoded_afresh && StartsWithAny(line, kGroupsEncodedAfresh)) continue;
    const size_t name = line.find(']') + 1;
    const std::string tag = line.substr(line.find_first_not_of(' ', name));
    const std::string tag_name = tag.substr(0, tag.find(' ') + 1);
    if (StartsWithAny(tag, kTagsTurned)) continue;
    if (std::any_of(std::begin(kPositionSuffixes), std::end(kPositionSuffixes),
                    [&](const std::string& suffix) { return tag_name.ends_with(suffix); })) {
      continue;
    }
    kept.insert(line);
  }
  return kept;
}

bool ExiftoolWarns(const std::set<std::string>& lines) {
  return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.rfind("[ExifTool]", 0) == 0 && (line.find(" Warning ") != std::string::npos ||
                                                line.find(" Error ") != std::string::npos);
  });
}

TEST(JpegRealCorpus, EveryFileTurnsWithItsTagsOrIsNamedDamagedForAConfirmedReason) {
  const fs::path dir = fs::path(QUILLO_CORPUS_DIR) / "real" / "jpeg";
  if (!fs::exists(dir)) GTEST_SKIP() << "no corpus at " << dir;
  std::vector<std::string> sources;
  for (const auto& entry : fs::directory_iterator(dir)) sources.push_back(entry.path().string());
  std::sort(sources.begin(), sources.end());
  testing::TempDir out;
  std::vector<std::string> targets;
  std::map<std::string, std::string> source_of;
  std::map<std::string, TFileTurnResult> turned;
  const TagLines before = Exiftool(sources);
  for (const std::string& source : sources) {
    SCOPED_TRACE(source);
    const std::string target = out.File(fs::path(source).filename().string());
    try {
      turned[target] = TurnJpegFile(source, target, ptRotate90);
      targets.push_back(target);
      source_of[target] = source;
    } catch (const EInvalidGraphic& e) {
      const std::string message = e.Message();
      ASSERT_EQ(message.rfind(source + ": ", 0), 0u) << message;
      const std::string reason = message.substr(source.size() + 2);
      const auto found = std::find_if(std::begin(kDamageReasons), std::end(kDamageReasons),
                                      [&](const auto& r) { return reason.rfind(r.first, 0) == 0; });
      ASSERT_NE(found, std::end(kDamageReasons)) << "not a damage reason: " << reason;
      const bool exiftool = ExiftoolWarns(before.at(source));
      const bool libjpeg = found->second == kLibjpegOrExiftoolWarns &&
                           testing::LibjpegDecode(testing::ReadFile(source)).warnings > 0;
      EXPECT_TRUE(exiftool || libjpeg) << reason << ": no other reader finds it damaged";
      EXPECT_FALSE(fs::exists(target));
    }
  }
  const TagLines after = Exiftool(targets);
  for (const std::string& target : targets) {
    const std::string& source = source_of[target];
    SCOPED_TRACE(source);
    const TFileTurnResult& result = turned[target];
    ASSERT_NE(result.turn, ftUnchanged);
    const bool afresh = result.turn == ftReEncoded;
    const std::set<std::string> was = Kept(before.at(source), afresh);
    const std::set<std::string> is = Kept(after.at(target), afresh);
    std::vector<std::string> lost, changed;
    std::set_difference(was.begin(), was.end(), is.begin(), is.end(), std::back_inserter(lost));
    std::set_difference(is.begin(), is.end(), was.begin(), was.end(), std::back_inserter(changed));
    EXPECT_TRUE(lost.empty()) << "lost or changed: " << ::testing::PrintToString(lost)
                              << "\nnow: " << ::testing::PrintToString(changed);
    const testing::Header header = testing::LibjpegHeader(testing::ReadFile(target));
    EXPECT_GT(header.components, 0);
  }
}

}  // namespace
}  // namespace quillo
