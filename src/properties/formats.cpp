#include "properties/formats.h"

#include <QDate>
#include <QTime>

namespace vorlix {

QString Format_Map_Size(std::uint32_t size, const QLocale& locale) {
  QString digits = QString::number(size).rightJustified(6, QLatin1Char('0'));
  const QString separator = locale.groupSeparator();
  QString result;
  const int count = static_cast<int>(digits.size());
  for (int i = 0; i < count; ++i) {
    if (i > 0 && (count - i) % 3 == 0) {
      result += separator;
    }
    result += digits.at(i);
  }
  return result + QStringLiteral(" Bytes");
}

QString Long_Time_Format_Without_Zone(const QLocale& locale) {
  const QString format = locale.timeFormat(QLocale::LongFormat);
  QString result;
  bool quoted = false;
  for (int i = 0; i < format.size(); ++i) {
    const QChar c = format.at(i);
    if (c == QLatin1Char('\'')) {
      quoted = !quoted;
      result += c;
      continue;
    }
    if (!quoted && c == QLatin1Char('t')) {
      // Drop the whole run of "t" and the blanks that led up to it.
      while (i + 1 < format.size() && format.at(i + 1) == QLatin1Char('t')) {
        ++i;
      }
      while (!result.isEmpty() && result.back().isSpace()) {
        result.chop(1);
      }
      continue;
    }
    result += c;
  }
  return result.trimmed();
}

QString Format_Map_Date(std::int32_t dos, const QLocale& locale) {
  const auto packed = static_cast<std::uint32_t>(dos);
  const int year = 1980 + static_cast<int>((packed >> 25) & 0x7F);
  const int month = static_cast<int>((packed >> 21) & 0x0F);
  const int day = static_cast<int>((packed >> 16) & 0x1F);
  const int hour = static_cast<int>((packed >> 11) & 0x1F);
  const int minute = static_cast<int>((packed >> 5) & 0x3F);
  const int second = static_cast<int>(packed & 0x1F) * 2;
  const QDate date(year, month, day);
  if (!date.isValid()) {
    return {};
  }
  QString text = locale.toString(date, QLocale::ShortFormat);
  const QTime time(hour, minute, second);
  if (time.isValid() && (hour != 0 || minute != 0 || second != 0)) {
    text += QLatin1Char(' ') + locale.toString(time, Long_Time_Format_Without_Zone(locale));
  }
  return text;
}

}  // namespace vorlix
