#include "table/index_check.h"

#include <map>
#include <set>

#include "db/exception_barrier.h"
#include "index/index_tree.h"
#include "index/key_encoder.h"
#include "table/row_reader.h"
#include "table/table_scanner.h"
#include "table/table_state.h"

namespace ledgerfen::table {
namespace {

constexpr size_t kMaxDescribed = 20;

std::string hex(std::span<const uint8_t> bytes) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i) out.push_back(' ');
    out.push_back(kDigits[bytes[i] >> 4]);
    out.push_back(kDigits[bytes[i] & 0xF]);
  }
  return out;
}

std::string rowName(format::RowPointer p) {
  return "data page " + std::to_string(p.page) + " row " + std::to_string(p.row);
}

bool sameEntry(const index::IndexEntry& a, const index::IndexEntry& b) {
  return a.key == b.key && a.row == b.row;
}

class IndexChecker {
 public:
  IndexChecker(const std::shared_ptr<Database::Core>& core, const std::shared_ptr<const tdef::TableDefinition>& def,
               const tdef::RealIndex& real, IndexCheck& check)
      : core_(core),
        def_(def),
        real_(real),
        check_(check),
        tree_(*core->pager, *core->spec, def->schema.definitionPage, real.rootPage) {}

  Status run() {
    if (!checkStructure()) return okStatus();  // entries cannot be walked reliably
    std::vector<size_t> wanted;
    for (const IndexColumn& c : real_.columns) {
      int position = def_->schema.positionOfNumber(c.columnNumber);
      if (position < 0) {
        note("it names column number " + std::to_string(c.columnNumber) + ", which the table does not have");
        return okStatus();
      }
      wanted.push_back(size_t(position));
    }
    auto encoder = index::KeyEncoder::create(core_->header.format, def_->schema, real_.columns);
    if (encoder) {
      encoder_ = std::move(*encoder);
    } else {
      check_.keysUnchecked = encoder.error().message();
    }
    for (const IndexColumn& c : real_.columns) {
      nullKey_.push_back(c.ascending ? index::kKeyNullAscending : index::kKeyNullDescending);
    }
    LF_RETURN_IF_ERROR(checkEntries(wanted));
    return checkRows(wanted);
  }

 private:
  void note(const std::string& description) {
    ++check_.problems;
    if (check_.descriptions.size() < kMaxDescribed) check_.descriptions.push_back(description);
  }

  // Walks the tree from the root: every node entry must repeat the last
  // entry under its child, and the leaves met left to right must be the
  // chain their prev/next pointers make.
  bool checkStructure() {
    std::vector<index::IndexPage> leaves;
    std::set<uint32_t> seen;
    std::optional<index::IndexEntry> last;
    if (!walk(real_.rootPage, 0, seen, leaves, last)) return false;
    for (size_t i = 0; i < leaves.size(); ++i) {
      uint32_t prev = i > 0 ? leaves[i - 1].number : 0;
      uint32_t next = i + 1 < leaves.size() ? leaves[i + 1].number : 0;
      if (leaves[i].prev != prev || leaves[i].next != next) {
        note("leaf page " + std::to_string(leaves[i].number) + " links to " + std::to_string(leaves[i].prev) + " and " +
             std::to_string(leaves[i].next) + "; the tree puts it between " + std::to_string(prev) + " and " +
             std::to_string(next));
      }
      if (i > 0 && leaves[i].entries.empty()) note("leaf page " + std::to_string(leaves[i].number) + " is empty");
    }
    return true;
  }

  bool walk(uint32_t number, size_t depth, std::set<uint32_t>& seen, std::vector<index::IndexPage>& leaves,
            std::optional<index::IndexEntry>& last) {
    if (!seen.insert(number).second || depth > 32) {
      note("page " + std::to_string(number) + " is reached twice");
      return false;
    }
    auto read = tree_.readPage(number);
    if (!read) {
      note(read.error().message());
      return false;
    }
    const std::shared_ptr<const index::IndexPage> page = *read;
    if (page->leaf) {
      if (bound_ && !page->entries.empty()) {
        if (index::compareEntries(bound_->entry, page->entries.front()) >= 0) {
          note("node page " + std::to_string(bound_->page) + " entry " + std::to_string(bound_->slot) +
               " lies beyond the entries of the page after it");
        }
        bound_.reset();
      }
      last = page->entries.empty() ? std::nullopt : std::optional(page->entries.back());
      leaves.push_back(*page);
      return true;
    }
    for (size_t i = 0; i < page->entries.size(); ++i) {
      const index::IndexEntry& e = page->entries[i];
      if (!walk(e.child, depth + 1, seen, leaves, last)) return false;
      if (last && sameEntry(*last, e)) continue;
      if (last && index::compareEntries(*last, e) < 0) {
        // Access leaves a node entry as it was when the last entries under
        // it are deleted; it still bounds them, if it stays below the next.
        check_.notes.push_back("node page " + std::to_string(number) + " entry " + std::to_string(i) +
                               " lies above the last entry under page " + std::to_string(e.child));
        bound_ = Bound{e, number, i};
        continue;
      }
      note("node page " + std::to_string(number) + " entry " + std::to_string(i) +
           " does not repeat the last entry under page " + std::to_string(e.child));
    }
    if (page->tail == 0) {
      note("node page " + std::to_string(number) + " has no tail page");
      return true;
    }
    return walk(page->tail, depth + 1, seen, leaves, last);
  }

