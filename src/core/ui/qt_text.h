#pragma once
// Record data is 8-bit text as on disk (the system code page of the game's platform); Latin-1
// maps each byte to one character and back. Windows convert at their edge with these.

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace vorlix {

inline QString To_QString(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string From_QString(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace vorlix
