// One operator's session (tests/dialog_session.txt) played through the Qt dialog on the simulated
// programmer, as the Windows dialog plays it under Wine: scripts/wine-suite.sh runs this test with
// NORVIK_DIALOG_SESSION_FOLDER naming a folder it prepared, and compares what both left there.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/front_end.h"
#include "app/message_map.h"
#include "gui_support.h"
#include "images.h"
#include "platform/cp936.h"
#include "scoped_env.h"
#include "temp_dir.h"

namespace norvik::guitest {
namespace {

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A folder as the Wine suite prepares it, for a run on its own.
void prepare(const std::string& folder) {
  std::filesystem::copy(std::string(NORVIK_SOURCE_DIR) + "/nand_lib", folder + "/nand_lib");
  std::ofstream(folder + "/sim.ini") << "[Simulator]\nMode=fast\n[SocketA]\nImage=a.img\n"
                                        "[SocketB]\nImage=b.img\n";
  std::ofstream(folder + "/img.bin", std::ios::binary) << testing::randomImage(3 * 8192 + 100, 10);
  std::ofstream(folder + "/test.bin", std::ios::binary) << testing::randomImage(0x600000, 11);
}

TEST(DialogSessionTest, TheOperatorsSessionPlaysThroughTheQtDialog) {
  testing::TempDir own;
  const char* given = std::getenv("NORVIK_DIALOG_SESSION_FOLDER");
  const std::string folder = given != nullptr && *given != '\0' ? std::string(given) : own.path();
  if (folder == own.path()) prepare(folder);
  const std::string settings = folder + "/sim.ini";
  testing::ScopedEnv simulator("NORVIK_SIMULATOR", &settings);
  app::SessionOptions options;
  options.currentDirectory = [folder]() { return std::string(folder); };
  options.tracePath = folder + "/trace.txt";
  app::StartFailure failure;
  std::unique_ptr<app::Session> session =
      app::openFrontEndSession("sim", std::move(options), &failure);
  ASSERT_TRUE(session) << failure.text;
  ui::MainDialog window(session->backendName());
  app::bindProgrammer(window.controller(), session->attach(window.host()));
  int idles = 0;
  bool started = false;
  bool ended = false;
  QObject::connect(&window, &ui::MainDialog::becameIdle, [&idles] { ++idles; });
  QObject::connect(&window, &ui::MainDialog::startupFinished, [&started] { started = true; });
  QObject::connect(&window, &QDialog::finished, [&ended] { ended = true; });
  window.show();
  ASSERT_TRUE(waitUntil([&] { return started; }));

  std::istringstream lines(readText(std::string(NORVIK_SOURCE_DIR) + "/tests/dialog_session.txt"));
  std::string line;
  int beforeClick = idles;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    if (verb.empty() || verb[0] == '#') continue;
    SCOPED_TRACE(line);
    int id = 0;
    if (verb == "click" && words >> id) {
      ASSERT_TRUE(waitUntil([&] { return window.control(id)->isEnabled(); }));
      beforeClick = idles;
      qobject_cast<QAbstractButton*>(window.control(id))->click();
    } else if (verb == "set" && words >> id) {
      std::string text;
      words >> text;
      qobject_cast<QLineEdit*>(window.control(id))->setText(QString::fromStdString(text));
    } else if (verb == "file") {
      std::string name;
      words >> name;
      OnModal<QFileDialog> chooser([&](QFileDialog* dialog) {
        dialog->selectFile(QString::fromStdString(folder) + QLatin1Char('/') +
                           QString::fromStdString(name));
        static_cast<QDialog*>(dialog)->accept();  // as its Open or Save button
      });
      ASSERT_TRUE(waitUntil([&] { return chooser.handled(); }));
    } else if (verb == "box") {
      OnModal<QMessageBox> box([](QMessageBox* shown) {
        for (QAbstractButton* button : shown->buttons()) {
          if (button->text() == QStringLiteral("确定")) button->click();
        }
      });
      ASSERT_TRUE(waitUntil([&] { return box.handled(); }));
    } else if (verb == "idle") {
      ASSERT_TRUE(waitUntil([&] { return idles > beforeClick && !window.controller().busy(); }));
    } else if (verb == "exit") {
      pressKey(window.control(2), Qt::Key_Escape);
      ASSERT_TRUE(waitUntil([&] { return ended; }));
    } else {
      FAIL() << "a line the session cannot play";
    }
  }
  const std::string log = cp936ToUtf8(readText(folder + "/systemlog.log"));
  for (const char* done :
       {"下载成功！！", "上载成功！！", "拷贝成功！！", "擦除成功！！", "测试成功！！"}) {
    EXPECT_NE(log.find(done), std::string::npos) << done;
  }
}

}  // namespace
}  // namespace norvik::guitest
