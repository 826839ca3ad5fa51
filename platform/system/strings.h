#pragma once
// String, number and colour helpers with the semantics the program's code was written against:
// positions are 1-based and count QString units (UTF-16), the same unit the editor's offsets use,
// so a position found in a copy of the editor's text is directly an editor offset + 1.

#include <QString>
#include <cstdint>

namespace fw {

// 1-based position of `find` in `source` from `start` (1-based), ignoring case; 0 when absent.
int InStr(const QString& source, const QString& find);
int InStr(int start, const QString& source, const QString& find);

// Substring from 1-based `start`; `length` < 0 means "to the end".
QString Mid(const QString& s, int start, int length = -1);
QString Left(const QString& s, int count);
QString Right(const QString& s, int count);
int Len(const QString& s);
// Characters as a person counts them for a length rule: a character outside the Basic
// Multilingual Plane is one, not two units.
int CharacterCount(const QString& s);
// The first `n` characters of `s`, never half of one.
QString LeftCharacters(const QString& s, int n);

// n-th field (from 1) of `s` split at `separator`; "" past the last field.
QString NthField(const QString& s, const QString& separator, int n);

// The number at the start of `s` (leading blanks skipped); "&h" introduces hexadecimal, "&o" octal,
// "&b" binary; 0 when there is none.
double Val(const QString& s);
// How a double becomes an int32 wherever the program stores one: truncated toward zero and
// clamped to the int32 range, so hand-edited files can never produce undefined behaviour.
int32_t ToInt32(double d);

QString Str(int n);
QString Str(int64_t n);
QString Str(double d);
QString Lowercase(const QString& s);

// 0 when equal, -1/1 otherwise; mode 0 compares exactly, mode 1 ignores case.
int StrComp(const QString& a, const QString& b, int mode);
// The framework's `=` on strings: equal when they differ at most in case.
bool StrEq(const QString& a, const QString& b);
// Names as a person reads them: equal when they differ at most in case and in how their accented
// letters are encoded ("Café" with one code point or with "e" and a combining accent).
bool SameName(const QString& a, const QString& b);

// The editor's text with its paragraph and line separators (U+2029, U+2028) as '\n', as the
// program and the clipboard's plain text know them.
QString Unseparated(QString s);

}  // namespace fw
