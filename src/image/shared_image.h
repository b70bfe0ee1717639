// Base of the stores that graphics share by reference count and copy before they change them.
#pragma once

namespace quillo {

class TSharedImage {
 public:
  virtual ~TSharedImage() = default;

 protected:
  TSharedImage() = default;
  TSharedImage(const TSharedImage&) = default;
  TSharedImage& operator=(const TSharedImage&) = default;
};

}  // namespace quillo
