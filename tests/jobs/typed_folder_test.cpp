// A folder typed by hand without its final "/": every job still puts its files into that folder,
// never beside it under a glued name.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/jpeg_test_support.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

TEST(TypedFolder, WithoutItsFinalSeparatorReceivesTheTargets) {
  const struct {
    const char* name;
    const char* source_edit;
    const char* dest_edit;  // nullptr: the job writes into its source folder
    const char* editor;
    const char* execute;
    std::string target;  // relative to the folder written into
  } rows[] = {
      {"Rotate", "Edit_RotateSource", "Edit_RotateDest", "Editor1", "SpeedButton_RotateExecute",
       "a.jpg"},
      {"Rename", "Edit_RenameSource", "Edit_RenameDest", "Editor3", "SpeedButton_RenameExecute",
       "Img_0001.jpg"},
      {"Convert", "Edit_ConversionSource", "Edit_ConversionDest", "Editor4",
       "SpeedButton_ConversionExecute", "a.bmp"},
      {"Enfuse", "Edit_EnfuseSource", nullptr, "Editor2", "SpeedButton_EnfuseExecute",
       "makeenfuse.bat"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TempDir dir;
    const std::string source =
        dir.Write("in/a.jpg", testing::LibjpegEncode(testing::PhotoSamples(16, 16)));
    dir.Mkdir("out");
    HeadlessApp app("/opt/quillomark/Quillomark.exe");
    app.Show();
    app.Type(row.source_edit, dir.File("in"));
    const std::string folder = row.dest_edit != nullptr ? dir.File("out") : dir.File("in");
    if (row.dest_edit != nullptr) app.Type(row.dest_edit, folder);
    app.SetLines(row.editor, {source});

    ASSERT_TRUE(app.Click(row.execute));

    EXPECT_TRUE(app.Boxes().empty());
    EXPECT_EQ(app.Status(), "Complete!");
    EXPECT_TRUE(std::filesystem::is_regular_file(folder + "/" + row.target));
    EXPECT_FALSE(std::filesystem::exists(folder + row.target)) << "glued name";
  }
}

}  // namespace
}  // namespace quillo
