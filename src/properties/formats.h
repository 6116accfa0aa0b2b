#pragma once
// Display formats of the map properties dialog: the file size and the packed file date.

#include <cstdint>
#include <string>

#include <QLocale>
#include <QString>

namespace vorlix {

// At least six digits, leading zeros, the locale's thousands separator after every three digits,
// then " Bytes": 4096 gives "004,096 Bytes" with a comma separator.
QString Format_Map_Size(std::uint32_t size, const QLocale& locale = QLocale());

// A packed DOS date-time in the locale's short date and long time (the time without its time
// zone); exactly midnight shows the date only. An invalid packed value shows an empty text.
QString Format_Map_Date(std::int32_t dos, const QLocale& locale = QLocale());

// The locale's long time format without time-zone fields ("h:mm:ss AP t" gives "h:mm:ss AP").
QString Long_Time_Format_Without_Zone(const QLocale& locale);

}  // namespace vorlix
