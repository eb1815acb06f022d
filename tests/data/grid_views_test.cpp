// The background work behind the grid's views, on a table of its own made
// through the engine: positions gathered for far jumps, rows sorted through
// an index or by keys (long shared beginnings included), filters, and
// searches that visit every match in order, in the table's order and in
// another; and the gate that keeps readers off pages a write is changing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <thread>

#include "ledgerfen/data/cell_text.h"
#include "ledgerfen/data/record_set.h"
#include "ledgerfen/data/row_filter.h"
#include "ledgerfen/data/row_order.h"
#include "ledgerfen/data/row_search.h"
#include "support/temp_dir.h"

namespace ledgerfen::data {
namespace {

// Columns of the Notes table (the ID is column 0).
constexpr size_t kTitle = 1, kBody = 2, kAmount = 3, kStamp = 4;
constexpr int kRows = 5000;
constexpr int kEchoes = 24000;

// Every body begins with the same 48 characters, then one of 20 groups
// shared by 250 rows for 24 more, then the row's own number: the keys tie
// over two windows, then in ties small enough to read singly.
std::string bodyOf(int n) {
  const std::string intro = "Every note of this table begins the same way... ";
  static_assert(sizeof("Every note of this table begins the same way... ") == 49);
  char group[32];
  std::snprintf(group, sizeof group, "group-%02d and the same ", n % 20);
  return intro + group + std::to_string(n * 7919 % 100003);
}

// A new database with the table Notes: ID (AutoNumber, the primary key),
// Title (indexed), Body (Memo), Amount (Currency, NULL in one row of 7),
// Stamp (Date/Time); rows added in a scrambled order.
std::string makeNotes(const test::TempDir& dir) {
  const std::string path = dir.path() + "/notes.mdb";
  EXPECT_TRUE(Database::create(path, FileFormat::Jet4).ok());
  auto db = Database::open(path, OpenOptions{"", true, nullptr});
  TableSpec spec;
  spec.name = "Notes";
  spec.columns = {{"ID", ColumnType::Long, 0, 18, 0, false, true},
                  {"Title", ColumnType::Text, 60},
                  {"Body", ColumnType::Memo},
                  {"Amount", ColumnType::Currency},
                  {"Stamp", ColumnType::DateTime}};
  spec.indexes = {{"PrimaryKey", {{"ID"}}, true, true}, {"Title", {{"Title"}}}};
  auto table = (*db)->createTable(spec);
  EXPECT_TRUE(table.ok());
  EXPECT_TRUE((*db)->begin().ok());
  for (int i = 0; i < kRows; ++i) {
    const int n = i * 3001 % kRows;
    std::vector<Value> values(5);
    values[kTitle] = std::string(n % 2 ? "Note " : "NOTE ") + std::to_string(n % 700);
    values[kBody] = bodyOf(n);
    if (n % 7 != 0) values[kAmount] = Currency{int64_t(n * 7919 % 20000) - 10000};
    values[kStamp] = OleDate{double(40000 + n % 365) + double(n % 24) / 24.0};
    EXPECT_TRUE(table->insertRow(std::move(values)).ok());
  }
  EXPECT_TRUE((*db)->commit().ok());

  // Echoes: only bodies, so many that their ties are settled by passes over
  // the table before the last few by reading rows one by one.
  TableSpec echoes;
  echoes.name = "Echoes";
  echoes.columns = {{"Body", ColumnType::Memo}};
  auto echoTable = (*db)->createTable(echoes);
  EXPECT_TRUE(echoTable.ok());
  EXPECT_TRUE((*db)->begin().ok());
  for (int i = 0; i < kEchoes; ++i) EXPECT_TRUE(echoTable->insertRow({bodyOf(i * 7 % kEchoes)}).ok());
  EXPECT_TRUE((*db)->commit().ok());
  return path;
}

class NotesTable : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    path_ = new std::string(makeNotes(*dir_));
  }
  static void TearDownTestSuite() {
    delete path_;
    delete dir_;
  }

