#include "cli/cli_session.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>

#include "cli/command_line.h"
#include "cli/convert_choices.h"
#include "cli/enfuse_command.h"
#include "cli/job_progress.h"
#include "image/lossless/exif_upright.h"
#include "image/lossless/jpeg_turn.h"
#include "jobs/job_run.h"
#include "jobs/status_text.h"
#include "listing/image_listing.h"
#include "platform/errors.h"
#include "platform/integer_text.h"
#include "platform/path.h"
#include "platform/translation.h"
#include "platform/warning_collector.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

// The controls of the tab a command works on.
struct TabControls {
  const char* source;
  const char* sub_folders;
  const char* image_type;  // nullptr for a tab that lists one kind only
  const char* editor;
  const char* list_button;
  const char* execute_button;
  const char* abort_button;  // nullptr for a job that cannot be aborted
};

constexpr TabControls kRotateTab = {"Edit_RotateSource",
                                    "CheckBox_RotateSubFolder",
                                    nullptr,
                                    "Editor1",
                                    "SpeedButton_RotateGetImages",
                                    "SpeedButton_RotateExecute",
                                    "SpeedButton_TurnProcess"};
constexpr TabControls kRenameTab = {"Edit_RenameSource",           "CheckBox_RenameSubFolder",
                                    "RadioGroup_RenameImageType",  "Editor3",
                                    "SpeedButton_RenameGetImages", "SpeedButton_RenameExecute",
                                    "SpeedButton_RenameProcess"};
constexpr TabControls kEnfuseTab = {"Edit_EnfuseSource",
                                    "CheckBox_EnfuseSubFolder",
                                    "RadioGroup_EnfuseImageType",
                                    "Editor2",
                                    "SpeedButton_EnfuseGetImages",
                                    "SpeedButton_EnfuseExecute",
                                    nullptr};
constexpr TabControls kConvertTab = {"Edit_ConversionSource",
                                     "CheckBox_ConversionSubFolder",
                                     "RadioGroup_ConversionImageFindType",
                                     "Editor4",
                                     "SpeedButton_ConversionGetImages",
                                     "SpeedButton_ConversionExecute",
                                     "SpeedButton_ConversionProcess"};

// An option typed into an edit box, the settings item's default when it is not given.
struct EditOption {
  const char* option;
  const char* edit;
  const char* setting;
};

