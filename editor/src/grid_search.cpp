#include "ledgerfen/editor/grid_search.h"

#include <QHBoxLayout>
#include <QKeyEvent>

namespace ledgerfen::editor {

FindBar::FindBar(QWidget* parent)
    : QWidget(parent),
      text_(new QLineEdit(this)),
      column_(new QComboBox(this)),
      matchCase_(new QCheckBox(QStringLiteral("Match case"), this)),
      wholeCell_(new QCheckBox(QStringLiteral("Whole cell"), this)),
      next_(new QPushButton(QStringLiteral("Find Next"), this)),
      note_(new QLabel(this)),
      close_(new QToolButton(this)) {
  setObjectName(QStringLiteral("FindBar"));
  setAutoFillBackground(true);
  QPalette shade = palette();
  shade.setColor(QPalette::Window, QColor(0xF0, 0xF0, 0xF0));
  setPalette(shade);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->setSpacing(6);
  layout->addWidget(new QLabel(QStringLiteral("Find:"), this));
  text_->setObjectName(QStringLiteral("FindText"));
  text_->setToolTip(
      QStringLiteral("Enter or F3 finds the next cell whose text holds this; Esc stops a search or "
                     "closes the bar."));
  layout->addWidget(text_, 2);
  layout->addWidget(new QLabel(QStringLiteral("in"), this));
  column_->setObjectName(QStringLiteral("FindColumn"));
  column_->addItem(QStringLiteral("All columns"));
  layout->addWidget(column_);
  layout->addWidget(matchCase_);
  layout->addWidget(wholeCell_);
  next_->setObjectName(QStringLiteral("FindNext"));
  next_->setAutoDefault(false);
  layout->addWidget(next_);
  note_->setObjectName(QStringLiteral("FindNote"));
  layout->addWidget(note_, 3);
  close_->setText(QString::fromUtf8("\u2715"));
  close_->setToolTip(QStringLiteral("Close the find bar (Esc)"));
  close_->setAutoRaise(true);
  layout->addWidget(close_);
  // Tab goes from the grid to the window's buttons; clicks and Ctrl+F reach the bar.
  for (QWidget* control : std::initializer_list<QWidget*>{text_, column_, matchCase_, wholeCell_, next_, close_}) {
    control->setFocusPolicy(Qt::ClickFocus);
  }
  connect(text_, &QLineEdit::returnPressed, this, &FindBar::findNext);
  connect(next_, &QPushButton::clicked, this, &FindBar::findNext);
  connect(close_, &QToolButton::clicked, this, &FindBar::closeClicked);
}

void FindBar::setColumns(const QStringList& names) {
  column_->clear();
  column_->addItem(QStringLiteral("All columns"));
  column_->addItems(names);
}

data::SearchQuery FindBar::query() const {
  data::SearchQuery query;
  query.text = text_->text().toStdString();
  if (column_->currentIndex() > 0) query.column = size_t(column_->currentIndex() - 1);
  query.matchCase = matchCase_->isChecked();
  query.wholeCell = wholeCell_->isChecked();
  return query;
}

void FindBar::setNote(const QString& note) {
  note_->setText(note);
}

void FindBar::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    emit escapePressed();
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_F3) {
    emit findNext();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void GridSearch::bind(GridModel* model) {
  stop();
  model_ = model;
  matching_.reset();
}

void GridSearch::stop() {
  task_.stop();
  progress_ = 0;
}

void GridSearch::findNext(const data::SearchQuery& query, int row, int column) {
  stop();
  if (!model_ || query.text.empty()) return;
  data::RecordSet& records = model_->records();
  const ViewRows& view = model_->view();
  const int rows = model_->recordRows();
  if (rows == 0) {
    emit notFound();
    return;
  }
  if (row < 0 || row >= rows || !model_->isRowKnown(row)) {
    row = 0;
    column = -1;
  }
  const data::ReaderSource source = records.readerSource();
  const uint64_t generation = source.gate->generation();
  data::MatchingRows matching;
  if (matching_ && query == matchingQuery_ && generation == matchingGeneration_) matching = matching_;
  const ViewRows::Order viewAtStart = view.order();

  std::function<Result<std::optional<data::SearchHit>>(const data::WorkControl&, data::MatchingRows&)> search;
  if (view.isTableOrder()) {
    data::TableOrderRows order;
    order.added = records.addedRows();
    order.baseRows = records.recordCount() - int64_t(order.added.size());
    order.start = model_->recordIdAt(row);
    if (!order.start) {
      emit failed(QStringLiteral("The row the search starts from cannot be read."));
      return;
    }
    search = [source, query, order, row, column](const data::WorkControl& control, data::MatchingRows&) {
      return data::searchTableOrder(source, query, order, row, column, control);
    };
  } else {
    if (!view.isComplete()) {
      emit failed(QStringLiteral("The sorted order is still being read: search again in a moment."));
      return;
    }
    auto ids = std::make_shared<const std::vector<RowId>>(view.listedIds());
    search = [source, query, ids, row, column](const data::WorkControl& control, data::MatchingRows& found) {
      return data::searchRowList(source, query, *ids, row, column, found, control);
    };
  }
  progress_ = 0;
  task_.start([this, search, matching, query, generation, viewAtStart, rows](std::stop_token stop,
                                                                             const BackgroundTask::Post& post) mutable {
    const data::WorkControl control = BackgroundTask::control(stop, post, [this](double done) {
      progress_ = done;
      emit progressChanged();
    });
    auto hit = search(control, matching);
    post([this, hit = std::move(hit), matching, query, generation, viewAtStart, rows] {
      task_.finish();
      progress_ = 0;
      emit progressChanged();
      if (matching) {
        matching_ = matching;
        matchingQuery_ = query;
        matchingGeneration_ = generation;
      }
      if (!hit) {
        if (!data::wasStopped(hit.error())) emit failed(QString::fromStdString(hit.error().message()));
        return;
      }
      if (model_->view().order() != viewAtStart || model_->recordRows() != rows) {
        emit failed(QStringLiteral("The rows moved while the search ran: search again."));
        return;
      }
      if (!hit->has_value()) {
        emit notFound();
        return;
      }
      emit found(int((*hit)->row), int((*hit)->column), (*hit)->wrapped);
    });
  });
  emit progressChanged();
}

}  // namespace ledgerfen::editor
