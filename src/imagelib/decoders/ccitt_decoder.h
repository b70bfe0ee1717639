// The CCITT fax codings: T.4 rows behind end-of-line codes (one- or two-dimensional), plain
// modified Huffman rows, and T.6 rows. Output rows hold one bit per pixel, 1 = black, each row
// starting on a byte.
#pragma once

#include <vector>

#include "imagelib/decoders/decoder.h"

namespace quillo {

struct TFaxModeCode;

class TCCITTDecoder : public TDecoder {
 protected:
  // reverse_bit_order: the coded bytes start with their least significant bit.
  TCCITTDecoder(bool reverse_bit_order, uint32_t width);

  struct TCodeNode {
    uint32_t child[2] = {0, 0};  // 0 = none
    int32_t value = 0;
  };
  using TCodeTree = std::vector<TCodeNode>;

  static constexpr int32_t kEndOfLine = -1;
  static constexpr int32_t kInvalidCode = -2;

  // How the coding of a row ended: with its last pixel, with an end-of-line code in its midst, or
  // with a code that makes no sense there or the input's end.
  enum TRowEnd : uint8_t { reComplete, reEndOfLine, reBroken };

  // Sets the bit and output state afresh for one strip; reverses the input's bits when asked.
  void StartBlock(uint8_t* input, uint8_t* output, size_t input_size, size_t output_size);
  bool InputLeft() const { return bit_position_ < bit_count_; }
  // Also true for rows of no pixels, which leave nothing to decode.
  bool OutputFull() const { return row_start_ >= output_size_ || row_bytes_ == 0; }
  // The next bit; 0 once the input is used up.
  bool ReadBit();
  // Run length of the next code of the current colour (make-up codes added to the terminating
  // one), kEndOfLine or kInvalidCode for those codes on their own.
  int32_t DecodeRun();
  // Paints a run of the current colour, cut to the pixels still missing in the row and to the
  // buffer; true when the row is complete.
  bool PaintRun(uint32_t run);
  // Moves the output to the start of the next row, whose reference the changes of this one
  // become; the colour becomes black.
  void FinishRow();
  // Ends the current run: its end is a change of colour of the row, also when the run was empty.
  void FlipColor();
  void SetWhite() { black_ = false; }
  // Drops the unread bits of the current input byte; with word alignment also a byte that
  // would start a coded row at an odd offset.
  void AlignInput(bool to_words);
  // Decodes a row coded against the row above it (all white above a strip's first row), from
  // white at its first pixel. A row broken off keeps the pixels painted so far, and serves as
  // the next row's reference as it stands, white from where it broke off.
  TRowEnd DecodeTwoDimensionalRow();

 private:
  static void AddCode(TCodeTree& tree, const char* bits, int32_t value);
  bool PeekBit() const;
  // Pixels of the row at row_start_ that fit the output.
  uint32_t PixelsInRow() const;
  // The mode code that follows, or null for a code that none begins with or that the input cuts.
  const TFaxModeCode* DecodeMode();

  bool reverse_bit_order_;
  uint32_t width_;
  size_t row_bytes_;
  TCodeTree white_tree_;
  TCodeTree black_tree_;
  TCodeTree mode_tree_;  // leaf values index FaxModeCodes()
  // The pixels of the row above at which the colour changes, white being the colour before its
  // first pixel: black runs start at the even indexes. They are the changes as coded, runs of no
  // pixels included, so that a row whose coder placed changes against such runs decodes as
  // coded. changes_ gathers those of the current row.
  std::vector<uint32_t> reference_;
  std::vector<uint32_t> changes_;

  const uint8_t* input_ = nullptr;
  uint64_t bit_position_ = 0;
  uint64_t bit_count_ = 0;

  uint8_t* output_ = nullptr;
  size_t output_size_ = 0;
  size_t row_start_ = 0;
  size_t out_position_ = 0;
  int free_bits_ = 8;
  uint32_t missing_ = 0;
  bool black_ = false;
};

// T.4 rows, each expected after an end-of-line code (with any number of fill bits before it).
// With two_dimensional set, a tag bit after each end-of-line code says how its row is coded: 1 for
// one-dimensional, 0 for two-dimensional.
class TCCITTFax3Decoder : public TCCITTDecoder {
 public:
  TCCITTFax3Decoder(bool reverse_bit_order, uint32_t width, bool two_dimensional)
      : TCCITTDecoder(reverse_bit_order, width), two_dimensional_(two_dimensional) {}

  void DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size, size_t output_size) override;

 private:
  void SeekLineStart();
  TRowEnd DecodeOneDimensionalRow();

  bool two_dimensional_;
  int end_of_lines_ = 0;
};

// T.6 rows: every row two-dimensional, without end-of-line codes; two end-of-line codes end the
// strip. A damaged row ends the strip, as no code follows at which decoding could pick up again.
class TCCITTFax4Decoder : public TCCITTDecoder {
 public:
  TCCITTFax4Decoder(bool reverse_bit_order, uint32_t width)
      : TCCITTDecoder(reverse_bit_order, width) {}

  void DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size, size_t output_size) override;
};

// Modified Huffman rows without end-of-line codes, each starting on a byte of the input (on an
// even byte when rows_word_aligned is set); a row ends when its width is reached.
class TCCITTMHDecoder : public TCCITTDecoder {
 public:
  TCCITTMHDecoder(bool reverse_bit_order, uint32_t width, bool rows_word_aligned)
      : TCCITTDecoder(reverse_bit_order, width), rows_word_aligned_(rows_word_aligned) {}

  void DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size, size_t output_size) override;

 private:
  bool rows_word_aligned_;
};

}  // namespace quillo
