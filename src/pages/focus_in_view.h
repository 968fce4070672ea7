#pragma once
// A scrolled area that keeps the control with the focus in view, however the focus came there
// (Tab, Alt and a label's letter, a click): the whole control, its top first when it is higher
// than the area.

class QScrollArea;

namespace keyloft {

void KeepFocusInView(QScrollArea* area);

}  // namespace keyloft
