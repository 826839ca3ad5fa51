#pragma once
// The typing style: applying the tool row to the editor's selection and the default-style reset.

namespace Module1 {
void refreshText();
void resetStyle();
}  // namespace Module1
