#include "gui_support.h"

#include <QAbstractButton>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <filesystem>

#include "app/message_map.h"
#include "sim/simulated_programmer.h"

namespace norvik::guitest {

WiredWindow::WiredWindow(bool runStartup, bool withCatalogue) {
  if (withCatalogue) {
    std::filesystem::copy(std::string(NORVIK_SOURCE_DIR) + "/nand_lib",
                          dir_.filePath(QStringLiteral("nand_lib")).toStdString());
  }
  sim::SimConfig config = sim::SimConfig::defaults();
  config.realTime = false;
  app::SessionOptions options;
  options.device = std::make_unique<sim::SimulatedProgrammer>(config, clock_);
  options.clock = &clock_;
  options.tracePath = "";
  options.currentDirectory = [folder = dir()] { return folder; };
  std::string error;
  session_ = app::Session::open(std::move(options), &error);
  window_ = std::make_unique<ui::MainDialog>(session_->backendName());
  app::bindProgrammer(window_->controller(), session_->attach(window_->host()));
  if (!runStartup) window_->controller().setStartupJob({});
  window_->show();
}

WiredWindow::~WiredWindow() {
  window_.reset();  // waits for the device thread before the handlers go
  session_.reset();
}

std::string WiredWindow::readFile(const std::string& name) const {
  QFile file(dir_.filePath(QString::fromStdString(name)));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

bool WiredWindow::fileExists(const std::string& name) const {
  return QFileInfo::exists(dir_.filePath(QString::fromStdString(name)));
}

QString WiredWindow::text(int id) const {
  QWidget* widget = window_->control(id);
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  return {};
}

}  // namespace norvik::guitest
