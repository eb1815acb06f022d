// Random values that fit a column: its type, its size and, for Jet3 text,
// what its code page can hold. Text mixes ASCII, accents, case variants,
// punctuation, CJK and characters outside the Basic Multilingual Plane.
#pragma once

#include <random>

#include "ledgerfen/file_format.h"
#include "ledgerfen/schema.h"

namespace ledgerfen::test {

struct RandomValueOptions {
  bool allowNull = true;
  // Characters outside the Basic Multilingual Plane, and empty text
  // (mdbtools reads back neither: the first garbled, the second as NULL).
  bool outsideBmp = true;
  bool emptyText = true;
};

// A value for `column`.
Value randomValue(const Column& column, FileFormat format, std::mt19937& random, RandomValueOptions options = {});

// Whether tests may give this column a value (not calculated, attachment or AutoNumber).
bool isTestWritable(const Column& column);

}  // namespace ledgerfen::test
