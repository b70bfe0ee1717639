// Text between the widgets and the program's byte strings. The system code page is UTF-8; bytes
// that are not valid UTF-8 (a file name made on another system, say) travel through the widgets
// as the lone surrogates U+DC80 to U+DCFF, so a path read back from a widget names the same file.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace quillo {

QString ToQString(std::string_view bytes);
// Appends the bytes as ToQString converts them.
void AppendToQString(QString& text, std::string_view bytes);
std::string FromQString(const QString& text);

}  // namespace quillo
