// "打开文件", the hidden "保存文件" button and the read operation's choice of output file.
#include "app/dialog_template.h"
#include "app/messages.h"
#include "app/open_failure.h"
#include "app/programmer_dlg.h"
#include "files/image_files.h"

namespace norvik::app {

namespace {
// The dialogs of "打开文件" and "保存文件": extension "bin", the image filter, nothing else.
FileDialogRequest imageDialog(bool save) {
  FileDialogRequest request;
  request.save = save;
  request.defaultExtension = "bin";
  request.filter = files::kImageFilter;
  return request;
}
}  // namespace

void CProgrammerDlg::OnOpenFile() {
  if (state_.imageFile.isOpen()) state_.imageFile.close();
  std::optional<std::string> path = host_.fileDialog(imageDialog(/*save=*/false));
  if (!path) return;
  if (!state_.imageFile.open(*path, files::Access::Read, files::Disposition::OpenExisting)) {
    refuse(Outcome::FileUnusable, openFailureText(state_.imageFile, *path, /*creating=*/false));
  }
}

void CProgrammerDlg::OnSaveFile() {
  std::optional<std::string> path = host_.fileDialog(imageDialog(/*save=*/true));
  if (!path) return;
  message(*path);
  state_.saveFile.open(*path, files::Access::Write, files::Disposition::CreateAlways);
}

bool CProgrammerDlg::ChooseReadOutput() {
  // The self-test and the read-back of --verify opened their own file.
  if (host_.isChecked(ids::kTestMode) || readIntoOpenFile_) return true;
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
  // Opened (and emptied) only once the read has passed its checks; see readRange.
  readOutputPath_ = *path;
  return true;
}

}  // namespace norvik::app
