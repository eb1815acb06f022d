#include "ledgerfen/shell/settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <cerrno>
#include <cstring>

namespace ledgerfen::shell {
namespace {

constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;

QString settingsKey(const std::string& section, const std::string& key) {
  return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}

// Creates the file readable by its owner only, or narrows an existing one,
// before a value is written into it.
Status keepOwnerOnly(const std::string& file) {
  int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, kOwnerOnly);
  if (fd < 0) return Error(ErrorKind::Io, "cannot create " + file + ": " + std::strerror(errno));
  int changed = ::fchmod(fd, kOwnerOnly);
  int err = errno;
  ::close(fd);
  if (changed != 0) return Error(ErrorKind::Io, "cannot protect " + file + ": " + std::strerror(err));
  return okStatus();
}

}  // namespace

std::string IniSettingsStore::fileOf(const std::string& application) const {
  if (application.empty() || application == "." || application == ".." ||
      application.find_first_of(std::string("/\\\0", 3)) != std::string::npos) {
    return "";
  }
  return configFolder_ + "/" + application + ".conf";
}

std::string IniSettingsStore::getSetting(const std::string& application, const std::string& section,
                                         const std::string& key) const {
  const std::string file = fileOf(application);
  if (file.empty() || !QFileInfo::exists(QString::fromStdString(file))) return "";
  QSettings settings(QString::fromStdString(file), QSettings::IniFormat);
  return settings.value(settingsKey(section, key)).toString().toStdString();
}

Status IniSettingsStore::saveSetting(const std::string& application, const std::string& section, const std::string& key,
                                     const std::string& text) {
  const std::string file = fileOf(application);
  if (file.empty()) return Error(ErrorKind::InvalidArgument, "\"" + application + "\" cannot name a settings file");
  if (!QDir().mkpath(QString::fromStdString(configFolder_))) {
    return Error(ErrorKind::Io, "cannot create the folder " + configFolder_);
  }
  LF_RETURN_IF_ERROR(keepOwnerOnly(file));
  QSettings settings(QString::fromStdString(file), QSettings::IniFormat);
  settings.setValue(settingsKey(section, key), QString::fromStdString(text));
  settings.sync();
  if (settings.status() != QSettings::NoError) return Error(ErrorKind::Io, "cannot write " + file);
  // Saving replaces the file; make sure the new one is as private as the old.
  return keepOwnerOnly(file);
}

}  // namespace ledgerfen::shell
