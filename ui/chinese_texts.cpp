#include "chinese_texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QtGlobal>
#include <cstring>

namespace norvik::ui {

QString FileListTexts::translate(const char* context, const char* sourceText, const char*,
                                 int) const {
  if (context == nullptr || sourceText == nullptr) return {};
  if (std::strcmp(context, "QAbstractFileIconProvider") != 0 &&
      std::strcmp(context, "QFileIconProvider") != 0) {
    return {};
  }
  static constexpr struct {
    const char* english;
    const char* chinese;
  } kTexts[] = {
      {"Folder", "文件夹"},     {"File", "文件"},  {"%1 File", "%1 文件"}, {"Drive", "驱动器"},
      {"Shortcut", "快捷方式"}, {"Alias", "替身"}, {"Unknown", "未知"},
  };
  for (const auto& t : kTexts) {
    if (std::strcmp(sourceText, t.english) == 0) return QString::fromUtf8(t.chinese);
  }
  return {};
}

void chineseDates() {
  if (qEnvironmentVariableIsEmpty("LC_ALL")) qputenv("LC_TIME", "zh_CN.UTF-8");
}

void speakChinese(QTranslator& qtTranslation, FileListTexts& fileListTexts) {
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  if (qtTranslation.load(QStringLiteral("qtbase_zh_CN"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(&qtTranslation);
  }
  QCoreApplication::installTranslator(&fileListTexts);
}

}  // namespace norvik::ui
