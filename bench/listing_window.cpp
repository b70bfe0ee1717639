// The Qt window (offscreen) listing a photo archive of 100,000 files in 100 folders into its
// rotate tab's list, against the same listing into the headless window, both in this process:
// what filling the list editor adds to the listing.
#include <QAbstractButton>
#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "bench_support.h"
#include "photo_tree.h"
#include "ui/headless/headless_window.h"
#include "ui/qt/qt_program.h"

namespace {

namespace fs = std::filesystem;
using namespace quillo::bench;

constexpr int kRounds = 7;
constexpr char kExecutable[] = "/opt/quillomark/Quillomark.exe";
constexpr char kListButton[] = "SpeedButton_RotateGetImages";

void SetUpRotateTab(quillo::MainWindow& window, const fs::path& root) {
  window.Edit("Edit_RotateSource").SetText(root.string());
  window.Check("CheckBox_RotateSubFolder").SetChecked(true);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const ScratchDir scratch;
  const fs::path root = scratch.Path() / "DCIM";
  const size_t jpegs = WritePhotoTree(root);

  quillo::QtProgram program(kExecutable);
  program.Show();
  SetUpRotateTab(program.Window(), root);
  auto* button = program.Window().findChild<QAbstractButton*>(kListButton);
  quillo::HeadlessApp headless(kExecutable);
  SetUpRotateTab(headless.Window(), root);

  const auto [window_times, listing_times] = AlternateRounds(
      kRounds,
      [&] {
        return Seconds([&] {
          button->click();
          // The list shows its first rows and their numbers before the time stops.
          QCoreApplication::processEvents();
        });
      },
      [&] { return Seconds([&] { headless.Click(kListButton); }); });
  if (static_cast<size_t>(program.Window().Editor("Editor1").LineCount()) != jpegs ||
      static_cast<size_t>(headless.Window().Editor("Editor1").LineCount()) != jpegs) {
    throw std::runtime_error("a window listed the wrong number of files");
  }
  std::printf(
      "Qt window listing %zu lines into Editor1, best of %d rounds: %.3f s; the listing alone "
      "(headless window): %.3f s; ratio %.2f (medians %.3f s and %.3f s, ratio %.2f)\n",
      jpegs, kRounds, Best(window_times), Best(listing_times),
      Best(window_times) / Best(listing_times), Median(window_times), Median(listing_times),
      Median(window_times) / Median(listing_times));
  return 0;
}
