#include "catalogue/startup_config.h"

#include "catalogue/profile.h"
#include "platform/current_dir.h"

namespace norvik::catalogue {

StartupConfig readStartupConfig(const std::string& currentDirectory) {
  const Profile p = Profile::load(joinPath(currentDirectory, kConfigFileName));
  StartupConfig c;
  c.ce = p.getString("NandType", "CE", "", 20);
  c.lens = p.getString("NandType", "Lens", "", 20);
  c.csChip = p.getString("NandType", "Cs_Chip", "", 10);
  return c;
}

}  // namespace norvik::catalogue
