// The toolkit-neutral face of the main dialog. Every handler touches controls, message boxes and
// file dialogs only through a DialogHost: the Qt window implements it, tests use MemoryHost, the
// command-line front end uses its console host. Calls may come from any thread; an
// implementation that owns a user-interface thread makes them synchronous there.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvik::app {

enum class MessageOwner {
  Dialog,  // owned by the main dialog, captioned with the application name
  None,    // no owner window, the system's default caption (worker threads)
};

enum class MessageButtons { Ok, OkCancel, YesNo };

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

struct MessageBoxRequest {
  MessageOwner owner = MessageOwner::Dialog;
  std::string caption;
  std::string text;
  MessageButtons buttons = MessageButtons::Ok;
};

struct FileDialogRequest {
  bool save = false;             // Save dialog; otherwise Open
  std::string defaultExtension;  // "bin" or "*.bin"; defaultSuffix() gives the bare "bin"
  std::string initialName;       // "" or "temp"
  std::string initialDirectory;  // "" for the toolkit's default
  std::string filter;            // "desc|pattern|desc|pattern|"
};

// The extension a file dialog appends to a name typed without one: `extension` without its
// leading "*" and ".": "*.bin", ".bin" and "bin" all give "bin".
std::string defaultSuffix(std::string_view extension);

class DialogHost {
 public:
  virtual ~DialogHost() = default;

  virtual std::string text(int id) = 0;
  virtual void setText(int id, const std::string& text) = 0;
  virtual bool isChecked(int id) = 0;
  virtual void setChecked(int id, bool checked) = 0;

  // Progress bars: PBM_SETRANGE, PBM_SETPOS, PBM_SETSTEP, PBM_STEPIT.
  virtual void progressSetRange(int id, int low, int high) = 0;
  virtual void progressSetPos(int id, int pos) = 0;
  virtual void progressSetStep(int id, int step) = 0;
  virtual void progressStepIt(int id) = 0;

  // Modal; returns kIdOk or kIdCancel (kIdYes or kIdNo for YesNo).
  virtual int messageBox(const MessageBoxRequest& request) = 0;
  // Modal; the chosen path, or nothing when the user cancels.
  virtual std::optional<std::string> fileDialog(const FileDialogRequest& request) = 0;
};

// PBM_STEPIT: past the maximum the position starts over from the minimum.
int progressStepped(int pos, int step, int low, int high);

}  // namespace norvik::app
