// The program's last word: a failure that ends it is reported on standard error and, where the
// platform shows windows, in a message box; an exception that nothing else caught ends it with
// kUnexpectedFailureExit instead of aborting without a word.
#pragma once

#include <QString>
#include <functional>

namespace norvik::ui {

// As norvik-cli: an unexpected failure inside the program.
inline constexpr int kUnexpectedFailureExit = 70;

// True on the offscreen and minimal platforms, where a message box would show to nobody.
bool headlessPlatform();

// Writes "norvik: <text>" to standard error and, with an application object on a platform that
// shows windows, shows `text` in a critical message box and waits for it to be closed.
void reportFatal(const QString& text);

// Runs `body` and returns its result. An exception that escapes it is reported with reportFatal
// (what() for a standard exception) and the result is kUnexpectedFailureExit.
int runReportingFailures(const std::function<int()>& body);

}  // namespace norvik::ui
