#include "ledgerfen/shell/product.h"

#include <QString>

namespace ledgerfen::shell {
namespace {

constexpr qsizetype kLongestTitle = 40;

}  // namespace

std::string appTitleFor(std::string_view productName) {
  QString title = QString::fromUtf8(productName.data(), static_cast<qsizetype>(productName.size()));
  auto cutAtLastBlank = [&title] {
    qsizetype blank = title.lastIndexOf(QLatin1Char(' '));
    if (blank < 0) return false;
    title.truncate(blank);
    return true;
  };
  cutAtLastBlank();
  while (title.size() > kLongestTitle) {
    if (!cutAtLastBlank()) {
      title.truncate(kLongestTitle);
      break;
    }
  }
  return title.toStdString();
}

void setAppTitle(MessageService& messages) {
  messages.setApplicationTitle(appTitleFor(kProductName));
}

}  // namespace ledgerfen::shell
