// The per-user settings store: any text comes back exactly, every save is
// on disk at once, and the file stays private to its owner.
#include "ledgerfen/shell/settings_store.h"

#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>

#include "qt_test_main.h"

using namespace ledgerfen;

namespace {

mode_t permissionsOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return 0;
  return info.st_mode & 0777;
}

}  // namespace

class SettingsStoreTest : public QObject {
  Q_OBJECT

 private slots:
  void absentEntriesReadAsEmptyText() {
    QTemporaryDir config;
    shell::IniSettingsStore store(config.path().toStdString());
    QCOMPARE(store.getSetting("Mirrowick", "Ledgerfen Software", "Database"), std::string());
    QVERIFY(store.saveSetting("Mirrowick", "Ledgerfen Software", "Database", "/a.mdb").ok());
    QCOMPARE(store.getSetting("Mirrowick", "Ledgerfen Software", "Password"), std::string());
    QCOMPARE(store.getSetting("Mirrowick", "Another Section", "Database"), std::string());
    QCOMPARE(store.getSetting("Elsewhere", "Ledgerfen Software", "Database"), std::string());
  }

  void anyTextComesBackExactly() {
    QTemporaryDir config;
    const std::vector<std::string> texts{"",
                                         " leading and trailing ",
                                         "pa;ss=wo rd",
                                         "\"quoted\"",
                                         "'single'",
                                         "back\\slash\\",
                                         "@Variant(1)",
                                         "@@",
                                         "a,b",
                                         "1,2,3",
                                         "true",
                                         "42",
                                         "#not a comment",
                                         "[not a section]",
                                         "%20 and %",
                                         "пароль ünïcödé 密码",
                                         "tab\there",
                                         "line\nbreak",
                                         "carriage\rreturn",
                                         "=",
                                         ";",
                                         "C:\\data\\shop.mdb"};
    {
      shell::IniSettingsStore store(config.path().toStdString());
      for (size_t i = 0; i < texts.size(); ++i) {
        QVERIFY(store.saveSetting("Mirrowick", "Ledgerfen Software", "Key" + std::to_string(i), texts[i]).ok());
      }
    }
    shell::IniSettingsStore reopened(config.path().toStdString());
    for (size_t i = 0; i < texts.size(); ++i) {
      QCOMPARE(reopened.getSetting("Mirrowick", "Ledgerfen Software", "Key" + std::to_string(i)), texts[i]);
    }
  }

  void everySaveIsWrittenThroughAndReplacesTheLast() {
    QTemporaryDir config;
    shell::IniSettingsStore store(config.path().toStdString());
    const std::string file = store.fileOf("Mirrowick");
    QCOMPARE(file, config.path().toStdString() + "/Mirrowick.conf");
    for (const char* text : {"/h", "/ho", "/home.mdb"}) {
      QVERIFY(store.saveSetting("Mirrowick", "Ledgerfen Software", "Database", text).ok());
      QFile onDisk(QString::fromStdString(file));
      QVERIFY(onDisk.open(QIODevice::ReadOnly));
      QVERIFY(onDisk.readAll().contains(QByteArray("Database=") + text + "\n"));
    }
    QVERIFY(store.saveSetting("Mirrowick", "Ledgerfen Software", "Database", "").ok());
    QCOMPARE(store.getSetting("Mirrowick", "Ledgerfen Software", "Database"), std::string());
  }

  void theFileIsReadableByItsOwnerOnly() {
    QTemporaryDir config;
    shell::IniSettingsStore store(config.path().toStdString());
    const std::string file = store.fileOf("Mirrowick");
    // Even a file that an earlier version left readable to all is narrowed.
    QFile old(QString::fromStdString(file));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.close();
    QVERIFY(::chmod(file.c_str(), 0644) == 0);
    QVERIFY(store.saveSetting("Mirrowick", "Ledgerfen Software", "Password", "secret").ok());
    QCOMPARE(permissionsOf(file), mode_t(0600));
    QVERIFY(store.saveSetting("Mirrowick", "Ledgerfen Software", "Password", "secret2").ok());
    QCOMPARE(permissionsOf(file), mode_t(0600));
  }

  void eachUserHasTheirOwnStore() {
    QTemporaryDir alice, bob;
    shell::IniSettingsStore aliceStore(alice.path().toStdString() + "/config");
    shell::IniSettingsStore bobStore(bob.path().toStdString() + "/config");
    QVERIFY(aliceStore.saveSetting("Mirrowick", "Ledgerfen Software", "Database", "/alice.mdb").ok());
    QVERIFY(bobStore.saveSetting("Mirrowick", "Ledgerfen Software", "Database", "/bob.mdb").ok());
    QCOMPARE(aliceStore.getSetting("Mirrowick", "Ledgerfen Software", "Database"), std::string("/alice.mdb"));
    QCOMPARE(bobStore.getSetting("Mirrowick", "Ledgerfen Software", "Database"), std::string("/bob.mdb"));
  }

  void applicationNamesThatCannotNameAFileAreRefused() {
    QTemporaryDir config;
    shell::IniSettingsStore store(config.path().toStdString());
    for (const char* name : {"", ".", "..", "../escape", "a/b"}) {
      QVERIFY(!store.saveSetting(name, "S", "K", "v").ok());
      QCOMPARE(store.getSetting(name, "S", "K"), std::string());
    }
  }
};

LEDGERFEN_QTEST_MAIN(SettingsStoreTest)
#include "settings_store_test.moc"
