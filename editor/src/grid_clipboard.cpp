#include "ledgerfen/editor/grid_clipboard.h"

#include <algorithm>

namespace ledgerfen::editor {
namespace {

QString quotedIfNeeded(const QString& cell) {
  const bool needs = cell.contains('\t') || cell.contains('\n') || cell.contains('\r') || cell.startsWith('"');
  if (!needs) return cell;
  QString quoted = cell;
  quoted.replace('"', QStringLiteral("\"\""));
  return '"' + quoted + '"';
}

}  // namespace

QString cellsAsText(const CellBlock& rows) {
  QString text;
  for (const std::vector<QString>& row : rows) {
    for (size_t c = 0; c < row.size(); ++c) {
      if (c > 0) text += '\t';
      text += quotedIfNeeded(row[c]);
    }
    text += QStringLiteral("\r\n");
  }
  return text;
}

QString cellsAsHtml(const CellBlock& rows) {
  QString html = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body><table>");
  for (const std::vector<QString>& row : rows) {
    html += QStringLiteral("<tr>");
    for (const QString& cell : row) {
      QString shown = cell.toHtmlEscaped();
      shown.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
      shown.replace('\n', QStringLiteral("<br>"));
      html += QStringLiteral("<td>") + shown + QStringLiteral("</td>");
    }
    html += QStringLiteral("</tr>");
  }
  return html + QStringLiteral("</table></body></html>");
}

CellBlock cellsFromText(const QString& text) {
  CellBlock rows(1);
  QString cell;
  bool quoted = false;    // inside a quoted cell
  bool cellStart = true;  // nothing of the cell read yet
  const auto endCell = [&] {
    rows.back().push_back(cell);
    cell.clear();
    cellStart = true;
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar ch = text[i];
    if (quoted) {
      if (ch == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          cell += '"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        cell += ch;
      }
      continue;
    }
    if (ch == '"' && cellStart) {
      quoted = true;
      cellStart = false;
    } else if (ch == '\t') {
      endCell();
    } else if (ch == '\r' || ch == '\n') {
      if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      endCell();
      rows.emplace_back();
    } else {
      cell += ch;
      cellStart = false;
    }
  }
  if (!cellStart || !cell.isEmpty() || !rows.back().empty()) endCell();
  // The line end after the last row starts no row of its own.
  if (!rows.empty() && rows.back().empty()) rows.pop_back();
  size_t widest = 0;
  for (const auto& row : rows) widest = std::max(widest, row.size());
  for (auto& row : rows) row.resize(widest);
  return rows;
}

}  // namespace ledgerfen::editor
