#include "lval/long_value.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "row/data_page.h"

namespace ledgerfen::lval {
namespace {

Error damaged(const std::string& why) {
  return Error(ErrorKind::Corrupt, "long value " + why);
}

Result<row::RowBytes> readFragment(page::Pager& pager, const format::FormatSpec& spec, format::RowPointer at) {
  LF_ASSIGN_OR_RETURN(page::Page page, pager.read(at.page));
  LF_ASSIGN_OR_RETURN(row::DataPage data, row::DataPage::open(spec, page));
  if (!data.isLongValuePage()) {
    return damaged("points to page " + std::to_string(at.page) + ", which is not a long-value page");
  }
  LF_ASSIGN_OR_RETURN(format::Bytes bytes, data.row(at.row));
  return row::RowBytes{std::move(page), bytes};
}

}  // namespace

Status readLongValue(page::Pager& pager, const format::FormatSpec& spec, format::Bytes def, std::vector<uint8_t>& out) {
  if (def.size() < kLongValueDefinitionSize) return damaged("definition is shorter than 12 bytes");
  uint32_t word = format::u32le(def, 0);
  uint32_t length = word & kLongValueLengthMask;
  uint8_t kind = uint8_t(word >> 24) & 0xC0;
  auto first = format::RowPointer::unpack(format::u32le(def, 4));
  // A value cannot be longer than the file that holds it.
  if (uint64_t(length) > uint64_t(pager.pageCount()) * pager.pageSize()) {
    return damaged("declares " + std::to_string(length) + " bytes, more than the whole file");
  }

  switch (kind) {
    case kLongValueInline: {
      if (!format::fits(def, kLongValueDefinitionSize, length)) return damaged("is longer than its row");
      out.insert(out.end(), def.begin() + kLongValueDefinitionSize, def.begin() + kLongValueDefinitionSize + length);
      return okStatus();
    }
    case kLongValueSingle: {
      LF_ASSIGN_OR_RETURN(row::RowBytes row, readFragment(pager, spec, first));
      if (row.bytes.size() < length) return damaged("is longer than the row that holds it");
      out.insert(out.end(), row.bytes.begin(), row.bytes.begin() + length);
      return okStatus();
    }
    case kLongValueChain: {
      out.reserve(out.size() + length);
      size_t remaining = length;
      format::RowPointer at = first;
      // Every fragment adds at least one byte, so the chain ends within
      // `length` steps; a chain that comes back to a fragment is damaged.
      std::unordered_set<uint32_t> visited;
      while (remaining > 0) {
        if (at.isNull()) return damaged("chain ends before its declared length");
        if (!visited.insert(at.packed()).second) return damaged("chain loops back to page " + std::to_string(at.page));
        LF_ASSIGN_OR_RETURN(row::RowBytes row, readFragment(pager, spec, at));
        if (row.bytes.size() <= 4) return damaged("chain holds an empty fragment");
        size_t take = std::min(remaining, row.bytes.size() - 4);
        out.insert(out.end(), row.bytes.begin() + 4, row.bytes.begin() + 4 + take);
        remaining -= take;
        at = format::RowPointer::unpack(format::u32le(row.bytes, 0));
      }
      return okStatus();
    }
    default: return damaged("has an unknown storage kind");
  }
}

}  // namespace ledgerfen::lval
