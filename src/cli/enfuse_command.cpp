#include "cli/enfuse_command.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <vector>

#include "image/metadata/exif_record.h"
#include "jobs/bracket_groups.h"
#include "jobs/enfuse_batch.h"
#include "jobs/enfuse_run.h"
#include "jobs/enfuse_script.h"
#include "jobs/shell_words.h"
#include "platform/errors.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/integer_text.h"
#include "platform/machine.h"
#include "platform/path.h"
#include "platform/subprocess.h"

namespace quillo {
namespace {

constexpr char kDefaultSearchPath[] = "/usr/local/bin:/usr/bin:/bin";
constexpr int kMinimumBracket = 2;

std::optional<double> ParseSeconds(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !std::isfinite(value) || value < 0) return std::nullopt;
  return value;
}

std::string OneDecimal(double value) {
  if (std::fabs(value) < 0.05) value = 0;  // no "-0.0"
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

bool HasAny(const CommandLine& line, std::initializer_list<const char*> options) {
  for (const char* option : options) {
    if (line.Has(option)) return true;
  }
  return false;
}

// A listed line as a path: absolute as it stands, else within the source folder.
std::string FullPath(const std::string& folder, std::string_view line) {
  if (!line.empty() && line.front() == '/') return std::string(line);
  return AddTrailingBackslash(folder) + std::string(line);
}

}  // namespace

struct EnfuseCommand::Brackets {
  std::vector<std::string> listed;  // the lines as listed
  std::vector<std::string> paths;   // the same as full paths
  TBracketGroups groups;

