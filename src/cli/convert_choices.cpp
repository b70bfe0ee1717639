#include "cli/convert_choices.h"

#include <algorithm>
#include <iterator>

#include "platform/integer_text.h"

namespace quillo {
namespace {

constexpr const char* kCompressions[] = {"none", "packbits", "lzw", "deflate"};

}  // namespace

std::optional<TConvertOptions> ParseConvertChoices(const CommandLine& line, std::string& error) {
  TConvertOptions options;
  options.keep_metadata = !line.Has("strip");
  options.upright = line.Has("upright");
  if (line.Has("quality")) {
    const std::string text = line.Value("quality");
    const std::optional<int> quality = ParseInteger(text);
    if (!quality || *quality < 1 || *quality > 100) {
      error = "--quality: expected a whole number from 1 to 100, not " + text;
      return std::nullopt;
    }
    options.jpeg_quality = *quality;
  }
  if (line.Has("compress")) {
    const std::string name = line.Value("compress");
    const auto found = std::find(std::begin(kCompressions), std::end(kCompressions), name);
    if (found == std::end(kCompressions)) {
      error = "--compress: expected none, packbits, lzw or deflate, not " + name;
      return std::nullopt;
    }
    options.tiff_compression = static_cast<TTiffCompression>(found - std::begin(kCompressions));
  }
  return options;
}

}  // namespace quillo
