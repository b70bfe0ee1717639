#include "cli/command_line.h"

#include <algorithm>
#include <iterator>

#include "listing/image_listing.h"

namespace quillo {
namespace {

struct OptionInfo {
  const char* name;
  const char* value;  // placeholder in the usage; nullptr for a flag
  const char* meaning;
};

struct CommandInfo {
  const char* name;
  const char* summary;
  std::vector<OptionInfo> options;
  std::vector<const char*> required;
  const char* notes = nullptr;  // more help after the options
};

constexpr char kRotateNotes[] =
    "Three ways to turn:\n"
    "  --turn alone   decodes, turns and encodes afresh at quality 90, as the window's rotate\n"
    "                 tab does. The files lose their metadata (EXIF, colour profile, comments).\n"
    "  --lossless     moves the coded blocks instead: no quality is lost and every marker stays.\n"
    "                 The EXIF orientation tag becomes 1 and the EXIF thumbnail turns too. Use it\n"
    "                 for photos you want to keep as they are. A file whose width or height is\n"
    "                 not a whole number of blocks in the direction of the turn is encoded\n"
    "                 afresh instead, keeping its metadata, and a line on standard error says so.\n"
    "  --auto         turns each file by its own EXIF orientation tag, mirrors included, in the\n"
    "                 lossless way where it can, and sets the tag to 1; files without a turn to\n"
    "                 make are copied unchanged. Use it for camera files that only the tag shows\n"
    "                 upright, before programs that ignore the tag see them.\n"
    "With --lossless or --auto, a file whose EXIF block is damaged ends the run with an error\n"
    "naming it, before anything is written for it.\n";

constexpr char kConvertNotes[] =
    "What a converted file keeps of its source, unless --strip is given:\n"
    "               into JPEG                     into TIFF                      into BMP\n"
    "  from JPEG    EXIF with its thumbnail,      EXIF, its Exif and GPS parts   nothing\n"
    "               XMP, colour profile, IPTC,    as directories, XMP, colour\n"
    "               comments, density             profile, IPTC, resolution\n"
    "  from TIFF    EXIF with its thumbnail,      EXIF, its Exif and GPS parts   nothing\n"
    "               XMP, colour profile, IPTC,    as directories, XMP, colour\n"
    "               density                       profile, IPTC, resolution\n"
    "The EXIF picture size becomes the target's. The pixels are not turned, so the orientation\n"
    "tag stays as it is, unless --upright turns them by it and sets it to 1 (the thumbnail\n"
    "turns too). TIFF targets leave the thumbnail out. A source without a resolution gives the\n"
    "fixed 87.7 dpi of the window's conversion tab. When the metadata cannot be read, the file\n"
    "is converted without it and a line on standard error names it.\n"
    "--quality applies to JPEG targets, --compress to TIFF targets (LZW and Deflate with\n"
    "differencing for colour and grey pictures, strips of about 64 KB). Files already in the\n"
    "output format are copied unchanged, whatever these options say.\n";

constexpr OptionInfo kJobsOption = {"jobs", "N",
                                    "files worked on at once (default: one per processor)"};

const std::string kImageTypeChoice = ImageTypeNames("|", "|");

const std::vector<OptionInfo> kListingOptions = {
    {"source", "DIR", "folder to list the images of"},
    {"subfolders", nullptr, "list the subfolders too"},
    {"type", kImageTypeChoice.c_str(), "which images to list (default jpg)"},
};

std::vector<OptionInfo> WithListing(std::vector<OptionInfo> options) {
  options.insert(options.begin(), kListingOptions.begin(), kListingOptions.end());
  options.push_back({"list", "FILE|-", "take the image list from a file (- for standard input)"});
  return options;
}

constexpr char kEnfuseNotes[] =
    "Results go into enfused/ in the source folder, named after the bracket's files:\n"
    "enfused/IMG_1-IMG_2-IMG_3.JPG.\n"
    "--group auto reads each file's EXIF and takes the files in capture-time order. A new\n"
    "bracket starts at another camera, focal length or picture size, after a pause longer than\n"
    "--gap between the end of one exposure and the next shot (a second more for cameras whose\n"
    "clock counts whole seconds), at an exposure value already in the bracket (in 1/3 EV\n"
    "steps), and when the bracket holds --max-bracket shots. A file alone in its group, or\n"
    "without capture or exposure time, is a single: it is fused with nothing and standard\n"
    "error says why.\n"
    "  quillomark-cli enfuse --source ~/shots --group auto --show-groups\n"
    "--script sh writes a shell script (run it with sh from anywhere; it works in its folder):\n"
    "  quillomark-cli enfuse --source ~/shots --group auto --script sh\n"
    "--run runs the enfuse found on PATH, one bracket per process, --jobs at once, sharing the\n"
    "processors between them (OMP_NUM_THREADS). The option text is split into arguments as sh\n"
    "splits words, with nothing expanded. Each result takes its name only when enfuse\n"
    "succeeded, and gets the EXIF and colour profile of the shot whose exposure lies nearest\n"
    "the middle of its bracket. Progress lines \"[k/n] enfused/NAME\" go to standard error; a\n"
    "failing bracket is reported and the others go on. Ctrl-C ends the running enfuse\n"
    "processes and removes what they had written.\n"
    "  quillomark-cli enfuse --source ~/shots --group auto --run --option \"--hard-mask -o\"\n";

const std::vector<CommandInfo>& Commands() {
  static const std::vector<CommandInfo> commands = {
      {"list", "print the image list of a folder, one path per line", kListingOptions, {"source"}},
      {"rotate",
       "turn the listed JPEG files and save them under their own names in DIR",
       {
           {"source", "DIR", "folder to list the JPEG files of"},
           {"dest", "DIR", "output folder (may be the source folder)"},
           {"turn", "right|left|180", "a quarter turn either way or a half turn (default left)"},
           {"lossless", nullptr, "turn without re-encoding, keeping the metadata"},
           {"auto", nullptr, "turn each file upright by its EXIF orientation (not with --turn)"},
           {"subfolders", nullptr, "list the subfolders too"},
           {"list", "FILE|-", "take the image list from a file (- for standard input)"},
           kJobsOption,
       },
       {"source", "dest"},
       kRotateNotes},
      {"rename",
       "copy the listed images into DIR as prefix + four-digit number + suffix + extension",
       WithListing({
           {"dest", "DIR", "output folder"},
           {"prefix", "P", "text before the number (default Img_)"},
           {"suffix", "S", "text after the number (default empty)"},
           {"first", "N", "number of the first copy (default 1)"},
           {"step", "N", "step between two numbers (default 1)"},
       }),
       {"source", "dest"}},
      {"enfuse",
       "fuse each bracket with enfuse, or write a batch file or shell script that does",
       WithListing({
           {"bracket", "N", "images per bracket, in list order (default 3)"},
           {"group", "auto", "find the brackets by EXIF instead (see below)"},
           {"gap", "SECONDS", "with --group auto: longest pause within a bracket (default 2)"},
           {"max-bracket", "N", "with --group auto: most shots in a bracket (default 9)"},
           {"show-groups", nullptr, "print the brackets and the singles, write nothing"},
           {"script", "bat|sh", "write a batch file (default) or a shell script"},
           {"bat-name", "NAME", "name of that file (default makeenfuse.bat or makeenfuse.sh)"},
           {"run", nullptr, "run enfuse now instead of writing a file"},
           {"jobs", "N", "with --run: brackets fused at once (default: the processors)"},
           {"option", "TEXT", "enfuse options before the output name (default -o)"},
       }),
       {"source"},
       kEnfuseNotes},
      {"convert",
       "copy or convert the listed images into DIR as BMP, JPEG or TIFF files",
       WithListing({
           {"dest", "DIR", "output folder"},
           {"to", "bmp|jpg|tif", "output format (default bmp); files already in it are copied"},
           {"strip", nullptr, "keep no metadata, as the window's conversion tab"},
           {"upright", nullptr, "turn the pixels by the EXIF orientation, which becomes 1"},
           {"quality", "Q", "JPEG quality from 1 to 100 (default 100)"},
           {"compress", "KIND", "TIFF compression: none, packbits, lzw or deflate (default none)"},
           kJobsOption,
       }),
       {"source", "dest"},
       kConvertNotes},
  };
  return commands;
}

const CommandInfo* FindCommand(const std::string& name) {
  for (const CommandInfo& info : Commands()) {
    if (name == info.name) return &info;
  }
  return nullptr;
}

const OptionInfo* FindOption(const CommandInfo& command, const std::string& name) {
  for (const OptionInfo& option : command.options) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

}  // namespace

std::string ImageTypeNames(std::string_view between, std::string_view before_last) {
  std::string names;
  const size_t count = std::size(kImageTypes);
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) names += i + 1 == count ? before_last : between;
    names += kImageTypes[i].name;
  }
  return names;
}

