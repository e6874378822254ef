// How the core asks the user a yes/no question or tells of a failure. The
// window answers with message boxes; the command line and tests answer themselves.
#pragma once

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace kv {

class IUserDialog {
 public:
  virtual ~IUserDialog() = default;
  // A question with the buttons Yes and No; true only for Yes.
  virtual bool AskYesNo(const std::string& question) = 0;
  // A failure, in the words of the layer that failed.
  virtual void ShowError(const std::string& message) = 0;
  // A folder chosen by the user; false when the chooser was closed without one.
  virtual bool ChooseFolder(const std::string& title, std::string& folder) = 0;
  // A file name to save under, the dialog titled title. filter lists entries as "Name|*.ext|Name|*.ext";
  // filterIndex (1-based) is the entry shown first and, on return, the entry
  // chosen. The caller asks about replacing an existing file itself. False
  // when the dialog was cancelled.
  virtual bool SaveFileName(const std::string& title, const std::string& filter, std::string& fileName,
                            int& filterIndex) = 0;
  // An existing file to read, title and filter as above. False when the dialog was cancelled.
  virtual bool OpenFileName(const std::string& title, const std::string& filter, std::string& fileName) = 0;
};

// Answers from a prepared list (No once it runs out) and keeps what it was told.
class TScriptedDialog final : public IUserDialog {
 public:
  bool AskYesNo(const std::string& question) override {
    Questions.push_back(question);
    if (Answers.empty()) return false;
    const bool answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  void ShowError(const std::string& message) override { Errors.push_back(message); }
  // The next prepared folder; none once they run out.
  bool ChooseFolder(const std::string& title, std::string& folder) override {
    FolderTitles.push_back(title);
    if (Folders.empty()) return false;
    folder = Folders.front();
    Folders.pop_front();
    return true;
  }

  // The next prepared name and filter entry; cancelled once they run out.
  bool SaveFileName(const std::string& title, const std::string& filter, std::string& fileName,
                    int& filterIndex) override {
    FileTitles.push_back(title);
    SaveFilters.push_back(filter);
    ProposedNames.push_back(fileName);
    if (SaveNames.empty()) return false;
    fileName = SaveNames.front().first;
    filterIndex = SaveNames.front().second;
    SaveNames.pop_front();
    return true;
  }
  // The next prepared name; cancelled once they run out.
  bool OpenFileName(const std::string& title, const std::string& filter, std::string& fileName) override {
    FileTitles.push_back(title);
    OpenFilters.push_back(filter);
    if (OpenNames.empty()) return false;
    fileName = OpenNames.front();
    OpenNames.pop_front();
    return true;
  }

  std::deque<bool> Answers;
  std::vector<std::string> Questions;
  std::vector<std::string> Errors;
  std::deque<std::string> Folders;
  std::vector<std::string> FolderTitles;
  std::vector<std::string> FileTitles;  // of the save and open dialogs
  std::deque<std::pair<std::string, int>> SaveNames;
  std::vector<std::string> SaveFilters;
  std::vector<std::string> ProposedNames;  // what each save dialog started with
  std::deque<std::string> OpenNames;
  std::vector<std::string> OpenFilters;
};

}  // namespace kv
