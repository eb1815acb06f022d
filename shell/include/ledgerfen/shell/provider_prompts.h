// The provider check's questions and web pages, through the program's
// message boxes (titled with the application title) and the desktop browser.
#pragma once

#include "ledgerfen/data/provider_check.h"
#include "ledgerfen/shell/messages.h"

namespace ledgerfen::shell {

class ProviderPrompts final : public data::ProviderCheckUser {
 public:
  ProviderPrompts(MessageService& messages, WebBrowser& browser) : messages_(messages), browser_(browser) {}

  bool askYesNo(const std::string& text) override {
    return messages_.show(text, MessageButtons::YesNo) == MessageAnswer::Yes;
  }
  void openWebAddress(const std::string& address) override { browser_.openAddress(address); }

 private:
  MessageService& messages_;
  WebBrowser& browser_;
};

}  // namespace ledgerfen::shell
