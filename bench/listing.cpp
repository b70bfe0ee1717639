// The shell front end's `list --subfolders --type jpg` on a photo archive of 100,000 files in 100
// folders, against `find -iname '*.jpg' | sort -f` on the same tree in the same run. Both run as
// child processes writing to /dev/null; prints best and median times, processor times, and each
// side's peak memory as wait4 reports it.
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "photo_tree.h"

namespace {

namespace fs = std::filesystem;
using namespace quillo::bench;

constexpr int kRounds = 7;

double ChildrenProcessorSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct ChildRuns {
  std::vector<double> processor;
  long peak_kb = 0;
};

// Runs the command once and returns its elapsed time, keeping its processor time and peak. A
// child's peak counts from the memory of the process that spawned it, so that process first
// drops its own high-water mark to what it holds now.
double TimeChild(const std::vector<std::string>& args, const std::string& out, ChildRuns& runs) {
  ResetPeak();
  const double processor_before = ChildrenProcessorSeconds();
  long peak_kb = 0;
  const double seconds = Seconds([&] { peak_kb = RunProgram(args, out); });
  runs.processor.push_back(ChildrenProcessorSeconds() - processor_before);
  runs.peak_kb = std::max(runs.peak_kb, peak_kb);
  return seconds;
}

std::vector<std::string> ListArgs(const fs::path& root) {
  return {QUILLO_CLI, "list", "--source", root.string(), "--subfolders", "--type", "jpg"};
}

std::vector<std::string> FindSortArgs(const fs::path& root) {
  return {"sh", "-c", "find '" + root.string() + "' -iname '*.jpg' | LC_ALL=C sort -f"};
}

// Both sides must list the same paths in the same order, or the comparison means nothing.
void CheckSameOutput(const fs::path& root, const ScratchDir& scratch, size_t jpegs) {
  ChildRuns ignored;
  TimeChild(ListArgs(root), scratch.File("list.txt"), ignored);
  TimeChild(FindSortArgs(root), scratch.File("find.txt"), ignored);
  const size_t expected_bytes = fs::file_size(scratch.File("find.txt"));
  if (expected_bytes < jpegs) throw std::runtime_error("find listed too little");
  RunProgram({"cmp", scratch.File("list.txt"), scratch.File("find.txt")});
}

}  // namespace

int main() {
  const ScratchDir scratch;
  const fs::path root = scratch.Path() / "DCIM";
  const size_t jpegs = WritePhotoTree(root);
  CheckSameOutput(root, scratch, jpegs);

  ChildRuns list;
  ChildRuns find;
  const auto [list_times, find_times] = AlternateRounds(
      kRounds, [&] { return TimeChild(ListArgs(root), "/dev/null", list); },
      [&] { return TimeChild(FindSortArgs(root), "/dev/null", find); });
  // The first round only warms the page cache.
  list.processor.erase(list.processor.begin());
  find.processor.erase(find.processor.begin());

  std::printf(
      "list --subfolders --type jpg, %zu of %d files in %d folders, best of %d rounds: %.3f s; "
      "find | sort -f: %.3f s; ratio %.2f (medians %.3f s and %.3f s, ratio %.2f; processor "
      "medians %.3f s and %.3f s, ratio %.2f; goal: at most 1.0)\n",
      jpegs, kTreeFolders * kTreeFilesPerFolder, kTreeFolders, kRounds, Best(list_times),
      Best(find_times), Best(list_times) / Best(find_times), Median(list_times), Median(find_times),
      Median(list_times) / Median(find_times), Median(list.processor), Median(find.processor),
      Median(list.processor) / Median(find.processor));
  std::printf(
      "peak memory: list %.1f MB, find | sort -f %.1f MB (goal: list at most 20 MB; neither "
      "can show less than the %.1f MB this program holds when it starts them)\n",
      list.peak_kb * 1024 / 1e6, find.peak_kb * 1024 / 1e6, StatusKb("VmRSS") * 1024 / 1e6);
  return 0;
}
