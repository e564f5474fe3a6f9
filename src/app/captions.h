// The texts of the dialog's frame that every dialog host shows the same way: the window and About
// captions, the caption of a message box without an owner, the buttons of message boxes and the
// titles of the file dialogs.
#pragma once

#include <string>

#include "app/dialog_host.h"

namespace norvik::app {

inline constexpr const char* kWindowCaption = "Norvik 双座NAND编程器";
inline constexpr const char* kAboutCaption = "Norvik 技术支持";
// A message box without an owner window carries the system's default caption.
inline constexpr const char* kSystemMessageCaption = "错误";
inline constexpr const char* kButtonOk = "确定";
inline constexpr const char* kButtonCancel = "取消";
inline constexpr const char* kButtonYes = "是";
inline constexpr const char* kButtonNo = "否";
inline constexpr const char* kOpenDialogTitle = "打开";
inline constexpr const char* kSaveDialogTitle = "另存为";

// The window caption with the backend in use behind it in brackets ("[模拟编程器]",
// "[qxUSBDev.dll]"), so that nobody mistakes a demonstration for a real programmer.
std::string windowCaption(const std::string& backendName);

// The caption a message box shows: the system's default without an owner window, else the one
// asked for, else the application's name.
std::string messageCaption(const MessageBoxRequest& request);

}  // namespace norvik::app
