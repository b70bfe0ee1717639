#include "image/metadata/photoshop_resources.h"

#include "image/byte_order.h"
#include "image/byte_reader.h"
#include "platform/errors.h"

namespace quillo {
namespace {

constexpr std::string_view kSignature = "8BIM";
constexpr uint16_t kIptcResource = 0x0404;

}  // namespace

std::string PhotoshopIptc(std::string_view blocks) {
  TByteReader reader(reinterpret_cast<const uint8_t*>(blocks.data()), blocks.size(), true);
  std::string iptc;
  try {
    while (reader.Remaining() > 0) {
      std::string signature(4, '\0');
      reader.Read(signature.data(), 4);
      if (signature != kSignature) throw EInvalidGraphic("a resource without its signature");
      const uint16_t id = reader.U16();
      // The name: a length byte and the characters, padded to an even size.
      const uint8_t name = reader.U8();
      reader.Skip(name + ((name + 1) % 2));
      const uint32_t size = reader.U32();
      reader.Need(size);
      if (id == kIptcResource && iptc.empty()) {
        iptc.assign(blocks.substr(static_cast<size_t>(reader.Position()), size));
      }
      reader.Skip(size + (size % 2));
    }
  } catch (const EReadError&) {
    throw EInvalidGraphic("a resource cut short");
  }
  return iptc;
}

std::string PhotoshopIptcBlock(std::string_view iptc) {
  std::string block(kSignature);
  uint8_t header[8];
  StoreU16Be(header, kIptcResource);
  header[2] = 0;  // an empty name, padded
  header[3] = 0;
  StoreU32Be(header + 4, static_cast<uint32_t>(iptc.size()));
  block.append(reinterpret_cast<const char*>(header), sizeof header);
  block.append(iptc);
  if (iptc.size() % 2 != 0) block += '\0';
  return block;
}

}  // namespace quillo
