#include "app/control_store.h"

#include <algorithm>

#include "app/dialog_template.h"

namespace norvik::app {

namespace {
const ControlSpec* specOf(int id) {
  const auto& controls = mainDialogTemplate().controls;
  const auto it = std::find_if(controls.begin(), controls.end(),
                               [id](const ControlSpec& c) { return c.id == id; });
  return it == controls.end() ? nullptr : &*it;
}
}  // namespace

ControlStore::ControlStore() {
  for (const ControlSpec& c : mainDialogTemplate().controls) {
    if (c.id != kStaticId) texts_[c.id] = c.caption;
  }
}

std::string ControlStore::text(int id) const {
  std::lock_guard lock(mutex_);
  const auto it = texts_.find(id);
  return it == texts_.end() ? std::string() : it->second;
}

void ControlStore::setText(int id, const std::string& text) {
  std::lock_guard lock(mutex_);
  texts_[id] = text;
}

bool ControlStore::isChecked(int id) const {
  std::lock_guard lock(mutex_);
  const auto it = checks_.find(id);
  return it != checks_.end() && it->second;
}

void ControlStore::setChecked(int id, bool checked) {
  std::lock_guard lock(mutex_);
  checks_[id] = checked;
}

void ControlStore::click(int id) {
  const ControlSpec* spec = specOf(id);
  if (spec == nullptr) return;
  std::lock_guard lock(mutex_);
  if (spec->kind == ControlKind::RadioButton) {
    for (int member : radioGroupOf(id)) checks_[member] = false;
    checks_[id] = true;
  } else if (spec->kind == ControlKind::CheckBox) {
    checks_[id] = !checks_[id];
  }
}

}  // namespace norvik::app
