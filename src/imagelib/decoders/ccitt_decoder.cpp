#include "imagelib/decoders/ccitt_decoder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "imagelib/decoders/bit_order.h"
#include "imagelib/decoders/ccitt_codes.h"
#include "imagelib/decoders/decoder_table.h"
#include "imagelib/reader_strings.h"

namespace quillo {
namespace {

// The end-of-line code, and runs of zeros that no row may hold, in both trees.
constexpr TFaxCode kEndOfLineCode = {"000000000001", -1};
constexpr TFaxCode kInvalidCodes[] = {
    {"000000001", -2}, {"0000000001", -2}, {"00000000001", -2}, {"000000000000", -2}};

}  // namespace

TCCITTDecoder::TCCITTDecoder(bool reverse_bit_order, uint32_t width)
    : reverse_bit_order_(reverse_bit_order), width_(width), row_bytes_((size_t{width} + 7) / 8) {
  for (auto [tree, codes] :
       {std::pair{&white_tree_, WhiteFaxCodes()}, std::pair{&black_tree_, BlackFaxCodes()}}) {
    tree->emplace_back();
    for (const TFaxCode& code : codes) AddCode(*tree, code.bits, code.run);
    for (const TFaxCode& code : ExtendedFaxCodes()) AddCode(*tree, code.bits, code.run);
    AddCode(*tree, kEndOfLineCode.bits, kEndOfLine);
    for (const TFaxCode& code : kInvalidCodes) AddCode(*tree, code.bits, kInvalidCode);
  }
  mode_tree_.emplace_back();
  const std::span<const TFaxModeCode> modes = FaxModeCodes();
  for (size_t i = 0; i < modes.size(); ++i) {
    AddCode(mode_tree_, modes[i].bits, static_cast<int32_t>(i));
  }
}

void TCCITTDecoder::AddCode(TCodeTree& tree, const char* bits, int32_t value) {
  uint32_t node = 0;
  for (const char* bit = bits; *bit != '\0'; ++bit) {
    const int b = *bit - '0';
    if (tree[node].child[b] == 0) {
      tree[node].child[b] = static_cast<uint32_t>(tree.size());
      tree.emplace_back();
    }
    node = tree[node].child[b];
  }
  tree[node].value = value;
}

void TCCITTDecoder::StartBlock(uint8_t* input, uint8_t* output, size_t input_size,
                               size_t output_size) {
  if (reverse_bit_order_) ReverseBitOrder(input, input_size);
  input_ = input;
  bit_position_ = 0;
  bit_count_ = uint64_t{input_size} * 8;
  output_ = output;
  output_size_ = output_size;
  row_start_ = 0;
  out_position_ = 0;
  free_bits_ = 8;
  missing_ = PixelsInRow();
  black_ = false;
  reference_.clear();
  changes_.clear();
}

uint32_t TCCITTDecoder::PixelsInRow() const {
  if (row_start_ >= output_size_) return 0;
  return static_cast<uint32_t>(std::min<uint64_t>(width_, uint64_t{output_size_ - row_start_} * 8));
}

bool TCCITTDecoder::PeekBit() const {
  return (input_[bit_position_ >> 3] >> (7 - (bit_position_ & 7))) & 1;
}

bool TCCITTDecoder::ReadBit() {
  if (!InputLeft()) return false;
  const bool bit = PeekBit();
  ++bit_position_;
  return bit;
}

int32_t TCCITTDecoder::DecodeRun() {
  const TCodeTree& tree = black_ ? black_tree_ : white_tree_;
  // Wide enough for any chain of make-up codes a strip can hold.
  int64_t sum = 0;
  const auto result = [&sum] { return static_cast<int32_t>(std::min<int64_t>(sum, INT32_MAX)); };
  uint32_t node = 0;
  for (;;) {
    if (!InputLeft()) {
      // A code that ends with the input still counts.
      const TCodeNode& last = tree[node];
      if (node != 0 && last.child[0] == 0 && last.child[1] == 0) sum += last.value;
      return result();
    }
    const int bit = PeekBit();
    uint32_t child = tree[node].child[bit];
    if (child == 0) {
      sum += tree[node].value;
      if (tree[node].value < 64) return result();
      // A make-up code: its terminating code follows at once.
      child = tree[0].child[bit];
    }
    ++bit_position_;
    node = child;
  }
}

bool TCCITTDecoder::PaintRun(uint32_t run) {
  run = std::min(run, missing_);
  uint32_t left = run;
  if (free_bits_ < 8 && left > 0) {
    const int k = static_cast<int>(std::min<uint32_t>(free_bits_, left));
    if (black_) {
      const int used = 8 - free_bits_;
      output_[out_position_] |= static_cast<uint8_t>((0xFF >> used) & ~(0xFF >> (used + k)));
    }
    free_bits_ -= k;
    left -= static_cast<uint32_t>(k);
    if (free_bits_ == 0) {
      ++out_position_;
      free_bits_ = 8;
    }
  }
  const size_t whole = left / 8;
  if (black_) std::memset(output_ + out_position_, 0xFF, whole);
  out_position_ += whole;
  left %= 8;
  if (left > 0) {
    free_bits_ = 8 - static_cast<int>(left);
    if (black_) output_[out_position_] |= static_cast<uint8_t>(0xFF00 >> left);
  }
  missing_ -= run;
  return missing_ == 0;
}

void TCCITTDecoder::FlipColor() {
  changes_.push_back(PixelsInRow() - missing_);
  black_ = !black_;
}

void TCCITTDecoder::FinishRow() {
  // A row that stops black is white from there on.
  if (changes_.size() % 2 == 1) changes_.push_back(PixelsInRow() - missing_);
  reference_.swap(changes_);
  changes_.clear();
  black_ = true;
  row_start_ = std::min(row_start_ + row_bytes_, output_size_);
  out_position_ = row_start_;
  free_bits_ = 8;
  missing_ = PixelsInRow();
}

void TCCITTDecoder::AlignInput(bool to_words) {
  const uint64_t unit = to_words ? 16 : 8;
  bit_position_ = (bit_position_ + unit - 1) / unit * unit;
}

const TFaxModeCode* TCCITTDecoder::DecodeMode() {
  uint32_t node = 0;
  do {
    if (!InputLeft()) return nullptr;
    node = mode_tree_[node].child[ReadBit()];
    if (node == 0) return nullptr;
  } while (mode_tree_[node].child[0] != 0 || mode_tree_[node].child[1] != 0);
  return &FaxModeCodes()[static_cast<size_t>(mode_tree_[node].value)];
}

TCCITTDecoder::TRowEnd TCCITTDecoder::DecodeTwoDimensionalRow() {
  // a0, the last change placed, starts just before the first pixel; painting goes on at position.
  int64_t a0 = -1;
  uint32_t position = 0;
  size_t next = 0;  // the first change above that lies right of a0
  const auto paint_to = [&](uint32_t end) {
    PaintRun(end - position);
    position = end;
  };
  while (position < width_) {
    const TFaxModeCode* code = DecodeMode();
    if (code == nullptr) return reBroken;
    switch (code->mode) {
      case fmEndOfLine:
        return reEndOfLine;
      case fmUncompressed:
        RaiseGraphicErrorFmt(kNotSupportedPattern, {kUncompressedFaxModeIs, kTiffFormatName});
      case fmHorizontal:
        // Two runs coded as in one-dimensional rows; runs past the row's end are cut there.
        for (int i = 0; i < 2; ++i) {
          const int32_t run = DecodeRun();
          if (run == kEndOfLine) return reEndOfLine;
          if (run < 0) return reBroken;
          paint_to(position + std::min(static_cast<uint32_t>(run), width_ - position));
          FlipColor();
        }
        a0 = position;
        continue;
      case fmPass:
      case fmVertical:
        break;
    }
    while (next < reference_.size() && reference_[next] <= a0) ++next;
    // b1, the first change above right of a0 to the colour opposite a0's (to black at even
    // indexes), and b2, the change after it.
    const size_t b1 = next + ((next % 2 == 1) != black_ ? 1 : 0);
    if (code->mode == fmPass) {
      if (b1 + 1 >= reference_.size()) return reBroken;
      paint_to(reference_[b1 + 1]);
      a0 = position;
      continue;
    }
    const int64_t a1 =
        (b1 < reference_.size() ? int64_t{reference_[b1]} : int64_t{width_}) + code->offset;
    if (a1 < position || a1 > width_) return reBroken;
    paint_to(static_cast<uint32_t>(a1));
    FlipColor();
    a0 = a1;
  }
  return reComplete;
}

void TCCITTFax3Decoder::SeekLineStart() {
  if (end_of_lines_ == 0) {
    int zeros = 0;
    while (zeros < 11 && InputLeft()) zeros = ReadBit() ? 0 : zeros + 1;
    while (InputLeft() && !ReadBit()) {
    }
  }
  end_of_lines_ = 0;
}

void TCCITTFax3Decoder::DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size,
                                    size_t output_size) {
  StartBlock(input, output, input_size, output_size);
  end_of_lines_ = 0;
  do {
    SeekLineStart();
    SetWhite();
    const bool one_dimensional = !two_dimensional_ || ReadBit();
    const TRowEnd end = one_dimensional ? DecodeOneDimensionalRow() : DecodeTwoDimensionalRow();
    // A row cut short is left as painted; decoding picks up at the next end-of-line code.
    if (end == reEndOfLine) ++end_of_lines_;
    FinishRow();
  } while (InputLeft() && !OutputFull());
}

TCCITTDecoder::TRowEnd TCCITTFax3Decoder::DecodeOneDimensionalRow() {
  do {
    const int32_t run = DecodeRun();
    if (run == kEndOfLine) return reEndOfLine;
    if (run < 0) return reBroken;
    if (PaintRun(static_cast<uint32_t>(run))) return reComplete;
    FlipColor();
  } while (InputLeft());
  return reBroken;
}

void TCCITTFax4Decoder::DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size,
                                    size_t output_size) {
  StartBlock(input, output, input_size, output_size);
  while (InputLeft() && !OutputFull()) {
    SetWhite();
    // The end-of-block code, damage, or the input's end stops the strip.
    if (DecodeTwoDimensionalRow() != reComplete) return;
    FinishRow();
  }
}

void TCCITTMHDecoder::DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size,
                                  size_t output_size) {
  StartBlock(input, output, input_size, output_size);
  while (InputLeft() && !OutputFull()) {
    const int32_t run = DecodeRun();
    if (run > 0 && PaintRun(static_cast<uint32_t>(run))) {
      FinishRow();
      AlignInput(rows_word_aligned_);
    }
    FlipColor();
  }
}

}  // namespace quillo
