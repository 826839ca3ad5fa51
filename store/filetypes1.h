#pragma once
#include <memory>

#include "platform/system/filetype.h"

namespace FileTypes1 {
extern std::unique_ptr<fw::FileType> pRtf;
extern std::unique_ptr<fw::FileType> pText;
void Initialize();
}  // namespace FileTypes1
