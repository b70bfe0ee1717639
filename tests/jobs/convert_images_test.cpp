#include "jobs/convert_images.h"

#include <gtest/gtest.h>
#include <jerror.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "image/jpeg_glue.h"
#include "imagelib/format_registry.h"
#include "jobs/listed_sources.h"
#include "platform/errors.h"
#include "support/jpeg_test_support.h"
#include "support/png_test_support.h"
#include "support/temp_dir.h"
#include "support/tiff_bytes.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

using testing::FileNames;
using testing::PhotoSamples;
using testing::ReadFile;
using testing::Samples;

constexpr char kExecute[] = "SpeedButton_ConversionExecute";
constexpr char kAbort[] = "SpeedButton_ConversionProcess";
constexpr char kOutputType[] = "RadioGroup_ConversionImageType";
constexpr int kBmpItem = 0;
constexpr int kJpgItem = 1;
constexpr int kTifItem = 2;
constexpr const char* kExtensions[] = {".bmp", ".jpg", ".tif"};

// A PNG file's picture as red, green, blue samples.
struct Png {
  std::string bytes;
  Samples samples;
};

Png RgbPng(int width, int height, uint32_t seed) {
  const testing::PngLayout layout{.width = static_cast<uint32_t>(width),
                                  .height = static_cast<uint32_t>(height),
                                  .color_type = 2};
  const auto rows = testing::PngSampleRows(layout, seed);
  Png png{testing::WritePng(layout, rows), {width, height, 3, {}}};
  for (const auto& row : rows)
    png.samples.data.insert(png.samples.data.end(), row.begin(), row.end());
  return png;
}

// What the library's own encoder makes of the pixels at quality 100, baseline.
std::string FullQualityJpeg(const Samples& samples) {
  return testing::LibjpegEncode(samples, {.quality = 100});
}

Samples BmpSamples(const std::string& path) {
  TBitmap bitmap;
  bitmap.LoadFile(path);
  return testing::RgbSamples(bitmap);
}

class ConvertJob : public ::testing::Test {
 protected:
  ConvertJob() : app_("/opt/quillomark/Quillomark.exe") {
    app_.Type("Edit_ConversionSource", src_);
    app_.Type("Edit_ConversionDest", out_);
    // One file at a time, where every pump and every reading of a parameter has its fixed
    // place; the tests at the end run several files at once.
    app_.Form().parallel_files = 1;
  }

  // Writes src/<name> as a 24-bit BMP file of its own size and content.
  std::string Bmp(const std::string& name, int width = 12, int height = 8) {
    TBitmap bitmap;
    testing::FillBitmap(bitmap, PhotoSamples(width, height, Seed(name)));
    bitmap.SaveFile(dir_.File("src/" + name));
    return dir_.File("src/" + name);
  }
  std::string Jpeg(const std::string& name) {
    return dir_.Write("src/" + name, testing::LibjpegEncode(PhotoSamples(10, 6, Seed(name))));
  }
  static uint32_t Seed(const std::string& name) {
    return static_cast<uint32_t>(std::hash<std::string>{}(name));
  }

  void Run() { ASSERT_TRUE(app_.Click(kExecute)); }

  // Back to idle, and "Complete!" shown exactly when the run went through.
  void ExpectIdle(bool completed) {
    EXPECT_FALSE(app_.Form().conversion_running);
    EXPECT_FALSE(app_.Window().SpeedButton(kAbort).Enabled());
    const auto& history = app_.Window().StatusHistory();
    if (completed) {
      EXPECT_EQ(app_.Status(), "Complete!");
    } else {
      EXPECT_EQ(std::count(history.begin(), history.end(), "Complete!"), 0);
    }
  }

  TFormatRegistration formats_;
  testing::TempDir dir_;
  std::string src_ = dir_.Mkdir("src") + "/";
  std::string out_ = dir_.Mkdir("out") + "/";
  HeadlessApp app_;
};

