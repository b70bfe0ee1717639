#include "jobs/bracket_groups.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>

namespace quillo {
namespace {

// Why a group of one camera's shots began, and so why the group before it ended.
enum TBracketBreak : uint8_t {
  bbListStart,
  bbListEnd,
  bbFocalLength,
  bbPictureSize,
  bbPause,
  bbRepeatedExposure,
  bbFull,
  bbUntimed,
};

constexpr double kFocalLengthTolerance = 0.05;  // mm; the same lens setting written twice
constexpr double kWholeSecondTolerance = 1;

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", seconds);
  return text;
}

std::string Describe(TBracketBreak why, std::optional<double> pause) {
  switch (why) {
    case bbListStart:
    case bbListEnd:
      return "nothing";
    case bbFocalLength:
      return "another focal length";
    case bbPictureSize:
      return "another picture size";
    case bbPause:
      return "a pause of " + Seconds(pause.value_or(0));
    case bbRepeatedExposure:
      return "a repeated exposure";
    case bbFull:
      return "a full bracket";
    case bbUntimed:
      return "a file without capture or exposure time";
  }
  return "";
}

std::string UntimedReason(const TExifRecord& record) {
  if (!record.error.empty()) return "EXIF cannot be read: " + record.error;
  if (!record.capture_time) return "no capture time";
  if (!record.has_exif) return "no EXIF";
  return "no exposure time in its EXIF";
}

int64_t ThirdStops(double ev) { return std::llround(ev * 3); }

// The shot whose exposure value lies nearest the middle of the bracket's range; the first of
// equals, and the first shot when no value is known.
size_t ReferenceShot(const std::vector<TBracketShot>& shots) {
  double low = INFINITY;
  double high = -INFINITY;
  for (const TBracketShot& shot : shots) {
    if (!shot.ev) continue;
    low = std::min(low, *shot.ev);
    high = std::max(high, *shot.ev);
  }
  if (low > high) return 0;
  const double middle = (low + high) / 2;
  size_t best = 0;
  double best_distance = INFINITY;
  for (size_t i = 0; i < shots.size(); ++i) {
    if (!shots[i].ev) continue;
    const double distance = std::fabs(*shots[i].ev - middle);
    if (distance < best_distance - 1e-9) {
      best = i;
      best_distance = distance;
    }
  }
  return best;
}

// One camera's shots in capture order and the group they are gathering into, so that two
// cameras shooting at the same time each keep their brackets.
struct CameraStream {
  std::vector<TBracketShot> open;
  const TExifRecord* previous = nullptr;
  TBracketBreak start = bbListStart;
  std::optional<double> start_pause;
};

// Files each finished group as a bracket or a single, and hands them out in capture order.
class GroupBuilder {
 public:
  explicit GroupBuilder(const std::vector<size_t>& order) : rank_(order.size()) {
    for (size_t i = 0; i < order.size(); ++i) rank_[order[i]] = i;
  }

  void Close(CameraStream& stream, TBracketBreak end, std::optional<double> end_pause) {
    if (stream.open.size() >= 2) {
      groups_.brackets.push_back({stream.open, ReferenceShot(stream.open)});
    } else if (stream.open.size() == 1) {
      Single(stream.open.front().index, "alone: " + Describe(stream.start, stream.start_pause) +
                                            " before it, " + Describe(end, end_pause) +
                                            " after it");
    }
    stream.open.clear();
    stream.start = end;
    stream.start_pause = end_pause;
  }

  void Single(size_t index, std::string reason) {
    groups_.singles.push_back({index, std::move(reason)});
  }

  TBracketGroups Take() {
    std::sort(groups_.brackets.begin(), groups_.brackets.end(),
              [&](const TBracket& a, const TBracket& b) {
                return rank_[a.shots.front().index] < rank_[b.shots.front().index];
              });
    std::sort(groups_.singles.begin(), groups_.singles.end(),
              [&](const TSingleShot& a, const TSingleShot& b) {
                return rank_[a.index] < rank_[b.index];
              });
    return std::move(groups_);
  }

