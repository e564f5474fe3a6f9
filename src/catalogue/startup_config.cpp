#include "catalogue/startup_config.h"

#include "catalogue/profile.h"

namespace norvik::catalogue {

StartupConfig readStartupConfig(const std::string& currentDirectory) {
  return readStartupConfig(WorkingFolder(currentDirectory), nullptr);
}

StartupConfig readStartupConfig(const std::string& currentDirectory, std::string* error) {
  return readStartupConfig(WorkingFolder(currentDirectory), error);
}

StartupConfig readStartupConfig(const WorkingFolder& folder, std::string* error) {
  const Profile p = Profile::load(folder, kConfigFileName, error);
  StartupConfig c;
  c.ce = p.getString("NandType", "CE", "", 20);
  c.lens = p.getString("NandType", "Lens", "", 20);
  c.csChip = p.getString("NandType", "Cs_Chip", "", 10);
  return c;
}

}  // namespace norvik::catalogue
