// A writer process killed at random moments: after the database is opened
// again, the integrity check is clean and the table holds exactly the state
// after some prefix of the committed changes (the ones the writer reported,
// and possibly the one in flight), never a mixture.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <random>

#include "ledgerfen/database.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"

namespace ledgerfen {
namespace {

constexpr int kChanges = 150;
constexpr const char* kTable = "Table1";  // CD_AGENTE (Long, indexed), RS_AGENTE, DC_AGENTE

// Rows as (key, text), keys as text: the fixture's rows include NULL keys.
using State = std::multimap<std::string, std::string>;

std::string keyOf(int j) {
  return std::to_string(100000 + j);
}

// Change j: insert key 100000 + j; every fifth change also deletes the row
// that change j - 3 inserted, and every seventh grows the text of j - 1.
void applyToModel(State& state, int j) {
  state.emplace(keyOf(j), "row " + std::to_string(j));
  if (j % 5 == 0) state.erase(keyOf(j - 3));
  if (j % 7 == 0) {
    if (auto it = state.find(keyOf(j - 1)); it != state.end()) it->second = std::string(40, char('a' + j % 26));
  }
}

Status applyToDatabase(Table& table, int j) {
  std::vector<Value> values(table.schema().columns.size());
  values[0] = int32_t(100000 + j);
  values[1] = "row " + std::to_string(j);
  LF_RETURN_IF_ERROR(table.insertRow(values).ok() ? okStatus() : Error(ErrorKind::Io, "insert"));
  auto find = [&](int32_t key) -> std::optional<Row> {
    auto cursor = table.find("CD_AGENTE", {Value(key)});
    Row row;
    if (!cursor.ok()) return std::nullopt;
    auto found = cursor->next(row);
    if (found.ok() && *found) return row;
    return std::nullopt;
  };
  if (j % 5 == 0) {
    if (auto row = find(100000 + j - 3)) LF_RETURN_IF_ERROR(table.deleteRow(row->id, row->values));
  }
  if (j % 7 == 0) {
    if (auto row = find(100000 + j - 1)) {
      std::vector<Value> after = row->values;
      after[1] = std::string(40, char('a' + j % 26));
      LF_RETURN_IF_ERROR(table.updateRow(row->id, row->values, after));
    }
  }
  return okStatus();
}

// The child: applies every change as one transaction (a change is several
// row operations) and reports each one through `report` after its commit
// returned.
[[noreturn]] void runWriter(const std::string& path, int report) {
  auto db = Database::open(path, OpenOptions{"", true, nullptr});
  if (!db || (*db)->isReadOnly()) _exit(3);
  auto table = (*db)->table(kTable);
  for (int j = 1; j <= kChanges; ++j) {
    if (!(*db)->begin() || !applyToDatabase(*table, j) || !(*db)->commit()) _exit(4);
    if (write(report, &j, sizeof j) != sizeof j) _exit(5);
  }
  _exit(0);
}

State readState(Database& db) {
  State state;
  auto table = db.table(kTable);
  auto cursor = table->scan();
  Row row;
  while (cursor->next(row).value()) {
    std::string key = isNull(row.values[0]) ? "NULL" : std::to_string(std::get<int32_t>(row.values[0]));
    state.emplace(key, isNull(row.values[1]) ? "NULL" : std::get<std::string>(row.values[1]));
  }
  return state;
}

TEST(KilledWriter, LeavesAPrefixOfItsCommits) {
  std::mt19937 random(2026);
  for (int round = 0; round < 5; ++round) {
    test::TempDir dir;
    std::string path = dir.copyFixture("jackcess/V2000/compIndexTestV2000.mdb");
    State original;
    {
      auto db = Database::open(path);
      ASSERT_TRUE(db.ok());
      original = readState(**db);
    }
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(pipeFds[0]);
      runWriter(path, pipeFds[1]);
    }
    close(pipeFds[1]);
    const int killAfter = 1 + int(random() % (kChanges - 10));
    int reported = 0, j = 0;
    while (reported < killAfter && read(pipeFds[0], &j, sizeof j) == sizeof j) reported = j;
    usleep(useconds_t(random() % 3000));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    while (read(pipeFds[0], &j, sizeof j) == sizeof j) reported = j;
    close(pipeFds[0]);

    auto db = Database::open(path, OpenOptions{"", true, nullptr});
    ASSERT_TRUE(db.ok()) << db.error().message();
    auto report = (*db)->checkIntegrity(/*strict=*/true);
    ASSERT_TRUE(report.ok()) << report.error().message();
    for (const std::string& problem : report->problems) ADD_FAILURE() << "round " << round << ": " << problem;
    State now = readState(**db);
    State expected = original;
    for (int k = 1; k <= reported; ++k) applyToModel(expected, k);
    State inFlight = expected;
    applyToModel(inFlight, reported + 1);
    EXPECT_TRUE(now == expected || now == inFlight)
        << "round " << round << ": killed after " << reported << " reported commits";
  }
}

}  // namespace
}  // namespace ledgerfen
