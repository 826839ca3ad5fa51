#pragma once

// The code pages the text of an RTF file is written in: which one a font's character set stands
// for, and the text's bytes decoded by it.

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <unordered_map>
#include <utility>

namespace fw::rtf {

constexpr int kWesternCodePage = 1252;

// \fcharsetN names a Windows character set; we decode by the code page it stands for.
int CodePageOfCharset(int charset);

// Whether b starts a two-byte character in the code page; the byte after it is its second half
// even when that looks like ASCII.
inline bool IsLeadByte(int codePage, unsigned char b) {
  switch (codePage) {
    case 932:
      return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950:
      return b >= 0x81 && b <= 0xFE;
    case 1361:
      return (b >= 0x84 && b <= 0xD3) || (b >= 0xD8 && b <= 0xF9);
    default:
      return false;
  }
}

inline constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                             0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                             0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                             0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

inline char16_t FromCp1252(unsigned char b) { return b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b); }

// The text's bytes (\'hh and 8-bit bytes) held until they are decoded, each in the code page of
// where it stands. The bytes are decoded together so that a two-byte character written as two
// \'hh comes out whole; the characters go to `out` (a callable taking a char16_t).
class RtfCodePageDecoder {
 public:
  // The last byte held begins a two-byte character.
  bool TrailPending() const { return trailPending_; }

  template <typename Emit>
  void Add(unsigned char b, int codePage, Emit&& out) {
    if (!pending_.isEmpty() && codePage != pendingCodePage_) Flush(out);
    pendingCodePage_ = codePage;
    pending_.append(char(b));
    trailPending_ = !trailPending_ && IsLeadByte(codePage, b);
  }

  template <typename Emit>
  void Flush(Emit&& out) {
    trailPending_ = false;
    if (pending_.isEmpty()) return;
    const QByteArray bytes = std::exchange(pending_, QByteArray());
    QStringDecoder* decoder = pendingCodePage_ == kWesternCodePage ? nullptr : DecoderFor(pendingCodePage_);
    if (!decoder) {
      for (const char b : bytes) out(FromCp1252(static_cast<unsigned char>(b)));
      return;
    }
    const QString text = decoder->decode(bytes);
    for (const QChar c : text) out(c.unicode());
  }

 private:
  // Null when Qt has no codec for the code page: its bytes are then read as Western.
  QStringDecoder* DecoderFor(int codePage);

  std::unordered_map<int, QStringDecoder> decoders_;
  QByteArray pending_;
  int pendingCodePage_ = 0;
  bool trailPending_ = false;
};

}  // namespace fw::rtf
