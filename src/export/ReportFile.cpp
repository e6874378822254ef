#include "export/ReportFile.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "export/OutputFile.h"
#include "platform/Platform.h"
#include "reports/ReportColumns.h"

namespace kv {

namespace {


std::vector<int> VisibleColumns(const TReportTable& table) {
  std::vector<int> columns;
  for (size_t i = 0; i < table.Titles.size(); ++i)
    if (i >= table.Visible.size() || table.Visible[i]) columns.push_back(static_cast<int>(i));
  return columns;
}

template <class Body>
TFileResult WriteFile(const std::string& path, Body&& body) {
  TOutputFile file;
  if (TFileResult opened = file.Open(path, TOutputFile::TContent::Text); !opened) return opened;
  body(file);
  return file.Close();
}

std::string Text(const TTranslate& translate, std::string_view id) {
  return translate ? translate(id) : std::string(id);
}

std::vector<std::string> Titles(const std::vector<TColumnSpec>& columns, const TTranslate& translate) {
  std::vector<std::string> titles;
  titles.reserve(columns.size());
  for (const TColumnSpec& column : columns) titles.push_back(Text(translate, column.HeaderId));
  return titles;
}

// A report's table without its cells: titles, visible columns, row count.
TReportTable TableOf(const std::vector<TColumnSpec>& columns, std::vector<bool> visible, size_t rowCount,
                     const TTranslate& translate) {
  TReportTable table;
  table.Titles = Titles(columns, translate);
  table.Visible = std::move(visible);
  table.RowCount = rowCount;
  return table;
}

}  // namespace

TFileResult WriteReportText(const TReportTable& table, const TReportHead& head, const std::string& path) {
  return WriteFile(path, [&](TOutputFile& file) {
    file.Put("Report type: ");
    file.PutText(head.ReportType);
    file.Put(Eol);
    file.Put("Folder: ");
    file.PutText(head.Folder);
    file.Put(Eol);
    file.Put(Eol);
    const std::vector<int> columns = VisibleColumns(table);
    std::vector<size_t> widths;
    for (const int column : columns) widths.push_back(Utf8CharCount(table.Titles[static_cast<size_t>(column)]));
    // Each cell's text is worked out twice, for the column widths and then
    // for the file: keeping a million rows' texts for the second pass took
    // longer, in fresh memory pages, than making them again.
    for (size_t row = 0; row < table.RowCount; ++row)
      for (size_t i = 0; i < columns.size(); ++i)
        widths[i] = std::max(widths[i], Utf8CharCount(table.CellText(row, columns[i])));
    for (size_t& width : widths) width += 3;
    for (size_t i = 0; i < columns.size(); ++i)
      file.PutPadded(table.Titles[static_cast<size_t>(columns[i])], widths[i]);
    file.Put(Eol);
    for (size_t row = 0; row < table.RowCount && !file.Failed(); ++row) {
      for (size_t i = 0; i < columns.size(); ++i) file.PutPadded(table.CellText(row, columns[i]), widths[i]);
      file.Put(Eol);
    }
  });
}

TFileResult WriteReportCsv(const TReportTable& table, const TReportHead& head, const std::string& path) {
  return WriteFile(path, [&](TOutputFile& file) {
    file.Put("\"Report type:\";");
    file.PutCsvField(head.ReportType);
    file.Put(Eol);
    file.Put("\"Folder:\";");
    file.PutCsvField(head.Folder);
    file.Put(Eol);
    file.Put(Eol);
    const std::vector<int> columns = VisibleColumns(table);
    auto line = [&](auto&& textOf) {
      for (size_t i = 0; i < columns.size(); ++i) {
        if (i > 0) file.Put(";");
        file.PutCsvField(textOf(columns[i]));
      }
      file.Put(Eol);
    };
    line([&](int column) -> const std::string& { return table.Titles[static_cast<size_t>(column)]; });
    for (size_t row = 0; row < table.RowCount && !file.Failed(); ++row)
      line([&](int column) { return table.CellText(row, column); });
  });
}

TFileResult WriteReportHtml(const TReportTable& table, const TReportHead& head, const std::string& path) {
  return WriteFile(path, [&](TOutputFile& file) {
    file.Put("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=");
    file.PutCharset();
    file.Put("\"><title>");
    file.PutHtml(head.TitleTime);
    file.Put("</title>");
    file.Put(HtmlStyleBlock);
    file.Put("</head><body>");
    file.Put("<b>Report type:</b>");
    file.PutHtml(head.ReportType);
    file.Put("<br/>");
    file.Put("<b>Folder:</b>");
    file.PutHtml(head.Folder);
    file.Put("<br/><br/>");
    const std::vector<int> columns = VisibleColumns(table);
    file.Put("<table><tr>");
    for (const int column : columns) {
      file.Put("<td><b>");
      file.PutHtml(table.Titles[static_cast<size_t>(column)]);
      file.Put("</b></td>");
    }
    file.Put("</tr>");
    for (size_t row = 0; row < table.RowCount && !file.Failed(); ++row) {
      file.Put("<tr>");
      for (const int column : columns) {
        file.Put("<td>");
        file.PutHtml(table.CellText(row, column));
        file.Put("</td>");
      }
      file.Put("</tr>");
    }
    file.Put("</table>");
    file.Put("</body></html>");
  });
}

std::string ReportTypeText(TReportKind kind, const TTranslate& translate) {
  return Text(translate, ReportKindInfo(kind).TextId);
}

TReportTable ListingReportTable(const TListingRows& rows, TReportKind kind, std::vector<bool> visible,
                                const TSizeFormat& format, const TTranslate& translate) {
  TReportTable table = TableOf(FilesColumns(), std::move(visible), rows.size(), translate);
  table.CellText = [&rows, kind, format](size_t row, int column) {
    return FilesCellText(*rows[row], rows.PercentOf(*rows[row]), column, kind, format);
  };
  return table;
}

TReportTable AggregateReportTable(const TAggregateRows& rows, std::vector<bool> visible,
                                  const TSizeFormat& format, const TTranslate& translate) {
  TReportTable table = TableOf(ExtensionsColumns(), std::move(visible), rows.size(), translate);
  table.CellText = [&rows, format](size_t row, int column) {
    return ExtensionsCellText(*rows[row], column, format);
  };
  return table;
}

TReportTable ChangesReportTable(const std::vector<TChangeRow>& rows, std::vector<bool> visible,
                                const TSizeFormat& format, const TTranslate& translate) {
  TReportTable table = TableOf(ChangesColumns(), std::move(visible), rows.size(), translate);
  table.CellText = [&rows, format, translate](size_t row, int column) {
    return ChangesCellText(rows[row], column, format, translate);
  };
  return table;
}

}  // namespace kv
