#include "app/message_map.h"

#include "app/dialog_template.h"
#include "app/host_controller.h"
#include "app/programmer_dlg.h"

namespace norvik::app {

ClickKind clickKind(int id) {
  switch (id) {
    case ids::kProgram:
    case ids::kRead:
    case ids::kChipTest:
      return ClickKind::Operation;
    case ids::kCopy:
    case ids::kErase:
      return ClickKind::ProgrammerJob;
    default:
      return ClickKind::Setting;
  }
}

void bindProgrammer(HostController& controller, CProgrammerDlg& dialog) {
  using Stop = std::stop_token;
  CProgrammerDlg* dlg = &dialog;

  controller.setStartupJob([dlg](Stop stop) { dlg->OnInitDialog(stop); });
  controller.setCancelJob([dlg](Stop) { dlg->OnCancel(); });
  controller.setFailureReport(
      [dlg](const std::string& what) { dlg->reportUnexpectedFailure(what); });
  controller.setPreferences([dlg] { return dlg->currentDirectory(); },
                            [dlg](bool on) { dlg->setVerifyAfterCopy(on); });

  controller.setClickJob(ids::kProgram, [dlg](Stop stop) { dlg->OnProgram(stop); });
  controller.setClickJob(ids::kRead, [dlg](Stop stop) { dlg->OnRead(stop); });
  controller.setClickJob(ids::kCopy, [dlg](Stop stop) { dlg->OnCopy(stop); });
  controller.setClickJob(ids::kErase, [dlg](Stop stop) { dlg->OnErase(stop); });
  controller.setClickJob(ids::kChipTest, [dlg](Stop stop) { dlg->OnChipTest(stop); });
  controller.setClickJob(ids::kOpenFile, [dlg](Stop) { dlg->OnOpenFile(); });
  controller.setClickJob(ids::kSaveFile, [dlg](Stop) { dlg->OnSaveFile(); });
  controller.setClickJob(ids::kRefresh, [dlg](Stop) { dlg->OnRefreshDevice(); });
  controller.setClickJob(ids::kSelectA, [dlg](Stop) { dlg->OnSelectA(); });
  controller.setClickJob(ids::kSelectB, [dlg](Stop) { dlg->OnSelectB(); });
  controller.setClickJob(ids::kProgramSpare, [dlg](Stop) { dlg->OnProgramSpare(); });
  controller.setClickJob(ids::kReadSpare, [dlg](Stop) { dlg->OnReadSpare(); });
}

}  // namespace norvik::app
