// Turning an EXIF thumbnail the way its picture was turned.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "image/rotation.h"

namespace quillo {

// The JPEG thumbnail decoded, turned and encoded afresh; none when it cannot be decoded.
std::optional<std::string> TurnedThumbnail(std::string_view jpeg, TPictureTurn turn);

}  // namespace quillo
