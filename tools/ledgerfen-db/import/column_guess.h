// Chooses the type of a new column from the text of all its values: the
// narrowest type that holds every one of them exactly as written.
//
//   no values                               Text(255)
//   Yes, No, True, False (any case)         Yes/No
//   whole numbers that fit a Long           Long
//   larger whole numbers, up to 28 digits   Decimal(28,0), Double before Access 2000
//   other numbers ("12.5", "-3e4")          Double
//   dates "2024-03-01[ 14:05[:09[.123]]]"   Date/Time (the forms of value_text.h)
//   anything else                           Text(255), Memo past 255 characters
//
// A number written with a leading zero ("007", "0042.5") stays text: as a
// number it would lose the zero, and such values are codes, not quantities.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "ledgerfen/file_format.h"
#include "ledgerfen/table_spec.h"

namespace ledgerfen::cli {

class ColumnGuess {
 public:
  // Takes one value; an empty field is NULL and says nothing of the type.
  void see(std::string_view text);
  // The column to create, in a database of `format`.
  ColumnSpec column(const std::string& name, FileFormat format) const;

 private:
  bool seen_ = false;
  bool yesNo_ = true;
  bool long_ = true;
  bool wholeNumber_ = true;  // up to 28 digits
  bool number_ = true;
  bool date_ = true;
  size_t longest_ = 0;  // UTF-16 code units, as text columns count characters
};

}  // namespace ledgerfen::cli
