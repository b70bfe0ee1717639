// The content tests of the registered reader classes: each takes a file of its own format and no
// file of another, however short, and leaves the stream where it found it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imagelib/format_registry.h"
#include "imagelib/formats/autodesk.h"
#include "imagelib/formats/cut.h"
#include "imagelib/formats/eps.h"
#include "imagelib/formats/pcd.h"
#include "imagelib/formats/pcx.h"
#include "imagelib/formats/png_graphic.h"
#include "imagelib/formats/portable_map.h"
#include "imagelib/formats/psd.h"
#include "imagelib/formats/psp.h"
#include "imagelib/formats/rla.h"
#include "imagelib/formats/sgi.h"
#include "imagelib/formats/targa.h"
#include "imagelib/tiff/tiff_graphic.h"
#include "platform/file_stream.h"
#include "support/bmp_test_support.h"
#include "support/png_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

using testing::Bytes;

// Big-endian byte strings.
class BeBytes {
 public:
  BeBytes& U8(uint8_t v) { return bytes_.push_back(static_cast<char>(v)), *this; }
  BeBytes& U16(uint16_t v) { return U8(static_cast<uint8_t>(v >> 8)).U8(static_cast<uint8_t>(v)); }
  BeBytes& U32(uint32_t v) {
    return U16(static_cast<uint16_t>(v >> 16)).U16(static_cast<uint16_t>(v));
  }
  BeBytes& Raw(const std::string& s) { return bytes_ += s, *this; }
  BeBytes& Zeros(size_t n) { return bytes_.append(n, '\0'), *this; }
  const std::string& Str() const { return bytes_; }

 private:
  std::string bytes_;
};

struct Sample {
  std::string format;  // the reader class that should take it; other formats have none
  std::string bytes;
  size_t least;  // shorter prefixes are never taken
};

std::string Pad(std::string s, size_t size) { return s.resize(size, '\0'), s; }

std::vector<Sample> Samples() {
  std::vector<Sample> s;
  s.push_back(
      {"TTargaGraphic",
       Bytes().U8(0).U8(0).U8(2).Fill(9, 0).U16(2).U16(1).U8(24).U8(0x20).Fill(6, 0x40).Str(), 18});
  s.push_back({"TTargaGraphic",
               Bytes()
                   .U8(0)
                   .U8(1)
                   .U8(9)
                   .U16(0)
                   .U16(2)
                   .U8(24)
                   .Fill(4, 0)
                   .U16(2)
                   .U16(2)
                   .U8(8)
                   .U8(0)
                   .Fill(6, 0x33)
                   .Raw("\x81\x00\x81\x01")
                   .Str(),
               18});
  s.push_back({"TEPSGraphic",
               Bytes()
                   .U32(0xC6D3D0C5)
                   .U32(30)
                   .U32(24)
                   .Fill(16, 0)
                   .U16(0xFFFF)
                   .Raw("%!PS-Adobe-3.0 EPSF-3.0\n")
                   .Str(),
               30});
  s.push_back({"TEPSGraphic", "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n", 20});
  s.push_back({"TPCXGraphic",
               Pad(Bytes()
                       .U8(10)
                       .U8(5)
                       .U8(1)
                       .U8(8)
                       .U16(0)
                       .U16(0)
                       .U16(9)
                       .U16(4)
                       .U16(72)
                       .U16(72)
                       .Fill(49, 0)
                       .U8(1)
                       .U16(10)
                       .U16(1)
                       .Str(),
                   128) +
                   "\xC5\x10",
               128});
  s.push_back({"TRLAGraphic",
               Pad(BeBytes()
                       .U16(0)
                       .U16(9)
                       .U16(0)
                       .U16(4)
                       .U16(0)
                       .U16(9)
                       .U16(0)
                       .U16(4)
                       .U16(1)
                       .U16(0)
                       .U16(3)
                       .U16(1)
                       .U16(0)
                       .U16(0xFFFE)
                       .Str(),
                   740),
               740});
  s.push_back(
      {"TSGIGraphic",
       Pad(BeBytes().U16(474).U8(0).U8(1).U16(3).U16(2).U16(2).U16(3).U32(0).U32(255).Str(), 512) +
           std::string(12, '\x7F'),
       108});
  s.push_back(
      {"TPSDGraphic",
       BeBytes().Raw("8BPS").U16(1).Zeros(6).U16(3).U32(4).U32(5).U16(8).U16(3).U32(0).Str(), 26});
  s.push_back({"TPPMGraphic", std::string("P6\n2 1\n255\n\x01\x02\x03\x04\x05\x06", 17), 3});
  s.push_back({"TPPMGraphic", "P1\n# made by hand\n2 2\n1 0\n0 1\n", 3});
  s.push_back({"TAutodeskGraphic",
               Bytes()
                   .U16(0x9119)
                   .U16(2)
                   .U16(2)
                   .U16(0)
                   .U16(0)
                   .U8(8)
                   .U8(0)
                   .U32(4)
                   .Fill(16, 0)
                   .Fill(768, 0x3F)
                   .Fill(4, 1)
                   .Str(),
               32});
  s.push_back({"TPCDGraphic", std::string(2048, '\xFF') + Pad("PCD_IPI", 64), 2055});
  s.push_back({"TCUTGraphic",
               Bytes()
                   .U16(4)
                   .U16(3)
                   .U16(0)
                   .U16(3)
                   .Raw("\x84\x05")
                   .U8(0)
                   .U16(6)
                   .Raw("\x02\x07\x08\x82\x09")
                   .U8(0)
                   .U16(3)
                   .Raw("\x84\x01")
                   .U8(0)
                   .Str(),
               11});
  s.push_back({"TPSPGraphic",
               Pad("Paint Shop Pro Image File\n\x1a", 32) + Bytes().U16(5).U16(0).Str(), 36});
  testing::PngLayout png{.width = 3, .height = 2, .color_type = 2};
  s.push_back({"TPNGGraphic", testing::WritePng(png, testing::PngSampleRows(png)), 16});
  // Formats that no reader class of the library takes.
  s.push_back({"BMP", testing::BmpFile({.width = 1, .height = 1}, "", std::string(4, '\0')), 0});
  s.push_back(
      {"JPEG",
       Bytes().Raw("\xFF\xD8\xFF\xE0").U8(0).U8(16).Raw(std::string("JFIF\0", 5)).Fill(64, 1).Str(),
       0});
  // Eight bytes or fewer are never a TIFF file.
  s.push_back({"TTIFFGraphic", Bytes().Raw("II*").U8(0).U32(8).U16(0).U32(0).Fill(32, 0).Str(), 9});
  s.push_back(
      {"TTIFFGraphic", BeBytes().Raw("MM").U16(42).U32(8).U16(0).U32(0).Zeros(32).Str(), 9});
  return s;
}

