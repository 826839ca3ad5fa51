#include "store/filetypes1.h"

namespace FileTypes1 {

std::unique_ptr<fw::FileType> pRtf;
std::unique_ptr<fw::FileType> pText;

namespace {
std::unique_ptr<fw::FileType> Declare(const char* name, const char* extensions) {
  auto t = std::make_unique<fw::FileType>();
  t->Name = QString::fromLatin1(name);
  t->Extensions = QString::fromLatin1(extensions);
  t->MacType = QStringLiteral("TEXT");
  t->MacCreator = QStringLiteral("????");
  t->Operator_Convert();
  return t;
}
}  // namespace

void Initialize() {
  pRtf = Declare("rtf", ".rtf");
  pText = Declare("text", ".txt");
}

}  // namespace FileTypes1
