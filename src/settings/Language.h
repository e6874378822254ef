// Language files: every interface text is looked up by its id in the file of
// the current language. Files are read once, when the list is created.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/InputFile.h"
#include "platform/PathStyle.h"
#include "platform/Platform.h"

namespace kv {

// The text of an id that the current language does not give.
inline constexpr std::string_view NoTranslated = "no translated";
// The entry naming a file's language, and the settings value holding the current one.
inline constexpr std::string_view LanguageKey = "Language";

struct TLangItem {
  std::string Ident;
  std::string Text;
};

// One loaded language file.
class TLang {
 public:
  TLang() = default;
  explicit TLang(const std::string& fileName) : FileName_(fileName) { LoadFromFile(fileName); }

  // Appends the entries of a file (UTF-8 name); a file that cannot be opened adds none.
  void LoadFromFile(const std::string& fileName);
  // Appends the entries of a file's contents, already in UTF-8.
  void LoadFromText(std::string_view text);

  // The text of the first entry with exactly this key, else "no translated".
  std::string FindText(std::string_view key) const;

  // In file order, duplicates included.
  const std::vector<TLangItem>& Items() const { return Items_; }

  const std::string& FileName() const { return FileName_; }
  // Why the last file given was not read, if it was not.
  TInputFault Fault() const { return Fault_; }

 private:
  void Add(std::string ident, std::string text);

  struct THash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::string FileName_;
  TInputFault Fault_ = TInputFault::None;
  std::vector<TLangItem> Items_;
  // Key to the position of its first item.
  std::unordered_map<std::string, size_t, THash, std::equal_to<>> Index_;
};

// All installed languages and the current one.
class TLangList {
 public:
  // Reads the current language from the store and loads every "*.kvl" file of
  // the folder (given with a trailing separator).
  TLangList(ISettingsStore& store, IFileSystem& fileSystem, std::string folder);

  const std::string& CurrentLanguage() const { return CurrentLanguage_; }
  // Makes a language current and stores its name under "Language".
  void SetCurrentLanguage(std::string_view name);

  // In the order in which the directory listing returned their files.
  const std::vector<TLang>& Langs() const { return Langs_; }
  void LoadDirectory(const std::string& folder);

  // The text of an id in the first file carrying the current language's name;
  // "no translated" when that file lacks the id or no file carries the name.
  std::string Translate(std::string_view id) const;

  // The "Language" text of every file, in order, for the language box.
  std::vector<std::string> LanguageNames() const;
  // The first of LanguageNames equal to the current language, or -1.
  int SelectedLanguageIndex() const;

 private:
  void FindCurrent();

  ISettingsStore& Store_;
  IFileSystem& FileSystem_;
  std::string CurrentLanguage_;
  std::vector<TLang> Langs_;
  // Position in Langs_ of the file Translate uses, or -1.
  std::ptrdiff_t Current_ = -1;
};

// What the user is told at start: a settings file left alone, language
// files refused. Worded in the current language.
std::vector<std::string> InputNotices(const ISettingsStore& store, const TLangList& languages);

// The Language folder beside the program (programFolder, with its trailing
// separator) where isFolder finds one, else the installed data folder
// <prefix>/share/kestrove/Language beside the program's bin folder, else the
// one beside the program. With a trailing separator.
std::string LanguageFolderOf(const std::string& programFolder, TPathStyle style,
                             const std::function<bool(const std::string&)>& isFolder);

// LanguageFolderOf for this program on this system.
std::string LanguageFolder();

}  // namespace kv
