#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <algorithm>
#include <cstring>
#include <string_view>

namespace fw::rtf {

// An RTF file's data read as its tokens, as the reader asks for them: the braces of groups,
// control words and symbols, \'hh escapes, \bin data and text; and a group the reader does not
// read, skipped whole. What a token means is the reader's. The data comes in pieces, `last` with
// the last one; each is given once the tokenizer is hungry.
class RtfTokenizer {
 public:
  void Feed(const QByteArray& more, bool last);
  bool Hungry() const { return !eof_ && (cut_ || binLeft_ > 0 || end_ - p_ < 2 * kMargin); }
  // Once read through: a long build should not hold the data too.
  void Drop() {
    buffer_ = QByteArray();
    begin_ = p_ = end_ = limit_ = nullptr;
  }
  qsizetype Offset() const { return dropped_ + (p_ - begin_); }
  // Where the data in so far ends: at the end of the data, where it ended.
  qsizetype EndOffset() const { return dropped_ + (end_ - begin_); }
  bool LastIn() const { return eof_; }

  // Before the first token: white space, and whether enough is in to see how the data begins.
  void SkipSpaces() {
    while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\r' || *p_ == '\n')) ++p_;
  }
  bool CanBegin() const { return eof_ || end_ - p_ >= kMargin; }
  bool StartsWith(std::string_view s) const {
    return size_t(end_ - p_) >= s.size() && std::memcmp(p_, s.data(), s.size()) == 0;
  }

  // The tokens from here are read through about `bytes` more of the data, then Paused().
  void PauseAfter(qsizetype bytes) {
    const char* safeEnd = eof_ ? end_ : end_ - std::min(kMargin, qsizetype(end_ - p_));
    limit_ = safeEnd - p_ > bytes ? p_ + bytes : safeEnd;
  }
  bool Paused() const { return p_ >= limit_ && (p_ < end_ || !eof_); }
  // A control word waits for the rest of it: Paused() until more is in.
  bool Cut() const { return cut_; }
  // \bin data not in yet, skipped when it comes.
  bool BinaryLeft() const { return binLeft_ > 0; }

  bool AtEnd() const { return p_ == end_; }
  char Peek() const { return *p_; }
  void Skip() { ++p_; }
  unsigned char Take() { return static_cast<unsigned char>(*p_++); }

  // Printable ASCII but \ { and }, as far as it goes; empty when the next byte is not.
  std::string_view ReadText() {
    const char* s = p_;
    while (p_ < end_) {
      const unsigned char b = static_cast<unsigned char>(*p_);
      if (b < 0x20 || b >= 0x7F || b == '\\' || b == '{' || b == '}') break;
      ++p_;
    }
    return std::string_view(s, size_t(p_ - s));
  }

  struct Control {
    enum class Kind {
      kWord,     // name, and param when hasParam
      kSymbol,   // symbol: the character after the backslash, '*' too
      kHex,      // \'hh: hex is the byte, or -1 when no two hex digits follow
      kBinary,   // \bin and its data, skipped
      kCut,      // a control word that may go on past what is in: Cut()
      kTooLong,  // a control word longer than any: damage, at its backslash
      kEnd,      // the data ends in it
    };
    Kind kind = Kind::kWord;
    std::string_view name;
    bool hasParam = false;
    int param = 0;
    char symbol = 0;
    int hex = -1;
  };
  // The control word or symbol at the backslash here.
  Control ReadControl();

  enum class SkipEnd {
    kPaused,   // where Parse pauses or a control word is cut: the skip goes on at the next call
    kClosed,   // past the brace that closes the group
    kTooDeep,  // a group in it would nest deeper than `deepest`: damage, at its brace
    kTooLong,  // a control word in it is too long: damage, at its backslash
    kEnd,      // the data ends in it
  };
  // Reads on through the rest of a group whose content is not read, nested groups included,
  // keeping its place between calls. Groups in it may nest `deepest` deep. While `watchText` is
  // set, text that shows in it (outside an ignorable group, {\* ...}: names, field codes) clears it.
  SkipEnd SkipGroup(size_t deepest, bool& watchText);

 private:
  enum class WordRead { kRead, kCut, kTooLong };
  WordRead ReadControlWord(Control* word);
  void SkipBinary(qsizetype bytes);

  // Until the last piece is in, a token is read only this far from the end of what is in: none is
  // longer but \bin data, which is skipped as it comes in, and garbage, which waits for more (cut_).
  static constexpr qsizetype kMargin = 4096;
  bool cut_ = false;  // a control word runs on past what is in: read again with more

  QByteArray buffer_;  // the data in and not read yet, and some read
  const char* begin_ = nullptr;
  const char* p_ = nullptr;
  const char* end_ = nullptr;
  qsizetype dropped_ = 0;  // bytes before begin_
  qsizetype binLeft_ = 0;  // bytes of \bin data not in yet, skipped when they come
  bool eof_ = false;
  const char* limit_ = nullptr;  // where this call of Parse pauses

  // Of the skipped group being read: its depth, and that of the innermost ignorable group in it;
  // 0 outside one.
  size_t skipDepth_ = 0;
  size_t quietDepth_ = 0;
};

}  // namespace fw::rtf
