// Reports that sum the files of a folder by a key: extension, owner, size
// range or hour of the day.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"
#include "reports/ReportKinds.h"
#include "model/NodeData.h"

namespace kv {

class TFolderNode;
class TLangList;

// The text of a language id; tests pass their own. An empty callback gives the
// id itself.
using TTranslate = std::function<std::string(std::string_view id)>;
TTranslate LanguageTranslator(const TLangList &languages);

// The rows own their objects, unlike the listing rows.
using TAggregateRows = std::vector<std::unique_ptr<TExtensionsNodeData>>;

// Rows of an aggregate kind: for the folder's own files in ascending key
// order, or for the whole subtree by summed size, largest first (equal sizes
// keep key order), the extensions cut to ReportListCount. Keys that differ
// only in letter case (by the locale's case-insensitive comparison) share one
// row named as the first file met spelled it. Sizes are always FileSize. No
// folder, the hidden root or a listing kind give no rows.
TAggregateRows BuildAggregateReport(const TFolderNode *folder, TReportKind kind, const TReportSettings &settings,
                                    const TTranslate &translate, const ILocale &locale);

// Size classes: 0 up to 1K (also 0 and below), 1 for 1K-16K, ... 17 for
// 512M-1G, 18 above 1G.
inline constexpr int SizeRangeCount = 19;
int SizeRangeClass(int64_t size);
std::string SizeRangeLabel(int64_t size, const TTranslate &translate);
std::string SizeRangeClassLabel(int sizeClass, const TTranslate &translate);

// Hour 0..23 of a local day-count date-time, to the nearest millisecond.
int HourOfDay(double time);
std::string HourLabel(double time, const TTranslate &translate);

}  // namespace kv