std::string CommandLine::Value(const std::string& option, const std::string& fallback) const {
  const auto found = values.find(option);
  return found == values.end() ? fallback : found->second;
}

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            CommandLineError& error) {
  CommandLine result;
  if (args.empty()) {
    error = {"no command given", ""};
    return std::nullopt;
  }
  if (IsHelp(args[0])) {
    result.help = true;
    return result;
  }
  const CommandInfo* command = FindCommand(args[0]);
  if (command == nullptr) {
    error = {"unknown command: " + args[0], ""};
    return std::nullopt;
  }
  result.command = command->name;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (IsHelp(arg)) {
      result.help = true;
      return result;
    }
    if (arg.rfind("--", 0) != 0) {
      error = {"unexpected argument: " + arg, result.command};
      return std::nullopt;
    }
    const size_t equals = arg.find('=');
    const std::string name =
        arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    const OptionInfo* option = FindOption(*command, name);
    if (option == nullptr) {
      error = {"unknown option: --" + name, result.command};
      return std::nullopt;
    }
    if (option->value == nullptr) {
      if (equals != std::string::npos) {
        error = {"--" + name + " takes no value", result.command};
        return std::nullopt;
      }
      result.values[name] = "";
    } else if (equals != std::string::npos) {
      result.values[name] = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      result.values[name] = args[++i];
    } else {
      error = {"--" + name + " needs a value", result.command};
      return std::nullopt;
    }
  }
  for (const char* required : command->required) {
    if (!result.Has(required)) {
      error = {std::string("--") + required + " is required", result.command};
      return std::nullopt;
    }
  }
  return result;
}

