#include "image/tiff_compress.h"

#include <libdeflate.h>

#include <algorithm>
#include <new>

#include "image/image_limits.h"

namespace quillo {
namespace {

constexpr uint16_t kTagNone = 1;
constexpr uint16_t kTagLzw = 5;
constexpr uint16_t kTagDeflate = 8;
constexpr uint16_t kTagPackBits = 32773;

// As much compression as zlib's default level gives, in less time.
constexpr int kDeflateLevel = 6;

constexpr int kLongestPackBitsRun = 128;

}  // namespace

uint16_t CompressionTagValue(TTiffCompression compression) {
  switch (compression) {
    case tcPackBits:
      return kTagPackBits;
    case tcLzw:
      return kTagLzw;
    case tcDeflate:
      return kTagDeflate;
    case tcNone:
      break;
  }
  return kTagNone;
}

void DifferenceRow(uint8_t* row, int64_t bytes, int distance) {
  for (int64_t i = bytes - 1; i >= distance; --i)
    row[i] = static_cast<uint8_t>(row[i] - row[i - distance]);
}

// The string table of the LZW coder: a string is its prefix's code and one more byte, found by
// hashing. A generation number marks the live entries, so that a reset clears nothing.
class TStripCompressor::LzwTable {
 public:
  static constexpr int kClear = 256;
  static constexpr int kEndOfInformation = 257;
  static constexpr int kFirstFree = 258;
  // The coder starts afresh before the table would need a 13-bit code.
  static constexpr int kFull = 4094;

  LzwTable() : slots_(kSlots) {}

  void Reset() {
    if (++generation_ == 0) {
      std::fill(slots_.begin(), slots_.end(), Slot{});
      generation_ = 1;
    }
  }

  // The code of prefix + byte, or -1 after noting where to add it.
  int Find(uint32_t key) {
    uint32_t at = (key * 2654435761u) >> (32 - kSlotBits);
    while (slots_[at].generation == generation_) {
      if (slots_[at].key == key) return slots_[at].code;
      at = (at + 1) & (kSlots - 1);
    }
    free_slot_ = at;
    return -1;
  }
  void AddAtFound(uint32_t key, int code) {
    slots_[free_slot_] = {key, static_cast<uint16_t>(code), generation_};
  }

 private:
  static constexpr int kSlotBits = 14;
  static constexpr uint32_t kSlots = uint32_t{1} << kSlotBits;
  struct Slot {
    uint32_t key = 0;
    uint16_t code = 0;
    uint16_t generation = 0;
  };
  std::vector<Slot> slots_;
  uint16_t generation_ = 0;
  uint32_t free_slot_ = 0;
};

void TStripCompressor::DeflateRelease::operator()(void* compressor) const {
  libdeflate_free_compressor(static_cast<libdeflate_compressor*>(compressor));
}

TStripCompressor::TStripCompressor(TTiffCompression compression, int64_t row_bytes)
    : compression_(compression), row_bytes_(row_bytes) {
  if (compression == tcLzw) lzw_ = std::make_unique<LzwTable>();
  if (compression == tcDeflate) {
    deflate_.reset(libdeflate_alloc_compressor(kDeflateLevel));
    if (!deflate_) throw std::bad_alloc();
  }
}

TStripCompressor::~TStripCompressor() = default;

const std::vector<uint8_t>& TStripCompressor::Compress(const uint8_t* strip, int64_t rows) {
  out_.clear();
  const int64_t count = CheckedSize(static_cast<uint64_t>(rows), static_cast<uint64_t>(row_bytes_));
  switch (compression_) {
    case tcPackBits:
      PackBits(strip, rows);
      break;
    case tcLzw:
      Lzw(strip, count);
      break;
    case tcDeflate:
      Deflate(strip, count);
      break;
    case tcNone:
      out_.assign(strip, strip + count);
      break;
  }
  return out_;
}

// Runs of three equal bytes or more are repeated, everything else copied; each row on its own,
// as readers expect.
void TStripCompressor::PackBits(const uint8_t* strip, int64_t rows) {
  out_.reserve(static_cast<size_t>(rows * (row_bytes_ + row_bytes_ / kLongestPackBitsRun + 1)));
  for (int64_t y = 0; y < rows; ++y) {
    const uint8_t* row = strip + y * row_bytes_;
    int64_t i = 0;
    while (i < row_bytes_) {
      int64_t run = 1;
      while (i + run < row_bytes_ && run < kLongestPackBitsRun && row[i + run] == row[i]) ++run;
      if (run >= 3) {
        out_.push_back(static_cast<uint8_t>(1 - run));
        out_.push_back(row[i]);
        i += run;
        continue;
      }
      const int64_t start = i;
      while (i < row_bytes_ && i - start < kLongestPackBitsRun &&
             !(i + 2 < row_bytes_ && row[i] == row[i + 1] && row[i] == row[i + 2])) {
        ++i;
      }
      out_.push_back(static_cast<uint8_t>(i - start - 1));
      out_.insert(out_.end(), row + start, row + i);
    }
  }
}

// Codes of 9 to 12 bits, most significant bit first; the width grows one code early, as every
// TIFF reader expects, and the table starts afresh when full.
void TStripCompressor::Lzw(const uint8_t* bytes, int64_t count) {
  out_.reserve(static_cast<size_t>(count / 2 + 64));
  uint64_t bits = 0;
  int pending = 0;
  int width = 9;
  int next = LzwTable::kFirstFree;
  const auto put = [&](int code) {
    bits = (bits << width) | static_cast<uint64_t>(code);
    pending += width;
    while (pending >= 8) {
      pending -= 8;
      out_.push_back(static_cast<uint8_t>(bits >> pending));
    }
  };
  // After a string enters the table, or would have: the next code's width, or a fresh start.
  const auto grow = [&] {
    if (next == LzwTable::kFull) {
      put(LzwTable::kClear);
      lzw_->Reset();
      next = LzwTable::kFirstFree;
      width = 9;
    } else if (next > (1 << width) - 1) {
      ++width;
    }
  };
  lzw_->Reset();
  put(LzwTable::kClear);
  if (count > 0) {
    int string = bytes[0];
    for (int64_t i = 1; i < count; ++i) {
      const uint32_t key = static_cast<uint32_t>(string) << 8 | bytes[i];
      const int found = lzw_->Find(key);
      if (found >= 0) {
        string = found;
        continue;
      }
      put(string);
      lzw_->AddAtFound(key, next++);
      string = bytes[i];
      grow();
    }
    put(string);
    ++next;
    grow();
  }
  put(LzwTable::kEndOfInformation);
  if (pending > 0) out_.push_back(static_cast<uint8_t>(bits << (8 - pending)));
}

void TStripCompressor::Deflate(const uint8_t* bytes, int64_t count) {
  auto* compressor = static_cast<libdeflate_compressor*>(deflate_.get());
  out_.resize(libdeflate_zlib_compress_bound(compressor, static_cast<size_t>(count)));
  const size_t written = libdeflate_zlib_compress(compressor, bytes, static_cast<size_t>(count),
                                                  out_.data(), out_.size());
  // A buffer of the bound always takes the whole strip.
  if (written == 0) throw std::bad_alloc();
  out_.resize(written);
}

}  // namespace quillo
