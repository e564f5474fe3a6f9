// The dialog templates as data, checked without any toolkit: IDs, rectangles, radio groups, tab
// stops, the controls the program addresses, and that every text fits its control at the dialog
// font (宋体 9 pt: half-width characters 6 pixels, full-width 12, base units 6 × 12).
#include "app/dialog_template.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace norvik {
namespace {

using app::ControlKind;
using app::ControlSpec;

// Pixels of one line of `text` in 宋体 9 pt: ASCII 6, everything else (CJK, full-width) 12.
int textWidth(const std::string& text) {
  int width = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    width += lead < 0x80 ? 6 : 12;
    i += length;
  }
  return width;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out(1);
  for (char c : text) {
    if (c == '\n') {
      out.emplace_back();
    } else {
      out.back().push_back(c);
    }
  }
  return out;
}

TEST(DialogTemplateTest, IdsAreUniqueAndEveryRectangleLiesInsideItsDialog) {
  for (const app::DialogSpec* spec : {&app::mainDialogTemplate(), &app::aboutDialogTemplate()}) {
    std::set<int> seen;
    for (const ControlSpec& c : spec->controls) {
      if (c.id != app::kStaticId) {
        EXPECT_TRUE(seen.insert(c.id).second) << "twice: " << c.id;
      }
      EXPECT_GE(c.x, 0) << c.id;
      EXPECT_GE(c.y, 0) << c.id;
      EXPECT_LE(c.x + c.width, spec->width) << c.id;
      EXPECT_LE(c.y + c.height, spec->height) << c.id;
    }
  }
  EXPECT_EQ(app::mainDialogTemplate().controls.size(), 66u);
}

TEST(DialogTemplateTest, RadioGroupsStartWhereTheDialogManagerStartsThem) {
  // Each group runs from a control marked as a group start to the next such mark.
  std::vector<std::vector<int>> groups;
  for (const ControlSpec& c : app::mainDialogTemplate().controls) {
    if ((c.style & app::kGroupStart) != 0) groups.emplace_back();
    if (c.kind == ControlKind::RadioButton) {
      ASSERT_FALSE(groups.empty()) << c.id;
      groups.back().push_back(c.id);
    }
  }
  EXPECT_EQ(groups,
            (std::vector<std::vector<int>>{{1031, 1032}, {1036, 1037, 1040}, {1046, 1047}}));
  for (int id : {1031, 1036, 1046}) EXPECT_EQ(app::radioGroupOf(id), app::radioGroupOf(id + 1));
}

TEST(DialogTemplateTest, VisibleButtonsBoxesAndEditsAreTabStopsAndRadiosAreNot) {
  std::vector<int> tabStops;
  for (const ControlSpec& c : app::mainDialogTemplate().controls) {
    const bool tab = (c.style & app::kTabStop) != 0;
    if (c.kind == ControlKind::RadioButton || c.kind == ControlKind::Label ||
        c.kind == ControlKind::GroupBox || c.kind == ControlKind::ProgressBar) {
      EXPECT_FALSE(tab) << c.id;
    } else if ((c.style & app::kHidden) == 0) {
      EXPECT_TRUE(tab) << c.id;
    }
    if (tab && (c.style & app::kHidden) == 0) tabStops.push_back(c.id);
  }
  EXPECT_EQ(tabStops, (std::vector<int>{2,    1003, 1005, 1006, 1008, 1009, 1010, 1011,
                                        1012, 1013, 1014, 1015, 1016, 1023, 1024, 1025,
                                        1026, 1027, 1028, 3,    4,    1004, 1034, 1035}));
}

TEST(DialogTemplateTest, EveryControlTheProgramAddressesIsInTheTemplate) {
  const int addressed[] = {2,    3,    4,    1003, 1004, 1005, 1006, 1007, 1008, 1009, 1010, 1011,
                           1012, 1013, 1014, 1015, 1016, 1018, 1019, 1020, 1021, 1022, 1023, 1024,
                           1025, 1026, 1027, 1028, 1029, 1030, 1031, 1032, 1033, 1034, 1035, 1036,
                           1037, 1038, 1039, 1040, 1042, 1043, 1044, 1046, 1047};
  for (int id : addressed) {
    EXPECT_NE(app::findControl(app::mainDialogTemplate(), id), nullptr) << id;
  }
  EXPECT_NE(app::findControl(app::aboutDialogTemplate(), 1), nullptr);
}

TEST(DialogTemplateTest, EveryTextFitsItsControlAtTheDialogFont) {
  // What the program writes into the labels beyond their captions.
  const std::vector<std::pair<int, std::string>> written = {{1020, "上载成功"},
                                                            {1021, "下载成功"},
                                                            {1033, "拷贝成功！！"},
                                                            {1039, "擦除成功！！"},
                                                            {1020, "100％"},
                                                            {1021, "100％"},
                                                            {1033, "100％"},
                                                            {1039, "100％"},
                                                            {1043, "9216-256"},
                                                            {1044, "9216-256"},
                                                            {1022, "S34ML08G2/S34ML08G1"},
                                                            {1029, "S34ML01G200TFI000"},
                                                            {1022, "未识别芯片"}};
  auto check = [](const ControlSpec& c, const std::string& text) {
    // A check box or radio draws its box and a gap before the text; a push button and a group
    // box keep a margin either side.
    int margin = 0;
    if (c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton) margin = 16;
    if (c.kind == ControlKind::PushButton || c.kind == ControlKind::GroupBox) margin = 8;
    const std::vector<std::string> rows = lines(text);
    int widest = 0;
    for (const std::string& row : rows) widest = std::max(widest, textWidth(row));
    EXPECT_LE(widest + margin, c.width * 6 / 4) << c.id << " \"" << text << "\"";
    if (c.kind == ControlKind::Label) {
      EXPECT_LE(static_cast<int>(rows.size()) * 12, c.height * 12 / 8) << c.id << " " << text;
    }
  };
  for (const app::DialogSpec* spec : {&app::mainDialogTemplate(), &app::aboutDialogTemplate()}) {
    for (const ControlSpec& c : spec->controls) {
      if (*c.caption != '\0' && c.kind != ControlKind::LogEdit) check(c, c.caption);
    }
  }
  for (const auto& [id, text] : written)
    check(*app::findControl(app::mainDialogTemplate(), id), text);
}

}  // namespace
}  // namespace norvik
