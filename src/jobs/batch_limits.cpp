#include "jobs/batch_limits.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "image/picture_size.h"
#include "platform/machine.h"

namespace quillo {

ParallelLimits BatchLimits(int files) {
  return {.files = files > 0 ? files : ProcessorCount(),
          .memory_budget = PhysicalMemoryBytes() / 4};
}

uint64_t WorkingMemory(const std::string& path) {
  constexpr uint64_t kBytesPerPixel = 4;
  std::error_code error;
  const uintmax_t file_bytes = std::filesystem::file_size(path, error);
  uint64_t memory = error ? 0 : uint64_t{file_bytes} * 2;
  if (const std::optional<TPictureSize> size = ReadPictureSize(path)) {
    memory += static_cast<uint64_t>(size->width) * static_cast<uint64_t>(size->height) *
              kBytesPerPixel * 2;
  }
  return memory;
}

}  // namespace quillo
