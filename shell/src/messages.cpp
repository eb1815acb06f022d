#include "ledgerfen/shell/messages.h"

namespace ledgerfen::shell {

MessageAnswer MessageService::show(const std::string& text, MessageButtons buttons, MessageIcon icon,
                                   const std::optional<std::string>& title) {
  return boxes_.show(MessageRequest{title.value_or(applicationTitle_), text, icon, buttons});
}

}  // namespace ledgerfen::shell
