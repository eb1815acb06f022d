#include "command_fakes.h"

namespace ledgerfen::test {
namespace {

class FakeWorkbook final : public exporting::SpreadsheetWorkbook {
 public:
  FakeWorkbook(FakeSpreadsheet& program, std::shared_ptr<FakeSpreadsheet::Workbook> book)
      : program_(program), book_(std::move(book)) {}

  Status setCell(int32_t row, int32_t column, std::string_view text, exporting::ColumnKind kind) override {
    LF_RETURN_IF_ERROR(program_.call("setCell"));
    const size_t limit = size_t(program_.cellTextLimit);
    book_->cells[{row, column}] = std::string(text.substr(0, limit));
    book_->kinds[{row, column}] = kind;
    if (text.size() > limit) return Error(ErrorKind::Constraint, "cut");
    return okStatus();
  }
  Status autoFitColumns() override {
    LF_RETURN_IF_ERROR(program_.call("autoFit"));
    ++book_->fits;
    return okStatus();
  }
  int32_t lastRow() const override { return program_.lastRow; }
  int32_t cellTextLimit() const override { return program_.cellTextLimit; }

 private:
  FakeSpreadsheet& program_;
  std::shared_ptr<FakeSpreadsheet::Workbook> book_;
};

class FakeApplication final : public exporting::SpreadsheetApplication {
 public:
  explicit FakeApplication(FakeSpreadsheet& program) : program_(program) {}

  Result<exporting::SpreadsheetWorkbook*> addWorkbook() override {
    LF_RETURN_IF_ERROR(program_.call("addWorkbook"));
    program_.workbooks.push_back(std::make_shared<FakeSpreadsheet::Workbook>());
    books_.push_back(std::make_unique<FakeWorkbook>(program_, program_.workbooks.back()));
    return static_cast<exporting::SpreadsheetWorkbook*>(books_.back().get());
  }
  Status show() override {
    LF_RETURN_IF_ERROR(program_.call("show"));
    ++program_.applicationsShown;
    return okStatus();
  }
  Status quit() override { return program_.call("quit"); }

 private:
  FakeSpreadsheet& program_;
  std::vector<std::unique_ptr<FakeWorkbook>> books_;
};

}  // namespace

std::string FakeSaveDialogs::getSaveFileName(const exporting::SaveFileRequest& request) {
  requests.push_back(request);
  if (answers.empty()) return {};
  std::string answer = answers.front();
  answers.pop_front();
  return answer;
}

std::vector<std::string> RecordedMessageBoxes::texts() const {
  std::vector<std::string> out;
  for (const auto& request : shown) out.push_back(request.text);
  return out;
}

void FakeSpreadsheet::failAt(const std::string& operation, int call, bool fromThenOn) {
  failures_[operation] = {call, fromThenOn};
}

Status FakeSpreadsheet::call(const std::string& operation) {
  const int n = ++calls_[operation];
  ++operations_;
  log.push_back(operation);
  if (goneAfter_ >= 0 && operations_ > goneAfter_) {
    return Error(ErrorKind::Io, "The spreadsheet program has gone away.");
  }
  if (auto it = failures_.find(operation); it != failures_.end()) {
    const auto [at, fromThenOn] = it->second;
    if (n == at || (fromThenOn && n >= at)) return Error(ErrorKind::Io, operation + " failed");
  }
  return okStatus();
}

Result<std::unique_ptr<exporting::SpreadsheetApplication>> FakeSpreadsheet::createApplication() {
  LF_RETURN_IF_ERROR(call("create"));
  return std::unique_ptr<exporting::SpreadsheetApplication>(new FakeApplication(*this));
}

}  // namespace ledgerfen::test
