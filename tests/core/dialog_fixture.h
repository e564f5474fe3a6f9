// A CProgrammerDlg wired to an in-memory host, a scripted programmer and a virtual clock, working
// in a temporary current directory that holds a copy of the shipped catalogue.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "app/dialog_template.h"
#include "app/memory_host.h"
#include "app/programmer_dlg.h"
#include "link/device_link.h"
#include "test_support.h"

namespace norvik::testing {

class DialogTest : public ::testing::Test {
 protected:
  DialogTest() {
    std::filesystem::copy(std::string(NORVIK_SOURCE_DIR) + "/nand_lib", dir.file("nand_lib"));
    backend.autoIdA = "ECF10095";  // K9F1G08U0B, 2048+64, length 8000000
    backend.autoIdB = "2CDA9095";  // MT29F2G08ABAEA, 2048+64, length 10000000
  }

  TempDir dir;
  EventLog log;
  ScriptedBackend backend{log};
  RecordingClock clock{log};
  link::DeviceLink link{backend, clock};
  app::MemoryHost host;
  app::ProgrammerState state;
  app::CProgrammerDlg dlg{host, link, state, [this] { return dir.path(); }};

  std::vector<std::string> messageTexts() const {
    std::vector<std::string> out;
    for (const auto& m : host.messages()) out.push_back(m.text);
    return out;
  }
  // Events from the first one equal to `first` on.
  std::vector<std::string> eventsFrom(const std::string& first) const {
    auto ev = log.events();
    auto it = std::find(ev.begin(), ev.end(), first);
    return std::vector<std::string>(it, ev.end());
  }
};

}  // namespace norvik::testing
