// The format registry: its start-up table, the extension and class bookkeeping of registering
// and removing, the order of the content search, and the lookup of a file by its content.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "image/bitmap.h"
#include "image/jpeg_image.h"
#include "imagelib/format_registry.h"
#include "imagelib/formats/png_graphic.h"
#include "imagelib/formats/targa.h"
#include "imagelib/tiff/tiff_graphic.h"
#include "platform/errors.h"
#include "support/png_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

// Hears what the registry tells the framework's picture-format list.
class RecordingFormatList : public TPictureFormatList {
 public:
  void RegisterFileFormat(const std::string& extension, const std::string& description,
                          const TGraphicClass&) override {
    listed.emplace_back(extension, description);
  }
  void UnregisterGraphicClass(const TGraphicClass& graphic_class) override {
    withdrawn.push_back(graphic_class.Name());
  }

  std::vector<std::pair<std::string, std::string>> listed;
  std::vector<std::string> withdrawn;
};

std::vector<std::string> ClassNames(const TFileFormatList& list) {
  std::vector<std::string> names;
  for (const auto& entry : list.Classes()) names.push_back(entry->ReaderClass->Name());
  return names;
}

std::vector<std::string> ExtensionsOf(const TFileFormatList& list, const std::string& name) {
  std::vector<std::string> found;
  for (const auto& entry : list.Extensions()) {
    if (entry->Owner->ReaderClass->Name() == name) found.push_back(entry->Extension);
  }
  return found;
}

const TClassEntry& EntryOf(const TFileFormatList& list, const TGraphicClass& graphic_class) {
  const int32_t index = list.IndexOfClass(graphic_class);
  EXPECT_GE(index, 0) << graphic_class.Name();
  return *list.Classes().at(index);
}

// Content tests of stand-in reader classes: each counts how often it was asked.
int first_asked = 0;
int second_asked = 0;
bool FirstAccepts(TStream&) { return ++first_asked, true; }
bool SecondAccepts(TStream&) { return ++second_asked, true; }
const TGraphicClass kTiffLike("TTIFFGraphic", FirstAccepts);
const TGraphicClass kSecondReader("TSecondReader", SecondAccepts);
const TGraphicClass kPlainGraphic("TPlainGraphic");

class StartUpTable : public ::testing::Test {
 protected:
  StartUpTable() : list_(&heard_) { RegisterFileFormats(list_); }

  RecordingFormatList heard_;
  TFileFormatList list_;
};

TEST_F(StartUpTable, ClassesInTheOrderOfTheContentSearch) {
  EXPECT_EQ(ClassNames(list_), (std::vector<std::string>{
                                   "TBitmap", "TIcon", "TMetafile", "TJPEGImage", "TTargaGraphic",
                                   "TTIFFGraphic", "TEPSGraphic", "TPCXGraphic", "TRLAGraphic",
                                   "TSGIGraphic", "TPSDGraphic", "TPPMGraphic", "TAutodeskGraphic",
                                   "TPCDGraphic", "TCUTGraphic", "TPSPGraphic", "TPNGGraphic"}));
  EXPECT_EQ(list_.Extensions().size(), 39u);
  EXPECT_EQ(EntryOf(list_, ClassOf<TBitmap>()).UseCount, 3);
  EXPECT_EQ(EntryOf(list_, ClassOf<TTargaGraphic>()).UseCount, 5);
  EXPECT_EQ(ExtensionsOf(list_, "TJPEGImage"),
            (std::vector<std::string>{"jfif", "jpg", "jpe", "jpeg"}));
  EXPECT_STREQ(EntryOf(list_, ClassOf<TJPEGImage>()).ReaderClass->Create()->ClassName(),
               "TJPEGImage");
  // Icons and metafiles are known by name only: nothing here loads them.
  EXPECT_EQ(list_.Classes().at(1)->ReaderClass->Create(), nullptr);
  EXPECT_EQ(list_.Classes().at(2)->ReaderClass->Create(), nullptr);
  EXPECT_EQ(ExtensionsOf(list_, "TTIFFGraphic"), (std::vector<std::string>{"tiff", "tif", "fax"}));
  // Only the classes of this library are asked by content.
  for (const auto& entry : list_.Classes()) {
    const std::string name = entry->ReaderClass->Name();
    const bool framework =
        name == "TBitmap" || name == "TIcon" || name == "TMetafile" || name == "TJPEGImage";
    EXPECT_EQ(entry->ReaderClass->IsReader(), !framework) << name;
  }
}

