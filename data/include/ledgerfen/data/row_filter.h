// The grid's filters: which rows a column's condition keeps, and the rows of
// a table that every condition keeps, found in the background.
//
// A condition is typed into the filter line under a column's header:
//
//   text        the cell contains the text (without regard to case)
//   =text       the cell is the value: for Text and Memo the same text
//               without regard to case, for other columns the same value
//               (=12 keeps 12.00 in a Currency column)
//   =           the cell is empty (NULL or the empty text)
//   <>          the cell is not empty
//   low..high   the value lies between the two, both included, compared as
//               the column sorts (sort_key.h); either end may be left out
//               ("100.." or "..2024-12-31")
//   "text"      the cell contains the text, taken as it is (for texts that
//               hold "..", or begin with "=" or "<>")
//
// Operands of other columns are typed as the grid shows their values
// (value_text.h). Blanks around the whole condition do not count.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ledgerfen/data/background_reader.h"
#include "ledgerfen/data/row_order.h"
#include "ledgerfen/database.h"
#include "ledgerfen/status.h"

namespace ledgerfen::data {

enum class FilterKind { Contains, Equals, IsEmpty, IsNotEmpty, Between };

struct FilterCondition {
  size_t column = 0;
  FilterKind kind = FilterKind::Contains;
  std::string text;       // Contains, Equals
  std::string low, high;  // Between; empty for an open end
  friend bool operator==(const FilterCondition&, const FilterCondition&) = default;
};

// Reads a condition as typed (see above); nullopt for blank text.
std::optional<FilterCondition> parseFilterText(size_t column, std::string_view typed);

// The conditions, their operands read as their columns' values, ready to
// test rows. Every condition must hold.
class RowFilter {
 public:
  // Fails with a Constraint error, naming the column, when an operand is
  // not a value of its column.
  static Result<RowFilter> make(const TableSchema& schema, const std::vector<FilterCondition>& conditions);

  // The columns the conditions read.
  std::vector<size_t> columns() const;
  // Whether the values (one per column of the table; those of columns()
  // at least) pass every condition.
  bool keeps(const std::vector<Value>& values) const;

 private:
  struct Test {
    FilterCondition condition;
    Column column;
    std::string operand;   // folded text (Contains, Equals on text), or the value's sort key (Equals)
    bool byValue = false;  // Equals on a value of another type than text
    std::string lowKey, highKey;
  };
  bool passes(const Test& test, const Value& value) const;
  std::vector<Test> tests_;
};

// The ids of the rows the filter keeps, in ascending order (a scan's order).
Result<std::vector<RowId>> filteredRows(const ReaderSource& source, const std::vector<FilterCondition>& conditions,
                                        const WorkControl& control);

}  // namespace ledgerfen::data
