#pragma once

class QWidget;

namespace tavrilo {

// The program's only question: "Exit Tavrilo Synth?" with Yes and No, the stop icon and No as
// the default button. Modal; true when the user answers Yes.
bool askExit(QWidget* parent);

}  // namespace tavrilo