TEST_F(StartUpTable, DescriptionsThatReachThePictureFormatList) {
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"bmp", "Windows bitmaps"},   {"emf", "Windows enhanced meta files"},
      {"jpg", "JPG images"},        {"rle", "Run length encoded Windows bitmaps"},
      {"vst", "Truevision images"}, {"tiff", "Macintosh TIFF images"},
      {"tif", "PC TIF images"},     {"fax", "GFI fax images"},
      {"pdd", "Photoshop images"},  {"pbm", "Portable bitmap images"},
      {"pic", "Autodesk images"},   {"png", "Portable network graphic images"},
  };
  for (const auto& want : expected) {
    EXPECT_NE(std::find(heard_.listed.begin(), heard_.listed.end(), want), heard_.listed.end())
        << want.first;
  }
  EXPECT_EQ(heard_.listed.size(), 39u);
  const TExtensionEntry& vst = *list_.Extensions().at(list_.IndexOfExtension("vst"));
  EXPECT_EQ(vst.Description, "");
  EXPECT_EQ(vst.Owner->Description, "Truevision images");
  EXPECT_EQ(list_.Extensions().at(list_.IndexOfExtension("psd"))->FormatKinds,
            fkRaster | fkLayered);
  EXPECT_EQ(list_.Extensions().at(list_.IndexOfExtension("fax"))->FormatKinds,
            fkRaster | fkMultiImage);
  EXPECT_EQ(EntryOf(list_, ClassOf<TTIFFGraphic>()).Description, "Tagged image file format images");
}

TEST_F(StartUpTable, RegisteringAnExtensionTwiceIsRefused) {
  try {
    list_.AddFormat("bmp", "Windows bitmaps", "", fkRaster, false, ClassOf<TBitmap>());
    FAIL() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Attempt to register bmp twice.");
  }
  EXPECT_THROW(list_.AddFormat("PNG", "", "", fkRaster, false, kSecondReader), EInvalidGraphic);
  EXPECT_EQ(list_.IndexOfClass(kSecondReader), -1);
  EXPECT_EQ(EntryOf(list_, ClassOf<TBitmap>()).UseCount, 3);
}

TEST_F(StartUpTable, RemovingOneExtensionKeepsItsClass) {
  list_.RemoveFormat("rle", kPlainGraphic);  // the class argument is not consulted
  EXPECT_EQ(list_.IndexOfExtension("rle"), -1);
  EXPECT_EQ(EntryOf(list_, ClassOf<TBitmap>()).UseCount, 2);
  EXPECT_TRUE(heard_.withdrawn.empty());
  list_.RemoveFormat("rle", ClassOf<TBitmap>());
  list_.RemoveFormat("", kPlainGraphic);
  EXPECT_EQ(list_.Extensions().size(), 38u);
}

// The teardown passes over the EPS class, which goes with the destruction.
TEST_F(StartUpTable, TeardownLeavesTheFrameworkClassesForTheDestruction) {
  UnregisterFileFormats(list_);
  EXPECT_EQ(heard_.withdrawn, (std::vector<std::string>{
                                  "TPSPGraphic", "TPSDGraphic", "TTargaGraphic", "TTIFFGraphic",
                                  "TSGIGraphic", "TPCXGraphic", "TAutodeskGraphic", "TPCDGraphic",
                                  "TPPMGraphic", "TCUTGraphic", "TRLAGraphic", "TPNGGraphic"}));
  EXPECT_EQ(ClassNames(list_), (std::vector<std::string>{"TBitmap", "TIcon", "TMetafile",
                                                         "TJPEGImage", "TEPSGraphic"}));
  EXPECT_EQ(ExtensionsOf(list_, "TBitmap"), std::vector<std::string>{"bmp"});
  list_.RemoveAll();
  EXPECT_EQ(heard_.withdrawn.size(), 17u);
  EXPECT_EQ(heard_.withdrawn.back(), "TEPSGraphic");
  EXPECT_TRUE(list_.Extensions().empty());
}

struct ExtensionCase {
  const char* asked;
  int32_t index;
};

TEST(IndexOfExtension, IgnoresLetterCaseButNotTheDot) {
  TFileFormatList list;
  list.AddFormat("tiff", "Tagged image file format images", "Macintosh TIFF images",
                 fkRaster | fkMultiImage, false, kTiffLike);
  list.AddFormat("tif", "", "PC TIF images", fkRaster | fkMultiImage, false, kTiffLike);
  for (const ExtensionCase& c :
       {ExtensionCase{"TIFF", 0}, ExtensionCase{"Tif", 1}, ExtensionCase{".tif", -1},
        ExtensionCase{"", -1}, ExtensionCase{"ti", -1}, ExtensionCase{"tiffs", -1}}) {
    EXPECT_EQ(list.IndexOfExtension(c.asked), c.index) << c.asked;
  }
  list.AddFormat("", "", "", fkRaster, false, kSecondReader);
  EXPECT_EQ(list.IndexOfClass(kSecondReader), -1);
}

