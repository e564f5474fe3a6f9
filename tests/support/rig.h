// The whole stack in a few lines: a working folder with the shipped catalogue, virtual time, a
// programmer (the simulator in fast mode, or a scripted one), the session with its link and
// state, the in-memory host and the dialog's handlers. Every transfer and pause goes into one
// event list, so an operation's test reads: set up, act, assert the wire and the dialog.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/programmer_dlg.h"
#include "app/session.h"
#include "memory_host.h"
#include "recording.h"
#include "scripted_backend.h"
#include "sim/simulated_programmer.h"
#include "temp_dir.h"

namespace norvik::testing {

struct RigOptions {
  // The simulated programmer with these settings (fast mode); nullopt: the scripted programmer.
  std::optional<sim::SimConfig> simulator = sim::SimConfig::defaults();
  bool catalogue = true;  // copy nand_lib into the working folder
  std::string subfolder;  // work in this folder below the temporary one ("" for itself)
};

class Rig {
 public:
  explicit Rig(RigOptions options = {});
  ~Rig();

  TempDir dir;
  std::string work;  // the working folder (current directory of the handlers)
  EventLog log;
  RecordingClock clock{log};
  MemoryHost host;

  sim::SimulatedProgrammer& simulator() { return *simulator_; }  // with a simulator only
  ScriptedBackend& scripted() { return *scripted_; }             // with the scripted one only
  app::Session& session() { return *session_; }
  link::DeviceLink& link() { return session_->link(); }
  app::ProgrammerState& state() { return session_->state(); }
  app::CProgrammerDlg& dlg() { return *dlg_; }

  std::string file(const std::string& name) const { return work + "/" + name; }
  void write(const std::string& name, const std::string& bytes) const;
  std::string read(const std::string& name) const;
  std::vector<std::string> messageTexts() const;
  static std::vector<std::string> texts(const std::vector<app::MessageBoxRequest>& messages);
  // Events from the first one equal to `first` on.
  std::vector<std::string> eventsFrom(const std::string& first) const;

 private:
  std::unique_ptr<sim::SimulatedProgrammer> simulator_;
  ScriptedBackend* scripted_ = nullptr;  // owned by the session
  std::unique_ptr<app::Session> session_;
  app::CProgrammerDlg* dlg_ = nullptr;
};

}  // namespace norvik::testing
