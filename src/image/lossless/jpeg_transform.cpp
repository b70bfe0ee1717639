#include "image/lossless/jpeg_transform.h"

#include <turbojpeg.h>

#include <memory>

#include "image/image_limits.h"
#include "platform/errors.h"

namespace quillo {
namespace {

struct HandleRelease {
  void operator()(void* handle) const { tjDestroy(handle); }
};
using Handle = std::unique_ptr<void, HandleRelease>;

struct BufferRelease {
  void operator()(unsigned char* buffer) const { tjFree(buffer); }
};
using Buffer = std::unique_ptr<unsigned char, BufferRelease>;

[[noreturn]] void RaiseTransformError(tjhandle handle) {
  throw EJPEG(Format(kJpegTransformErrorPattern, {tjGetErrorStr2(handle)}));
}

Handle NewTransformer() {
  Handle handle(tjInitTransform());
  if (!handle) RaiseTransformError(nullptr);
  return handle;
}

// The library reads but never writes the source.
unsigned char* Source(std::string_view jpeg) {
  return reinterpret_cast<unsigned char*>(const_cast<char*>(jpeg.data()));
}

constexpr int kOperations[] = {TJXOP_NONE,      TJXOP_HFLIP, TJXOP_ROT180,     TJXOP_VFLIP,
                               TJXOP_TRANSPOSE, TJXOP_ROT90, TJXOP_TRANSVERSE, TJXOP_ROT270};

}  // namespace

TJpegBlocks ReadJpegBlocks(std::string_view jpeg) {
  const Handle handle = NewTransformer();
  int width = 0;
  int height = 0;
  int subsampling = 0;
  int color_space = 0;
  if (tjDecompressHeader3(handle.get(), Source(jpeg), jpeg.size(), &width, &height, &subsampling,
                          &color_space) != 0) {
    RaiseTransformError(handle.get());
  }
  if (subsampling < 0 || subsampling >= TJ_NUMSAMP) {
    throw EJPEG(Format(kJpegTransformErrorPattern, {"unknown chroma subsampling"}));
  }
  if (!FitsStoreLimits(width, height, 24)) throw EInvalidGraphic(kImageTooLargeMessage);
  return {width, height, tjMCUWidth[subsampling], tjMCUHeight[subsampling]};
}

bool WholeBlocks(const TJpegBlocks& blocks, TPictureTurn turn) {
  const bool whole_width = blocks.width % blocks.block_width == 0;
  const bool whole_height = blocks.height % blocks.block_height == 0;
  switch (turn) {
    case ptNone:
    case ptTranspose:
      return true;
    case ptFlipHorizontal:
    case ptRotate270:
      return whole_width;
    case ptFlipVertical:
    case ptRotate90:
      return whole_height;
    case ptRotate180:
    case ptTransverse:
      return whole_width && whole_height;
  }
  return false;
}

std::string TransformJpeg(std::string_view jpeg, TPictureTurn turn, bool progressive) {
  const Handle handle = NewTransformer();
  tjtransform transform{};
  transform.op = kOperations[turn];
  // Edge blocks are never dropped: a turn that would need that fails instead. Every marker of the
  // source is copied.
  transform.options = TJXOPT_PERFECT | (progressive ? TJXOPT_PROGRESSIVE : 0);
  unsigned char* out = nullptr;
  unsigned long out_size = 0;
  const int failed = tjTransform(handle.get(), Source(jpeg), jpeg.size(), 1, &out, &out_size,
                                 &transform, TJFLAG_LIMITSCANS);
  const Buffer buffer(out);
  if (failed != 0) RaiseTransformError(handle.get());
  return std::string(reinterpret_cast<const char*>(out), out_size);
}

}  // namespace quillo
