// The message map: which CProgrammerDlg handler each command of the main window runs.
#pragma once

namespace norvik::app {
class CProgrammerDlg;
}

namespace norvik::ui {

class MainDialog;

// Binds start-up, the cancel command and every handled click to `dialog`'s handlers; each runs
// as a job on the window's device thread. `dialog` must outlive the window's jobs.
void bindProgrammer(MainDialog& window, app::CProgrammerDlg& dialog);

}  // namespace norvik::ui
