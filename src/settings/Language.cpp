#include "settings/Language.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/InputFile.h"
#include "platform/PathStyle.h"
#include "settings/SettingsStore.h"
#include "settings/TextIds.h"

namespace kv {

namespace {

// Blanks and control characters, as the file format trims them.
bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string_view Strip(std::string_view s) {
  while (!s.empty() && IsTrimmed(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsTrimmed(s.back())) s.remove_suffix(1);
  return s;
}

// Lines end at CR LF, lone LF or lone CR; a final terminator opens no empty line.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(text.substr(start, i - start));
      i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string BarsToLineBreaks(std::string_view s) {
  std::string result;
  result.reserve(s.size());
  for (char c : s) {
    if (c == '|')
      result += "\r\n";
    else
      result += c;
  }
  return result;
}

bool EndsWithKvl(std::string_view name) {
  constexpr std::string_view suffix = ".kvl";
  if (name.size() < suffix.size()) return false;
  const std::string_view tail = name.substr(name.size() - suffix.size());
  for (size_t i = 0; i < suffix.size(); ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

}  // namespace

void TLang::LoadFromFile(const std::string& fileName) {
  // Unreadable: no entries rather than half a language.
  TInputText input = ReadInputFile(fileName, LanguageFileLimit);
  Fault_ = input.Fault;
  if (Fault_ != TInputFault::None) return;
  const std::string& bytes = input.Bytes;
  // Editors on Windows often put a byte order mark before UTF-8 text.
  constexpr std::string_view bom = "\xEF\xBB\xBF";
  std::string_view content = bytes;
  if (content.starts_with(bom)) content.remove_prefix(bom.size());
  LoadFromText(FromAnsiCodePage(content));
}

void TLang::LoadFromText(std::string_view text) {
  const std::vector<std::string_view> lines = SplitLines(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.find('=') == std::string_view::npos) continue;

    if (line.find("=[") == std::string_view::npos) {
      const std::string_view entry = Strip(line);
      const size_t eq = entry.find('=');
      Add(std::string(entry.substr(0, eq)), BarsToLineBreaks(entry.substr(eq + 1)));
      continue;
    }

    std::string joined;
    bool closed = false;
    for (; i < lines.size(); ++i) {
      joined += Strip(lines[i]);
      if (lines[i].find(']') != std::string_view::npos) {
        closed = true;
        joined += '|';
        break;
      }
      joined += '|';
    }
    if (!closed) {
      // The end of the file closes the entry, as if the last line ended in "]".
      joined.back() = ']';
      joined += '|';
    }
    const std::string_view entry = Strip(joined);
    const size_t eq = entry.find('=');
    const std::string raw = BarsToLineBreaks(entry.substr(eq + 1));
    const size_t open = raw.find('[');
    const size_t close = raw.find(']');
    // A "]" only in the key, or before the "[", leaves nothing between them.
    std::string textPart;
    if (open != std::string::npos && close != std::string::npos && close > open)
      textPart = raw.substr(open + 1, close - open - 1);
    Add(std::string(entry.substr(0, eq)), std::move(textPart));
  }
}

void TLang::Add(std::string ident, std::string text) {
  Index_.try_emplace(ident, Items_.size());
  Items_.push_back({std::move(ident), std::move(text)});
}

std::string TLang::FindText(std::string_view key) const {
  const auto it = Index_.find(key);
  if (it == Index_.end()) return std::string(NoTranslated);
  return Items_[it->second].Text;
}

TLangList::TLangList(ISettingsStore& store, IFileSystem& fileSystem, std::string folder)
    : Store_(store), FileSystem_(fileSystem) {
  CurrentLanguage_ = ReadRegString(Store_, LanguageKey, "English");
  LoadDirectory(folder);
}

void TLangList::LoadDirectory(const std::string& folder) {
  if (auto dir = FileSystem_.OpenDirectory(folder)) {
    TDirEntry entry;
    while (dir->Next(entry)) {
      if (entry.Name == "." || entry.Name == ".." || entry.IsDirectory()) continue;
      if (!EndsWithKvl(entry.Name)) continue;
      Langs_.emplace_back(folder + entry.Name);
    }
  }
  FindCurrent();
}

void TLangList::SetCurrentLanguage(std::string_view name) {
  CurrentLanguage_ = std::string(name);
  FindCurrent();
  WriteRegString(Store_, LanguageKey, name);
}

void TLangList::FindCurrent() {
  Current_ = -1;
  for (size_t i = 0; i < Langs_.size(); ++i) {
    if (Langs_[i].FindText(LanguageKey) == CurrentLanguage_) {
      Current_ = static_cast<std::ptrdiff_t>(i);
      return;
    }
  }
}

std::string TLangList::Translate(std::string_view id) const {
  if (Current_ < 0) return std::string(NoTranslated);
  return Langs_[static_cast<size_t>(Current_)].FindText(id);
}

std::vector<std::string> TLangList::LanguageNames() const {
  std::vector<std::string> names;
  names.reserve(Langs_.size());
  for (const TLang& lang : Langs_) names.push_back(lang.FindText(LanguageKey));
  return names;
}

int TLangList::SelectedLanguageIndex() const {
  const std::vector<std::string> names = LanguageNames();
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == CurrentLanguage_) return static_cast<int>(i);
  return -1;
}

std::vector<std::string> InputNotices(const ISettingsStore& store, const TLangList& languages) {
  auto withName = [&languages](const char* id, const std::string& name) {
    std::string text = languages.Translate(id);
    if (const size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, name);
    return text;
  };
  std::vector<std::string> notices;
  if (const std::optional<std::string> file = store.UnusableFile()) notices.push_back(withName(IdSettingsFileKept, *file));
  for (const TLang& lang : languages.Langs()) {
    if (lang.Fault() == TInputFault::NotRegular) notices.push_back(withName(IdNotRegularFile, lang.FileName()));
    if (lang.Fault() == TInputFault::TooLarge) notices.push_back(withName(IdFileTooLarge, lang.FileName()));
  }
  return notices;
}

std::string LanguageFolderOf(const std::string& programFolder, TPathStyle style,
                             const std::function<bool(const std::string&)>& isFolder) {
  const char sep = PathSeparator(style);
  const std::string beside = programFolder + "Language" + sep;
  if (isFolder(beside)) return beside;
  // Packages put the program in <prefix>/bin and its data in <prefix>/share.
  const std::string installed = programFolder + ".." + sep + "share" + sep + "kestrove" + sep + "Language" + sep;
  return isFolder(installed) ? installed : beside;
}

std::string LanguageFolder() {
  return LanguageFolderOf(ExecutableDirectory(), NativePathStyle(), [](const std::string& utf8) {
    std::error_code ignored;
    return std::filesystem::is_directory(std::filesystem::path(std::u8string(utf8.begin(), utf8.end())), ignored);
  });
}

}  // namespace kv
