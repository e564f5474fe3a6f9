// Parameters of the file dialogs through which the user picks images.
#pragma once

namespace norvik::files {

// Shared by the Open and both Save dialogs; the first entry is selected when a dialog opens.
// Either type is read and written as plain bytes.
inline constexpr const char* kImageFilter = "二进制文件(*.bin)|*.bin|Intel Hex文件(*.hex)|*.hex|";
inline constexpr const char* kReadOutputInitialName = "temp";

}  // namespace norvik::files
