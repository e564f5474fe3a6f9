#include "fatal_report.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "app/messages.h"

namespace norvik::ui {

bool headlessPlatform() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform == nullptr) return false;
  const std::string name(platform);
  return name.rfind("offscreen", 0) == 0 || name.rfind("minimal", 0) == 0;
}

void reportFatal(const QString& text) {
  std::fprintf(stderr, "norvik: %s\n", text.toLocal8Bit().constData());
  std::fflush(stderr);
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr || headlessPlatform()) {
    return;
  }
  QMessageBox box(QMessageBox::Critical, QString::fromUtf8(app::kAppName), text);
  box.exec();
}

int runReportingFailures(const std::function<int()>& body) {
  QString what;
  try {
    return body();
  } catch (const std::exception& error) {
    what = QString::fromLocal8Bit(error.what());
  } catch (...) {
    what = QStringLiteral("(not a standard exception)");
  }
  // Reported outside the handler: showing the box runs an event loop of its own.
  try {
    reportFatal(QString::fromUtf8(app::kMsgFatalFailure) + what);
  } catch (...) {
    std::fputs("norvik: internal error, and reporting it failed\n", stderr);
  }
  return kUnexpectedFailureExit;
}

}  // namespace norvik::ui
