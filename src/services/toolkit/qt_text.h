#pragma once
// Conversions between the program's UTF-16 text and colours and Qt's types.

#include <QColor>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

namespace rk::tk::detail {

// UTF-16 text as a QString (same code units, no conversion).
inline QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// A QString as UTF-16 text.
inline std::u16string FromQString(const QString& text) { return text.toStdU16String(); }

// A colour written 0x00BBGGRR (red in the low byte) as a QColor.
inline QColor ToQColor(std::int32_t colour) {
  const auto value = static_cast<std::uint32_t>(colour);
  return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                static_cast<int>((value >> 16) & 0xFFu));
}

}  // namespace rk::tk::detail
