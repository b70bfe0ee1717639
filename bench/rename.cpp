// The rename batch on 100 files of 5 MB against cp of the same files, measured in the same run.
// Prints the best and the median time of each and the ratios rename / cp; then the batch replacing
// every target against the batch into an empty folder, which tells what the flushes of a durable
// replacement cost.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "ui/headless/headless_window.h"

namespace {

namespace fs = std::filesystem;
using namespace quillo::bench;

constexpr int kFiles = 100;
constexpr size_t kFileBytes = 5 * 1024 * 1024;
constexpr int kRounds = 5;

std::vector<std::string> WriteSources(const fs::path& folder) {
  fs::create_directories(folder);
  std::mt19937_64 random(20240607);
  std::vector<uint64_t> words(kFileBytes / sizeof(uint64_t));
  std::vector<std::string> paths;
  for (int i = 0; i < kFiles; ++i) {
    std::generate(words.begin(), words.end(), random);
    paths.push_back((folder / ("shot" + std::to_string(i) + ".jpg")).string());
    std::ofstream(paths.back(), std::ios::binary)
        .write(reinterpret_cast<const char*>(words.data()),
               static_cast<std::streamsize>(kFileBytes));
  }
  return paths;
}

// An empty destination and no dirty pages left over, so that both contenders start alike.
void Reset(const fs::path& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  ::sync();
}

void RunCp(const std::vector<std::string>& sources, const fs::path& target) {
  std::vector<std::string> args = {"cp", "--"};
  args.insert(args.end(), sources.begin(), sources.end());
  args.push_back(target.string() + "/");
  RunProgram(args);
}

void RunRename(quillo::HeadlessApp& app) {
  app.Click("SpeedButton_RenameExecute");
  if (app.Status() != "Complete!" || !app.Boxes().empty()) {
    throw std::runtime_error("rename batch failed");
  }
}

// A replaced target is flushed before it takes its name, and its folder after; a new one is not.
void ReplacingAgainstNew(quillo::HeadlessApp& app, const fs::path& target) {
  const auto [fresh_times, replacing_times] = AlternateRounds(
      kRounds,
      [&] {
        Reset(target);
        return Seconds([&] { RunRename(app); });
      },
      [&] {
        ::sync();
        return Seconds([&] { RunRename(app); });
      });
  const double fresh = Best(fresh_times);
  const double replacing = Best(replacing_times);
  std::printf(
      "rename batch replacing all %d targets (flushed), best of %d: %.3f s; into an empty folder: "
      "%.3f s; ratio %.3f, %.1f ms per file (medians %.3f s and %.3f s)\n",
      kFiles, kRounds, replacing, fresh, replacing / fresh, (replacing - fresh) * 1000 / kFiles,
      Median(replacing_times), Median(fresh_times));
}

}  // namespace

int main() {
  const ScratchDir scratch;
  const fs::path source = scratch.Path() / "source";
  const fs::path cp_target = scratch.Path() / "cp";
  const fs::path rename_target = scratch.Path() / "rename";
  const std::vector<std::string> sources = WriteSources(source);

  quillo::HeadlessApp app("/opt/quillomark/Quillomark.exe");
  app.Type("Edit_RenameSource", source.string());
  app.Type("Edit_RenameDest", rename_target.string() + "/");
  app.SetLines("Editor3", sources);

  // The first round only warms the page cache.
  const auto [cp_times, rename_times] = AlternateRounds(
      kRounds,
      [&] {
        Reset(cp_target);
        return Seconds([&] { RunCp(sources, cp_target); });
      },
      [&] {
        Reset(rename_target);
        return Seconds([&] { RunRename(app); });
      });

  // Other work on the machine only ever adds time, so the best round is the fairest figure.
  const double cp = Best(cp_times);
  const double rename = Best(rename_times);
  std::printf(
      "rename batch, %d files of %zu MB, best of %d rounds: %.3f s; cp: %.3f s; ratio %.3f "
      "(medians %.3f s and %.3f s, ratio %.3f)\n",
      kFiles, kFileBytes >> 20, kRounds, rename, cp, rename / cp, Median(rename_times),
      Median(cp_times), Median(rename_times) / Median(cp_times));
  ReplacingAgainstNew(app, rename_target);
  return 0;
}