TEST(RemoveFormat, AWholeClassTakesItsExtensions) {
  RecordingFormatList heard;
  TFileFormatList list(&heard);
  list.AddFormat("tga", "Truevision images", "", fkRaster, false, kSecondReader);
  list.AddFormat("tiff", "Tagged image file format images", "", fkRaster, false, kTiffLike);
  list.AddFormat("tif", "", "", fkRaster, false, kTiffLike);
  list.AddFormat("png", "", "", fkRaster, false, kSecondReader);
  list.AddFormat("fax", "", "", fkRaster, false, kTiffLike);
  list.RemoveFormat("", kTiffLike);
  EXPECT_EQ(ClassNames(list), std::vector<std::string>{"TSecondReader"});
  EXPECT_EQ(ExtensionsOf(list, "TSecondReader"), (std::vector<std::string>{"tga", "png"}));
  EXPECT_EQ(heard.withdrawn, std::vector<std::string>{"TTIFFGraphic"});
  // A class that is not registered is passed over quietly.
  list.RemoveFormat("", kTiffLike);
  list.RemoveFormat("tif", kTiffLike);
  EXPECT_EQ(heard.withdrawn.size(), 1u);
  // The last extension of a class takes the class with it.
  list.RemoveFormat("png", kSecondReader);
  list.RemoveFormat("TGA", kSecondReader);
  EXPECT_TRUE(list.Classes().empty());
  EXPECT_EQ(heard.withdrawn.back(), "TSecondReader");
}

TEST(AddFormat, ReplacingMovesTheExtensionAndKeepsItsDescription) {
  RecordingFormatList heard;
  TFileFormatList list(&heard);
  list.AddFormat("pcx", "ZSoft Paintbrush images", "", fkRaster, false, kTiffLike);
  list.AddFormat("pcc", "", "PCC images", fkRaster | fkLayered, false, kTiffLike);
  list.AddFormat("pcc", "Other images", "", fkVector, true, kSecondReader);
  const TExtensionEntry& pcc = *list.Extensions().at(1);
  EXPECT_EQ(pcc.Description, "PCC images");
  EXPECT_EQ(pcc.FormatKinds, fkRaster | fkLayered);
  EXPECT_EQ(pcc.Owner->ReaderClass, &kSecondReader);
  EXPECT_EQ(pcc.Owner->Description, "Other images");
  EXPECT_EQ(EntryOf(list, kTiffLike).UseCount, 1);
  EXPECT_EQ(heard.listed.back(), (std::pair<std::string, std::string>{"pcc", "Other images"}));
  // Moving the last extension away drops the old class.
  list.AddFormat("pcx", "", "", fkRaster, true, kSecondReader);
  EXPECT_EQ(ClassNames(list), std::vector<std::string>{"TSecondReader"});
  EXPECT_EQ(EntryOf(list, kSecondReader).UseCount, 2);
}

TEST(ClassForStream, AsksTheReadersInClassOrderAndSkipsTheOthers) {
  TFileFormatList list;
  list.AddFormat("bmp", "", "", fkRaster, false, kPlainGraphic);
  list.AddFormat("two", "", "", fkRaster, false, kSecondReader);
  list.AddFormat("tif", "", "", fkRaster, false, kTiffLike);
  list.AddFormat("bw", "", "", fkRaster, false, kSecondReader);
  TMemoryStream stream(std::vector<uint8_t>{1, 2, 3});
  first_asked = second_asked = 0;
  EXPECT_EQ(list.ClassForStream(stream), &kSecondReader);
  EXPECT_EQ(second_asked, 1);
  EXPECT_EQ(first_asked, 0);
  list.RemoveFormat("", kSecondReader);
  list.RemoveFormat("", kTiffLike);
  EXPECT_EQ(list.ClassForStream(stream), nullptr);
}

TEST(ClassForFile, GoesByContentNotByName) {
  testing::TempDir dir;
  testing::PngLayout layout{.width = 2, .height = 2};
  const std::string path =
      dir.Write("picture.tif", testing::WritePng(layout, testing::PngSampleRows(layout)));
  TFileFormatList list;
  RegisterFileFormats(list);
  EXPECT_EQ(list.ClassForFile(path), &ClassOf<TPNGGraphic>());
  EXPECT_TRUE(ClassOf<TPNGGraphic>().CanLoadFile(path));
  EXPECT_FALSE(ClassOf<TTargaGraphic>().CanLoadFile(path));
  EXPECT_EQ(list.ClassForFile(dir.Write("empty.tif")), nullptr);
  EXPECT_THROW(list.ClassForFile(dir.File("missing.tif")), EFOpenError);
}

TEST(FormatRegistry, LivesWithTheRegistrationOfTheProgramRun) {
  EXPECT_THROW(FormatRegistry(), std::logic_error);
  {
    TFormatRegistration registration;
    EXPECT_EQ(FormatRegistry().IndexOfExtension("png"), 38);
    EXPECT_THROW(TFormatRegistration(), std::logic_error);
    auto instance = FormatRegistry().Classes().back()->ReaderClass->Create();
    EXPECT_STREQ(instance->ClassName(), "TPNGGraphic");
  }
  EXPECT_THROW(FormatRegistry(), std::logic_error);
}

}  // namespace
}  // namespace quillo