  TEnfuseBracket Bracket(const TBracket& bracket) const {
    TEnfuseBracket result{{}, bracket.reference};
    for (const TBracketShot& shot : bracket.shots) result.inputs.push_back(paths[shot.index]);
    return result;
  }
};

bool IsEnfuseBeyondWindow(const CommandLine& line) {
  return HasAny(line, {"group", "gap", "max-bracket", "show-groups", "run", "jobs"}) ||
         line.Value("script", "bat") != "bat";
}

EnfuseCommand::EnfuseCommand(const CommandLine& line, const EnfuseDefaults& defaults, CliStreams io,
                             const volatile std::sig_atomic_t& interrupted)
    : line_(line), defaults_(defaults), io_(io), interrupted_(interrupted) {}

std::string EnfuseCommand::OptionProblem() const {
  const bool automatic = line_.Has("group");
  if (automatic && line_.Value("group") != "auto")
    return "--group: expected auto, not " + line_.Value("group");
  if (automatic && line_.Has("bracket")) return "--bracket and --group auto exclude each other";
  for (const char* option : {"gap", "max-bracket"}) {
    if (line_.Has(option) && !automatic) return std::string("--") + option + " needs --group auto";
  }
  if (line_.Has("gap") && !ParseSeconds(line_.Value("gap")))
    return "--gap: not a number of seconds: " + line_.Value("gap");
  if (line_.Has("max-bracket") &&
      ParseInteger(line_.Value("max-bracket")).value_or(0) < kMinimumBracket)
    return "--max-bracket: expected a whole number of at least 2, not " +
           line_.Value("max-bracket");
  if (!automatic && !ParseInteger(line_.Value("bracket", defaults_.bracket)))
    return "--bracket: not a whole number: " + line_.Value("bracket");
  const std::string script = line_.Value("script", "bat");
  if (script != "bat" && script != "sh") return "--script: expected bat or sh, not " + script;
  if (line_.Has("show-groups") && HasAny(line_, {"run", "script", "bat-name"}))
    return "--show-groups writes nothing: it excludes --run, --script and --bat-name";
  if (line_.Has("run") && HasAny(line_, {"script", "bat-name"}))
    return "--run writes no file: it excludes --script and --bat-name";
  if (line_.Has("jobs") && !line_.Has("run")) return "--jobs needs --run";
  if (line_.Has("jobs") && ParseInteger(line_.Value("jobs")).value_or(0) < 1)
    return "--jobs: expected a whole number of at least 1, not " + line_.Value("jobs");
  if (line_.Has("run")) {
    try {
      SplitShellWords(line_.Value("option", defaults_.option));
    } catch (const Exception& e) {
      return std::string("--option: ") + e.what();
    }
  }
  return "";
}

int EnfuseCommand::Run(const TextLines& list) {
  std::optional<std::string> program;
  if (line_.Has("run")) {
    const char* search_path = std::getenv("PATH");
    program = FindProgram("enfuse", search_path != nullptr ? search_path : kDefaultSearchPath);
    if (!program) {
      io_.err << "quillomark-cli: enfuse not found on PATH: install it (Debian package enfuse) "
                 "or add its folder to PATH\n";
      return kExitError;
    }
  }
  const std::string source = line_.Value("source");
  Brackets found;
  for (size_t i = 0; i < list.Count(); ++i) {
    if (list[i].empty()) continue;
    found.listed.emplace_back(list[i]);
    found.paths.push_back(FullPath(source, list[i]));
  }
  if (!DirectoryExists(source) || found.listed.empty()) {
    io_.err << "nothing done: a folder does not exist or the image list is empty\n";
    return kExitError;
  }

  const bool automatic = line_.Has("group");
  std::vector<TExifRecord> records(found.paths.size());
  if (automatic || line_.Has("run") || line_.Has("show-groups")) {
    for (size_t i = 0; i < found.paths.size(); ++i) {
      if (interrupted_) return kExitInterrupted;
      records[i] = ReadExifRecord(found.paths[i]);
    }
  }
  if (automatic) {
    TBracketRules rules;
    if (line_.Has("gap")) rules.gap_seconds = *ParseSeconds(line_.Value("gap"));
    if (line_.Has("max-bracket")) rules.max_bracket = *ParseInteger(line_.Value("max-bracket"));
    found.groups = GroupBrackets(records, rules);
  } else {
    found.groups = FixedBrackets(records, *ParseInteger(line_.Value("bracket", defaults_.bracket)));
  }

  if (line_.Has("show-groups")) return ShowGroups(found);
  ReportSingles(found);
  if (program) return RunEnfuse(found, *program);
  return WriteFile(found);
}

int EnfuseCommand::ShowGroups(const Brackets& found) {
  const std::vector<TBracket>& brackets = found.groups.brackets;
  for (size_t b = 0; b < brackets.size(); ++b) {
    io_.out << "bracket " << b + 1 << ": enfused/" << EnfuseOutputName(found.Bracket(brackets[b]))
            << '\n';
    for (size_t s = 0; s < brackets[b].shots.size(); ++s) {
      const TBracketShot& shot = brackets[b].shots[s];
      io_.out << "  " << found.listed[shot.index];
      if (shot.ev) io_.out << "  EV " << OneDecimal(*shot.ev);
      if (shot.pause) io_.out << "  pause " << OneDecimal(*shot.pause) << " s";
      if (s == brackets[b].reference) io_.out << "  (reference)";
      io_.out << '\n';
    }
  }
  if (!found.groups.singles.empty()) io_.out << "singles:\n";
  for (const TSingleShot& single : found.groups.singles)
    io_.out << "  " << found.listed[single.index] << ": " << single.reason << '\n';
  io_.out.flush();
  return kExitComplete;
}

void EnfuseCommand::ReportSingles(const Brackets& found) {
  for (const TSingleShot& single : found.groups.singles)
    io_.err << found.listed[single.index] << ": in no bracket, " << single.reason << '\n';
}

int EnfuseCommand::WriteFile(const Brackets& found) {
  const bool shell = line_.Value("script", "bat") == "sh";
  const std::string path = AddTrailingBackslash(line_.Value("source")) +
                           line_.Value("bat-name", shell ? "makeenfuse.sh" : "makeenfuse.bat");
  const std::string option = line_.Value("option", defaults_.option);
  try {
    if (shell) {
      std::vector<TEnfuseBracket> brackets;
      for (const TBracket& bracket : found.groups.brackets)
        brackets.push_back(found.Bracket(bracket));
      WriteEnfuseScript(path, EnfuseScriptText(line_.Value("source"), brackets, option));
    } else {
      std::vector<std::vector<std::string>> brackets;
      for (const TBracket& bracket : found.groups.brackets) {
        std::vector<std::string>& names = brackets.emplace_back();
        for (const TBracketShot& shot : bracket.shots)
          names.push_back(ExtractFileName(found.listed[shot.index]));
      }
      WriteWholeFile(path, EnfuseBatchText(brackets, option));
    }
  } catch (const Exception& e) {
    io_.err << e.what() << '\n';
    return kExitError;
  }
  io_.err << path << ": " << found.groups.brackets.size() << " enfuse lines\n";
  return kExitComplete;
}

int EnfuseCommand::RunEnfuse(const Brackets& found, const std::string& program) {
  std::vector<TEnfuseBracket> brackets;
  for (const TBracket& bracket : found.groups.brackets) brackets.push_back(found.Bracket(bracket));
  if (brackets.empty()) {
    io_.err << "no bracket to fuse\n";
    return kExitComplete;
  }
  const int processors = ProcessorCount();
  const int jobs =
      std::min<int64_t>(line_.Has("jobs") ? *ParseInteger(line_.Value("jobs")) : processors,
                        static_cast<int64_t>(brackets.size()));
  TEnfuseRunSettings settings;
  settings.program = program;
  settings.options = SplitShellWords(line_.Value("option", defaults_.option));
  settings.output_folder = AddTrailingBackslash(line_.Value("source")) + "enfused";
  settings.jobs = jobs;
  settings.threads = ThreadsPerJob(processors, jobs);

  TEnfuseRunEvents events;
  events.finished = [this](size_t done, size_t total, const std::string& name) {
    io_.err << '[' << done << '/' << total << "] enfused/" << name << '\n' << std::flush;
  };
  events.failed = [this](size_t done, size_t total, const std::string& name, const std::string& why,
                         const std::string& last_lines) {
    io_.err << '[' << done << '/' << total << "] enfused/" << name << ": " << why << '\n';
    size_t start = 0;
    while (start < last_lines.size()) {
      const size_t end = last_lines.find('\n', start);
      io_.err << "  " << last_lines.substr(start, end - start) << '\n';
      start = end + 1;
    }
    io_.err.flush();
  };
  events.warning = [this](const std::string& name, const std::string& why) {
    io_.err << "enfused/" << name << ": " << why << '\n' << std::flush;
  };
  try {
    switch (RunEnfuseBrackets(brackets, settings, events, interrupted_)) {
      case erComplete:
        return kExitComplete;
      case erFailed:
        return kExitError;
      case erInterrupted:
        return kExitInterrupted;
    }
  } catch (const Exception& e) {
    io_.err << e.what() << '\n';
  }
  return kExitError;
}

}  // namespace quillo