const std::vector<const TGraphicClass*>& Readers() {
  static const std::vector<const TGraphicClass*> readers = {
      &ClassOf<TTargaGraphic>(), &ClassOf<TEPSGraphic>(),      &ClassOf<TPCXGraphic>(),
      &ClassOf<TRLAGraphic>(),   &ClassOf<TSGIGraphic>(),      &ClassOf<TPSDGraphic>(),
      &ClassOf<TPPMGraphic>(),   &ClassOf<TAutodeskGraphic>(), &ClassOf<TPCDGraphic>(),
      &ClassOf<TCUTGraphic>(),   &ClassOf<TPSPGraphic>(),      &ClassOf<TPNGGraphic>(),
      &ClassOf<TTIFFGraphic>()};
  return readers;
}

// Runs the test from the middle of a memory stream and checks the position afterwards.
bool AskAt(const TGraphicClass& reader, const std::string& bytes, const std::string& before) {
  TMemoryStream stream = testing::StreamOf(before + bytes);
  stream.SetPosition(static_cast<int64_t>(before.size()));
  const bool taken = reader.CanLoadStream(stream);
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(before.size())) << reader.Name();
  return taken;
}

TEST(ContentTest, EachReaderTakesItsOwnFormatOnly) {
  testing::TempDir dir;
  for (const Sample& sample : Samples()) {
    const std::string path = dir.Write("sample", sample.bytes);
    for (const TGraphicClass* reader : Readers()) {
      SCOPED_TRACE(sample.format + " asked of " + reader->Name());
      const bool own = sample.format == reader->Name();
      EXPECT_EQ(AskAt(*reader, sample.bytes, ""), own);
      EXPECT_EQ(AskAt(*reader, sample.bytes, "junk\n"), own);
      TFileStream file(path, fmOpenRead);
      file.SetPosition(0);
      EXPECT_EQ(reader->CanLoadStream(file), own);
      EXPECT_EQ(file.Position(), 0);
    }
  }
}

TEST(ContentTest, ShortFilesAreNeverTakenAndThePositionStays) {
  testing::TempDir dir;
  for (const Sample& sample : Samples()) {
    for (const TGraphicClass* reader : Readers()) {
      if (sample.format != reader->Name()) continue;
      for (size_t size = 0; size < sample.bytes.size(); ++size) {
        const bool taken = AskAt(*reader, sample.bytes.substr(0, size), "xy");
        if (size < sample.least) {
          EXPECT_FALSE(taken) << reader->Name() << " at " << size;
        }
      }
      for (size_t size : {size_t{0}, sample.least / 2, sample.least - 1}) {
        TFileStream file(dir.Write("short", "xy" + sample.bytes.substr(0, size)), fmOpenRead);
        file.SetPosition(2);
        EXPECT_FALSE(reader->CanLoadStream(file)) << reader->Name() << " at " << size;
        EXPECT_EQ(file.Position(), 2);
      }
    }
  }
}

TEST(ContentTest, TargaNeverTakesASecondByteOtherThanZeroOrOne) {
  const std::string targa = Samples().front().bytes;
  for (int second = 0; second < 256; ++second) {
    std::string bytes = targa;
    bytes[1] = static_cast<char>(second);
    EXPECT_EQ(AskAt(ClassOf<TTargaGraphic>(), bytes, ""), second == 0) << second;
  }
}

TEST(ContentTest, TheRegistryFindsEachSampleItsReader) {
  TFileFormatList list;
  RegisterFileFormats(list);
  for (const Sample& sample : Samples()) {
    TMemoryStream stream = testing::StreamOf(sample.bytes);
    const TGraphicClass* found = list.ClassForStream(stream);
    EXPECT_EQ(stream.Position(), 0);
    const bool readable = sample.format.ends_with("Graphic");
    EXPECT_EQ(found != nullptr ? found->Name() : "none", readable ? sample.format : "none");
  }
}

TEST(ContentTest, CorpusFilesAreTakenByTheirReaders) {
  const std::filesystem::path dir = std::filesystem::path(QUILLO_CORPUS_DIR) / "other";
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no corpus";
  TFileFormatList list;
  RegisterFileFormats(list);
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string ext = entry.path().extension().string();
    const TGraphicClass* found = list.ClassForFile(entry.path().string());
    ASSERT_NE(found, nullptr) << entry.path();
    EXPECT_STREQ(found->Name(), ext == ".png" ? "TPNGGraphic" : "TPPMGraphic") << entry.path();
  }
}

}  // namespace
}  // namespace quillo