TEST_F(ConvertJob, JpegFilesAreCopiedUnderTheirOwnNamesAndABitmapIsEncodedAtFullQuality) {
  const std::vector<std::string> lines = {Jpeg("a.jpg"), Jpeg("B.JPEG"), Bmp("c.bmp")};
  app_.SetLines("Editor4", lines);
  app_.Pick(kOutputType, kJpgItem);

  Run();

  EXPECT_EQ(FileNames(out_), "B.JPEG a.jpg c.jpg");
  EXPECT_TRUE(ReadFile(out_ + "a.jpg") == ReadFile(lines[0]));
  EXPECT_TRUE(ReadFile(out_ + "B.JPEG") == ReadFile(lines[1]));
  const std::string converted = ReadFile(out_ + "c.jpg");
  EXPECT_FALSE(testing::LibjpegHeader(converted).progressive);
  EXPECT_TRUE(converted == FullQualityJpeg(BmpSamples(lines[2])));
  EXPECT_EQ(app_.Window().StatusHistory(),
            (std::vector<std::string>{"処理中 " + lines[0], "処理中 " + lines[1],
                                      "処理中 " + lines[2], "Complete!"}));
  EXPECT_EQ(app_.Window().Pumps(), 3);
  EXPECT_TRUE(app_.Boxes().empty());
  ExpectIdle(true);
}

TEST_F(ConvertJob, TiffSourceIsCopiedKeepingItsNameOrReadByWhicheverReaderTakesItsContent) {
  // A file named as TIFF that holds a PNG picture: the reader goes by the content.
  const Png png = RgbPng(7, 5, 3);
  const std::string tiff = dir_.Write("src/scan.TIFF", "II*\0 any bytes at all");
  const std::string png_tif = dir_.Write("src/photo.tif", png.bytes);

  app_.SetLines("Editor4", {tiff});
  app_.Pick(kOutputType, kTifItem);
  Run();
  EXPECT_EQ(FileNames(out_), "scan.TIFF");
  EXPECT_TRUE(ReadFile(out_ + "scan.TIFF") == ReadFile(tiff));

  app_.SetLines("Editor4", {png_tif});
  app_.Pick(kOutputType, kBmpItem);
  Run();
  EXPECT_EQ(FileNames(out_), "photo.bmp scan.TIFF");
  EXPECT_TRUE(BmpSamples(out_ + "photo.bmp").data == png.samples.data);
  EXPECT_TRUE(app_.Boxes().empty());
  ExpectIdle(true);
}

TEST_F(ConvertJob, FailingFileEndsTheRunWithoutATargetAndKeepsAnOldOne) {
  const std::string missing_bmp = dir_.File("src/gone.bmp");
  const std::string missing_jpg = dir_.File("src/gone.jpg");
  const std::string unknown = dir_.Write("src/picture.png", RgbPng(4, 4, 1).bytes);
  const std::string garbage_tif = dir_.Write("src/garbage.tif", "no picture in here");
  const std::string junk_jpg = dir_.Write("src/junk.jpg", "not a JPEG");
  const std::string empty_bmp = dir_.Write("src/empty.bmp");
  const std::string good = Bmp("good.bmp");
  const std::string bad_folder = dir_.File("no/such") + "/";
  struct Case {
    const char* name;
    std::string middle;
    int type;
    std::string message;
    std::string old_target = {};  // a file already in the output folder under the target name
    std::string dest = {};        // typed while the middle file is reached
  };
  const Case cases[] = {
      {"MissingFileToConvert", missing_bmp, kJpgItem,
       Format(kFileOpenErrorPattern, {missing_bmp, std::strerror(ENOENT)})},
      {"MissingFileToCopy", missing_jpg, kJpgItem,
       Format(kFileOpenErrorPattern, {missing_jpg, std::strerror(ENOENT)})},
      {"UnknownKind", unknown, kBmpItem, Format(kUnknownImageKindPattern, {unknown})},
      {"TiffNoReaderTakes", garbage_tif, kJpgItem, Format(kNoReaderPattern, {garbage_tif}),
       "garbage.jpg"},
      {"JpegReaderRefuses", junk_jpg, kTifItem, JpegErrorMessage(JERR_NO_SOI), "junk.tif"},
      {"EmptyBmp", empty_bmp, kTifItem, "", "empty.tif"},
      {"TargetCannotBeCreated", good, kTifItem,
       Format(kFileCreateErrorPattern, {bad_folder + "good.tif", std::strerror(ENOENT)}), "",
       bad_folder},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(out_);
    std::filesystem::create_directory(out_);
    if (!c.old_target.empty()) dir_.Write("out/" + c.old_target, "old");
    const std::string before = FileNames(out_);
    app_.ClearBoxes();
    app_.Type("Edit_ConversionDest", out_);
    app_.Pick(kOutputType, c.type);
    const std::string first = Jpeg("a.jpg");
    app_.SetLines("Editor4", {first, c.middle, Bmp("c.bmp")});
    const int pumps_before = app_.Window().Pumps();
    app_.Window().pump_hook = [&] {
      if (app_.Window().Pumps() - pumps_before == 2 && !c.dest.empty())
        app_.Type("Edit_ConversionDest", c.dest);
    };

    Run();

    ASSERT_EQ(app_.Boxes().size(), 1u);
    if (!c.message.empty()) {
      EXPECT_EQ(app_.Boxes()[0].text, ErrorBoxText(c.message));
    }
    const std::string first_target = std::string("a") + kExtensions[c.type];
    EXPECT_EQ(FileNames(out_), before.empty() ? first_target
                                              : std::min(before, first_target) + " " +
                                                    std::max(before, first_target));
    if (!c.old_target.empty()) {
      EXPECT_EQ(ReadFile(out_ + c.old_target), "old");
    }
    EXPECT_EQ(app_.Status(), "処理中 " + c.middle);
    ExpectIdle(false);
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("no")));
}

