// Photoshop's image resource blocks, where JPEG files keep their IPTC records.
#pragma once

#include <string>
#include <string_view>

namespace quillo {

// The IPTC records (resource 0x0404) among the blocks; empty when there are none. Throws
// EInvalidGraphic saying what is wrong when a block is cut short or lacks its signature.
std::string PhotoshopIptc(std::string_view blocks);

// One block holding the IPTC records.
std::string PhotoshopIptcBlock(std::string_view iptc);

}  // namespace quillo
