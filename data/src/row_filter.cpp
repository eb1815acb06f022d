#include "ledgerfen/data/row_filter.h"

#include <algorithm>
#include <set>

#include "ledgerfen/data/cell_text.h"
#include "ledgerfen/data/sort_key.h"
#include "resumable_scan.h"

namespace ledgerfen::data {
namespace {

std::string_view trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool isText(const Column& c) {
  return c.type == ColumnType::Text || c.type == ColumnType::Memo;
}

// Columns whose values the grid shows as a placeholder: only their text
// can be compared.
bool comparesAsShown(const Column& c) {
  return c.type == ColumnType::Binary || c.type == ColumnType::Ole || c.type == ColumnType::Complex ||
         !isKnownColumnType(c.typeCode);
}

Result<std::string> boundKey(const Column& column, const std::string& bound, const char* end) {
  if (bound.empty()) return std::string();
  if (isText(column)) return sortKey(column, Value(bound));
  auto value = parseCellText(column, bound);
  if (!value) {
    return Error(ErrorKind::Constraint, column.name + ": the " + end + " end \"" + bound +
                                            "\" is not a value of the column (" + value.error().message() + ")");
  }
  return sortKey(column, *value);
}

}  // namespace

std::optional<FilterCondition> parseFilterText(size_t column, std::string_view typed) {
  const std::string_view text = trimmed(typed);
  if (text.empty()) return std::nullopt;
  FilterCondition condition;
  condition.column = column;
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    condition.kind = FilterKind::Contains;
    condition.text = std::string(text.substr(1, text.size() - 2));
    if (condition.text.empty()) return std::nullopt;
  } else if (text == "=") {
    condition.kind = FilterKind::IsEmpty;
  } else if (text == "<>") {
    condition.kind = FilterKind::IsNotEmpty;
  } else if (text.front() == '=') {
    condition.kind = FilterKind::Equals;
    condition.text = std::string(trimmed(text.substr(1)));
  } else if (const size_t dots = text.find(".."); dots != std::string_view::npos) {
    condition.kind = FilterKind::Between;
    condition.low = std::string(trimmed(text.substr(0, dots)));
    condition.high = std::string(trimmed(text.substr(dots + 2)));
  } else {
    condition.kind = FilterKind::Contains;
    condition.text = std::string(text);
  }
  return condition;
}

Result<RowFilter> RowFilter::make(const TableSchema& schema, const std::vector<FilterCondition>& conditions) {
  RowFilter filter;
  for (const FilterCondition& condition : conditions) {
    if (condition.column >= schema.columns.size()) {
      return Error(ErrorKind::InvalidArgument, "the table has no column " + std::to_string(condition.column + 1));
    }
    Test test;
    test.condition = condition;
    test.column = schema.columns[condition.column];
    const Column& column = test.column;
    switch (condition.kind) {
      case FilterKind::Contains: test.operand = foldCase(condition.text); break;
      case FilterKind::Equals:
        if (isText(column) || comparesAsShown(column)) {
          test.operand = foldCase(condition.text);
        } else {
          auto value = parseCellText(column, condition.text);
          if (!value) {
            return Error(ErrorKind::Constraint, column.name + ": \"" + condition.text +
                                                    "\" is not a value of the column (" + value.error().message() +
                                                    ")");
          }
          test.byValue = true;
          test.operand = sortKey(column, *value);
        }
        break;
      case FilterKind::Between: {
        if (comparesAsShown(column)) {
          return Error(ErrorKind::Constraint, column.name + ": its values have no order to filter a range of");
        }
        LF_ASSIGN_OR_RETURN(test.lowKey, boundKey(column, condition.low, "lower"));
        LF_ASSIGN_OR_RETURN(test.highKey, boundKey(column, condition.high, "upper"));
        break;
      }
      case FilterKind::IsEmpty:
      case FilterKind::IsNotEmpty: break;
    }
    filter.tests_.push_back(std::move(test));
  }
  return filter;
}

std::vector<size_t> RowFilter::columns() const {
  std::set<size_t> columns;
  for (const Test& test : tests_) columns.insert(test.condition.column);
  return std::vector<size_t>(columns.begin(), columns.end());
}

bool RowFilter::passes(const Test& test, const Value& value) const {
  switch (test.condition.kind) {
    case FilterKind::Contains: return foldCase(cellText(test.column, value)).find(test.operand) != std::string::npos;
    case FilterKind::Equals:
      if (test.byValue) return !isNull(value) && sortKey(test.column, value) == test.operand;
      return !isNull(value) && foldCase(cellText(test.column, value)) == test.operand;
    case FilterKind::IsEmpty:
    case FilterKind::IsNotEmpty: {
      const auto* text = std::get_if<std::string>(&value);
      const bool empty = isNull(value) || (text && text->empty());
      return empty == (test.condition.kind == FilterKind::IsEmpty);
    }
    case FilterKind::Between: {
      if (isNull(value) && test.column.type != ColumnType::Boolean) return false;
      const std::string key = sortKey(test.column, value);
      return (test.lowKey.empty() || key >= test.lowKey) && (test.highKey.empty() || key <= test.highKey);
    }
  }
  return false;
}

bool RowFilter::keeps(const std::vector<Value>& values) const {
  for (const Test& test : tests_) {
    if (test.condition.column >= values.size() || !passes(test, values[test.condition.column])) return false;
  }
  return true;
}

Result<std::vector<RowId>> filteredRows(const ReaderSource& source, const std::vector<FilterCondition>& conditions,
                                        const WorkControl& control) {
  LF_ASSIGN_OR_RETURN(TableReader reader, TableReader::open(source));
  LF_ASSIGN_OR_RETURN(RowFilter filter, RowFilter::make(reader.schema(), conditions));
  const int64_t expected = std::max<int64_t>(reader.schema().rowCount, 1);
  ResumableScan scan(reader, filter.columns());
  std::vector<RowId> kept;
  int64_t read = 0;
  LF_RETURN_IF_ERROR(scan.readInPieces(
      control, true,
      [&](const Row& row) {
        ++read;
        if (filter.keeps(row.values)) kept.push_back(row.id);
        return true;
      },
      [&](bool) { reportProgress(control, double(read) / double(expected)); }));
  return kept;
}

}  // namespace ledgerfen::data
