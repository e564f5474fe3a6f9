// Norvik: the desktop front end of the two-socket NAND programmer. Runs the main dialog until
// it ends, on the backend the session picks (see app/backend_factory.h; --backend sim|dll|auto
// chooses one).
#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/front_end.h"
#include "app/message_map.h"
#include "app/messages.h"
#include "chinese_texts.h"
#include "fatal_report.h"
#include "main_dialog.h"

namespace {

bool envSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Without a display the platform plug-in would abort the process with a less helpful text.
bool displayAvailable() {
  return envSet("QT_QPA_PLATFORM") || envSet("DISPLAY") || envSet("WAYLAND_DISPLAY");
}

// NORVIK_SCREENSHOT=<png>: once start-up has finished, save a picture of the window there and
// end without saving the log (for the documentation).
void armScreenshot(norvik::ui::MainDialog& window) {
  const char* path = std::getenv("NORVIK_SCREENSHOT");
  if (path == nullptr || *path == '\0') return;
  const QString target = QString::fromLocal8Bit(path);
  QObject::connect(&window, &norvik::ui::MainDialog::startupFinished, &window, [&window, target] {
    if (!window.grab().save(target)) {
      std::fprintf(stderr, "norvik: cannot write %s\n", target.toLocal8Bit().constData());
    }
    window.controller().endWithoutSaving();
  });
}

int run(std::optional<QApplication>& application, int& argc, char** argv) {
  norvik::ui::chineseDates();  // before the application reads the system's locale
  application.emplace(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(norvik::app::kAppName));
  // The interface is Chinese: Qt's own dialogs (the file dialogs) speak it too.
  QTranslator qtTranslation;
  norvik::ui::FileListTexts fileListTexts;
  norvik::ui::speakChinese(qtTranslation, fileListTexts);

  std::vector<std::string> args;
  for (const QString& arg : QCoreApplication::arguments()) args.push_back(arg.toStdString());
  norvik::app::StartFailure failure;
  std::unique_ptr<norvik::app::Session> session = norvik::app::openFrontEndSession(
      norvik::app::backendChoiceFromArgs(args), norvik::app::SessionOptions{}, &failure);
  if (!session) {
    norvik::ui::reportFatal(QString::fromUtf8(failure.text.c_str()));
    return 2;
  }
  if (const std::string warning = norvik::app::traceWarning(*session); !warning.empty()) {
    std::fprintf(stderr, "norvik: %s\n", warning.c_str());
  }

  {
    norvik::ui::MainDialog window(session->backendName());
    norvik::app::bindProgrammer(window.controller(), session->attach(window.host()));
    armScreenshot(window);
    window.exec();  // its result is not examined
    // The dialog ends only once its device thread is idle; nothing of `dialog` runs after this.
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (!displayAvailable()) {
    std::fprintf(stderr,
                 "norvik: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                 "Run it under a virtual X server: xvfb-run -a norvik\n"
                 "(for automated runs without any screen: QT_QPA_PLATFORM=offscreen norvik)\n");
    return 2;
  }
  // The application object outlives `run`, so that a failure escaping it can still be shown.
  std::optional<QApplication> application;
  return norvik::ui::runReportingFailures([&] { return run(application, argc, argv); });
}