  Status checkEntries(const std::vector<size_t>& wanted) {
    auto cursor = tree_.first();
    if (!cursor) {
      note(cursor.error().message());
      return okStatus();
    }
    LF_ASSIGN_OR_RETURN(RowReader reader, RowReader::create(core_, def_));
    const bool unique = real_.flags & tdef::kIndexUnique;
    std::optional<index::IndexEntry> previous;
    Row row;
    std::vector<uint8_t> key;
    while (true) {
      auto next = cursor->next();
      if (!next) {
        note(next.error().message());
        return okStatus();
      }
      if (!*next) return okStatus();
      const index::IndexEntry& e = **next;
      ++check_.entries;
      ++listed_[e.row.packed()];
      if (previous && index::compareEntries(*previous, e) >= 0) {
        note("the entry for " + rowName(e.row) + " is out of order");
      } else if (unique && previous && previous->key == e.key && e.key != nullKey_) {
        note("the unique index lists the key " + hex(e.key) + " twice");
      }
      previous = e;

      if (auto read = reader.read(RowId{e.row.page, e.row.row}, row, wanted); !read) {
        note("the entry for " + rowName(e.row) + " lists a row that cannot be read: " + read.error().message());
        continue;
      }
      if (!encoder_) continue;
      if (Status s = encoder_->encodeRow(row.values, key); !s) {
        // A value whose key the engine does not know leaves its entry unchecked.
        if (s.error().kind() == ErrorKind::Unsupported) {
          if (check_.keysUnchecked.empty()) check_.keysUnchecked = "of some rows: " + s.error().message();
        } else {
          note("the key of " + rowName(e.row) + " cannot be made: " + s.error().message());
        }
        continue;
      }
      ++check_.keysChecked;
      if (key != e.key) {
        note("the entry for " + rowName(e.row) + " holds the key " + hex(e.key) + "; its values give " + hex(key));
      }
    }
  }

  Status checkRows(const std::vector<size_t>& wanted) {
    LF_ASSIGN_OR_RETURN(TableScanner scanner, TableScanner::open(core_, def_, ScanOrder::Logical, wanted));
    const bool ignoreNulls = real_.flags & tdef::kIndexIgnoreNulls;
    Row row;
    while (true) {
      LF_ASSIGN_OR_RETURN(bool more, scanner.next(row));
      if (!more) break;
      ++check_.rows;
      bool allNull = true;
      for (size_t position : wanted) {
        const Column& c = def_->schema.columns[position];
        if (!isNull(row.values[position]) || c.type == ColumnType::Boolean) allNull = false;
      }
      format::RowPointer at{row.id.page, uint8_t(row.id.row)};
      auto it = listed_.find(at.packed());
      size_t times = it == listed_.end() ? 0 : it->second;
      if (it != listed_.end()) listed_.erase(it);
      size_t expected = ignoreNulls && allNull ? 0 : 1;
      if (times != expected) {
        note(rowName(at) + " is listed " + std::to_string(times) + " times, not " + std::to_string(expected));
      }
    }
    // Entries whose rows a scan does not meet (moved-row targets, rows of
    // pages the table does not own).
    for (const auto& [packed, times] : listed_) {
      note("entries list " + rowName(format::RowPointer::unpack(packed)) + ", which is not a row of the table");
    }
    return okStatus();
  }

  std::shared_ptr<Database::Core> core_;
  std::shared_ptr<const tdef::TableDefinition> def_;
  const tdef::RealIndex& real_;
  IndexCheck& check_;
  index::IndexTree tree_;  // decodes every page from its bytes, not from the cache
  std::optional<index::KeyEncoder> encoder_;
  std::vector<uint8_t> nullKey_;
  // A node entry above the last entry under its child: the next leaf's first
  // entry must lie beyond it.
  struct Bound {
    index::IndexEntry entry;
    uint32_t page = 0;
    size_t slot = 0;
  };
  std::optional<Bound> bound_;
  std::map<uint32_t, size_t> listed_;  // entries per packed row address
};

}  // namespace

std::string storedIndexName(const tdef::TableDefinition& def, size_t realIndex) {
  for (const Index& i : def.schema.indexes) {
    if (i.realIndex == realIndex) return i.name;
  }
  return "stored index " + std::to_string(realIndex);
}

Status checkIndex(const std::shared_ptr<Database::Core>& core, const std::shared_ptr<const tdef::TableDefinition>& def,
                  size_t realIndex, IndexCheck& check) {
  return IndexChecker(core, def, def->realIndexes.at(realIndex), check).run();
}

}  // namespace ledgerfen::table

namespace ledgerfen {

Result<std::vector<IndexCheck>> Table::checkIndexes() const {
  return db::withoutExceptions([&]() -> Result<std::vector<IndexCheck>> {
    auto def = state_->core->definition(state_->definitionPage, state_->name);
    if (!def) return state_->core->inFile(def.error());
    std::vector<IndexCheck> checks;
    for (size_t r = 0; r < (*def)->realIndexes.size(); ++r) {
      IndexCheck check;
      check.index = table::storedIndexName(**def, r);
      if (Status s = table::checkIndex(state_->core, *def, r, check); !s) {
        return state_->core->inFile(s.error().withContext("table " + (*def)->schema.name + ", index " + check.index));
      }
      checks.push_back(std::move(check));
    }
    return checks;
  });
}

}  // namespace ledgerfen
