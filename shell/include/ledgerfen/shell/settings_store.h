// The per-user settings store on Linux: one INI file per application in the
// user's configuration folder (for "Mirrowick": $XDG_CONFIG_HOME/Mirrowick.conf,
// normally ~/.config/Mirrowick.conf), one group per section, one text value
// per key. Every save is written through to the file at once. The file may
// hold a database password in plain text, so it is kept readable and
// writable by its owner only (mode 0600).
#pragma once

#include <string>

#include "ledgerfen/shell/platform.h"

namespace ledgerfen::shell {

class IniSettingsStore final : public SettingsStore {
 public:
  // `configFolder`: the user's configuration folder; created when missing.
  explicit IniSettingsStore(std::string configFolder) : configFolder_(std::move(configFolder)) {}

  std::string getSetting(const std::string& application, const std::string& section,
                         const std::string& key) const override;
  Status saveSetting(const std::string& application, const std::string& section, const std::string& key,
                     const std::string& text) override;

  // The file that holds an application's settings ("" for a name that cannot be a file name).
  std::string fileOf(const std::string& application) const;

 private:
  std::string configFolder_;
};

}  // namespace ledgerfen::shell
