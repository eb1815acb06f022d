#include "ledgerfen/editor/table_editor_opener.h"

#include <QLabel>
#include <QListWidget>

#include "ledgerfen/data/record_set.h"
#include "ledgerfen/shell/report_locations.h"

namespace ledgerfen::editor {
namespace {

constexpr const char* kNothingSelected = "Please select a table";

}  // namespace

void TableEditorOpener::openChosenTable(shell::TablePage& page) {
  shell::TrappedHandler h(window_.errors, shell::kTablePageReports.next);
  std::shared_ptr<data::Connection> connection;
  std::shared_ptr<data::RecordSet> records;
  auto made = [&]() -> Result<data::Connection*> {
    if (!connection) return Error(ErrorKind::InvalidArgument, "no connection could be made to the database");
    return connection.get();
  };

  h.step(100, [&]() -> Status {
    data::NewConnection created = engine_.createConnection();
    if (!created.ok()) return created.error();
    connection = std::move(created.connection);
    return okStatus();
  });
  h.step(102, [&] { records = std::make_shared<data::RecordSet>(); });
  if (h.test(104, [&] { return page.tableList()->currentRow() == -1; })) {
    h.step(132, [&] { window_.messages.show(kNothingSelected); });
    return;
  }
  h.step(106, [&] { page.pointer().setMousePointer(shell::WindowPointer::kBusy); });
  h.step(108, [&]() -> Status {
    LF_ASSIGN_OR_RETURN(data::Connection * c, made());
    c->setMode(data::ConnectMode::ReadWrite);
    return okStatus();
  });
  h.step(110, [&]() -> Status {
    LF_ASSIGN_OR_RETURN(data::Connection * c, made());
    // The record set the editor shows may hold this very file for writing;
    // it goes first, or the new connection could only read.
    editor_().grid()->setDataSource(nullptr);
    return c->open(data::buildConnectionString(fields_.databasePath(), fields_.databasePassword()));
  });
  h.step(112, [&] {
    QListWidgetItem* chosen = page.tableList()->currentItem();
    currentTableName_ = chosen ? chosen->text().toStdString() : std::string();
  });
  h.step(114, [&] { editor_().showPage(); });
  h.step(116, [&] {
    editor_().tableLabel()->setText(QString::fromUtf8(TableEditorWindow::kEditingLabel) +
                                    QString::fromStdString(currentTableName_));
  });
  h.step(118, [&] { editor_().grid()->setDataSource(nullptr); });
  // Without a connection this step reports so, as the steps before it did.
  h.step(120, [&] { return made(); });
  h.step(122, [&] { return records->open(data::sourceForTable(currentTableName_), connection); });
  h.step(124, [&]() -> Status {
    if (!records->isOpen()) return Error(ErrorKind::InvalidArgument, "the grid cannot show the table: it is not open");
    editor_().grid()->setDataSource(records);
    return okStatus();
  });
  h.step(126, [&] { editor_().grid()->setFocus(); });
  h.step(128, [&] { page.hide(); });
  h.step(130, [&] { page.pointer().setMousePointer(shell::WindowPointer::kDefault); });
}

}  // namespace ledgerfen::editor