std::string UsageLine(const std::string& command) {
  const CommandInfo* info = FindCommand(command);
  if (info == nullptr)
    return "usage: quillomark-cli list|rotate|rename|enfuse|convert [options]  (--help for more)";
  std::string line = std::string("usage: quillomark-cli ") + info->name;
  for (const OptionInfo& option : info->options) {
    const bool required =
        std::find_if(info->required.begin(), info->required.end(), [&](const char* r) {
          return std::string(r) == option.name;
        }) != info->required.end();
    std::string text = std::string("--") + option.name;
    if (option.value != nullptr) text += std::string(" ") + option.value;
    line += required ? " " + text : " [" + text + "]";
  }
  return line;
}

std::string HelpText(const std::string& command) {
  const CommandInfo* info = FindCommand(command);
  if (info == nullptr) {
    std::string text =
        "quillomark-cli: the batch jobs of the Quillomark window, run from a shell.\n\n" +
        UsageLine("") + "\n\ncommands:\n";
    for (const CommandInfo& each : Commands()) {
      text += std::string("  ") + each.name + std::string(8 - std::string(each.name).size(), ' ') +
              each.summary + "\n";
    }
    text +=
        "\nProgress goes to standard error. Exit status: 0 when the job completed, 1 after an "
        "error,\n2 for a bad command line, 130 when interrupted. The settings file is neither "
        "read nor written.\n";
    return text;
  }
  std::string text = UsageLine(command) + "\n\n" + info->summary + ".\n\noptions:\n";
  for (const OptionInfo& option : info->options) {
    std::string left = std::string("--") + option.name;
    if (option.value != nullptr) left += std::string(" ") + option.value;
    text += "  " + left + std::string(left.size() < 26 ? 26 - left.size() : 1, ' ') +
            option.meaning + "\n";
  }
  if (info->notes != nullptr) text += std::string("\n") + info->notes;
  return text;
}

}  // namespace quillo
