// Message boxes as the program shows them: a box that names no title of its
// own carries the application title, which setAppTitle (product.h) sets at
// start-up.
#pragma once

#include <optional>
#include <string>

#include "ledgerfen/shell/platform.h"

namespace ledgerfen::shell {

class MessageService {
 public:
  explicit MessageService(MessageBoxes& boxes) : boxes_(boxes) {}

  const std::string& applicationTitle() const { return applicationTitle_; }
  void setApplicationTitle(std::string title) { applicationTitle_ = std::move(title); }

  // Shows a modal message box and returns the answer once the user has given it.
  MessageAnswer show(const std::string& text, MessageButtons buttons = MessageButtons::Ok,
                     MessageIcon icon = MessageIcon::None, const std::optional<std::string>& title = {});

 private:
  MessageBoxes& boxes_;
  std::string applicationTitle_;
};

}  // namespace ledgerfen::shell
