#include "model/HardLinks.h"

#include "model/SizeTree.h"

namespace kv {

TFileNodeData* THardLinks::Find(const TCarrier& carrier) const {
  const std::string_view path(carrier.Path);
  TFolderNode* node = Tree_.Root();
  for (const std::string& component : Tree_.SplitPath(path.substr(0, carrier.Folder))) {
    node = Tree_.FindChild(node, component);
    if (!node) return nullptr;
  }
  TFolderNodeData* folder = node->Data();
  return folder ? folder->Files.Find(path.substr(carrier.Folder)) : nullptr;
}

bool THardLinks::Place(TFileNodeData& file, std::string_view folderPath, TFileKey key) {
  std::string path;
  path.reserve(folderPath.size() + file.Name.View().size());
  path.append(folderPath).append(file.Name.View());
  Names_.insert_or_assign(path, key);
  auto [it, added] = Carriers_.try_emplace(key, TCarrier{path, folderPath.size()});
  if (added || it->second.Path == path) return true;
  TFileNodeData* carrier = Find(it->second);
  if (carrier && carrier != &file && path > it->second.Path) {
    file.SetSizes(0, 0);
    file.AddMarks(imHardLink);
    return false;
  }
  if (carrier && carrier != &file) {
    // This name sorts first: the sizes move here from the one that had them.
    Tree_.AddSizesToFolder(carrier->ParentNode(), -carrier->FileSize(), -carrier->AllocatedSize(), 0);
    Tree_.UpdateTreePercents(carrier->ParentNode());
    carrier->SetSizes(0, 0);
    carrier->AddMarks(imHardLink);
  }
  it->second = TCarrier{std::move(path), folderPath.size()};
  return true;
}

}  // namespace kv