  void SetUp() override {
    auto connection = std::make_shared<Connection>();
    connection->setMode(ConnectMode::ReadWrite);
    ASSERT_TRUE(connection->open(buildConnectionString(*path_, "")).ok());
    records_ = std::make_unique<RecordSet>();
    ASSERT_TRUE(records_->open(sourceForTable("Notes"), connection).ok());
    rows_ = scan();
  }

  std::vector<Row> scan() const {
    auto db = Database::open(*path_);
    auto cursor = (*db)->table("Notes")->scan();
    std::vector<Row> rows;
    Row row;
    while (cursor->next(row).value()) rows.push_back(row);
    return rows;
  }

  const Column& column(size_t c) const { return records_->fields()[c]; }

  std::vector<RowId> idsOf(const std::vector<Row>& rows) const {
    std::vector<RowId> ids;
    for (const Row& r : rows) ids.push_back(r.id);
    return ids;
  }

  // The scan's rows ordered by `less` of their values, ties by id.
  template <typename Less>
  std::vector<RowId> referenceOrder(Less less) const {
    std::vector<Row> rows = rows_;
    std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) { return less(a.values, b.values); });
    return idsOf(rows);
  }

  static test::TempDir* dir_;
  static std::string* path_;
  std::unique_ptr<RecordSet> records_;
  std::vector<Row> rows_;
  WorkControl control_;
};

test::TempDir* NotesTable::dir_ = nullptr;
std::string* NotesTable::path_ = nullptr;

std::string lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

template <typename T>
std::vector<T> reversed(std::vector<T> v) {
  std::reverse(v.begin(), v.end());
  return v;
}

TEST_F(NotesTable, GatheredPositionsAreEvery256thRowOfAScanAndMakeTheCountExact) {
  std::vector<PositionMarks> delivered;
  ASSERT_TRUE(gatherPositions(records_->readerSource(), {}, RecordSet::kStride, control_, [&](PositionMarks m) {
                delivered.push_back(std::move(m));
              }).ok());
  std::vector<RowId> marks;
  for (const PositionMarks& m : delivered) {
    EXPECT_EQ(m.first, int64_t(marks.size()) * RecordSet::kStride);
    marks.insert(marks.end(), m.ids.begin(), m.ids.end());
  }
  ASSERT_EQ(marks.size(), size_t((kRows + 255) / 256));
  for (size_t k = 0; k < marks.size(); ++k) EXPECT_EQ(marks[k], rows_[k * 256].id);
  ASSERT_TRUE(delivered.back().total.has_value());
  EXPECT_EQ(*delivered.back().total, kRows);

  EXPECT_FALSE(records_->positionsKnown());
  for (const PositionMarks& m : delivered) records_->learnPositions(records_->layoutVersion(), m);
  EXPECT_TRUE(records_->positionsKnown());
  EXPECT_TRUE(records_->recordCountIsExact());
  for (int position : {0, 255, 256, 3333, kRows - 1}) {
    EXPECT_EQ(records_->positionOf(rows_[size_t(position)].id).value(), position);
  }
  EXPECT_EQ(records_->positionOf(RowId{99999, 1}).error().kind(), ErrorKind::NotFound);
}

// A grid asks first whether a read would wait (it then shows the rows a
// moment later); a read that must have its rows waits.
TEST_F(NotesTable, AFarReadDuringAGatheringWaitsForItAndStartsWhereItGot) {
  const std::shared_ptr<PositionMailbox> mailbox = records_->positionMailbox();
  const uint64_t version = records_->layoutVersion();
  EXPECT_FALSE(mailbox->waitFor(version, 10, std::chrono::milliseconds(1)));  // nothing gathers
  EXPECT_FALSE(records_->waitsForGathering(4900));
  mailbox->beginGathering(version);
  EXPECT_TRUE(records_->waitsForGathering(4900));
  EXPECT_FALSE(records_->waitsForGathering(100));                // near the first row
  EXPECT_FALSE(mailbox->isGatheringTowards(version + 1, 4900));  // a gathering of an older layout
  std::thread gathering([&] {
    (void)gatherPositions(records_->readerSource(), {}, RecordSet::kStride, control_,
                          [&](PositionMarks marks) { mailbox->post(version, std::move(marks)); });
    mailbox->endGathering();
  });
  std::vector<Record> far;
  ASSERT_TRUE(records_->read(4900, 1, far).ok());
  gathering.join();
  ASSERT_EQ(far.size(), 1u);
  EXPECT_EQ(far[0].id, rows_[4900].id);
  // The gathering's marks took the place of a walk: every 256th row is known.
  EXPECT_GE(records_->rememberedIds(), size_t(4900 / 256));
  records_->takeGatheredPositions();
  EXPECT_TRUE(records_->positionsKnown());
  EXPECT_FALSE(records_->waitsForGathering(4900));
}

