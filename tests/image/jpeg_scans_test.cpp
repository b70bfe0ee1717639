#include "image/jpeg_scans.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csetjmp>
#include <filesystem>
#include <string>

#include "image/jpeg_image.h"
#include "platform/errors.h"
#include "support/bmp_test_support.h"
#include "support/jpeg_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

// The scans libjpeg itself reads from the file, or -1 when it gives up on the file.
struct LibjpegErrors {
  jpeg_error_mgr manager;
  jmp_buf escape;
};

extern "C" void EscapeOnError(j_common_ptr info) {
  longjmp(reinterpret_cast<LibjpegErrors*>(info->err)->escape, 1);
}

extern "C" void Silently(j_common_ptr, int) {}

int LibjpegScanCount(const std::string& bytes) {
  jpeg_decompress_struct info{};
  LibjpegErrors errors{};
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = EscapeOnError;
  errors.manager.emit_message = Silently;
  if (setjmp(errors.escape) != 0) {
    jpeg_destroy_decompress(&info);
    return -1;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_read_header(&info, TRUE);
  info.buffered_image = TRUE;
  jpeg_start_decompress(&info);
  while (jpeg_consume_input(&info) != JPEG_REACHED_EOI) {
  }
  const int scans = info.input_scan_number;
  jpeg_destroy_decompress(&info);
  return scans;
}

// A progressive file with `extra` more copies of its first scan behind it: libjpeg warns of the
// repeated progression and reads every copy.
std::string ProgressiveWithExtraScans(int extra) {
  const std::string jpeg =
      testing::LibjpegEncode(testing::PhotoSamples(16, 16), {.progressive = true});
  const size_t first = jpeg.find("\xFF\xDA");
  size_t next = first + 2;
  while (next + 1 < jpeg.size() && !(jpeg[next] == '\xFF' && jpeg[next + 1] != '\0' &&
                                     (static_cast<uint8_t>(jpeg[next + 1]) < 0xD0 ||
                                      static_cast<uint8_t>(jpeg[next + 1]) > 0xD7))) {
    ++next;
  }
  const std::string scan = jpeg.substr(first, next - first);
  std::string copies;
  for (int i = 0; i < extra; ++i) copies += scan;
  return jpeg.substr(0, next) + copies + jpeg.substr(next);
}

TEST(JpegScans, CountedAsLibjpegReadsThem) {
  const int base = LibjpegScanCount(ProgressiveWithExtraScans(0));
  ASSERT_GT(base, 1);
  const struct {
    const char* name;
    std::string jpeg;
  } cases[] = {
      {"Baseline", testing::LibjpegEncode(testing::PhotoSamples(24, 16))},
      {"Progressive", ProgressiveWithExtraScans(0)},
      {"ProgressiveGrey", testing::LibjpegEncode(testing::PhotoSamples(9, 7),
                                                 {.progressive = true, .jpeg = JCS_GRAYSCALE})},
      {"WithApplicationSegmentsHoldingMarkerBytes",
       testing::LibjpegEncode(testing::PhotoSamples(8, 8),
                              {.markers = {{JPEG_APP0 + 1, std::string("\xFF\xDA\xFF\xDA", 4)},
                                           {JPEG_COM, "\xFF\xDA"}}})},
      {"ThreeHundredExtraScans", ProgressiveWithExtraScans(300)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto* bytes = reinterpret_cast<const uint8_t*>(c.jpeg.data());
    EXPECT_EQ(CountJpegScans(bytes, c.jpeg.size(), kMaxJpegScans), LibjpegScanCount(c.jpeg));
  }
}

TEST(JpegScans, CorpusFilesCountedAsLibjpegReadsThem) {
  const std::filesystem::path corpus = QUILLO_CORPUS_DIR;
  if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no test files";
  int checked = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
    const std::string extension = entry.path().extension().string();
    if (extension != ".jpg" && extension != ".jpeg" && extension != ".JPG") continue;
    const std::string jpeg = testing::ReadFile(entry.path().string());
    const int expected = LibjpegScanCount(jpeg);
    if (expected < 0) continue;
    const auto* bytes = reinterpret_cast<const uint8_t*>(jpeg.data());
    EXPECT_EQ(CountJpegScans(bytes, jpeg.size(), kMaxJpegScans), expected) << entry.path();
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

TEST(JpegScans, FileOfMoreThanAThousandScansIsRefusedBeforeDecoding) {
  const int base = LibjpegScanCount(ProgressiveWithExtraScans(0));
  const struct {
    const char* name;
    int scans;
    bool refused;
  } cases[] = {
      {"AThousand", 1000, false},
      {"AThousandAndOne", 1001, true},
      {"FiveThousand", 5000, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = ProgressiveWithExtraScans(c.scans - base);
    ASSERT_EQ(LibjpegScanCount(file), c.scans);
    TMemoryStream stream = testing::StreamOf(file);
    TJPEGImage jpeg;
    jpeg.Options().JpegProgressiveDisplay = true;
    jpeg.LoadFromStream(stream);
    const auto start = std::chrono::steady_clock::now();
    if (!c.refused) {
      EXPECT_EQ(jpeg.DecodeToBitmap().Width(), 16);
      continue;
    }
    try {
      jpeg.DecodeToBitmap();
      ADD_FAILURE() << "decoded";
    } catch (const EJPEG& error) {
      EXPECT_EQ(error.Message(), kTooManyScansMessage);
    }
    // A bound against hanging, far above the refusal's cost.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  }
}

}  // namespace
}  // namespace quillo
