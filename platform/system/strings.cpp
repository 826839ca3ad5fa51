#include "platform/system/strings.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace fw {

int InStr(const QString& source, const QString& find) { return InStr(1, source, find); }

int InStr(int start, const QString& source, const QString& find) {
  if (start < 1) start = 1;
  if (start > source.size() + 1) return 0;
  const qsizetype at = source.indexOf(find, start - 1, Qt::CaseInsensitive);
  return at < 0 ? 0 : static_cast<int>(at) + 1;
}

QString Mid(const QString& s, int start, int length) {
  if (start < 1) start = 1;
  if (start > s.size()) return QString();
  if (length < 0) return s.mid(start - 1);
  return s.mid(start - 1, length);
}

QString Left(const QString& s, int count) { return count <= 0 ? QString() : s.left(count); }
QString Right(const QString& s, int count) { return count <= 0 ? QString() : s.right(count); }
int Len(const QString& s) { return static_cast<int>(s.size()); }

QString NthField(const QString& s, const QString& separator, int n) {
  if (n < 1) return QString();
  if (separator.isEmpty()) return n == 1 ? s : QString();
  qsizetype from = 0;
  for (int field = 1;; ++field) {
    const qsizetype at = s.indexOf(separator, from);
    if (field == n) return at < 0 ? s.mid(from) : s.mid(from, at - from);
    if (at < 0) return QString();
    from = at + separator.size();
  }
}

int CharacterCount(const QString& s) {
  int n = 0;
  for (qsizetype i = 0; i < s.size(); ++i, ++n)
    if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) ++i;
  return n;
}

QString LeftCharacters(const QString& s, int n) {
  qsizetype i = 0;
  for (int taken = 0; i < s.size() && taken < n; ++i, ++taken)
    if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) ++i;
  return s.left(i);
}

namespace {
int DigitValue(QChar c, int base) {
  int v = -1;
  if (c >= u'0' && c <= u'9') v = c.unicode() - u'0';
  else if (c >= u'a' && c <= u'z') v = c.unicode() - u'a' + 10;
  else if (c >= u'A' && c <= u'Z') v = c.unicode() - u'A' + 10;
  return (v >= 0 && v < base) ? v : -1;
}
}  // namespace

double Val(const QString& s) {
  qsizetype i = 0;
  const qsizetype n = s.size();
  while (i < n && (s[i] == u' ' || s[i] == u'\t')) ++i;
  if (i + 1 < n && s[i] == u'&') {
    const QChar k = s[i + 1].toLower();
    const int base = k == u'h' ? 16 : k == u'o' ? 8 : k == u'b' ? 2 : 0;
    if (base == 0) return 0;
    i += 2;
    double v = 0;
    for (int d; i < n && (d = DigitValue(s[i], base)) >= 0; ++i) v = v * base + d;
    return v;
  }
  // Longest prefix that reads as a decimal number: sign, digits, fraction, exponent.
  qsizetype j = i;
  if (j < n && (s[j] == u'+' || s[j] == u'-')) ++j;
  const qsizetype digitsStart = j;
  while (j < n && s[j].isDigit() && s[j].unicode() < 128) ++j;
  if (j < n && s[j] == u'.') {
    ++j;
    while (j < n && s[j].isDigit() && s[j].unicode() < 128) ++j;
  }
  if (j == digitsStart || (j == digitsStart + 1 && s[digitsStart] == u'.')) return 0;
  qsizetype end = j;
  if (j < n && (s[j] == u'e' || s[j] == u'E')) {
    qsizetype k = j + 1;
    if (k < n && (s[k] == u'+' || s[k] == u'-')) ++k;
    const qsizetype expStart = k;
    while (k < n && s[k].isDigit() && s[k].unicode() < 128) ++k;
    if (k > expStart) end = k;
  }
  bool ok = false;
  const double v = s.mid(i, end - i).toDouble(&ok);
  return ok ? v : 0;
}

int32_t ToInt32(double d) {
  if (std::isnan(d)) return 0;
  if (d >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  if (d <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(std::trunc(d));
}

QString Str(int n) { return QString::number(n); }
QString Str(int64_t n) { return QString::number(n); }
QString Str(double d) { return QString::number(d, 'g', 15); }
QString Lowercase(const QString& s) { return s.toLower(); }

int StrComp(const QString& a, const QString& b, int mode) {
  const int c = QString::compare(a, b, mode == 0 ? Qt::CaseSensitive : Qt::CaseInsensitive);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool StrEq(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }

bool SameName(const QString& a, const QString& b) {
  return StrEq(a.normalized(QString::NormalizationForm_C), b.normalized(QString::NormalizationForm_C));
}

QString Unseparated(QString s) {
  // Runs over the whole text at every Text(), so it looks at four units at a time and touches
  // only the words that hold a U+2028 line separator or a U+2029 paragraph separator.
  char16_t* p = reinterpret_cast<char16_t*>(s.data());
  const qsizetype n = s.size();
  constexpr quint64 ones = 0x0001000100010001ull, highs = 0x8000800080008000ull;
  constexpr quint64 separators = 0x2029202920292029ull;  // with the low bit set, U+2028 reads as U+2029
  qsizetype i = 0;
  for (; i + 4 <= n; i += 4) {
    quint64 word;
    std::memcpy(&word, p + i, sizeof word);
    const quint64 v = (word | ones) ^ separators;  // a unit of 0 where a separator stands
    if ((v - ones) & ~v & highs)
      for (qsizetype k = i; k < i + 4; ++k)
        if ((p[k] | 1) == 0x2029) p[k] = u'\n';
  }
  for (; i < n; ++i)
    if ((p[i] | 1) == 0x2029) p[i] = u'\n';
  return s;
}

}  // namespace fw
