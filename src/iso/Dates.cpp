#include "iso/Dates.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "iso/Records.h"

namespace tarnwick {
namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Days from 1970-01-01 of a proleptic Gregorian date (400-year era arithmetic).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
}

// 30 December 1899 counted from 1 January 1970.
constexpr long long kEpochShift = -25569;

bool IsValidDateTime(int year, int month, int day, int hour, int minute, int second) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month) &&
         hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

}  // namespace

std::optional<std::int64_t> CalendarSeconds(int year, int month, int day, int hour, int minute, int second) {
  if (!IsValidDateTime(year, month, day, hour, minute, second)) return std::nullopt;
  return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 + hour * 3600 +
         minute * 60 + second;
}

bool LocalTimeOf(std::int64_t unixSeconds, platform::LocalDateTime& out) {
  const std::time_t when = static_cast<std::time_t>(unixSeconds);
  if (static_cast<std::int64_t>(when) != unixSeconds) return false;
  const std::tm* local = std::localtime(&when);
  if (!local) return false;
  out.year = local->tm_year + 1900;
  out.month = local->tm_mon + 1;
  out.day = local->tm_mday;
  out.hour = local->tm_hour;
  out.minute = local->tm_min;
  out.second = std::min(local->tm_sec, 59);  // a leap second is not a time a file can carry
  return true;
}

double EncodeDateTime(int year, int month, int day, int hour, int minute, int second) {
  if (!IsValidDateTime(year, month, day, hour, minute, second)) return NoDate;
  const long long days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochShift;
  const int seconds = hour * 3600 + minute * 60 + (second & ~1);
  // Days before the epoch count down while the time of day still counts up, so the
  // fraction is added to the magnitude of a negative day number.
  const double fraction = seconds / 86400.0;
  return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

bool DecodeDateTime(double dateTime, platform::LocalDateTime& out) {
  if (!IsDate(dateTime) || dateTime < -693593.0 || dateTime > 2958466.0) return false;
  double whole = std::trunc(dateTime);
  long long seconds = std::llround(std::fabs(dateTime - whole) * 86400.0);
  long long days = static_cast<long long>(whole);
  if (seconds >= 86400) {
    seconds -= 86400;
    days += dateTime >= 0 ? 1 : -1;
  }
  int y = 0, m = 0, d = 0;
  CivilFromDays(days + kEpochShift, y, m, d);
  out.year = y;
  out.month = m;
  out.day = d;
  out.hour = static_cast<int>(seconds / 3600);
  out.minute = static_cast<int>(seconds / 60 % 60);
  out.second = static_cast<int>(seconds % 60);
  return true;
}

std::uint32_t PackDosDateTime(double dateTime) {
  platform::LocalDateTime t;
  if (!DecodeDateTime(dateTime, t) || t.year < 1980 || t.year > 2107) return 0;
  const std::uint32_t date = static_cast<std::uint32_t>((t.year - 1980) * 512 + t.month * 32 + t.day);
  const std::uint32_t time = static_cast<std::uint32_t>(t.hour * 2048 + t.minute * 32 + t.second / 2);
  return date << 16 | time;
}

double UnpackDosDateTime(std::uint32_t stamp) {
  const std::uint32_t date = stamp >> 16, time = stamp & 0xFFFF;
  return EncodeDateTime(static_cast<int>(date >> 9) + 1980, static_cast<int>(date >> 5 & 15),
                        static_cast<int>(date & 31), static_cast<int>(time >> 11), static_cast<int>(time >> 5 & 63),
                        static_cast<int>(time & 31) * 2);
}

bool EntryLocalTime(const TFEntry& entry, platform::LocalDateTime& out) {
  // A POSIX modification time is kept to the second; the entry's date has 2-second steps.
  if (entry.Posix && entry.Posix->Modified) return LocalTimeOf(*entry.Posix->Modified, out);
  return entry.HasDate() && DecodeDateTime(entry.DateTime, out);
}

}  // namespace tarnwick
