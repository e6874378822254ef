#include "export/TreeReport.h"

#include <ctime>
#include <string_view>
#include <vector>

#include "export/OutputFile.h"
#include "platform/Platform.h"
#include "model/NodeData.h"
#include "model/SizeTree.h"

namespace kv {

namespace {

// What both formats share: the size texts and the depth-first walk.
class TTreeReportWriter {
 public:
  TTreeReportWriter(const TSizeTree& tree, TOutputFile& file, const TSizeFormat& format,
                    const TTreeReportOptions& options)
      : Tree_(tree),
        File_(file),
        WithFiles_(options.WithFiles),
        Type_(format.Type),
        Unit_(format.Unit),
        Separator_(DecimalSeparatorText(*format.Locale)) {}
  TTreeReportWriter(const TTreeReportWriter&) = delete;
  TTreeReportWriter& operator=(const TTreeReportWriter&) = delete;
  virtual ~TTreeReportWriter() = default;

  // Pre-order from the hidden root, children in display order. Without
  // recursion: trees can be deeper than a stack.
  void WriteSections() {
    struct TFrame {
      const TFolderNode* Node;
      size_t NextChild;
      size_t ParentPathLength;
      std::string Number;
    };
    std::string nodePath;  // with its trailing separator; empty for the hidden root
    Section(*Tree_.Root(), nodePath, {});
    std::vector<TFrame> stack;
    stack.push_back({Tree_.Root(), 0, 0, {}});
    while (!stack.empty() && !File_.Failed()) {
      TFrame& top = stack.back();
      if (top.NextChild >= top.Node->ChildCount()) {
        nodePath.resize(top.ParentPathLength);
        stack.pop_back();
        continue;
      }
      const size_t position = top.NextChild++;
      const TFolderNode* node = top.Node->Child(position);
      std::string number = NeedsNumbers() ? ChildNumber(position, top.Number) : std::string();
      const size_t parentLength = nodePath.size();
      // A tree may hold subtrees of both platforms; each keeps its separators.
      if (top.Node->IsHiddenRoot()) Style_ = NodeStyle(node);
      AppendComponent(nodePath, node->Data()->Name.View(), Style_);
      Section(*node, nodePath, number);
      stack.push_back({node, 0, parentLength, std::move(number)});
    }
  }

 protected:
  virtual bool NeedsNumbers() const = 0;
  virtual void Section(const TFolderNode& node, std::string_view nodePath, std::string_view number) = 0;

  // Positions from the folder up to its top-level folder, joined with "_" so
  // that no two folders share a number.
  static std::string ChildNumber(size_t position, std::string_view parentNumber) {
    std::string number = std::to_string(position);
    if (!parentNumber.empty()) number.append("_").append(parentNumber);
    return number;
  }

  const std::string& SizeText(int64_t size) {
    Size_.clear();
    AppendFormattedSize(Size_, size, Unit_, Separator_);
    return Size_;
  }

  const TSizeTree& Tree_;
  TOutputFile& File_;
  const bool WithFiles_;
  const TSizeType Type_;

 private:
  TPathStyle Style_ = NativePathStyle();
  const TSizeUnit Unit_;
  const std::string Separator_;
  std::string Size_;
};

class THtmlWriter final : public TTreeReportWriter {
 public:
  using TTreeReportWriter::TTreeReportWriter;

  void Write(std::string_view titleTime) {
    File_.Put("<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=");
    File_.PutCharset();
    File_.Put("\">\r\n<title>List files (");
    File_.PutHtml(titleTime);
    File_.Put(") </title>\r\n");
    File_.Put(HtmlStyleBlock);
    File_.Put(Eol);
    File_.Put("</head>\r\n<body>\r\n");
    File_.Put("<table align=center width=80% border=\"0\" class=\"table2\"><tr><td>\r\n");
    WriteSections();
    File_.KeepTrying();
    File_.Put("</td></tr></table>\r\n</body>\r\n</html>\r\n");
  }

 private:
  bool NeedsNumbers() const override { return true; }

