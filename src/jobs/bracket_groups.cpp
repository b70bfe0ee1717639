#include "jobs/bracket_groups.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace quillo {
namespace {

// Why a group began, and so why the group before it ended.
enum TBracketBreak : uint8_t {
  bbListStart,
  bbListEnd,
  bbCamera,
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
      return "the start of the list";
    case bbListEnd:
      return "the end of the list";
    case bbCamera:
      return "another camera";
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

// Gathers shots into groups and files each finished group as a bracket or a single.
class GroupBuilder {
 public:
  void Add(const TBracketShot& shot) { open_.push_back(shot); }
  const std::vector<TBracketShot>& Open() const { return open_; }

  void Close(TBracketBreak end, std::optional<double> end_pause) {
    if (open_.size() >= 2) {
      groups_.brackets.push_back({open_, ReferenceShot(open_)});
    } else if (open_.size() == 1) {
      groups_.singles.push_back({open_.front().index, "alone: " + Describe(start_, start_pause_) +
                                                          " before it, " +
                                                          Describe(end, end_pause) + " after it"});
    }
    open_.clear();
    start_ = end;
    start_pause_ = end_pause;
  }

  void Single(size_t index, std::string reason) {
    groups_.singles.push_back({index, std::move(reason)});
  }

  TBracketGroups Take() { return std::move(groups_); }

 private:
  std::vector<TBracketShot> open_;
  TBracketBreak start_ = bbListStart;
  std::optional<double> start_pause_;
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
  GroupBuilder builder;
  const TExifRecord* previous = nullptr;  // the shot before, in capture order
  for (const size_t index : CaptureOrder(records)) {
    const TExifRecord& record = records[index];
    if (!record.capture_time || !record.exposure_time) {
      builder.Close(bbUntimed, std::nullopt);
      builder.Single(index, UntimedReason(record));
      previous = nullptr;
      continue;
    }
    TBracketShot shot{index, ExposureValue(record), std::nullopt};
    double gap = rules.gap_seconds;
    if (previous != nullptr) {
      shot.pause = *record.capture_time - (*previous->capture_time + *previous->exposure_time);
      if (HasWholeSecondClock(record) || HasWholeSecondClock(*previous))
        gap += kWholeSecondTolerance;
    }
    if (!builder.Open().empty()) {
      const TExifRecord& first = records[builder.Open().front().index];
      const std::vector<TBracketShot>& open = builder.Open();
      std::optional<TBracketBreak> why;
      if (record.camera != first.camera) {
        why = bbCamera;
      } else if (!SameFocalLength(record, first)) {
        why = bbFocalLength;
      } else if (record.width != first.width || record.height != first.height) {
        why = bbPictureSize;
      } else if (*shot.pause > gap) {
        why = bbPause;
      } else if (std::any_of(open.begin(), open.end(), [&](const TBracketShot& each) {
                   return ThirdStops(*each.ev) == ThirdStops(*shot.ev);
                 })) {
        why = bbRepeatedExposure;
      } else if (static_cast<int64_t>(open.size()) >= rules.max_bracket) {
        why = bbFull;
      }
      if (why) builder.Close(*why, shot.pause);
    }
    builder.Add(shot);
    previous = &record;
  }
  builder.Close(bbListEnd, std::nullopt);
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
