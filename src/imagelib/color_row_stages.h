// Rearranging rows around the colour routines, which read one interleaved row of whole bytes
// or words in host order and write consecutive pixels: planes are interleaved, byte order and
// sample depth made what the routine reads, and the pixels a mask selects gathered and put back.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quillo {

// How many of `count` pixels the mask selects (bit 7 - i mod 8 for pixel i).
uint64_t SelectedPixels(uint32_t count, uint8_t mask);

// The first `pixels` samples of each plane, interleaved pixel by pixel; `bits` per sample.
void InterleavePlanes(std::span<const uint8_t* const> planes, unsigned bits, uint64_t pixels,
                      std::vector<uint8_t>& row);

// Swaps the two bytes of each of `words` 16-bit values; `from` may be `to`.
void SwapWords(const uint8_t* from, uint64_t words, uint8_t* to);

// Of pixels of `kept` + `dropped` samples, `bits` each, the first `kept` samples.
void DropSamples(const uint8_t* from, unsigned bits, unsigned kept, unsigned dropped,
                 uint64_t pixels, std::vector<uint8_t>& row);

// Two's complement samples made offset ones, half the range added: the top bit of each of
// `samples` samples of `bits` bits (16-bit ones in host order) flipped in place.
void FlipSignBits(uint8_t* row, unsigned bits, uint64_t samples);

// Packed samples of 1 to 15 bits scaled to bytes: v × 255 ÷ (2^bits − 1), rounded.
void WidenSamples(const uint8_t* from, unsigned bits, uint64_t samples, std::vector<uint8_t>& row);

// Copies the pixels of `row` that the mask selects, `bits` each, to consecutive places of
// `selected`, and back.
void GatherPixels(const uint8_t* row, uint32_t count, uint8_t mask, unsigned bits,
                  uint8_t* selected);
void ScatterPixels(const uint8_t* selected, uint32_t count, uint8_t mask, unsigned bits,
                   uint8_t* row);

}  // namespace quillo