TEST_F(NotesTable, PositionsGatheredBeforeARecordWasAddedOrDeletedAreIgnored) {
  const uint64_t before = records_->layoutVersion();
  std::vector<Value> values(5);
  values[kTitle] = std::string("added");
  auto added = records_->addNew(values);
  ASSERT_TRUE(added.ok());
  EXPECT_NE(records_->layoutVersion(), before);
  PositionMarks stale{0, {rows_[0].id}, kRows};
  records_->learnPositions(before, stale);
  EXPECT_FALSE(records_->positionsKnown());
  // The added record is last, wherever the engine stored it.
  EXPECT_EQ(records_->positionOf(added->id).value(), records_->recordCount() - 1);
  ASSERT_TRUE(records_->remove({{records_->recordCount() - 1, *added}}).ok());
}

TEST_F(NotesTable, AReaderOpensTheFileAfreshAfterEachWrite) {
  auto reader = TableReader::open(records_->readerSource());
  ASSERT_TRUE(reader.ok());
  EXPECT_FALSE(reader->refresh().value());
  std::vector<Record> first;
  ASSERT_TRUE(records_->read(0, 1, first).ok());
  std::vector<Value> changed = first[0].values;
  changed[kTitle] = std::string("written meanwhile");
  auto stored = records_->update(first[0], changed);
  ASSERT_TRUE(stored.ok());
  EXPECT_TRUE(reader->refresh().value());
  EXPECT_EQ(reader->table().readRow(first[0].id)->values[kTitle], Value(std::string("written meanwhile")));
  EXPECT_FALSE(reader->refresh().value());
  ASSERT_TRUE(records_->update(*stored, first[0].values).ok());
}

TEST_F(NotesTable, SortingByAnIndexedColumnGivesTheIndexOrder) {
  auto index = Database::open(*path_).value()->table("Notes")->seek("Title", IndexRange{});
  std::vector<RowId> expected;
  Row row;
  while (index->next(row).value()) expected.push_back(row.id);
  ASSERT_EQ(expected.size(), size_t(kRows));

  EXPECT_EQ(sortedRows(records_->readerSource(), kTitle, SortDirection::Ascending, control_).value(), expected);
  EXPECT_EQ(sortedRows(records_->readerSource(), kTitle, SortDirection::Descending, control_).value(),
            reversed(expected));
  // The first rows of the index, as the grid shows them before the rest.
  EXPECT_EQ(records_->indexRows("Title", kTitle, 40).value(),
            std::vector<RowId>(expected.begin(), expected.begin() + 40));
  const TableSchema schema = Database::open(*path_).value()->table("Notes")->schema();
  const Index* chosen = sortIndexFor(schema, kTitle, SortDirection::Ascending);
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(chosen->name, "Title");
  EXPECT_TRUE(indexGivesOrderDirectly(schema, *chosen, kTitle, SortDirection::Ascending));
  EXPECT_FALSE(indexGivesOrderDirectly(schema, *chosen, kTitle, SortDirection::Descending));
  EXPECT_EQ(sortIndexFor(schema, kBody, SortDirection::Ascending), nullptr);
}