// The path on one line: line breaks and the backslash that introduces them written as escapes.
std::string EscapedLineBreaks(const std::string& path) {
  std::string escaped;
  for (const char c : path) {
    if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\r') {
      escaped += "\\r";
    } else if (c == '\\') {
      escaped += "\\\\";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

// One line per path, gathered into large blocks so that a long list costs few writes.
void WriteLines(const TextLines& lines, std::ostream& out) {
  constexpr size_t kBlockBytes = size_t{1} << 20;
  std::string block;
  block.reserve(kBlockBytes);
  for (size_t i = 0; i < lines.Count(); ++i) {
    if (block.size() + lines[i].size() >= kBlockBytes) {
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
      block.clear();
    }
    block += lines[i];
    block += '\n';
  }
  out.write(block.data(), static_cast<std::streamsize>(block.size()));
  out.flush();
}

class Session {
 public:
  Session(const CommandLine& line, CliStreams io, const volatile std::sig_atomic_t& interrupted)
      : line_(line), io_(io), interrupted_(interrupted), app_("quillomark-cli") {
    app_.Window().status_hook = [this](const std::string& text) {
      const std::optional<std::string> progress = progress_.OnStatus(text);
      io_.err << (progress ? *progress : TranslateStatusText(text)) << '\n' << std::flush;
    };
    app_.Form().unlisted_hook = [this](const std::string& path) {
      io_.err << "quillomark-cli: left out, the name holds a line break: "
              << EscapedLineBreaks(path) << '\n';
    };
    // Warnings and errors are told at once, naming the file in progress; a warning lets the
    // work go on, an error ends the command. An error a handler raised was told by the error hook.
    app_.box_hook = [this](const ShownBox& box) {
      if (box.icon == miError && std::exchange(error_told_, false)) return;
      const bool captioned = box.icon != miError && !box.caption.empty();
      TellAboutFile((captioned ? Translate(box.caption) + ": " : "") + Translate(box.text));
    };
    // The error's own message, without the box's closing "."; the JPEG library's explanation
    // of its code follows the code.
    app_.Form().error_hook = [this](const std::exception& error) {
      std::string text = Translate(error.what());
      const auto* jpeg = dynamic_cast<const EJPEG*>(&error);
      if (jpeg != nullptr && !jpeg->Explanation().empty()) text += ": " + jpeg->Explanation();
      TellAboutFile(text);
      error_told_ = true;
    };
  }

  int Run() {
    if (line_.command == "list") return List();
    if (line_.command == "rotate") return Rotate();
    if (line_.command == "convert") return Convert();
    if (line_.command == "rename") {
      return Job(
          kRenameTab, {{"prefix", "Edit_Prefix", "Prefix"}, {"suffix", "Edit_Suffix", "Suffix"}},
          {{"first", "Edit_FirstNumber", "FirstNumber"}, {"step", "Edit_RenameStep", "Step"}},
          {{"dest", "Edit_RenameDest"}});
    }
    if (IsEnfuseBeyondWindow(line_)) return Enfuse();
    return Job(kEnfuseTab,
               {{"bat-name", "Edit_BatFileName", "BatFileName"},
                {"option", "Edit_Option", "EnfuseOption"}},
               {{"bracket", "Edit_EnfuseBracket", "EnfuseBracket"}}, {});
  }

 private:
  struct FolderOption {
    const char* option;
    const char* edit;
  };

  // The turn names in the order of the direction items; without --turn, the settings default.
  // --lossless and --auto hand every file to the lossless turns.
  int Rotate() {
    static const char* const kTurns[] = {"right", "left", "180"};
    static const TPictureTurn kPictureTurns[] = {ptRotate90, ptRotate270, ptRotate180};
    if (line_.Has("auto") && line_.Has("turn"))
      return Usage("--auto and --turn exclude each other: --auto turns each file by its own tag");
    int direction = ParseInteger(Default("TurnDirection")).value_or(1);
    if (line_.Has("turn")) {
      const std::string turn = line_.Value("turn");
      const auto found = std::find(std::begin(kTurns), std::end(kTurns), turn);
      if (found == std::end(kTurns))
        return Usage("--turn: expected right, left or 180, not " + turn);
      direction = static_cast<int>(found - std::begin(kTurns));
    }
    app_.Pick("RadioGroup_TurnDirection", direction);
    if (line_.Has("lossless") || line_.Has("auto")) {
      std::optional<TPictureTurn> turn;
      if (!line_.Has("auto")) turn = kPictureTurns[direction];
      PrepareExiv2();
      // Runs on the job's workers; the line is written when the file's result is taken.
      app_.Form().rotate_file_hook = [this, turn](const std::string& source,
                                                  const std::string& target) {
        const TFileTurnResult result = TurnJpegFile(source, target, turn);
        if (result.turn == ftReEncoded) TellFile(source, "not whole blocks, turned by re-encoding");
        if (!result.dropped_thumbnail.empty()) TellFile(source, result.dropped_thumbnail);
      };
    }
    if (const std::optional<int> failed = ParallelFiles()) return *failed;
    return Job(kRotateTab, {}, {}, {{"dest", "Edit_RotateDest"}});
  }

  // The format names in the order of the output-type items; without --to, the tab's first item.
  int Convert() {
    static const char* const kFormats[] = {"bmp", "jpg", "tif"};
    const std::string to = line_.Value("to", kFormats[0]);
    const auto found = std::find(std::begin(kFormats), std::end(kFormats), to);
    if (found == std::end(kFormats)) return Usage("--to: expected bmp, jpg or tif, not " + to);
    app_.Pick("RadioGroup_ConversionImageType", static_cast<int>(found - std::begin(kFormats)));
    std::string error;
    const std::optional<TConvertOptions> options = ParseConvertChoices(line_, error);
    if (!options) return Usage(error);
    app_.Form().convert_file_hook = [this, options = *options](const std::string& source,
                                                               const std::string& target) {
      for (const std::string& line : ConvertFileWithOptions(source, target, options)) {
        ReportWarning([this, line] {
          io_.err << "quillomark-cli: " << line << '\n' << std::flush;
        });
      }
    };
    if (const std::optional<int> failed = ParallelFiles()) return *failed;
    return Job(kConvertTab, {}, {}, {{"dest", "Edit_ConversionDest"}});
  }

  // A line about one file, told with that file's result (the job's workers run the turns).
  void TellFile(const std::string& source, const std::string& message) {
    ReportWarning([this, source, message] {
      io_.err << "quillomark-cli: " << source << ": " << message << '\n' << std::flush;
    });
  }

  // --jobs: how many files are worked on at once; by default one per processor.
  std::optional<int> ParallelFiles() {
    if (!line_.Has("jobs")) return std::nullopt;
    const std::optional<int> files = ParseInteger(line_.Value("jobs"));
    if (!files || *files < 1)
      return Usage("--jobs: expected a whole number from 1, not " + line_.Value("jobs"));
    app_.Form().parallel_files = *files;
    return std::nullopt;
  }

  int Enfuse() {
    EnfuseCommand command(line_, {Default("EnfuseBracket"), Default("EnfuseOption")}, io_,
                          interrupted_);
    if (const std::string problem = command.OptionProblem(); !problem.empty())
      return Usage(problem);
    if (const std::optional<int> failed = FillList(kEnfuseTab)) return *failed;
    return command.Run(app_.Window().HeadlessEditorNamed(kEnfuseTab.editor).Lines());
  }

  int List() {
    if (const std::optional<int> failed = FillList(kRenameTab)) return *failed;
    errno = 0;
    WriteLines(app_.Window().HeadlessEditorNamed(kRenameTab.editor).Lines(), io_.out);
    if (io_.out) return kExitComplete;
    io_.err << "quillomark-cli: cannot write the list";
    if (errno != 0) io_.err << ": " << std::strerror(errno);
    io_.err << '\n';
    return kExitError;
  }

  // Texts go into their edit boxes as given; a number only when the window would read it as the
  // number the user meant.
  int Job(const TabControls& tab, const std::vector<EditOption>& texts,
          const std::vector<EditOption>& numbers, const std::vector<FolderOption>& folders) {
    for (const EditOption& text : texts)
      app_.Type(text.edit, line_.Value(text.option, Default(text.setting)));
    for (const EditOption& number : numbers) {
      const std::string value = line_.Value(number.option, Default(number.setting));
      if (!ParseInteger(value))
        return Usage("--" + std::string(number.option) + ": not a whole number: " + value);
      app_.Type(number.edit, value);
    }
    for (const FolderOption& folder : folders) {
      app_.Type(folder.edit, AddTrailingBackslash(line_.Value(folder.option)));
    }
    if (const std::optional<int> failed = FillList(tab)) return *failed;
    // As the folder picker leaves it: the jobs join the folder and a file name directly.
    app_.Type(tab.source, AddTrailingBackslash(line_.Value("source")));
    if (interrupted_) return kExitInterrupted;

    bool aborted = false;
    app_.Window().pump_hook = [&] {
      progress_.OnPump();
      if (interrupted_ && !aborted && tab.abort_button != nullptr)
        aborted = app_.Click(tab.abort_button);
    };
    // The enfuse job writes one file, which its errors are about.
    if (tab.abort_button == nullptr)
      progress_.SetSubject(app_.Text(tab.source) + app_.Text("Edit_BatFileName"));
    // Only the rename job shows its progress every few files rather than for each.
    progress_.Start(app_.Lines(tab.editor), &tab != &kRenameTab);
    app_.Click(tab.execute_button);
    const bool file_by_file = tab.abort_button != nullptr;
    if (HasErrorBox()) return Finished(kExitError, progress_.Summary(file_by_file, false));
    // A signal that comes after the last file finds the job complete, and says so.
    if (app_.Status() == kCompleteText) {
      return Finished(kExitComplete, progress_.Summary(file_by_file, true));
    }
    if (aborted || interrupted_) {
      return Finished(kExitInterrupted, progress_.Summary(file_by_file, false));
    }
    io_.err << "nothing done: a folder does not exist or the image list is empty\n";
    return kExitError;
  }

  // Fills the tab's list from --list or by listing the source folder; an exit status on failure.
  std::optional<int> FillList(const TabControls& tab) {
    if (tab.image_type != nullptr) {
      const std::string type = line_.Value("type", std::string(kImageTypes[0].name));
      const auto found = std::find_if(std::begin(kImageTypes), std::end(kImageTypes),
                                      [&](const ImageType& each) { return each.name == type; });
      if (found == std::end(kImageTypes))
        return Usage("--type: expected " + ImageTypeNames(", ", " or ") + ", not " + type);
      app_.Pick(tab.image_type, static_cast<int>(found - std::begin(kImageTypes)));
    }
    app_.Type(tab.source, line_.Value("source"));
    progress_.SetSubject(line_.Value("source"));
    app_.Tick(tab.sub_folders, line_.Has("subfolders"));
    if (line_.Has("list")) return ReadList(tab.editor, line_.Value("list"));
    app_.Click(tab.list_button);
    if (HasErrorBox()) return ReportErrorBoxes();
    return std::nullopt;
  }

  std::optional<int> ReadList(const char* editor, const std::string& source) {
    std::ifstream file;
    if (source != "-") {
      file.open(source, std::ios::binary);
      if (!file) {
        io_.err << "cannot read the list " << source << ": " << std::strerror(errno) << '\n';
        return kExitError;
      }
    }
    std::istream& in = source == "-" ? io_.in : file;
    TextLines lines;
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.Append(line);
    }
    app_.Window().Editor(editor).ReplaceLines(std::move(lines));
    return std::nullopt;
  }

  // What the window starts with when it has no settings file.
  std::string Default(const char* setting) {
    for (const TRegItem& item : app_.Form().Reg1.RegItems()) {
      if (item.Name == setting) return item.DefaultValue;
    }
    return "";
  }

  bool HasErrorBox() const {
    const std::vector<ShownBox>& boxes = app_.Boxes();
    return std::any_of(boxes.begin(), boxes.end(),
                       [](const ShownBox& box) { return box.icon == miError; });
  }

  // The errors were told as they were shown.
  int ReportErrorBoxes() { return kExitError; }

  // "quillomark-cli: PATH: text", PATH the file in progress or what the command works on.
  void TellAboutFile(const std::string& text) {
    io_.err << "quillomark-cli: ";
    if (!progress_.Subject().empty()) io_.err << progress_.Subject() << ": ";
    io_.err << text << '\n' << std::flush;
  }

  int Finished(int status, const std::string& summary) {
    io_.err << summary << '\n' << std::flush;
    return status;
  }

  int Usage(const std::string& message) {
    io_.err << "quillomark-cli: " << message << '\n' << UsageLine(line_.command) << '\n';
    return kExitUsage;
  }

  const CommandLine& line_;
  CliStreams io_;
  const volatile std::sig_atomic_t& interrupted_;
  HeadlessApp app_;
  JobProgress progress_;
  bool error_told_ = false;
};

}  // namespace

int RunCli(const std::vector<std::string>& args, CliStreams io,
           const volatile std::sig_atomic_t& interrupted) {
  CommandLineError error;
  const std::optional<CommandLine> line = ParseCommandLine(args, error);
  if (!line) {
    io.err << "quillomark-cli: " << error.message << '\n' << UsageLine(error.command) << '\n';
    return kExitUsage;
  }
  if (line->help) {
    io.out << HelpText(line->command);
    return kExitComplete;
  }
  return Session(*line, io, interrupted).Run();
}

}  // namespace quillo
