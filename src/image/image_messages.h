// The bitmap's own error texts, shown as they stand.
#pragma once

#include "platform/source_text.h"

namespace quillo {

inline constexpr char kInvalidBitmapMessage[] = N_("ビットマップイメージが不正です");
inline constexpr char kInvalidPixelFormatMessage[] = N_("画像フォーマットが不正です");
inline constexpr char kScanLineRangeMessage[] =
    N_("スキャンライン のインデックスが範囲を越えました");

}  // namespace quillo
