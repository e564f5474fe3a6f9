// The interface speaks Chinese throughout, Qt's own file dialogs included. Qt's Chinese
// translation leaves a few texts of the file list in English (the type column's "Folder", the
// icon provider's texts), and dates and file-type names follow the locale: this fills the gaps.
#pragma once

#include <QTranslator>

namespace norvik::ui {

// The file list's texts that Qt's Chinese translation lacks.
class FileListTexts final : public QTranslator {
 public:
  using QTranslator::QTranslator;
  QString translate(const char* context, const char* sourceText, const char* disambiguation,
                    int n) const override;
  bool isEmpty() const override { return false; }
};

// Dates in the file dialogs follow the system's time locale: make it Chinese unless LC_ALL
// chooses for the whole process. Call before the application object exists.
void chineseDates();

// Installs Qt's Chinese translation and the gap-filler, and makes Chinese the default locale (the
// file dialogs' dates and type names). The operation log keeps its own fixed format.
void speakChinese(QTranslator& qtTranslation, FileListTexts& fileListTexts);

}  // namespace norvik::ui