TEST_F(NotesTable, SortingWithoutAnIndexOrdersByValueNullFirstAndTiesInTableOrder) {
  const auto amount = [](const std::vector<Value>& v) {
    return isNull(v[kAmount]) ? INT64_MIN : std::get<Currency>(v[kAmount]).units;
  };
  const std::vector<RowId> expected =
      referenceOrder([&](const auto& a, const auto& b) { return amount(a) < amount(b); });
  EXPECT_EQ(sortedRows(records_->readerSource(), kAmount, SortDirection::Ascending, control_).value(), expected);
  EXPECT_EQ(sortedRows(records_->readerSource(), kAmount, SortDirection::Descending, control_).value(),
            reversed(expected));

  // Titles by their keys, without the index: case does not count.
  const std::vector<RowId> titles = referenceOrder([](const auto& a, const auto& b) {
    return lower(std::get<std::string>(a[kTitle])) < lower(std::get<std::string>(b[kTitle]));
  });
  EXPECT_EQ(sortedRowsByKeys(records_->readerSource(), kTitle, SortDirection::Ascending, control_).value(), titles);
}

TEST_F(NotesTable, LongValuesThatBeginAlikeAreOrderedByWhatFollows) {
  const std::vector<RowId> expected = referenceOrder([](const auto& a, const auto& b) {
    return lower(std::get<std::string>(a[kBody])) < lower(std::get<std::string>(b[kBody]));
  });
  EXPECT_EQ(sortedRows(records_->readerSource(), kBody, SortDirection::Ascending, control_).value(), expected);

  // Tens of thousands that begin alike: passes over the table first.
  ReaderSource echoes = records_->readerSource();
  echoes.table = "Echoes";
  std::vector<Row> rows;
  auto cursor = Database::open(*path_).value()->table("Echoes")->scan();
  Row row;
  while (cursor->next(row).value()) rows.push_back(row);
  ASSERT_EQ(rows.size(), size_t(kEchoes));
  std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
    return lower(std::get<std::string>(a.values[0])) < lower(std::get<std::string>(b.values[0]));
  });
  EXPECT_EQ(sortedRowsByKeys(echoes, 0, SortDirection::Ascending, control_).value(), idsOf(rows));
}

TEST_F(NotesTable, WorkStopsWhenAsked) {
  std::stop_source stop;
  stop.request_stop();
  WorkControl stopped{stop.get_token(), {}};
  auto sorted = sortedRows(records_->readerSource(), kAmount, SortDirection::Ascending, stopped);
  ASSERT_FALSE(sorted.ok());
  EXPECT_TRUE(wasStopped(sorted.error()));
  auto found = filteredRows(records_->readerSource(), {*parseFilterText(kTitle, "7")}, stopped);
  EXPECT_TRUE(wasStopped(found.error()));
}

TEST(FilterText, ReadsEachKindOfCondition) {
  const auto kindOf = [](const char* typed) { return parseFilterText(0, typed)->kind; };
  EXPECT_FALSE(parseFilterText(0, "  ").has_value());
  EXPECT_EQ(kindOf("smith"), FilterKind::Contains);
  EXPECT_EQ(kindOf(" = "), FilterKind::IsEmpty);
  EXPECT_EQ(kindOf("<>"), FilterKind::IsNotEmpty);
  EXPECT_EQ(parseFilterText(0, "= Smith ")->text, "Smith");
  EXPECT_EQ(kindOf("=Smith"), FilterKind::Equals);
  const FilterCondition range = *parseFilterText(3, "-5.5 .. 10");
  EXPECT_EQ(range.kind, FilterKind::Between);
  EXPECT_EQ(range.column, 3u);
  EXPECT_EQ(range.low, "-5.5");
  EXPECT_EQ(range.high, "10");
  EXPECT_EQ(parseFilterText(0, "2024-01-01..")->high, "");
  const FilterCondition quoted = *parseFilterText(0, "\"a..b\"");
  EXPECT_EQ(quoted.kind, FilterKind::Contains);
  EXPECT_EQ(quoted.text, "a..b");
}

