#include "imagelib/graphic_class.h"

#include "platform/file_stream.h"

namespace quillo {

bool TGraphicClass::CanLoadStream(TStream& stream) const {
  return content_test_ != nullptr && content_test_(stream);
}

bool TGraphicClass::CanLoadFile(const std::string& path) const {
  TFileStream stream(path, fmOpenRead);
  return CanLoadStream(stream);
}

}  // namespace quillo
