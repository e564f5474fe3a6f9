// The dialog templates as data: one row per control, in template order (which is also the tab
// order). The Qt layer builds its widgets from this table, and the tests read it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace norvik::app {

enum class ControlKind {
  PushButton,
  DefPushButton,
  GroupBox,
  Label,
  HexEdit,      // border, tab stop, typed letters become upper case
  LogEdit,      // multi-line, border, vertical scroll bar, auto-scroll; Enter is the OK command
  CheckBox,     // auto check box
  RadioButton,  // auto radio button
  ProgressBar,
  Icon,
};

// Style bits.
inline constexpr std::uint32_t kHidden = 1u << 0;
inline constexpr std::uint32_t kTabStop = 1u << 1;
inline constexpr std::uint32_t kMultiLineCaption = 1u << 2;
inline constexpr std::uint32_t kGroupStart = 1u << 3;  // first radio of an exclusive group
inline constexpr std::uint32_t kRedText = 1u << 4;     // drawn in RGB(200, 0, 0)

struct ControlSpec {
  int id;
  ControlKind kind;
  const char* caption;      // UTF-8; "" for none
  int x, y, width, height;  // dialog units
  std::uint32_t style;
  int radioGroup;  // radios with the same non-zero number are one exclusive group
};

struct DialogSpec {
  int templateId;
  int width, height;  // dialog units
  const char* fontFace;
  int fontPoints;
  std::span<const ControlSpec> controls;
};

const DialogSpec& mainDialogTemplate();   // template 102
const DialogSpec& aboutDialogTemplate();  // template 100

// The control `id` of `dialog`, or nullptr.
const ControlSpec* findControl(const DialogSpec& dialog, int id);

// The radios of the exclusive group `id` belongs to (empty when it is no radio).
std::vector<int> radioGroupOf(int id);

inline constexpr int kStaticId = 65535;  // labels and group boxes the program never addresses
inline constexpr int kAppIconId = 128;
inline constexpr const char* kAboutMenuText = "关于 Norvik(&A)...";  // string 101
inline constexpr int kAboutCommandId = 16;
// The system menu's check item after the About entry: verify each copy (HostController's
// verifyAfterCopy). System-menu commands below 0xF000 leave their low four bits to the system.
inline constexpr const char* kVerifyAfterCopyMenuText = "拷贝后校验";
inline constexpr int kVerifyAfterCopyCommandId = 32;
inline constexpr int kDialogColourRed = 0xC80000;  // RGB(200, 0, 0)

// Control IDs the program addresses.
namespace ids {
inline constexpr int kExit = 2, kChipTest = 3, kRefresh = 4;
inline constexpr int kProgram = 1003, kErase = 1004, kOpenFile = 1005, kLog = 1006;
inline constexpr int kSaveFile = 1007, kRead = 1008, kReadStart = 1009, kReadLength = 1010;
inline constexpr int kReadSpare = 1011, kReadSkipBad = 1012, kProgramStart = 1013;
inline constexpr int kProgramLength = 1014, kProgramSpare = 1015, kProgramSkipBad = 1016;
inline constexpr int kReadBar = 1018, kProgramBar = 1019, kReadPercent = 1020;
inline constexpr int kProgramPercent = 1021, kNameA = 1022, kCopy = 1023, kCopyStartB = 1024;
inline constexpr int kCopyLength = 1025, kCopySpare = 1026, kCopySkipBad = 1027;
inline constexpr int kCopyStart = 1028, kNameB = 1029, kCopyBar = 1030, kSelectA = 1031;
inline constexpr int kSelectB = 1032, kCopyPercent = 1033, kEraseStart = 1034;
inline constexpr int kEraseLength = 1035, kLargePage = 1036, kSmallPage = 1037;
inline constexpr int kEraseBar = 1038, kErasePercent = 1039, kHugePage = 1040;
inline constexpr int kTestMode = 1042, kPageBlockA = 1043, kPageBlockB = 1044;
inline constexpr int kCe0 = 1046, kCe1 = 1047;
}  // namespace ids

}  // namespace norvik::app
