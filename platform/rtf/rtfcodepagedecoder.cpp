#include "platform/rtf/rtfcodepagedecoder.h"

namespace fw::rtf {

int CodePageOfCharset(int charset) {
  switch (charset) {
    case 0:  // ANSI, which is Western whatever \ansicpg says, as word processors read it
    case 2:  // symbol fonts: their bytes are shown as they are
      return kWesternCodePage;
    case 1:  // default: the document's code page
      return 0;
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254:
    case 255: return 437;
    default: return 0;
  }
}

QStringDecoder* RtfCodePageDecoder::DecoderFor(int codePage) {
  auto it = decoders_.find(codePage);
  if (it == decoders_.end()) {
    QStringDecoder decoder;
    const QByteArray names[] = {codePage == 10000 ? QByteArray("macintosh") : "windows-" + QByteArray::number(codePage),
                                "cp" + QByteArray::number(codePage), "IBM" + QByteArray::number(codePage)};
    for (const QByteArray& name : names) {
      decoder = QStringDecoder(name.constData(), QStringConverter::Flag::Stateless);
      if (decoder.isValid()) break;
    }
    it = decoders_.emplace(codePage, std::move(decoder)).first;
  }
  return it->second.isValid() ? &it->second : nullptr;
}

}  // namespace fw::rtf
