// The grid's column header, which also holds what belongs above and below
// the column titles inside the grid's own frame: strips across the whole
// width above them (the notice of a table that can only be viewed, the find
// bar), and under each title the column's filter box. The grid keeps its
// place in the window; its header grows by what it shows.
//
// A click on a title sorts (the grid connects sectionClicked); the sort
// indicator shows the column and direction. A filter box hands its text on
// when Enter is pressed, or after a short pause in typing.
#pragma once

#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <vector>

namespace ledgerfen::editor {

class GridHeader final : public QHeaderView {
  Q_OBJECT

 public:
  // The pause in typing after which a filter box's text is taken.
  static constexpr int kFilterPauseMs = 600;

  explicit GridHeader(QWidget* parent = nullptr);

  // Adds a strip shown above the titles at its height for the header's
  // width; a hidden strip takes no room.
  void addStrip(QWidget* strip);
  // Makes one filter box per column (none when 0), all empty.
  void setFilterColumns(int count);
  QLineEdit* filterBox(int column) const;
  // Marks a box whose text is no condition (`error` non-empty) or clears the mark.
  void markFilter(int column, const QString& error);
  // Places the strips and boxes again (after the columns moved or scrolled).
  void placeWidgets();

  QSize sizeHint() const override;

 signals:
  void filterTyped(int column, const QString& text);

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int stripsHeight() const;
  int titleHeight() const;
  int filterHeight() const;
  void takeFilter(int column);

  std::vector<QPointer<QWidget>> strips_;
  std::vector<QLineEdit*> boxes_;
  std::vector<QTimer*> pauses_;
};

}  // namespace ledgerfen::editor