TEST_F(NotesTable, FiltersKeepTheRowsEveryConditionKeeps) {
  const auto filtered = [&](std::vector<std::string> typed, std::vector<size_t> columns) {
    std::vector<FilterCondition> conditions;
    for (size_t i = 0; i < typed.size(); ++i) conditions.push_back(*parseFilterText(columns[i], typed[i]));
    auto ids = filteredRows(records_->readerSource(), conditions, control_);
    EXPECT_TRUE(ids.ok()) << ids.error().message();
    return ids.ok() ? *ids : std::vector<RowId>();
  };
  const auto expected = [&](auto keeps) {
    std::vector<RowId> ids;
    for (const Row& r : rows_) {
      if (keeps(r.values)) ids.push_back(r.id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
  };
  const auto title = [](const std::vector<Value>& v) { return lower(std::get<std::string>(v[kTitle])); };
  const auto units = [](const std::vector<Value>& v) { return std::get<Currency>(v[kAmount]).units; };

  EXPECT_EQ(filtered({"note 12"}, {kTitle}),
            expected([&](const auto& v) { return title(v).find("note 12") != std::string::npos; }));
  EXPECT_EQ(filtered({"=NOTE 12"}, {kTitle}), expected([&](const auto& v) { return title(v) == "note 12"; }));
  EXPECT_EQ(filtered({"="}, {kAmount}), expected([](const auto& v) { return isNull(v[kAmount]); }));
  EXPECT_EQ(filtered({"<>"}, {kAmount}), expected([](const auto& v) { return !isNull(v[kAmount]); }));
  const Value& some = rows_[10].values[kAmount];
  ASSERT_FALSE(isNull(some));
  const std::vector<RowId> same = filtered({"=" + cellText(column(kAmount), some)}, {kAmount});
  EXPECT_FALSE(same.empty());
  EXPECT_EQ(same,
            expected([&](const auto& v) { return !isNull(v[kAmount]) && units(v) == std::get<Currency>(some).units; }));
  EXPECT_EQ(filtered({"-0.5..0.75"}, {kAmount}),
            expected([&](const auto& v) { return !isNull(v[kAmount]) && units(v) >= -5000 && units(v) <= 7500; }));
  // Two conditions: both must hold; a range of dates open at one end.
  // (Day 40001 is 2009-07-07.)
  EXPECT_EQ(filtered({"..2009-07-07", "note 1"}, {kStamp, kTitle}), expected([&](const auto& v) {
              return std::get<OleDate>(v[kStamp]).days <= 40001 && title(v).find("note 1") != std::string::npos;
            }));

  TableSchema schema;
  schema.columns = records_->fields();
  auto refused = RowFilter::make(schema, {*parseFilterText(kAmount, "=twelve")});
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().kind(), ErrorKind::Constraint);
  EXPECT_EQ(refused.error().message().rfind("Amount: \"twelve\" is not a value of the column", 0), 0u)
      << refused.error().message();
}

// Every (row, column) whose text holds `text`, in the order of `order`.
std::vector<std::pair<int64_t, size_t>> matchingCells(const std::vector<Row>& order, const std::vector<Column>& columns,
                                                      const std::string& text) {
  std::vector<std::pair<int64_t, size_t>> cells;
  for (size_t r = 0; r < order.size(); ++r) {
    for (size_t c = 0; c < columns.size(); ++c) {
      if (lower(cellText(columns[c], order[r].values[c])).find(text) != std::string::npos) cells.emplace_back(r, c);
    }
  }
  return cells;
}

TEST_F(NotesTable, FindVisitsEveryMatchInTableOrderThenWraps) {
  // A record added through the record set comes last, after the scan's rows.
  std::vector<Value> values(5);
  values[kTitle] = std::string("Note 6999 added");
  auto added = records_->addNew(values);
  ASSERT_TRUE(added.ok());
  std::vector<Row> order = rows_;
  order.push_back(Row{added->id, added->values});

  const std::vector<std::pair<int64_t, size_t>> expected = matchingCells(order, records_->fields(), "699");
  ASSERT_GT(expected.size(), 5u);
  SearchQuery query{"699", std::nullopt, false, false};
  TableOrderRows rows{kRows, records_->addedRows(), std::nullopt};
  std::vector<std::pair<int64_t, size_t>> visited;
  int64_t row = 0;
  int column = -1;
  rows.start = order[0].id;
  while (true) {
    auto hit = searchTableOrder(records_->readerSource(), query, rows, row, column, control_);
    ASSERT_TRUE(hit.ok()) << hit.error().message();
    ASSERT_TRUE(hit->has_value());
    if ((*hit)->wrapped) break;
    visited.emplace_back((*hit)->row, (*hit)->column);
    row = (*hit)->row;
    column = int((*hit)->column);
    rows.start = order[size_t(row)].id;
  }
  EXPECT_EQ(visited, expected);

  // One column, whole cells only; nothing to find.
  query = SearchQuery{"note 699", kTitle, false, true};
  rows.start = order[0].id;
  auto whole = searchTableOrder(records_->readerSource(), query, rows, 0, -1, control_);
  ASSERT_TRUE(whole.value().has_value());
  EXPECT_EQ(lower(std::get<std::string>(order[size_t((*whole)->row)].values[kTitle])), "note 699");
  query.text = "no such text";
  EXPECT_FALSE(searchTableOrder(records_->readerSource(), query, rows, 0, -1, control_).value().has_value());
  ASSERT_TRUE(records_->remove({{records_->recordCount() - 1, *added}}).ok());
}

TEST_F(NotesTable, FindFollowsAnotherOrderReadingTheTableOnceForFarMatches) {
  const std::vector<Row> order = reversed(rows_);
  const std::vector<RowId> ids = idsOf(order);
  const auto visitAll = [&](const SearchQuery& query, MatchingRows& matching) {
    std::vector<std::pair<int64_t, size_t>> visited;
    int64_t row = 0;
    int column = -1;
    while (true) {
      auto hit = searchRowList(records_->readerSource(), query, ids, row, column, matching, control_);
      EXPECT_TRUE(hit.ok()) << hit.error().message();
      if (!hit.ok() || !hit->has_value() || (*hit)->wrapped) break;
      visited.emplace_back((*hit)->row, (*hit)->column);
      row = (*hit)->row;
      column = int((*hit)->column);
    }
    return visited;
  };
  // Matches near one another: each found among the rows read singly.
  MatchingRows matching;
  EXPECT_EQ(visitAll(SearchQuery{"NOTE 42", kTitle, false, false}, matching),
            matchingCells(order, records_->fields(), "note 42"));
  EXPECT_FALSE(matching);

  // One far match: the table is read once, and what it found is kept.
  const std::string far = std::get<std::string>(order[4500].values[kBody]);
  EXPECT_EQ(visitAll(SearchQuery{far, kBody, true, true}, matching),
            (std::vector<std::pair<int64_t, size_t>>{{4500, kBody}}));
  ASSERT_TRUE(matching);
  EXPECT_EQ(*matching, std::vector<RowId>{order[4500].id});
}

TEST(CellMatcher, SkipsColumnsWhoseTextsCannotHoldTheText) {
  TableSchema schema;
  for (auto [name, type] : {std::pair{"N", ColumnType::Long},
                            {"T", ColumnType::Text},
                            {"D", ColumnType::DateTime},
                            {"O", ColumnType::Ole},
                            {"Y", ColumnType::Boolean}}) {
    Column c;
    c.name = name;
    c.type = type;
    c.typeCode = uint8_t(type);
    schema.columns.push_back(c);
  }
  EXPECT_EQ(CellMatcher(schema, {"12", std::nullopt}).columns(), (std::vector<size_t>{0, 1, 2}));
  EXPECT_EQ(CellMatcher(schema, {"smith", std::nullopt}).columns(), (std::vector<size_t>{1}));
  EXPECT_EQ(CellMatcher(schema, {"YES", std::nullopt}).columns(), (std::vector<size_t>{1, 4}));
  EXPECT_EQ(CellMatcher(schema, {"YES", std::nullopt, true}).columns(), (std::vector<size_t>{1, 4}));
  const CellMatcher yes(schema, {"yes", 4u, false, true});
  EXPECT_EQ(yes.firstMatch({Value(), Value(), Value(), Value(), true}), std::optional<size_t>(4));
  EXPECT_FALSE(yes.firstMatch({Value(), Value(), Value(), Value(), false}).has_value());
}

}  // namespace
}  // namespace ledgerfen::data