TEST_F(ConvertJob, OutputFolderNamingNoFolderEndsTheRunWithTheCreateError) {
  const std::string line = Bmp("a.bmp");
  app_.SetLines("Editor4", {line});
  const std::string dest = dir_.File("missing") + "/";
  app_.Type("Edit_ConversionDest", dest);

  Run();

  ASSERT_EQ(app_.Boxes().size(), 1u);
  EXPECT_EQ(app_.Boxes()[0].text,
            ErrorBoxText(Format(kFileCreateErrorPattern, {dest + "a.bmp", std::strerror(ENOENT)})));
  EXPECT_EQ(app_.Status(), "処理中 " + line);
  EXPECT_FALSE(std::filesystem::exists(dest));
  ExpectIdle(false);
}

TEST_F(ConvertJob, OutputFolderEqualToTheSourceFolderCopiesEachFileOntoItself) {
  const std::vector<std::string> lines = {Jpeg("a.jpg"), Jpeg("B.JPEG")};
  const std::string a = ReadFile(lines[0]);
  const std::string b = ReadFile(lines[1]);
  app_.SetLines("Editor4", lines);
  app_.Type("Edit_ConversionDest", src_);
  app_.Pick(kOutputType, kJpgItem);

  Run();

  EXPECT_EQ(FileNames(src_), "B.JPEG a.jpg");
  EXPECT_TRUE(ReadFile(lines[0]) == a);
  EXPECT_TRUE(ReadFile(lines[1]) == b);
  ExpectIdle(true);
}

TEST_F(ConvertJob, TargetThatIsAnotherListedSourceIsRefusedBeforeAnythingIsWritten) {
  const std::string jpg = Jpeg("A.jpg");
  const std::string bmp = Bmp("A.bmp");
  const std::string jpg_before = ReadFile(jpg);
  app_.SetLines("Editor4", {jpg, bmp});
  app_.Type("Edit_ConversionDest", src_);
  app_.Pick(kOutputType, kJpgItem);

  Run();

  ASSERT_EQ(app_.Boxes().size(), 1u);
  EXPECT_EQ(app_.Boxes()[0].text, ErrorBoxText(Format(kTargetIsListedSourcePattern, {bmp, jpg})));
  EXPECT_TRUE(ReadFile(jpg) == jpg_before);
  EXPECT_EQ(FileNames(src_), "A.bmp A.jpg");
  EXPECT_EQ(app_.Window().Pumps(), 0);
  ExpectIdle(false);
}

TEST_F(ConvertJob, SameBaseNameTwiceEndsAsTheLaterFile) {
  const Png png = RgbPng(9, 3, 5);
  app_.SetLines("Editor4", {Bmp("A.bmp", 4, 4), dir_.Write("src/A.tif", png.bytes)});
  app_.Pick(kOutputType, kJpgItem);

  Run();

  EXPECT_EQ(FileNames(out_), "A.jpg");
  EXPECT_TRUE(ReadFile(out_ + "A.jpg") == FullQualityJpeg(png.samples));
  ExpectIdle(true);
}

TEST_F(ConvertJob, OutputTypeAndFolderChangedDuringARunApplyFromTheNextFile) {
  const std::string other = dir_.Mkdir("other") + "/";
  app_.SetLines("Editor4", {Bmp("a.bmp"), Bmp("b.bmp")});
  app_.Pick(kOutputType, kJpgItem);
  app_.Window().pump_hook = [&] {
    // The second file's pump: the first file is done, the second not yet read.
    if (app_.Window().Pumps() != 2) return;
    app_.Pick(kOutputType, kTifItem);
    app_.Type("Edit_ConversionDest", other);
    app_.Click(kExecute);  // ignored while the run goes on
  };

  Run();

  EXPECT_EQ(FileNames(out_), "a.jpg");
  EXPECT_EQ(FileNames(other), "b.tif");
  EXPECT_EQ(app_.Window().Pumps(), 2);
  ExpectIdle(true);
}

