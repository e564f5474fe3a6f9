// A CProgrammerDlg wired to an in-memory host, a scripted programmer and a virtual clock, working
// in a temporary current directory that holds a copy of the shipped catalogue.
#pragma once

#include <gtest/gtest.h>

#include "app/dialog_template.h"
#include "test_support.h"

namespace norvik::testing {

class DialogTest : public ::testing::Test {
 protected:
  Rig rig{RigOptions{.simulator = std::nullopt, .catalogue = true, .subfolder = ""}};
  TempDir& dir = rig.dir;
  EventLog& log = rig.log;
  ScriptedBackend& backend = rig.scripted();
  RecordingClock& clock = rig.clock;
  link::DeviceLink& link = rig.link();
  MemoryHost& host = rig.host;
  app::ProgrammerState& state = rig.state();
  app::CProgrammerDlg& dlg = rig.dlg();

  std::vector<std::string> messageTexts() const { return rig.messageTexts(); }
  std::vector<std::string> eventsFrom(const std::string& first) const {
    return rig.eventsFrom(first);
  }
};

}  // namespace norvik::testing
