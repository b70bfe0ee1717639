#include "image/metadata/exif_record.h"

#include <sys/stat.h>

#include <exiv2/exiv2.hpp>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <exception>
#include <memory>

namespace quillo {
namespace {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

double CivilSeconds(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute,
                    int64_t second) {
  return static_cast<double>(DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 +
                             second);
}

// A run of decimal digits of the given length at pos.
std::optional<int64_t> Digits(const std::string& text, size_t pos, size_t length) {
  if (pos + length > text.size()) return std::nullopt;
  int64_t value = 0;
  for (size_t i = pos; i < pos + length; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// The fraction a sub-second text such as "37" stands for (0.37); none when it holds no digits.
std::optional<double> SubSeconds(const std::string& text) {
  double fraction = 0;
  double scale = 0.1;
  bool any = false;
  for (const char c : text) {
    if (c == ' ' && !any) continue;
    if (!std::isdigit(static_cast<unsigned char>(c))) break;
    fraction += (c - '0') * scale;
    scale /= 10;
    any = true;
  }
  if (!any) return std::nullopt;
  return fraction;
}

// exiv2 tells of oddities in files it reads, maker notes above all, on standard error. Grouping
// needs a few plain tags and reads thousands of files, so such notes are not shown; a handler
// that someone else installed is left in place.
void QuietenExiv2Log() {
  static const bool quiet = [] {
    if (Exiv2::LogMsg::handler() == Exiv2::LogMsg::defaultHandler)
      Exiv2::LogMsg::setHandler([](int, const char*) {});
    return true;
  }();
  static_cast<void>(quiet);
}

class Tags {
 public:
  explicit Tags(const Exiv2::ExifData& data) : data_(data) {}

  const Exiv2::Exifdatum* Find(const char* key) const {
    const auto found = data_.findKey(Exiv2::ExifKey(key));
    if (found == data_.end() || found->count() == 0) return nullptr;
    return &*found;
  }

  std::optional<double> Number(const char* key) const {
    const Exiv2::Exifdatum* datum = Find(key);
    if (datum == nullptr) return std::nullopt;
    // Unsigned rationals would turn negative past 2^31 as signed ones.
    if (const auto* unsigned_value = dynamic_cast<const Exiv2::URationalValue*>(&datum->value())) {
      const Exiv2::URational ratio = unsigned_value->value_.front();
      if (ratio.second == 0) return std::nullopt;
      return static_cast<double>(ratio.first) / ratio.second;
    }
    const Exiv2::Rational ratio = datum->toRational(0);
    if (ratio.second == 0) return std::nullopt;
    return static_cast<double>(ratio.first) / ratio.second;
  }

  std::optional<double> Positive(const char* key) const {
    const std::optional<double> value = Number(key);
    if (!value || !(*value > 0)) return std::nullopt;
    return value;
  }

  std::string Text(const char* key) const {
    const Exiv2::Exifdatum* datum = Find(key);
    if (datum == nullptr) return "";
    std::string text = datum->toString();
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
  }

 private:
  const Exiv2::ExifData& data_;
};

void ReadTime(const Tags& tags, TExifRecord& record) {
  struct Source {
    const char* time;
    const char* sub_seconds;
    TCaptureTimeSource source;
  };
  for (const Source& source :
       {Source{"Exif.Photo.DateTimeOriginal", "Exif.Photo.SubSecTimeOriginal", ctOriginal},
        Source{"Exif.Image.DateTime", "Exif.Photo.SubSecTime", ctDateTime}}) {
    const std::optional<double> seconds = ExifClockSeconds(tags.Text(source.time));
    if (!seconds) continue;
    const std::optional<double> fraction = SubSeconds(tags.Text(source.sub_seconds));
    record.capture_time = *seconds + fraction.value_or(0);
    record.whole_seconds = !fraction;
    record.time_source = source.source;
    return;
  }
}

std::string Camera(const Tags& tags) {
  std::string camera;
  for (const char* key : {"Exif.Image.Make", "Exif.Image.Model", "Exif.Photo.BodySerialNumber"}) {
    const std::string text = tags.Text(key);
    if (text.empty()) continue;
    if (!camera.empty()) camera += ' ';
    camera += text;
  }
  return camera;
}

// Sensitivity: a camera that cannot fit a high value in the old tag writes 65535 there and the
// value into the newer one.
std::optional<double> Iso(const Tags& tags) {
  const std::optional<double> rating = tags.Positive("Exif.Photo.ISOSpeedRatings");
  if (rating && *rating < 65535) return rating;
  const std::optional<double> speed = tags.Positive("Exif.Photo.ISOSpeed");
  return speed ? speed : rating;
}

void ReadTags(const std::string& path, TExifRecord& record) {
  const std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(path).release());
  image->readMetadata();
  record.width = image->pixelWidth();
  record.height = image->pixelHeight();
  const Exiv2::ExifData& data = image->exifData();
  record.has_exif = !data.empty();
  const Tags tags(data);
  ReadTime(tags, record);
  record.exposure_time = tags.Positive("Exif.Photo.ExposureTime");
  record.f_number = tags.Positive("Exif.Photo.FNumber");
  record.iso = Iso(tags);
  record.exposure_bias = tags.Number("Exif.Photo.ExposureBiasValue");
  record.focal_length = tags.Positive("Exif.Photo.FocalLength");
  record.camera = Camera(tags);
}

void ReadFileTime(const std::string& path, TExifRecord& record) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (record.error.empty()) record.error = std::strerror(errno);
    return;
  }
  std::tm local{};
  if (::localtime_r(&st.st_mtim.tv_sec, &local) == nullptr) return;
  record.capture_time = CivilSeconds(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                     local.tm_hour, local.tm_min, local.tm_sec) +
                        static_cast<double>(st.st_mtim.tv_nsec) / 1e9;
  record.time_source = ctFileTime;
  record.whole_seconds = false;
}

}  // namespace

std::optional<double> ExifClockSeconds(const std::string& text) {
  if (text.size() < 19) return std::nullopt;
  for (const size_t pos : {4, 7}) {
    if (text[pos] != ':' && text[pos] != '-' && text[pos] != ' ') return std::nullopt;
  }
  if ((text[10] != ' ' && text[10] != 'T') || text[13] != ':' || text[16] != ':')
    return std::nullopt;
  const auto year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
  const auto hour = Digits(text, 11, 2), minute = Digits(text, 14, 2), second = Digits(text, 17, 2);
  if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
  if (*year == 0 || *month < 1 || *month > 12 || *day < 1 || *day > 31 || *hour > 23 ||
      *minute > 59 || *second > 60)
    return std::nullopt;
  return CivilSeconds(*year, *month, *day, *hour, *minute, *second);
}

TExifRecord ReadExifRecord(const std::string& path) {
  QuietenExiv2Log();
  TExifRecord record;
  try {
    ReadTags(path, record);
  } catch (const std::exception& e) {
    record = TExifRecord{};
    record.error = e.what();
  }
  if (!record.capture_time) ReadFileTime(path, record);
  return record;
}

}  // namespace quillo
