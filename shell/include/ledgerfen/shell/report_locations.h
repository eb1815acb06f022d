// Where the error reports of the windows say a failure happened:
// "in <program>.<window>.<handler> ", then the step's number. The names are
// those the reports have always shown, so that a screenshot sent to support
// reads like every earlier one; they are data, and name nothing in the code.
// One table per window; the table editor's also holds the commands of its
// export menu.
#pragma once

#include <string_view>

namespace ledgerfen::shell {

struct ReportLocation {
  std::string_view program = "Ledgerfen2020/08/02";
  std::string_view window;
  std::string_view handler;
};

struct DatabasePageReports {
  ReportLocation load{.window = "Form1", .handler = "Form_Load"};
  ReportLocation loadSample{.window = "Form1", .handler = "PushButton1_Click"};
  ReportLocation next{.window = "Form1", .handler = "PushButton3_Click"};
  ReportLocation browse{.window = "Form1", .handler = "PushButton6_Click"};
};

struct TablePageReports {
  ReportLocation load{.window = "Form2", .handler = "Form_Load"};
  ReportLocation back{.window = "Form2", .handler = "PushButton2_Click"};
  // Opening the chosen table in the table editor.
  ReportLocation next{.window = "Form2", .handler = "PushButton3_Click"};
};

struct TableEditorReports {
  ReportLocation load{.window = "Form3", .handler = "Form_Load"};
  ReportLocation back{.window = "Form3", .handler = "PushButton1_Click"};
  ReportLocation help{.window = "Form3", .handler = "PushButton4_Click"};
  ReportLocation exportMenu{.window = "Form3", .handler = "PushButton6_Click"};
  ReportLocation quit{.window = "Form3", .handler = "PushButton3_Click"};
  ReportLocation exportTxt{.window = "Form3", .handler = "mnuTXT_Click"};
  ReportLocation exportCsv{.window = "Form3", .handler = "mnuCSV_Click"};
  ReportLocation exportXml{.window = "Form3", .handler = "mnuXML_Click"};
  ReportLocation exportPdf{.window = "Form3", .handler = "mnuPDF_Click"};
  // The spreadsheet export has always reported under the bare program name.
  ReportLocation exportXls{.program = "Ledgerfen", .window = "Form3", .handler = "mnuXLS_Click"};
};

inline constexpr DatabasePageReports kDatabasePageReports{};
inline constexpr TablePageReports kTablePageReports{};
inline constexpr TableEditorReports kTableEditorReports{};

}  // namespace ledgerfen::shell
