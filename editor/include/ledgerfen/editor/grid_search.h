// The grid's Find: the find bar (the text, one column or all, case, whole
// cells) and the search behind it, which looks for the next matching cell
// after the current one in the background (row_search.h), in the order the
// grid shows, and hands back where it is. The rows that match anywhere,
// found when a search had to read the whole table, are kept for the next
// search of the same text while the file is unchanged.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

#include "ledgerfen/data/row_search.h"
#include "ledgerfen/editor/background_task.h"
#include "ledgerfen/editor/grid_model.h"

namespace ledgerfen::editor {

class FindBar final : public QWidget {
  Q_OBJECT

 public:
  explicit FindBar(QWidget* parent = nullptr);

  // The columns offered besides "All columns".
  void setColumns(const QStringList& names);
  data::SearchQuery query() const;
  // Shows a short note (what was found, how far the search is).
  void setNote(const QString& note);
  QString note() const { return note_->text(); }

  QLineEdit* textBox() const { return text_; }
  QComboBox* columnBox() const { return column_; }
  QCheckBox* matchCaseBox() const { return matchCase_; }
  QCheckBox* wholeCellBox() const { return wholeCell_; }
  QPushButton* nextButton() const { return next_; }

 signals:
  void findNext();
  // Esc in the bar.
  void escapePressed();
  void closeClicked();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QLineEdit* text_;
  QComboBox* column_;
  QCheckBox* matchCase_;
  QCheckBox* wholeCell_;
  QPushButton* next_;
  QLabel* note_;
  QToolButton* close_;
};

class GridSearch final : public QObject {
  Q_OBJECT

 public:
  explicit GridSearch(QObject* parent = nullptr) : QObject(parent) {}

  void bind(GridModel* model);
  // Looks for the next match after the cell (row, column) of the grid's
  // rows; column -1 lets the row's first cell match too.
  void findNext(const data::SearchQuery& query, int row, int column);
  bool busy() const { return task_.running(); }
  double progress() const { return progress_; }
  void stop();

 signals:
  void found(int row, int column, bool wrapped);
  void notFound();
  void failed(const QString& message);
  void progressChanged();

 private:
  GridModel* model_ = nullptr;
  BackgroundTask task_;
  double progress_ = 0;
  // The rows that match anywhere, for the query and file state they were found for.
  data::MatchingRows matching_;
  data::SearchQuery matchingQuery_;
  uint64_t matchingGeneration_ = 0;
};

}  // namespace ledgerfen::editor