 private:
  std::vector<size_t> rank_;  // position in capture order, by record
  TBracketGroups groups_;
};

// Capture-time order, list order between equal times; a file without a time keeps its place
// behind the file listed before it.
std::vector<size_t> CaptureOrder(const std::vector<TExifRecord>& records) {
  std::vector<double> keys(records.size());
  double last = -INFINITY;
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i].capture_time) last = *records[i].capture_time;
    keys[i] = last;
  }
  std::vector<size_t> order(records.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return keys[a] < keys[b]; });
  return order;
}

bool SameFocalLength(const TExifRecord& a, const TExifRecord& b) {
  if (!a.focal_length || !b.focal_length) return a.focal_length == b.focal_length;
  return std::fabs(*a.focal_length - *b.focal_length) <= kFocalLengthTolerance;
}

bool HasWholeSecondClock(const TExifRecord& record) {
  return record.whole_seconds && record.time_source != ctFileTime;
}

}  // namespace

std::optional<double> ExposureValue(const TExifRecord& record) {
  if (!record.exposure_time) return std::nullopt;
  const double f_number = record.f_number.value_or(1);
  const double iso = record.iso.value_or(100);
  return std::log2(f_number * f_number / *record.exposure_time) - std::log2(iso / 100);
}

TBracketGroups GroupBrackets(const std::vector<TExifRecord>& records, const TBracketRules& rules) {
  const std::vector<size_t> order = CaptureOrder(records);
  GroupBuilder builder(order);
  std::map<std::string, CameraStream> streams;
  for (const size_t index : order) {
    const TExifRecord& record = records[index];
    if (!record.capture_time || !record.exposure_time) {
      for (auto& [camera, stream] : streams) {
        builder.Close(stream, bbUntimed, std::nullopt);
        stream.previous = nullptr;
      }
      builder.Single(index, UntimedReason(record));
      continue;
    }
    CameraStream& stream = streams[record.camera];
    TBracketShot shot{index, ExposureValue(record), std::nullopt};
    double gap = rules.gap_seconds;
    if (stream.previous != nullptr) {
      const TExifRecord& previous = *stream.previous;
      shot.pause = *record.capture_time - (*previous.capture_time + *previous.exposure_time);
      if (HasWholeSecondClock(record) || HasWholeSecondClock(previous))
        gap += kWholeSecondTolerance;
    }
    if (!stream.open.empty()) {
      const TExifRecord& first = records[stream.open.front().index];
      std::optional<TBracketBreak> why;
      if (!SameFocalLength(record, first)) {
        why = bbFocalLength;
      } else if (record.width != first.width || record.height != first.height) {
        why = bbPictureSize;
      } else if (*shot.pause > gap) {
        why = bbPause;
      } else if (std::any_of(stream.open.begin(), stream.open.end(), [&](const TBracketShot& each) {
                   return ThirdStops(*each.ev) == ThirdStops(*shot.ev);
                 })) {
        why = bbRepeatedExposure;
      } else if (static_cast<int64_t>(stream.open.size()) >= rules.max_bracket) {
        why = bbFull;
      }
      if (why) builder.Close(stream, *why, shot.pause);
    }
    stream.open.push_back(shot);
    stream.previous = &record;
  }
  for (auto& [camera, stream] : streams) builder.Close(stream, bbListEnd, std::nullopt);
  return builder.Take();
}

TBracketGroups FixedBrackets(const std::vector<TExifRecord>& records, int64_t size) {
  TBracketGroups groups;
  std::vector<TBracketShot> open;
  for (size_t i = 0; i < records.size(); ++i) {
    TBracketShot shot{i, ExposureValue(records[i]), std::nullopt};
    const TExifRecord* previous = i > 0 ? &records[i - 1] : nullptr;
    if (previous != nullptr && records[i].capture_time && previous->capture_time &&
        previous->exposure_time)
      shot.pause = *records[i].capture_time - (*previous->capture_time + *previous->exposure_time);
    open.push_back(shot);
    if (static_cast<int64_t>(open.size()) == size) {
      groups.brackets.push_back({open, ReferenceShot(open)});
      open.clear();
    }
  }
  for (const TBracketShot& shot : open)
    groups.singles.push_back({shot.index, "left over: the last bracket is incomplete"});
  return groups;
}

}  // namespace quillo
