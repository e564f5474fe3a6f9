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

#include "app/messages.h"
#include "app/programmer_dlg.h"
#include "app/session.h"
#include "chinese_texts.h"
#include "fatal_report.h"
#include "main_dialog.h"
#include "programmer_binding.h"

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
    window.endWithoutSaving();
  });
}

// The backend the command line asks for (--backend sim|dll|auto, or --backend=...), resolved
// as the backend factory documents. nullopt, with `error` set, for an unknown choice.
std::optional<norvik::app::BackendKind> chosenBackend(std::string* error) {
  QString choice = QStringLiteral("auto");
  const QStringList args = QCoreApplication::arguments();
  for (qsizetype i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--backend") && i + 1 < args.size()) choice = args[i + 1];
    if (args[i].startsWith(QLatin1String("--backend="))) choice = args[i].mid(10);
  }
  const std::optional<norvik::app::BackendKind> kind =
      norvik::app::parseBackendKind(choice.toStdString());
  if (!kind) {
    *error = "--backend must be sim, dll or auto, not \"" + choice.toStdString() + "\"";
    return std::nullopt;
  }
  return norvik::app::resolveBackendKind(*kind, error);
}

int run(std::optional<QApplication>& application, int& argc, char** argv) {
  norvik::ui::chineseDates();  // before the application reads the system's locale
  application.emplace(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(norvik::app::kAppName));
  // The interface is Chinese: Qt's own dialogs (the file dialogs) speak it too.
  QTranslator qtTranslation;
  norvik::ui::FileListTexts fileListTexts;
  norvik::ui::speakChinese(qtTranslation, fileListTexts);

  std::string error;
  const std::optional<norvik::app::BackendKind> kind = chosenBackend(&error);
  if (!kind) {
    norvik::ui::reportFatal(QStringLiteral("无法选择编程器: ") + QString::fromUtf8(error.c_str()));
    return 2;
  }
  norvik::app::SessionOptions options;
  options.backend = *kind;
  std::unique_ptr<norvik::app::Session> session =
      norvik::app::Session::open(std::move(options), &error);
  if (!session) {
    norvik::ui::reportFatal((*kind == norvik::app::BackendKind::DeviceLibrary
                                 ? QStringLiteral("设备库无法使用: ")
                                 : QStringLiteral("模拟编程器配置无法使用 (NORVIK_SIMULATOR): ")) +
                            QString::fromUtf8(error.c_str()));
    return 2;
  }
  if (!session->traceError().empty()) {
    std::fprintf(stderr, "norvik: cannot open trace file %s\n", session->traceError().c_str());
  }

  {
    norvik::ui::MainDialog window(norvik::ui::MainDialog::Options{
        .simulated = session->simulated(), .deviceBackend = session->backendName()});
    norvik::app::CProgrammerDlg& dialog = session->attach(window.host());
    norvik::ui::bindProgrammer(window, dialog);
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
