#include "app/preferences.h"

#include "catalogue/profile.h"
#include "files/file_object.h"
#include "platform/errno_text.h"
#include "platform/working_folder.h"

namespace norvik::app {

namespace {
constexpr const char* kSection = "Dialog";
constexpr const char* kVerifyKey = "VerifyAfterCopy";
}  // namespace

Preferences Preferences::read(const std::string& folder) {
  Preferences p;
  const catalogue::Profile file =
      catalogue::Profile::load(WorkingFolder(folder), kPreferencesFileName);
  p.verifyAfterCopy = file.getInt(kSection, kVerifyKey, 0) != 0;
  return p;
}

bool Preferences::write(const std::string& folder, std::string* problem) const {
  const WorkingFolder at(folder);
  const std::string text = std::string("[") + kSection + "]\r\n" + kVerifyKey + "=" +
                           (verifyAfterCopy ? "1" : "0") + "\r\n";
  files::FileObject file;
  if (file.open(at, kPreferencesFileName, files::Access::Write, files::Disposition::CreateAlways) &&
      file.write(text.data(), text.size())) {
    return true;
  }
  if (problem) *problem = at.pathOf(kPreferencesFileName) + ": " + errnoText(file.lastError());
  return false;
}

}  // namespace norvik::app
