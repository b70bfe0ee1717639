// The library glue: sources, destination, error codes, and exceptions raised inside library
// callbacks coming out as themselves.
#include "image/jpeg_glue.h"

#include <gtest/gtest.h>
#include <jerror.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/errors.h"
#include "support/bmp_test_support.h"
#include "support/jpeg_test_support.h"

namespace quillo {
namespace {

using testing::LibjpegDecode;
using testing::LibjpegEncode;
using testing::PhotoSamples;
using testing::Samples;

// Decodes every row through the decompressor's current source.
Samples DecodeAll(TJpegDecompressor& decoder) {
  jpeg_decompress_struct& info = decoder.Info();
  Samples s;
  decoder.Run([&] {
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
  });
  s = {static_cast<int>(info.output_width),
       static_cast<int>(info.output_height),
       info.output_components,
       {}};
  const size_t stride = size_t{info.output_width} * 3;
  s.data.resize(stride * info.output_height);
  decoder.Run([&] {
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = s.data.data() + info.output_scanline * stride;
      jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
  });
  return s;
}

const uint8_t* BytesOf(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

TEST(JpegGlue, MemorySourceCallsTheEndHookOnlyWhenTheBytesRunOut) {
  const std::string file = LibjpegEncode(PhotoSamples(48, 40));
  const std::string cut = file.substr(0, file.size() * 2 / 3);
  for (const std::string* input : {&file, &cut}) {
    TJpegDecompressor decoder;
    int ends = 0;
    decoder.SetMemorySource(BytesOf(*input), input->size(), [&] { ++ends; });
    const Samples ours = DecodeAll(decoder);
    EXPECT_TRUE(ours.data == LibjpegDecode(*input).data);
    EXPECT_EQ(ends > 0, input == &cut);
  }
}

TEST(JpegGlue, ExceptionFromTheEndHookComesOutAsItselfAndTheHolderStartsAgain) {
  const std::string file = LibjpegEncode(PhotoSamples(48, 40));
  const std::string cut = file.substr(0, file.size() / 2);
  TJpegDecompressor decoder;
  decoder.SetMemorySource(BytesOf(cut), cut.size(), [] { throw EGraphicCompression("cut"); });
  try {
    DecodeAll(decoder);
    ADD_FAILURE() << "the hook's exception was lost";
  } catch (const EGraphicCompression& e) {
    EXPECT_EQ(e.Message(), "cut");
  }
  decoder.SetMemorySource(BytesOf(file), file.size());
  EXPECT_TRUE(DecodeAll(decoder).data == LibjpegDecode(file).data);
}

TEST(JpegGlue, EmptyInputIsTheLibrarysEmptyInputErrorForBothSources) {
  TJpegDecompressor from_memory;
  from_memory.SetMemorySource(nullptr, 0);
  EXPECT_THROW(
      {
        try {
          DecodeAll(from_memory);
        } catch (const EJPEG& e) {
          EXPECT_EQ(e.Message(), JpegErrorMessage(JERR_INPUT_EMPTY));
          throw;
        }
      },
      EJPEG);
  TJpegDecompressor from_stream;
  TMemoryStream empty;
  from_stream.SetStreamSource(empty);
  EXPECT_THROW(DecodeAll(from_stream), EJPEG);
}

// A stream that fails when it is read, or takes nothing when written to.
class BrokenStream : public TMemoryStream {
 public:
  int64_t Read(void*, int64_t) override { throw EReadError(kReadErrorMessage); }
  int64_t Write(const void*, int64_t) override { return 0; }
};

TEST(JpegGlue, StreamFailuresEndTheWorkWithTheStreamsOwnErrors) {
  BrokenStream broken;
  TJpegDecompressor decoder;
  decoder.SetStreamSource(broken);
  EXPECT_THROW(DecodeAll(decoder), EReadError);

  TJpegCompressor encoder;
  encoder.SetStreamDestination(broken);
  jpeg_compress_struct& info = encoder.Info();
  const Samples rgb = PhotoSamples(64, 64);
  const auto encode = [&] {
    encoder.Run([&] {
      info.image_width = 64;
      info.image_height = 64;
      info.input_components = 3;
      info.in_color_space = JCS_RGB;
      jpeg_set_defaults(&info);
      jpeg_start_compress(&info, TRUE);
      while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.Pixel(0, static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
      }
      jpeg_finish_compress(&info);
    });
  };
  EXPECT_THROW(encode(), EWriteError);
  // The holder starts again after the failure.
  TMemoryStream good;
  encoder.SetStreamDestination(good);
  encode();
  EXPECT_TRUE(LibjpegDecode(testing::BytesOf(good)).width == 64);
}

TEST(JpegGlue, LibraryErrorsCarryTheirCodeAndWarningsPrintNothing) {
  TJpegDecompressor decoder;
  const std::string junk = "GIF89a";
  decoder.SetMemorySource(BytesOf(junk), junk.size());
  try {
    DecodeAll(decoder);
    ADD_FAILURE() << "junk decoded";
  } catch (const EJPEG& e) {
    EXPECT_EQ(e.Message(), "JPEG エラー #" + std::to_string(JERR_NO_SOI));
  }

  // Corrupt entropy-coded data only draws warnings.
  std::string damaged = LibjpegEncode(PhotoSamples(64, 64));
  for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 40; ++i) damaged[i] = '\x55';
  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  TJpegDecompressor warned;
  warned.SetMemorySource(BytesOf(damaged), damaged.size());
  EXPECT_EQ(DecodeAll(warned).height, 64);
  EXPECT_NE(warned.Info().err->msg_code, 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// Holds back its second read for longer than the progress interval.
class SlowStream : public TMemoryStream {
 public:
  using TMemoryStream::TMemoryStream;
  int64_t Read(void* buffer, int64_t count) override {
    if (++reads_ == 2) std::this_thread::sleep_for(std::chrono::milliseconds(520));
    return TMemoryStream::Read(buffer, count);
  }

 private:
  int reads_ = 0;
};

TEST(JpegGlue, AbortFromTheProgressHookLeavesTheLibraryAtOnce) {
  const std::string file = LibjpegEncode(PhotoSamples(200, 150));
  ASSERT_GT(file.size(), 2 * 4096u);
  SlowStream slow(std::vector<uint8_t>(file.begin(), file.end()));
  TJpegDecompressor decoder;
  std::vector<int> reports;
  decoder.SetProgressHook([&](int percent) {
    reports.push_back(percent);
    throw EAbort("stop");
  });
  decoder.SetStreamSource(slow);
  EXPECT_THROW(DecodeAll(decoder), EAbort);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_GE(reports[0], 0);
  EXPECT_LE(reports[0], 100);
}

}  // namespace
}  // namespace quillo
