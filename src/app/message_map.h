// The dialog's message map: which control's click runs which handler of CProgrammerDlg on the
// device thread, and which clicks start an operation (the exit asks before it stops one).
#pragma once

namespace norvik::app {

class CProgrammerDlg;
class HostController;

enum class ClickKind {
  Setting,        // a choice or a refresh: nothing to ask about at exit
  Operation,      // program, read, self-test: data moves between the computer and the chip
  ProgrammerJob,  // copy, erase: the programmer works by itself and goes on after a stop
};

ClickKind clickKind(int id);

// Start-up, the cancel job (saving the log), every click with a handler, and the report of a
// failure that escapes a handler.
void bindProgrammer(HostController& controller, CProgrammerDlg& dialog);

}  // namespace norvik::app
