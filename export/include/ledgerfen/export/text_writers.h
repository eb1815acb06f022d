// The table writers: a table as the editor's grid shows it, written as
// comma-separated values (writeCsv), tab-separated text (writeTxt) or a
// flat XML document (writeXml). Each writer reads the grid through the grid
// reader only: every caption and cell text exactly as the grid shows it, in
// its column order and row order. It hands the text to the file in pieces
// as it goes, so a table of any size takes a fixed amount of memory; the
// file takes effect only once the last piece is in (ByteSink::finish), so
// a failure to read the grid leaves the target as it was. Reading moves the
// grid: afterwards its current row is the last one.
//
// Every line ends in CR LF, and the file ends with one more CR LF after the
// text. Text is written in the code set of text_encoding.h.
//
//   CSV  every field between double quotes, a double quote inside a field
//        doubled; fields separated by commas; the captions on the first line.
//   TXT  every field followed by a TAB (the last one too); the captions on
//        the first line; nothing quoted.
//   XML  "<xml>", then for each row "<row>", one line per column
//        "<Caption>text</Caption>", and "</row>"; last "</xml>". No
//        declaration, no attributes, no indentation. In text "&", "<" and
//        ">" are written as "&amp;", "&lt;" and "&gt;", and CR as "&#13;"
//        (readers would take it for LF); a character that an element name
//        cannot hold is written as _xHHHH_ (see xmlElementName), and so is
//        a character that XML cannot hold at all, and the underscore of a
//        text that would read as such an escape (_x005F_): a reader that
//        reads the escapes gets every text back exactly. In a code set
//        other than UTF-8 the document is ASCII: characters beyond it are
//        references (&#xHHHH;) in text and escapes in names, since a
//        document without a declaration is read as UTF-8.
//
// The writers keep nothing between calls; a failure of the grid or of the
// file comes back as the error, with nothing written.
#pragma once

#include <string>
#include <string_view>

#include "ledgerfen/export/byte_sink.h"
#include "ledgerfen/export/grid_reader.h"
#include "ledgerfen/export/text_encoding.h"
#include "ledgerfen/status.h"

namespace ledgerfen::exporting {

enum class TextFormat { Csv, Txt, Xml };

Status writeCsv(GridReader& grid, ByteSink& file, const TextEncoding& encoding);
Status writeTxt(GridReader& grid, ByteSink& file, const TextEncoding& encoding);
Status writeXml(GridReader& grid, ByteSink& file, const TextEncoding& encoding);

// The writers as the save commands and the PDF export call them: the grid
// and the target path, used exactly as given (no extension is added); the
// file is replaced atomically and written in the user's locale's code set.
Status writeCsv(GridReader& grid, const std::string& path);
Status writeTxt(GridReader& grid, const std::string& path);
Status writeXml(GridReader& grid, const std::string& path);

Status writeTable(TextFormat format, GridReader& grid, ByteSink& file, const TextEncoding& encoding);

// A caption as an XML element name. Characters a name may hold stay as
// they are; any other character, and a colon (which namespace-aware readers
// take for a prefix), is written as "_x" + four upper-case hex digits of its
// UTF-16 code + "_" (eight digits above U+FFFF). An underscore that would
// read as the start of such an escape is itself written as _x005F_. So
// "Order Date" becomes "Order_x0020_Date" and "2nd" becomes "_x0032_nd".
// With `asciiOnly`, every character beyond ASCII is escaped too.
std::string xmlElementName(std::string_view caption, bool asciiOnly = false);

}  // namespace ledgerfen::exporting
