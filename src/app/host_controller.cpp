#include "app/host_controller.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <span>

#include "app/captions.h"
#include "app/dialog_template.h"
#include "app/message_map.h"
#include "app/messages.h"

namespace norvik::app {

namespace {

bool contains(std::span<const int> ids, int id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// What a box is answered with when nobody may be asked: the way out where one is offered.
int answerWithoutAsking(const MessageBoxRequest& request) {
  switch (request.buttons) {
    case MessageButtons::Ok:
      return kIdOk;
    case MessageButtons::OkCancel:
      return kIdCancel;
    case MessageButtons::YesNo:
      return kIdNo;
  }
  return kIdCancel;
}

}  // namespace

// The host the handlers talk to: controls and progress bars go straight to the platform's host;
// message boxes and file dialogs are decided on the window's thread, where the exit runs, so a
// box can never slip in between the exit's decision and its effect.
class HostController::GuardedHost final : public DialogHost {
 public:
  GuardedHost(HostController& controller, DialogHost& platform)
      : controller_(controller), platform_(platform) {}

  std::string text(int id) override { return platform_.text(id); }
  void setText(int id, const std::string& text) override { platform_.setText(id, text); }
  bool isChecked(int id) override { return platform_.isChecked(id); }
  void setChecked(int id, bool checked) override { platform_.setChecked(id, checked); }
  void progressSetRange(int id, int low, int high) override {
    platform_.progressSetRange(id, low, high);
  }
  void progressSetPos(int id, int pos) override { platform_.progressSetPos(id, pos); }
  void progressSetStep(int id, int step) override { platform_.progressSetStep(id, step); }
  void progressStepIt(int id) override { platform_.progressStepIt(id); }

  int messageBox(const MessageBoxRequest& request) override {
    int answer = answerWithoutAsking(request);
    controller_.window_.runOnWindow([&] { answer = controller_.showMessage(request); });
    return answer;
  }
  std::optional<std::string> fileDialog(const FileDialogRequest& request) override {
    std::optional<std::string> chosen;
    controller_.window_.runOnWindow([&] { chosen = controller_.showFileDialog(request); });
    return chosen;
  }

