#include "app/dialog_template.h"

namespace norvik::app {

namespace {

using K = ControlKind;
constexpr std::uint32_t T = kTabStop;

// Template 102, the main dialog. Template order is tab order. The completion labels 1033 and
// 1039 are wide enough for "拷贝成功！！" and "擦除成功！！" at the dialog font (six full-width
// characters); the erase bar is shortened by the width 1039 needed, which ends clear of the
// group box's frame line. The chip-name labels 1022 and
// 1029 reach to the "页块大小" labels, so that the catalogue's longest names (19 characters, two
// parts that share an ID) show whole.
constexpr ControlSpec kMainControls[] = {
    {2, K::PushButton, "退出", 461, 135, 64, 17, T, 0},
    {kStaticId, K::GroupBox, "NANDFLASH Vantrel/擦除区", 7, 61, 440, 134, 0, 0},
    {1003, K::PushButton, "开始解扣", 177, 255, 53, 16, T, 0},
    {1005, K::PushButton, "打开文件", 177, 232, 53, 18, T | kMultiLineCaption, 0},
    {1006, K::LogEdit, "", 16, 328, 508, 78, T, 0},
    {1007, K::PushButton, "保存文件", 463, 199, 52, 18, T | kHidden, 0},
    {1008, K::PushButton, "上载", 455, 238, 51, 25, T, 0},
    {1009, K::HexEdit, "", 337, 236, 40, 13, T, 0},
    {kStaticId, K::Label, "起始地址0X", 295, 239, 41, 11, 0, 0},
    {1010, K::HexEdit, "", 337, 253, 40, 13, T, 0},
    {kStaticId, K::Label, "数据长度0X", 295, 255, 40, 10, 0, 0},
    {1011, K::CheckBox, "使用SPRA区", 390, 237, 56, 10, T, 0},
    {1012, K::CheckBox, "跳过坏块", 389, 254, 48, 10, T, 0},
    {1013, K::HexEdit, "", 69, 237, 40, 13, T, 0},
    {kStaticId, K::Label, "起始地址0X", 27, 240, 41, 11, 0, 0},
    {1014, K::HexEdit, "", 69, 254, 40, 13, T, 0},
    {kStaticId, K::Label, "数据长度0X", 27, 256, 40, 10, 0, 0},
    {1015, K::CheckBox, "使用SPRA区", 122, 238, 56, 10, T, 0},
    {1016, K::CheckBox, "跳过坏块", 121, 255, 48, 10, T, 0},
    {1018, K::ProgressBar, "", 352, 286, 119, 14, 0, 0},
    {kStaticId, K::Label, "上载进度", 310, 289, 37, 9, 0, 0},
    {1019, K::ProgressBar, "", 59, 289, 119, 14, 0, 0},
    {kStaticId, K::Label, "解扣进度", 17, 292, 37, 9, 0, 0},
    {1020, K::Label, "", 471, 289, 47, 8, 0, 0},
    {1022, K::Label, "none", 56, 15, 93, 8, kRedText, 0},
    {1023, K::PushButton, "开始拷贝", 128, 129, 60, 22, T, 0},
    {1024, K::HexEdit, "", 72, 110, 40, 13, T, 0},
    {kStaticId, K::Label, "B起始地址0X", 12, 114, 59, 11, 0, 0},
    {1025, K::HexEdit, "", 72, 132, 40, 13, T, 0},
    {kStaticId, K::Label, "解扣数据长度0X", 12, 134, 59, 10, 0, 0},
    {1026, K::CheckBox, "使用SPRA区", 131, 91, 56, 10, T, 0},
    {1027, K::CheckBox, "跳过坏块", 131, 111, 48, 10, T, 0},
    {1028, K::HexEdit, "", 72, 90, 40, 13, T, 0},
    {kStaticId, K::Label, "A起始地址0X", 11, 91, 59, 11, 0, 0},
    {1031, K::RadioButton, "选中A", 225, 17, 52, 10, kGroupStart, 1},
    {1032, K::RadioButton, "选中B", 225, 35, 52, 10, 0, 1},
    {1021, K::Label, "", 180, 291, 48, 8, 0, 0},
    {kStaticId, K::Label, "母片信息", 14, 16, 32, 8, 0, 0},
    {kStaticId, K::Label, "子片信息", 13, 32, 35, 8, 0, 0},
    {1029, K::Label, "none", 55, 32, 93, 8, kRedText, 0},
    {kStaticId, K::GroupBox, "NANDFLASH 解扣", 10, 217, 246, 95, 0, 0},
    {kStaticId, K::GroupBox, "NANDFLASH 上载", 279, 217, 246, 96, 0, 0},
    {1030, K::ProgressBar, "", 55, 164, 120, 14, 0, 0},
    {kStaticId, K::Label, " 写入进度", 13, 168, 37, 9, 0, 0},
    {1033, K::Label, "", 179, 167, 48, 8, 0, 0},
    {3, K::PushButton, "芯片测试", 461, 63, 64, 17, T, 0},
    {4, K::PushButton, "刷新设备", 461, 99, 64, 17, T, 0},
    {1004, K::PushButton, "开始擦除", 363, 95, 53, 30, T, 0},
    {1034, K::HexEdit, "", 302, 89, 40, 13, T, 0},
    {kStaticId, K::Label, "擦除起始地址0X", 241, 93, 56, 11, 0, 0},
    {1035, K::HexEdit, "", 302, 115, 40, 13, T, 0},
    {kStaticId, K::Label, "擦除区域长度0X", 241, 116, 56, 10, 0, 0},
    {1038, K::ProgressBar, "", 285, 163, 111, 14, 0, 0},
    {kStaticId, K::Label, "  擦除进度", 238, 166, 46, 9, 0, 0},
    {1039, K::Label, "", 397, 166, 48, 8, 0, 0},
    {1036, K::RadioButton, "大页NAND（2K/4K 字节）", 328, 15, 104, 10, kHidden | kGroupStart, 2},
    {1037, K::RadioButton, "小页NAND（512字节）", 329, 42, 92, 10, kHidden, 2},
    {1040, K::RadioButton, "超大页NAND（8K字节）", 328, 28, 96, 10, kHidden, 2},
    {kStaticId, K::Label, "双座 NAND 编程 · 母片拷贝\n读写 · 擦除 · 坏块统计", 446, 3, 171, 33, 0,
     0},
    {1046, K::RadioButton, "CE0", 282, 17, 28, 10, kGroupStart, 3},
    {1047, K::RadioButton, "CE1", 282, 35, 28, 10, 0, 3},
    {1042, K::CheckBox, "test", 466, 40, 32, 10, T | kHidden, 0},
    {1043, K::Label, "none", 184, 17, 34, 8, 0, 0},
    {1044, K::Label, "none", 185, 33, 36, 8, 0, 0},
    {kStaticId, K::Label, "页块大小", 151, 18, 32, 8, 0, 0},
    {kStaticId, K::Label, "页块大小", 151, 33, 32, 8, 0, 0},
};
static_assert(std::size(kMainControls) == 66);

// Template 100, the About box.
constexpr ControlSpec kAboutControls[] = {
    {kAppIconId, K::Icon, "", 11, 17, 21, 20, 0, 0},
    {kStaticId, K::Label, "Norvik 双座NAND编程器 1.0 版", 40, 10, 119, 8, 0, 0},
    {kStaticId, K::Label, "版权所有 (C) 2026 Norvik", 40, 25, 119, 8, 0, 0},
    {1, K::DefPushButton, "确定", 178, 7, 50, 14, T | kGroupStart, 0},
};

constexpr DialogSpec kMain{102, 627, 457, "宋体", 9, kMainControls};
constexpr DialogSpec kAbout{100, 235, 55, "宋体", 9, kAboutControls};

}  // namespace

const DialogSpec& mainDialogTemplate() {
  return kMain;
}
const DialogSpec& aboutDialogTemplate() {
  return kAbout;
}

const ControlSpec* findControl(const DialogSpec& dialog, int id) {
  if (id == kStaticId) return nullptr;
  for (const ControlSpec& c : dialog.controls) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

std::vector<int> radioGroupOf(int id) {
  int group = 0;
  for (const ControlSpec& c : kMainControls) {
    if (c.id == id) group = c.radioGroup;
  }
  std::vector<int> members;
  if (group == 0) return members;
  for (const ControlSpec& c : kMainControls) {
    if (c.radioGroup == group) members.push_back(c.id);
  }
  return members;
}

}  // namespace norvik::app
