#include "ui/qt/native_text.h"

namespace quillo {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;
constexpr char16_t kFirstEscape = 0xDC80;
constexpr char16_t kLastEscape = 0xDCFF;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The code point of the well-formed UTF-8 sequence at pos and its length, or a length of 0 when
// the bytes there are not one (overlong forms and encoded surrogates included).
struct Decoded {
  char32_t code_point = 0;
  size_t length = 0;
};

Decoded DecodeAt(std::string_view bytes, size_t pos) {
  const auto lead = static_cast<unsigned char>(bytes[pos]);
  // Lead byte ranges of the two-, three- and four-byte forms, and the least code point each
  // form may carry.
  struct Form {
    unsigned char first_lead;
    unsigned char last_lead;
    size_t length;
    char32_t minimum;
  };
  static constexpr Form kForms[] = {
      {0xC2, 0xDF, 2, 0x80}, {0xE0, 0xEF, 3, 0x800}, {0xF0, 0xF4, 4, 0x10000}};
  const Form* form = nullptr;
  for (const Form& candidate : kForms) {
    if (lead >= candidate.first_lead && lead <= candidate.last_lead) form = &candidate;
  }
  if (form == nullptr) return {};
  const size_t length = form->length;
  char32_t code_point = lead & (0x7F >> length);
  if (bytes.size() - pos < length) return {};
  for (size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[pos + i]);
    if (!IsContinuation(byte)) return {};
    code_point = (code_point << 6) | (byte & 0x3F);
  }
  const bool surrogate = code_point >= 0xD800 && code_point <= 0xDFFF;
  if (code_point < form->minimum || surrogate || code_point > 0x10FFFF) return {};
  return {code_point, length};
}

void AppendUtf8(std::string& out, char32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

}  // namespace

QString ToQString(std::string_view bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  AppendToQString(text, bytes);
  return text;
}

void AppendToQString(QString& text, std::string_view bytes) {
  for (size_t pos = 0; pos < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[pos]);
    if (byte < 0x80) {
      text += QChar(byte);
      ++pos;
      continue;
    }
    const Decoded decoded = DecodeAt(bytes, pos);
    if (decoded.length == 0) {
      text += QChar(static_cast<char16_t>(kEscapeBase + byte));
      ++pos;
      continue;
    }
    if (decoded.code_point >= 0x10000) {
      text += QChar(QChar::highSurrogate(decoded.code_point));
      text += QChar(QChar::lowSurrogate(decoded.code_point));
    } else {
      text += QChar(static_cast<char16_t>(decoded.code_point));
    }
    pos += decoded.length;
  }
}

std::string FromQString(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i].unicode();
    if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      AppendUtf8(bytes, QChar::surrogateToUcs4(unit, text[i + 1].unicode()));
      ++i;
    } else if (unit >= kFirstEscape && unit <= kLastEscape) {
      bytes += static_cast<char>(unit - kEscapeBase);
    } else if (QChar::isSurrogate(unit)) {
      AppendUtf8(bytes, QChar::ReplacementCharacter);
    } else {
      AppendUtf8(bytes, unit);
    }
  }
  return bytes;
}

}  // namespace quillo
