#include "programmer_binding.h"

#include "app/dialog_template.h"
#include "app/programmer_dlg.h"
#include "main_dialog.h"

namespace norvik::ui {

void bindProgrammer(MainDialog& window, app::CProgrammerDlg& dialog) {
  namespace ids = app::ids;
  using Stop = std::stop_token;
  app::CProgrammerDlg* dlg = &dialog;

  window.setStartupJob([dlg](Stop stop) { dlg->OnInitDialog(stop); });
  window.setCancelJob([dlg](Stop) { dlg->OnCancel(); });

  window.setClickJob(ids::kProgram, [dlg](Stop stop) { dlg->OnProgram(stop); });
  window.setClickJob(ids::kRead, [dlg](Stop stop) { dlg->OnRead(stop); });
  window.setClickJob(ids::kCopy, [dlg](Stop stop) { dlg->OnCopy(stop); });
  window.setClickJob(ids::kErase, [dlg](Stop stop) { dlg->OnErase(stop); });
  window.setClickJob(ids::kChipTest, [dlg](Stop stop) { dlg->OnChipTest(stop); });
  window.setClickJob(ids::kOpenFile, [dlg](Stop) { dlg->OnOpenFile(); });
  window.setClickJob(ids::kSaveFile, [dlg](Stop) { dlg->OnSaveFile(); });
  window.setClickJob(ids::kRefresh, [dlg](Stop) { dlg->OnRefreshDevice(); });
  window.setClickJob(ids::kSelectA, [dlg](Stop) { dlg->OnSelectA(); });
  window.setClickJob(ids::kSelectB, [dlg](Stop) { dlg->OnSelectB(); });
  window.setClickJob(ids::kProgramSpare, [dlg](Stop) { dlg->OnProgramSpare(); });
  window.setClickJob(ids::kReadSpare, [dlg](Stop) { dlg->OnReadSpare(); });
}

}  // namespace norvik::ui
