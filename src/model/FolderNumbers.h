// Folders by number: a file record names its folder in 4 bytes instead of a
// pointer's 8. Numbers of freed folders are given out again.
#pragma once

#include <cstdint>

namespace kv {

class TFolderNode;

// Never 0, which stands for no folder. Safe to call from any thread.
uint32_t NumberFolder(TFolderNode* folder);
void ForgetFolderNumber(uint32_t number);
// The folder a live number stands for; null for 0.
TFolderNode* FolderByNumber(uint32_t number);

}  // namespace kv
