// "打开文件", the hidden "保存文件" button and the read operation's choice of output file.
#include "app/dialog_template.h"
#include "app/messages.h"
#include "app/programmer_dlg.h"
#include "files/image_files.h"

namespace norvik::app {

void CProgrammerDlg::OnOpenFile() {
  if (state_.imageFile.isOpen()) state_.imageFile.close();
  FileDialogRequest request;
  request.save = false;
  request.defaultExtension = "bin";
  request.filter = files::kImageFilter;
  std::optional<std::string> path = host_.fileDialog(request);
  if (!path) return;
  if (!state_.imageFile.open(*path, files::Access::Read, files::Disposition::OpenExisting)) {
    message(kMsgFileBusy);
  }
}

void CProgrammerDlg::OnSaveFile() {
  FileDialogRequest request;
  request.save = true;
  request.defaultExtension = "bin";
  request.filter = files::kImageFilter;
  std::optional<std::string> path = host_.fileDialog(request);
  if (!path) return;
  message(*path);
  state_.saveFile.open(*path, files::Access::Write, files::Disposition::CreateAlways);
}

bool CProgrammerDlg::ChooseReadOutput() {
  if (host_.isChecked(ids::kTestMode)) return true;  // the self-test opened its own file
  FileDialogRequest request;
  request.save = true;
  request.defaultExtension = "*.bin";
  request.initialName = files::kReadOutputInitialName;
  request.initialDirectory = currentDirectory();
  request.filter = files::kImageFilter;
  std::optional<std::string> path = host_.fileDialog(request);
  if (!path) {
    refuse(Outcome::FileUnusable, kMsgReadCancelled);
    return false;
  }
  if (!state_.readFile.open(*path, files::Access::ReadWrite, files::Disposition::CreateAlways)) {
    refuse(Outcome::FileUnusable, kMsgFileBusy);
    return false;
  }
  return true;
}

}  // namespace norvik::app
