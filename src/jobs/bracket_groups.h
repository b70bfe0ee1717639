// Which photos of a list were shot as one exposure bracket, told from their EXIF records: by
// capture time, exposure, camera, lens and picture size, so that a stray shot, brackets of mixed
// sizes, long exposures and brackets shot back to back each end up where they belong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/metadata/exif_record.h"

namespace quillo {

struct TBracketRules {
  double gap_seconds = 2;  // longest pause between the end of one exposure and the next shot
  int64_t max_bracket = 9;
};

struct TBracketShot {
  size_t index = 0;             // into the records
  std::optional<double> ev;     // exposure value at ISO 100, when the exposure time is known
  std::optional<double> pause;  // from the end of the shot before it; none for the first
};

struct TBracket {
  std::vector<TBracketShot> shots;  // in the order they are fused and named
  size_t reference = 0;             // the shot whose EXIF the result carries
};

struct TSingleShot {
  size_t index = 0;
  std::string reason;  // why it is in no bracket
};

struct TBracketGroups {
  std::vector<TBracket> brackets;
  std::vector<TSingleShot> singles;
};

// EV100 = log2(N² / t) − log2(ISO / 100), N the f-number (1 when the lens tells none) and ISO 100
// when the camera tells no sensitivity; none without an exposure time.
std::optional<double> ExposureValue(const TExifRecord& record);

// Brackets by the camera's own record. Files are taken in capture-time order (list order between
// equal times), each camera's on their own, so that two cameras shooting at once keep their
// brackets apart. A new bracket starts at another focal length or picture size, after a pause
// longer than the gap (one second more when a clock counts whole seconds), at an exposure value
// already in the bracket (in steps of 1/3 EV) and when the bracket is full. A file without a
// capture or exposure time ends every open bracket and is a single, as is a group of one file.
TBracketGroups GroupBrackets(const std::vector<TExifRecord>& records, const TBracketRules& rules);

// Groups of `size` consecutive records in list order, as the enfuse tab makes them; the records
// of an incomplete last group (all of them when size is below 1) are singles.
TBracketGroups FixedBrackets(const std::vector<TExifRecord>& records, int64_t size);

}  // namespace quillo