  void Section(const TFolderNode& node, std::string_view nodePath, std::string_view number) override {
    File_.Put("<br>\r\n");
    if (!node.IsHiddenRoot()) {
      File_.Put("<b><a href=\"#foldertitle");
      File_.Put(number);
      File_.Put("\" name=\"folder");
      File_.Put(number);
      File_.Put("\">");
      File_.PutHtml(nodePath);
      File_.Put("</a></b><br>\r\n");
    }
    File_.Put("<table width=\"100%\" border=\"1\">\r\n");
    File_.Put("<tr><td>Name</td><td>Total size</td><td>Size</td></tr>\r\n");
    for (size_t i = 0; i < node.ChildCount(); ++i) {
      const TFolderNodeData& child = *node.Child(i)->Data();
      const std::string childNumber = ChildNumber(i, number);
      File_.Put("<tr><td><a name=\"foldertitle");
      File_.Put(childNumber);
      File_.Put("\" href=\"#folder");
      File_.Put(childNumber);
      File_.Put("\">");
      File_.PutHtml(child.Name.View());
      File_.Put("</a></td><td>");
      File_.PutHtml(SizeText(child.GetSize(Type_)));
      File_.Put("</td><td>");
      File_.PutHtml(SizeText(child.GetOwnSize(Type_)));
      File_.Put("</td></tr>\r\n");
    }
    if (WithFiles_ && !node.IsHiddenRoot()) {
      for (const TFileNodeData* file : node.Data()->Files) {
        File_.Put("<tr><td>");
        File_.PutHtml(file->Name.View());
        File_.Put("</td><td>");
        const std::string& size = SizeText(file->GetSize(Type_));
        File_.PutHtml(size);
        File_.Put("</td><td>");
        File_.PutHtml(size);
        File_.Put("</td></tr>\r\n");
      }
    }
    File_.Put("</table>\r\n");
  }
};

class TCsvWriter final : public TTreeReportWriter {
 public:
  using TTreeReportWriter::TTreeReportWriter;

 private:
  bool NeedsNumbers() const override { return false; }

  void Section(const TFolderNode& node, std::string_view nodePath, std::string_view) override {
    File_.Put("\"Folder:\";");
    File_.PutCsvField(nodePath);
    File_.Put(Eol);
    File_.Put("\"Name\";\"Total size\";\"Size\"\r\n");
    for (size_t i = 0; i < node.ChildCount(); ++i) {
      const TFolderNodeData& child = *node.Child(i)->Data();
      Row(child.Name.View(), child.GetSize(Type_), child.GetOwnSize(Type_));
    }
    if (WithFiles_ && !node.IsHiddenRoot())
      for (const TFileNodeData* file : node.Data()->Files)
        Row(file->Name.View(), file->GetSize(Type_), file->GetSize(Type_));
    File_.Put("\r\n\r\n");
  }

  // Every field is followed by ";", the last one too.
  void Row(std::string_view name, int64_t total, int64_t own) {
    File_.PutCsvField(name);
    File_.Put(";");
    File_.PutCsvField(SizeText(total));
    File_.Put(";");
    File_.PutCsvField(SizeText(own));
    File_.Put(";\r\n");
  }
};

}  // namespace

TFileResult WriteTreeReportHtml(const TSizeTree& tree, const std::string& path, const TSizeFormat& format,
                                const TTreeReportOptions& options) {
  TOutputFile file;
  if (TFileResult opened = file.Open(path, TOutputFile::TContent::Text); !opened) return opened;
  THtmlWriter writer(tree, file, format, options);
  writer.Write(options.TitleTime ? *options.TitleTime : CurrentLocalTimeText());
  return file.Close();
}

TFileResult WriteTreeReportCsv(const TSizeTree& tree, const std::string& path, const TSizeFormat& format,
                               const TTreeReportOptions& options) {
  TOutputFile file;
  if (TFileResult opened = file.Open(path, TOutputFile::TContent::Text); !opened) return opened;
  TCsvWriter writer(tree, file, format, options);
  writer.WriteSections();
  return file.Close();
}

std::string WithDefaultExtension(std::string_view path, std::string_view ext, TPathStyle style) {
  // Windows also takes "/" and a drive's ":" before a name.
  const size_t last = style == TPathStyle::Windows ? path.find_last_of("\\/:") : path.find_last_of('/');
  const std::string_view name = last == std::string_view::npos ? path : path.substr(last + 1);
  std::string result(path);
  if (name.find('.') == std::string_view::npos) result.append(ext);
  return result;
}

std::string CurrentLocalTimeText() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);  // UI thread only
  char text[32] = {};
  if (!local || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local) == 0) return {};
  return text;
}

}  // namespace kv
