// The language file parser, through the file reader (byte-order mark, code page).
#include <cstdlib>
#include <string>
#include <unordered_map>

#include "FuzzFile.h"
#include "settings/Language.h"
#include "settings/TextIds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = kv::fuzz::ScratchPath("input.kvl");
  kv::fuzz::WriteScratch(path, data, size);
  const kv::TLang lang(path);
  // Every key read is found again, with the text of its first entry.
  std::unordered_map<std::string, const std::string*> first;
  for (const kv::TLangItem& item : lang.Items()) first.try_emplace(item.Ident, &item.Text);
  for (const auto& [ident, text] : first)
    if (lang.FindText(ident) != *text) std::abort();
  for (const char* id : kv::AllTextIds) (void)lang.FindText(id);
  (void)lang.FindText(kv::LanguageKey);
  return 0;
}
