#include "fakes.h"

#include "ledgerfen/shell/product.h"

namespace ledgerfen::test {

shell::MessageAnswer FakeMessageBoxes::show(const shell::MessageRequest& request) {
  shown.push_back(request);
  if (request.buttons == shell::MessageButtons::Ok) return shell::MessageAnswer::Ok;
  if (yesNoAnswers.empty()) return shell::MessageAnswer::Yes;
  shell::MessageAnswer answer = yesNoAnswers.front();
  yesNoAnswers.pop_front();
  return answer;
}

std::vector<std::string> FakeMessageBoxes::texts() const {
  std::vector<std::string> out;
  for (const shell::MessageRequest& r : shown) out.push_back(r.text);
  return out;
}

std::string MemorySettings::getSetting(const std::string& application, const std::string& section,
                                       const std::string& key) const {
  ++reads;
  auto it = values.find({application, section, key});
  return it == values.end() ? std::string() : it->second;
}

Status MemorySettings::saveSetting(const std::string& application, const std::string& section, const std::string& key,
                                   const std::string& text) {
  values[{application, section, key}] = text;
  saves.emplace_back(key, text);
  return okStatus();
}

std::string MemorySettings::value(const std::string& key) const {
  auto it = values.find({std::string(shell::kSettingsApplication), std::string(shell::kSettingsSection), key});
  return it == values.end() ? std::string() : it->second;
}

void MemorySettings::preset(const std::string& key, const std::string& text) {
  values[{std::string(shell::kSettingsApplication), std::string(shell::kSettingsSection), key}] = text;
}

data::NewConnection ScriptedEngine::createConnection() {
  if (providerMissing || (missingFromConnection > 0 && connectionsMade + 1 >= missingFromConnection)) {
    return data::NewConnection::failed(3706, "Provider cannot be found. It may not be properly installed.");
  }
  ++connectionsMade;
  return data::NewConnection::made(std::make_shared<data::Connection>());
}

}  // namespace ledgerfen::test
