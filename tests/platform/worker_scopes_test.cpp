#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/deferred_commit.h"
#include "platform/errors.h"
#include "platform/file_stream.h"
#include "platform/message_box.h"
#include "platform/warning_collector.h"
#include "support/open_files.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

using testing::FileNames;
using testing::OpenFilesUnder;
using testing::ReadFile;
using testing::TempDir;

// Writes the files in the given order with commits held back, then ends as the row says.
TEST(DeferredCommits, HeldFilesTakeTheirNamesOnlyWhenCommittedInTheOrderTheyWereFinished) {
  enum Ending { kCommitAll, kDiscard, kFolderGone };
  struct Write {
    std::string name;
    std::string bytes;
  };
  struct Case {
    const char* name;
    std::vector<Write> writes;
    Ending ending;
    std::string files_after;  // in the folder "out", which holds "a.jpg" = "old" at the start
    std::string a_after;
  };
  const Case cases[] = {
      {"CommitPlacesEveryFile",
       {{"a.jpg", "new"}, {"b.jpg", "bee"}},
       kCommitAll,
       "a.jpg b.jpg",
       "new"},
      {"SameTargetTwiceEndsAsTheLaterWrite",
       {{"a.jpg", "first"}, {"a.jpg", "second"}},
       kCommitAll,
       "a.jpg",
       "second"},
      {"DiscardKeepsTheOldTargetAndMakesNothing",
       {{"a.jpg", "new"}, {"b.jpg", "bee"}},
       kDiscard,
       "a.jpg",
       "old"},
      {"NoFolderToCommitIntoFailsAndDropsTheRest",
       {{"gone/x.jpg", "x"}, {"b.jpg", "bee"}},
       kFolderGone,
       "a.jpg",
       "old"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.Write("out/a.jpg", "old");
    dir.Mkdir("out/gone");
    DeferredCommits held;
    {
      const ScopedDeferredCommits scope(held);
      for (const Write& write : c.writes)
        WriteWholeFile(dir.File("out/" + write.name), write.bytes);
    }
    EXPECT_EQ(ReadFile(dir.File("out/a.jpg")), "old");
    EXPECT_EQ(FileNames(dir.File("out")), "a.jpg");
    EXPECT_FALSE(held.Empty());
    switch (c.ending) {
      case kCommitAll:
        held.CommitAll();
        break;
      case kDiscard:
        held.Discard();
        break;
      case kFolderGone:
        std::filesystem::remove(dir.File("out/gone"));
        EXPECT_THROW(held.CommitAll(), EWriteError);
        break;
    }
    EXPECT_TRUE(held.Empty());
    EXPECT_EQ(FileNames(dir.File("out")), c.files_after);
    EXPECT_EQ(ReadFile(dir.File("out/a.jpg")), c.a_after);
    EXPECT_EQ(OpenFilesUnder(dir.Str()), 0);
  }
}

// A message box sink that records what it is asked to show.
class RecordingSink : public MessageBoxSink {
 public:
  void Show(TMessageIcon, const std::string& caption, const std::string& text) override {
    shown.push_back(caption + ": " + text);
  }
  std::vector<std::string> shown;
};

TEST(WarningCollector, BoxesAndWarningsOfACollectingThreadWaitForTheirOwnerInOrder) {
  RecordingSink sink;
  const ScopedMessageBoxSink installed(sink);
  WarningCollector collected;
  std::vector<std::string> lines;
  std::thread worker([&] {
    const ScopedWarningCollector scope(collected);
    ShowMessageBox(miWarning, "first", "box");
    ReportWarning([&] { lines.push_back("line"); });
    ShowMessageBox(miWarning, "second", "box");
  });
  worker.join();
  ShowMessageBox(miWarning, "main", "at once");
  EXPECT_EQ(sink.shown, std::vector<std::string>{"main: at once"});
  EXPECT_TRUE(lines.empty());

  collected.ShowAll();

  EXPECT_EQ(sink.shown, (std::vector<std::string>{"main: at once", "first: box", "second: box"}));
  EXPECT_EQ(lines, std::vector<std::string>{"line"});
  EXPECT_TRUE(collected.Empty());
}

}  // namespace
}  // namespace quillo
