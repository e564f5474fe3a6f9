// The message boxes and the Open and Save dialogs of the Windows host: shown on the window's
// thread with the texts, captions and buttons a request asks for (the buttons in Chinese whatever
// language the system speaks), and closed on request when the exit cannot wait for an answer.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "app/dialog_host.h"

namespace norvik::win32 {

// A modal box or file dialog is showing; `close()` ends it as its way out does.
struct OpenModal {
  enum class Kind { None, MessageBox, FileDialog };
  Kind kind = Kind::None;
  int wayOut = IDCANCEL;  // the command that closes it as refused
  HWND window = nullptr;  // known once it has become active
};

// Shows a message box; `owner` nullptr for none. Returns kIdOk, kIdCancel, kIdYes or kIdNo.
int showMessageBox(HWND owner, const app::MessageBoxRequest& request, OpenModal& open);

// Shows the Open or Save dialog; the chosen path, or nothing when cancelled.
std::optional<std::string> showFileDialog(HWND owner, const app::FileDialogRequest& request,
                                          OpenModal& open);

// Ends the box or file dialog that `open` says is showing, as cancelled.
void closeOpenModal(const OpenModal& open);

// "desc|pattern|desc|pattern|" as the common dialogs take it: pairs of null-terminated strings,
// ended by an empty one.
std::wstring fileFilter(const std::string& filter);

}  // namespace norvik::win32
