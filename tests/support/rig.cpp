#include "rig.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace norvik::testing {

Rig::Rig(RigOptions options)
    : work(options.subfolder.empty() ? dir.path() : dir.file(options.subfolder)) {
  std::filesystem::create_directories(work);
  if (options.catalogue) copyCatalogue(work);
  app::SessionOptions s;
  if (options.simulator) {
    sim::SimConfig config = *options.simulator;
    config.realTime = false;
    simulator_ = std::make_unique<sim::SimulatedProgrammer>(config, clock);
    s.device = std::make_unique<RecordingBackend>(*simulator_, log);
  } else {
    // The scripted programmer records its own transfers.
    auto scripted = std::make_unique<ScriptedBackend>(log);
    scripted->autoIdA = "ECF10095";  // K9F1G08U0B, 2048+64, length 8000000
    scripted->autoIdB = "2CDA9095";  // MT29F2G08ABAEA, 2048+64, length 10000000
    scripted_ = scripted.get();
    s.device = std::move(scripted);
  }
  s.clock = &clock;
  s.tracePath = "";
  s.currentDirectory = [folder = work] { return folder; };
  std::string error;
  session_ = app::Session::open(std::move(s), &error);
  if (!session_) throw std::runtime_error("rig: " + error);
  dlg_ = &session_->attach(host);
}

Rig::~Rig() = default;

void Rig::write(const std::string& name, const std::string& bytes) const {
  std::filesystem::create_directories(std::filesystem::path(file(name)).parent_path());
  std::ofstream out(file(name), std::ios::binary);
  out << bytes;
}

std::string Rig::read(const std::string& name) const {
  std::ifstream in(file(name), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> Rig::messageTexts() const {
  return texts(host.messages());
}

std::vector<std::string> Rig::texts(const std::vector<app::MessageBoxRequest>& messages) {
  std::vector<std::string> out;
  out.reserve(messages.size());
  for (const auto& m : messages) out.push_back(m.text);
  return out;
}

std::vector<std::string> Rig::eventsFrom(const std::string& first) const {
  auto ev = log.events();
  auto it = std::find(ev.begin(), ev.end(), first);
  return std::vector<std::string>(it, ev.end());
}

}  // namespace norvik::testing
