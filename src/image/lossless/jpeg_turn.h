// Turning JPEG files so that they keep their metadata: in the DCT domain where the turn moves
// whole blocks only, else decoded, turned and encoded afresh as the rotate tab does; the EXIF
// Orientation tag becomes 1 and the EXIF thumbnail turns with the picture.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/rotation.h"

namespace quillo {

struct TTurnedJpeg {
  std::string bytes;
  bool re_encoded = false;  // the turn needed partial blocks
};

// Turns the data losslessly, keeping every marker and progressive coding, when the turn moves
// whole blocks only; otherwise as ReEncodeTurned does.
TTurnedJpeg TurnJpeg(std::string_view jpeg, TPictureTurn turn);

// Decodes, turns and encodes afresh with the JPEG adapter's defaults (quality 90, progressive
// exactly when the source is; grey pictures as grey), then carries the source's application and
// comment segments over.
std::string ReEncodeTurned(std::string_view jpeg, TPictureTurn turn);

enum TFileTurn : uint8_t { ftLossless, ftReEncoded, ftUnchanged };

struct TFileTurnResult {
  TFileTurn turn = ftUnchanged;
  // Why the EXIF thumbnail, which could not be turned, was left out; empty when it was not.
  std::string dropped_thumbnail;
};

// Writes source, turned, to target (which may be the source) through the atomic writer: by turn,
// or by the file's own EXIF Orientation when there is none. The written file's Orientation tag is
// 1 and its thumbnail turned, or left out when the thumbnail alone cannot be turned: the picture
// is what is asked for. A file whose orientation asks for no turn is copied unchanged, and not
// written at all when target is source. Failures other than the file layer's are raised as
// EInvalidGraphic "<source>: <what>"; nothing is written then.
TFileTurnResult TurnJpegFile(const std::string& source, const std::string& target,
                             std::optional<TPictureTurn> turn);

}  // namespace quillo
