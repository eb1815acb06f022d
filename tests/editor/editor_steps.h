// What the window tests of the table editor do as a person would: start the
// program on a database, open a table, type into cells, leave rows; and how
// they look at the outcome: the grid's texts, the rows on file, and whether
// mdb-reader reads the file as the engine does.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <sstream>
#include <string>
#include <vector>

#include "canonical/canonical_dump.h"
#include "harness.h"
#include "ledgerfen/database.h"
#include "ledgerfen/editor/data_grid.h"
#include "ledgerfen/editor/table_editor_window.h"
#include "support/oracles.h"

namespace ledgerfen::test {

// mdb-reader's Table1: A (text key), B text, C byte, D integer, E long,
// F double, G date, H currency, I Yes/No; rows "a" and "abcdefg".
inline constexpr const char* kTypesFile = "mdb-reader/data/V2010/test.accdb";

// Starts the program on `path` and opens `table` from the table page. The
// editor opens its file for writing: tests give it a copy of a fixture, in
// a folder declared before the harness so that it outlives the program.
inline editor::TableEditorWindow& openEditor(Harness& h, const std::string& path, const std::string& table) {
  h.settings.preset("Database", path);
  h.start();
  if (!h.tablePage()) qFatal("the table page did not open");
  QListWidget* list = h.tablePage()->tableList();
  const auto found = list->findItems(QString::fromStdString(table), Qt::MatchExactly);
  if (found.isEmpty()) qFatal("no such table");
  list->setCurrentItem(found.front());
  h.tablePage()->nextButton()->click();
  if (!h.tableEditor()) qFatal("the editor did not open");
  return *h.tableEditor();
}

inline QLineEdit* openCellEditor(editor::DataGrid& grid) {
  for (QLineEdit* e : grid.viewport()->findChildren<QLineEdit*>()) {
    if (!e->isHidden()) return e;
  }
  return nullptr;
}

// Types `text` into a cell as a person does: open the cell, type, Enter.
inline void typeInto(editor::DataGrid& grid, int row, int column, const QString& text) {
  const QModelIndex cell = grid.model()->index(row, column);
  grid.setCurrentIndex(cell);
  grid.edit(cell);
  QLineEdit* editor = openCellEditor(grid);
  QVERIFY2(editor, "no editor opened");
  editor->selectAll();
  editor->insert(text);
  QTest::keyClick(editor, Qt::Key_Return);
  QApplication::processEvents();  // the delegate hands the text over when events run
}

inline void leaveRow(editor::DataGrid& grid, int toRow) {
  grid.setCurrentIndex(grid.model()->index(toRow, std::max(grid.currentIndex().column(), 0)));
  QApplication::processEvents();  // a refusal is told once the move is over
}

inline QString shown(editor::DataGrid& grid, int row, int column) {
  return grid.model()->index(row, column).data().toString();
}

inline QString rowMark(editor::DataGrid& grid, int row) {
  return grid.model()->headerData(row, Qt::Vertical, Qt::DisplayRole).toString();
}

inline std::vector<Row> rowsOnFile(const std::string& path, const std::string& table) {
  auto db = Database::open(path);
  if (!db) qFatal("%s", db.error().message().c_str());
  auto cursor = (*db)->table(table)->scan();
  std::vector<Row> rows;
  Row row;
  while (cursor->next(row).value()) rows.push_back(row);
  return rows;
}

// mdb-reader reads the file as our engine does.
inline void expectOracleAgrees(const std::string& path) {
  auto db = Database::open(path);
  QVERIFY(db.ok());
  std::ostringstream dump;
  QVERIFY(canonical::writeCanonicalDump(**db, dump).ok());
  test::OracleVerdict verdict = test::mdbReaderAgrees(path, "", dump.str());
  if (!verdict.available) {
    qWarning("mdb-reader is not installed; the file was checked with the engine only");
    return;
  }
  QVERIFY2(verdict.agrees, verdict.detail.c_str());
}

}  // namespace ledgerfen::test
