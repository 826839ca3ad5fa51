#include "platform/rtf/rtftokenizer.h"

namespace fw::rtf {
namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

// A control word's letters, its optional signed number and the one space that may end it; p_ just
// past the backslash, at a letter. kCut when the word may go on past what is in: p_ is then back at
// the backslash and cut_ set, so that it is read whole once more is in. Words have at most 32
// letters and numbers at most 10 digits; one that runs on is damage (kTooLong, p_ at its
// backslash), found within those few bytes, so that one that never ends is not read on at all.
RtfTokenizer::WordRead RtfTokenizer::ReadControlWord(Control* word) {
  constexpr qsizetype kMaxLetters = 32;
  constexpr qsizetype kMaxDigits = 10;
  const char* w = p_;
  const auto tooLong = [&] {
    p_ = w - 1;
    return WordRead::kTooLong;
  };
  while (p_ < end_ && IsLetter(*p_)) {
    if (p_ - w == kMaxLetters) return tooLong();
    ++p_;
  }
  word->name = std::string_view(w, size_t(p_ - w));
  bool negative = false;
  if (p_ + 1 < end_ && *p_ == '-' && IsDigit(p_[1])) {
    negative = true;
    ++p_;
  }
  long long value = 0;
  word->hasParam = false;
  for (const char* digits = p_; p_ < end_ && IsDigit(*p_); ++p_) {
    if (p_ - digits == kMaxDigits) return tooLong();
    word->hasParam = true;
    if (value < 100000000) value = value * 10 + (*p_ - '0');  // stays within int
  }
  if (p_ == end_ && !eof_) {
    p_ = w - 1;
    cut_ = true;
    return WordRead::kCut;
  }
  if (p_ < end_ && *p_ == ' ') ++p_;
  word->param = int(negative ? -value : value);
  return WordRead::kRead;
}

RtfTokenizer::Control RtfTokenizer::ReadControl() {
  Control control;
  ++p_;  // backslash
  if (p_ == end_) {
    control.kind = Control::Kind::kEnd;
    return control;
  }
  const char c = *p_;
  if (IsLetter(c)) {
    switch (ReadControlWord(&control)) {
      case WordRead::kRead:
        break;
      case WordRead::kCut:
        control.kind = Control::Kind::kCut;
        return control;
      case WordRead::kTooLong:
        control.kind = Control::Kind::kTooLong;
        return control;
    }
    if (control.name == "bin") {
      // Binary data is skipped however it is used; it may contain braces and backslashes.
      if (control.param > 0) SkipBinary(control.param);
      control.kind = Control::Kind::kBinary;
    }
    return control;
  }

  ++p_;
  if (c != '\'') {
    control.kind = Control::Kind::kSymbol;
    control.symbol = c;
    return control;
  }
  // Only hex digits are consumed, so a damaged escape cannot swallow a brace.
  control.kind = Control::Kind::kEnd;
  if (p_ == end_) return control;
  const int hi = HexValue(*p_);
  int lo = -1;
  if (hi >= 0) {
    if (++p_ == end_) return control;
    lo = HexValue(*p_);
    if (lo >= 0) ++p_;
  }
  control.kind = Control::Kind::kHex;
  control.hex = lo < 0 ? -1 : hi * 16 + lo;  // not a hex escape after all; nothing to show
  return control;
}

// Consumes the rest of a group we do not read, nested groups included, without keeping state.
// Pauses at limit_ like Parse; skipDepth_ keeps its place.
RtfTokenizer::SkipEnd RtfTokenizer::SkipGroup(size_t deepest, bool& watchText) {
  size_t& depth = skipDepth_;
  if (depth == 0) depth = 1;
  while (p_ < limit_) {
    const char c = *p_;
    if (c == '{') {
      if (depth >= deepest) return SkipEnd::kTooDeep;
      ++depth;
      ++p_;
      if (quietDepth_ == 0 && end_ - p_ >= 2 && p_[0] == '\\' && p_[1] == '*') quietDepth_ = depth;
    } else if (c == '}') {
      ++p_;
      if (depth == quietDepth_) quietDepth_ = 0;
      if (--depth == 0) return SkipEnd::kClosed;
    } else if (c == '\\') {
      ++p_;
      if (p_ == end_) break;
      if (!IsLetter(*p_)) {
        ++p_;  // a control symbol, including \{ \} and \\; \'hh digits are harmless
        continue;
      }
      Control cw;
      switch (ReadControlWord(&cw)) {
        case WordRead::kRead: break;
        case WordRead::kCut: return SkipEnd::kPaused;  // waits for the rest of the word
        case WordRead::kTooLong: return SkipEnd::kTooLong;
      }
      if (cw.name == "bin" && cw.param > 0) SkipBinary(cw.param);
    } else {
      if (watchText && quietDepth_ == 0 && c != ' ' && c != '\t' && c != '\r' && c != '\n') watchText = false;
      ++p_;
    }
  }
  if (p_ < end_ || !eof_) return SkipEnd::kPaused;
  return SkipEnd::kEnd;
}

// Past the end of what is in, the rest is skipped as it comes; at the end of the data, it is
// missing.
void RtfTokenizer::SkipBinary(qsizetype bytes) {
  const qsizetype in = std::min(bytes, qsizetype(end_ - p_));
  p_ += in;
  binLeft_ = bytes - in;
}

void RtfTokenizer::Feed(const QByteArray& more, bool last) {
  const qsizetype skipped = std::min(binLeft_, more.size());
  binLeft_ -= skipped;
  const qsizetype kept = end_ - p_;
  dropped_ += (p_ - begin_) + (kept == 0 ? skipped : 0);
  if (kept == 0 && skipped == 0) {
    buffer_ = more;  // shared, not copied
  } else {
    QByteArray next;
    next.reserve(kept + more.size() - skipped);
    next.append(p_, kept);
    next.append(more.constData() + skipped, more.size() - skipped);
    buffer_ = std::move(next);
  }
  begin_ = p_ = buffer_.constData();
  end_ = begin_ + buffer_.size();
  eof_ = last;
  cut_ = false;
}

}  // namespace fw::rtf