TEST_F(ConvertJob, AbortBetweenTwoFilesKeepsTheFilesDoneSoFar) {
  app_.SetLines("Editor4", {Bmp("a.bmp"), Bmp("b.bmp"), Bmp("c.bmp")});
  app_.Pick(kOutputType, kTifItem);
  app_.Window().pump_hook = [&] {
    if (app_.Window().Pumps() == 2) {
      EXPECT_TRUE(app_.Form().conversion_running);
      EXPECT_TRUE(app_.Click(kAbort));
    }
  };

  Run();

  EXPECT_EQ(FileNames(out_), "a.tif");
  EXPECT_EQ(app_.Status(), "中断されました。");
  EXPECT_TRUE(app_.Boxes().empty());
  ExpectIdle(false);
}

TEST_F(ConvertJob, EveryOutputTypeGivesTheSameFilesWarningsAndTextsAtOneAndAtFourFilesAtOnce) {
  const std::vector<std::string> lines = {
      Jpeg("a.jpg"),        dir_.Write("src/cut1.tif", testing::JpegStripThatEndsEarly(1)),
      Bmp("b.bmp", 33, 17), dir_.Write("src/png.tif", RgbPng(9, 7, 2).bytes),
      Bmp("c.bmp", 5, 90),  dir_.Write("src/cut2.tif", testing::JpegStripThatEndsEarly(2)),
      Jpeg("d.jpg")};
  app_.SetLines("Editor4", lines);
  for (const int type : {kBmpItem, kJpgItem, kTifItem}) {
    SCOPED_TRACE(kExtensions[type]);
    app_.Pick(kOutputType, type);
    std::vector<std::string> outs;
    std::vector<std::vector<std::string>> histories;
    std::vector<std::vector<std::string>> boxes;
    for (const int width : {1, 4}) {
      outs.push_back(dir_.Mkdir("out" + std::to_string(type) + "-" + std::to_string(width)) + "/");
      app_.Type("Edit_ConversionDest", outs.back());
      app_.Form().parallel_files = width;
      app_.ClearBoxes();
      // Each warning is shown while the file it belongs to is the one named in the status bar.
      std::vector<std::string> shown;
      app_.box_hook = [&](const ShownBox& box) {
        shown.push_back(app_.Status() + ": " + box.text);
      };
      const size_t statuses_before = app_.Window().StatusHistory().size();

      Run();

      histories.emplace_back(app_.Window().StatusHistory().begin() + statuses_before,
                             app_.Window().StatusHistory().end());
      boxes.push_back(shown);
      EXPECT_EQ(app_.Status(), "Complete!");
    }
    EXPECT_EQ(histories[0], histories[1]);
    EXPECT_EQ(FileNames(outs[0]), FileNames(outs[1]));
    for (const auto& entry : std::filesystem::directory_iterator(outs[0])) {
      const std::string name = entry.path().filename().string();
      EXPECT_TRUE(ReadFile(entry.path().string()) == ReadFile(outs[1] + name)) << name;
    }
    EXPECT_EQ(boxes[0], boxes[1]);
    // TIFF files are copied into TIFF unread.
    if (type == kTifItem) {
      EXPECT_TRUE(boxes[0].empty());
      continue;
    }
    ASSERT_EQ(boxes[0].size(), 2u);
    EXPECT_EQ(boxes[0][0].rfind("処理中 " + lines[1] + ": ", 0), 0u) << boxes[0][0];
    EXPECT_EQ(boxes[0][1].rfind("処理中 " + lines[5] + ": ", 0), 0u) << boxes[0][1];
  }
}

TEST_F(ConvertJob, SourceFolderOrListFailingItsChecksDoesNothingAtAll) {
  const std::string line = Bmp("a.bmp");
  struct Case {
    std::string source;
    std::vector<std::string> lines;
  };
  const Case cases[] = {{"", {line}}, {dir_.File("missing") + "/", {line}}, {src_, {}}};
  for (const Case& c : cases) {
    app_.Type("Edit_ConversionSource", c.source);
    app_.SetLines("Editor4", c.lines);
    app_.Window().SetStatusText("before");

    Run();

    EXPECT_EQ(app_.Status(), "before");
    EXPECT_EQ(app_.Window().Repaints(), 0);
    EXPECT_TRUE(app_.Boxes().empty());
    ExpectIdle(false);
  }
  EXPECT_EQ(FileNames(out_), "");
}

}  // namespace
}  // namespace quillo
