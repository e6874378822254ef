// The dialog of "Scan over SSH...": the server and the folder on it, each an
// editable list of the last few used.
#pragma once

#include <string>

#include "settings/Language.h"

class QWidget;

namespace kv {

class ISettingsStore;

// The ssh:// address chosen, or empty when the user cancelled. The choice is
// remembered at the top of both lists.
std::string AskSshScan(ISettingsStore& store, const TLangList& languages, QWidget* parent);

}  // namespace kv
