// Cells as the clipboard carries them between the grid and other programs.
//
// Text: cells separated by tabs, rows by line ends (CR LF, as spreadsheets
// write them; LF and CR alone are read too). A cell that holds a tab, a line
// end or a double quote at its start is written between double quotes,
// its quotes doubled, as spreadsheets write and read such cells. HTML: a
// table of the same cells, for word processors and spreadsheets that take
// the richer form.
#pragma once

#include <QString>
#include <vector>

namespace ledgerfen::editor {

using CellBlock = std::vector<std::vector<QString>>;

QString cellsAsText(const CellBlock& rows);
QString cellsAsHtml(const CellBlock& rows);
// Reads text in the form above. A last empty line (the line end after the
// last row) is no row; rows shorter than the longest are filled with empty
// cells.
CellBlock cellsFromText(const QString& text);

}  // namespace ledgerfen::editor
