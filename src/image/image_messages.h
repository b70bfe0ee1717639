// The bitmap's own error texts, shown as they stand.
#pragma once

namespace quillo {

inline constexpr char kInvalidBitmapMessage[] = "ビットマップイメージが不正です";
inline constexpr char kInvalidPixelFormatMessage[] = "画像フォーマットが不正です";
inline constexpr char kScanLineRangeMessage[] = "スキャンライン のインデックスが範囲を越えました";

}  // namespace quillo