 private:
  HostController& controller_;
  DialogHost& platform_;
};

HostController::HostController(DialogWindow& window, DialogHost& platform)
    : window_(window),
      platform_(platform),
      guarded_(std::make_unique<GuardedHost>(*this, platform)),
      // The executor reports running out of work on the device thread; the controller takes it
      // up on the window's.
      executor_(
          std::make_unique<DeviceExecutor>([this] { window_.postToWindow([this] { idle(); }); })) {}

HostController::~HostController() {
  draining_ = true;
  ending_ = true;
  if (executor_->busy()) {
    executor_->requestStop();
    answerAtOnce_ = true;
    window_.dismissOpenModal();
    // The running job's calls into the window must still be answered while it stops.
    window_.pumpUntil([this] { return !executor_->busy(); });
  }
  executor_.reset();
}

DialogHost& HostController::host() {
  return *guarded_;
}

void HostController::windowShown() {
  if (started_) return;
  started_ = true;
  window_.focusControl(ids::kExit);
  // The labels start-up fills start blank instead of the template's placeholder "none", and stay
  // hidden while it runs, so that only what it found in the end shows.
  for (const int id : kStartupLabels) platform_.setText(id, "");
  if (startupJob_) {
    for (const int id : kStartupLabels) window_.setControlVisible(id, false);
    post(startupJob_, /*isStartup=*/true, 0);
  } else {
    window_.postToWindow([this] { startupJobDone(); });
  }
}

void HostController::click(int id) {
  if (id == ids::kExit) return cancelCommand();
  if (ending_) return;
  const auto job = clickJobs_.find(id);
  if (job == clickJobs_.end()) return;
  if (busyLook_ && contains(kBusyDisabledControls, id)) return;  // a disabled control
  post(job->second, /*isStartup=*/false, id);
}

void HostController::enterKey(int focusedId) {
  // On a push button Enter clicks that button; anywhere else it is the OK command (a line break
  // is never typed into the log box).
  const ControlSpec* focused = findControl(mainDialogTemplate(), focusedId);
  const bool pushButton = focused != nullptr && (focused->kind == ControlKind::PushButton ||
                                                 focused->kind == ControlKind::DefPushButton);
  if (pushButton) return click(focusedId);
  okCommand();
}

void HostController::aboutCommand() {
  if (!ending_ && modalDepth_ == 0) window_.showAbout();
}

void HostController::setPreferences(std::function<std::string()> folder,
                                    std::function<void(bool)> applyVerify) {
  preferencesFolder_ = std::move(folder);
  applyVerify_ = std::move(applyVerify);
  if (preferencesFolder_) preferences_ = Preferences::read(preferencesFolder_());
  if (applyVerify_) applyVerify_(preferences_.verifyAfterCopy);
}

void HostController::setVerifyAfterCopy(bool on) {
  preferences_.verifyAfterCopy = on;
  if (applyVerify_) applyVerify_(on);
  if (!preferencesFolder_) return;
  std::string problem;
  if (preferences_.write(preferencesFolder_(), &problem) || preferencesProblemSaid_) return;
  // The choice holds for this run all the same; the operator hears once that it is not kept.
  preferencesProblemSaid_ = true;
  MessageBoxRequest box;
  box.owner = MessageOwner::Dialog;
  box.caption = kAppName;
  box.text = std::string(kMsgPreferencesNotSaved) + problem;
  showMessage(box);
}

void HostController::post(Job job, bool isStartup, int clickedId) {
  setBusyLook(true);
  if (clickedId != 0) runningClick_ = clickedId;
  executor_->post([this, job = std::move(job), isStartup](std::stop_token stop) {
    try {
      job(stop);
    } catch (const std::exception& error) {
      if (failureReport_) failureReport_(error.what());
    } catch (...) {
      if (failureReport_) failureReport_("(not a standard exception)");
    }
    if (isStartup) window_.postToWindow([this] { startupJobDone(); });
  });
}

void HostController::startupJobDone() {
  startupDone_ = true;
  for (const int id : kStartupLabels) window_.setControlVisible(id, true);
  // Start-up is reported done once the window is usable again: at once with nothing else to do,
  // else when the device thread runs out of work.
  if (!draining_ && !ending_ && !executor_->busy()) {
    setBusyLook(false);
    reportStartup();
  }
}

void HostController::reportStartup() {
  if (!startupDone_ || startupReported_) return;
  startupReported_ = true;
  if (onStartupFinished) onStartupFinished();
}

void HostController::idle() {
  if (draining_ || executor_->busy()) return;  // more work came in meanwhile
  closeStaleQuestion();
  if (ending_) return continueEnd();
  runningClick_ = 0;
  setBusyLook(false);
  reportStartup();
  if (onIdle) onIdle();
}

void HostController::setBusyLook(bool busy) {
  if (busy == busyLook_) return;
  busyLook_ = busy;
  if (busy) {
    // Disabling the focused control would move the focus on by itself; it goes to "退出", which
    // stays live, never into an edit where Enter would be the OK command, and comes back when
    // the work is done unless the user has put it somewhere else meanwhile.
    const int focus = window_.focusedControl();
    focusBeforeBusy_ = contains(kBusyDisabledControls, focus) ? focus : 0;
    for (const int id : kBusyDisabledControls) window_.setControlEnabled(id, false);
    if (focusBeforeBusy_ != 0) window_.focusControl(ids::kExit);
    focusAfterBusy_ = focusBeforeBusy_ != 0 ? window_.focusedControl() : 0;
  } else {
    for (const int id : kBusyDisabledControls) window_.setControlEnabled(id, true);
    if (focusBeforeBusy_ != 0 && window_.focusedControl() == focusAfterBusy_) {
      window_.focusControl(focusBeforeBusy_);
    }
    focusBeforeBusy_ = 0;
    focusAfterBusy_ = 0;
  }
}

bool HostController::runningOperation() const {
  return clickKind(runningClick_) != ClickKind::Setting;
}

void HostController::cancelCommand() {
  // A box that is open is answered first: nothing opens on top of it.
  if (ending_ || asking_ || modalDepth_ > 0) return;
  if (runningOperation() && executor_->busy()) {
    MessageBoxRequest question;
    question.owner = MessageOwner::Dialog;
    question.caption = kAppName;
    question.text = clickKind(runningClick_) == ClickKind::ProgrammerJob ? kMsgExitDuringJob
                                                                         : kMsgExitDuringOperation;
    question.buttons = MessageButtons::YesNo;
    asking_ = true;
    questionStale_ = false;
    ++modalDepth_;
    const int answer = platform_.messageBox(question);
    --modalDepth_;
    asking_ = false;
    if (questionStale_ || answer != kIdYes) return;
  }
  beginEnd(/*saveLog=*/true);
}

void HostController::okCommand() {
  if (executor_->busy()) return;  // a key press never ends a run
  beginEnd(/*saveLog=*/false);
}

void HostController::closeStaleQuestion() {
  if (!asking_ || questionStale_) return;
  questionStale_ = true;
  window_.dismissOpenModal();
}

void HostController::beginEnd(bool saveLog) {
  if (ending_) return;
  ending_ = true;
  saveOnEnd_ = saveLog;
  setBusyLook(true);
  if (executor_->busy()) {
    // Ask the running operation to stop and let the event loop run until it has: its calls
    // into the window must still be answered, so the window never blocks waiting for it.
    executor_->requestStop();
    answerAtOnce_ = true;
    window_.dismissOpenModal();
  }
  continueEnd();
}

void HostController::continueEnd() {
  if (!ending_ || ended_ || executor_->busy()) return;
  if (saveOnEnd_ && !savePosted_ && cancelJob_) {
    savePosted_ = true;
    answerAtOnce_ = false;  // a failure to save the log is shown
    post(cancelJob_, /*isStartup=*/false, 0);
    return;
  }
  ended_ = true;
  window_.endDialog(saveOnEnd_ ? DialogEnd::Cancelled : DialogEnd::Ok);
}

int HostController::showMessage(const MessageBoxRequest& request) {
  if (answerAtOnce_) return answerWithoutAsking(request);
  // The operation the exit question asks about has come to its end: its own message follows.
  closeStaleQuestion();
  MessageBoxRequest shown = request;
  shown.caption = messageCaption(request);
  ++modalDepth_;
  const int answer = platform_.messageBox(shown);
  --modalDepth_;
  return answer;
}

std::optional<std::string> HostController::showFileDialog(const FileDialogRequest& request) {
  if (answerAtOnce_) return std::nullopt;
  closeStaleQuestion();
  ++modalDepth_;
  std::optional<std::string> chosen = platform_.fileDialog(request);
  --modalDepth_;
  return chosen;
}

}  // namespace norvik::app
