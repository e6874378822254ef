// The language ids of every interface text: captions, hints, column titles
// and messages. The program and the tests share this one list.
#pragma once

#include <array>

namespace kv {

// Shared dialog buttons.
inline constexpr const char* IdOk = "218";
inline constexpr const char* IdCancel = "219";

// Main window, menus.
inline constexpr const char* IdMenuScan = "2114";
inline constexpr const char* IdMenuView = "2115";
inline constexpr const char* IdMenuReport = "2116";
inline constexpr const char* IdMenuHelp = "2117";
inline constexpr const char* IdScanDrive = "2119";
inline constexpr const char* IdScanFolder = "2120";
inline constexpr const char* IdStopScan = "2121";
inline constexpr const char* IdFilter = "2122";
inline constexpr const char* IdExit = "2110";
inline constexpr const char* IdMenuSize = "2123";
inline constexpr const char* IdSizeType = "2124";
inline constexpr const char* IdChartType = "2125";
inline constexpr const char* IdShowChart = "2126";
inline constexpr const char* IdShowInfoDisk = "2127";
inline constexpr const char* IdSizeTypeFile = "2128";
inline constexpr const char* IdSizeTypeAllocated = "2129";
inline constexpr const char* IdChartBar = "2130";
inline constexpr const char* IdChartPie = "2131";
inline constexpr const char* IdReportFiles = "2132";
inline constexpr const char* IdReportExtensions = "2133";
inline constexpr const char* IdReportOwners = "2134";
inline constexpr const char* IdReportSizeRange = "2135";
inline constexpr const char* IdReportTimeRange = "2136";
inline constexpr const char* IdIncludingSubfolder = "2137";
inline constexpr const char* IdSaveAllScannedFiles = "2138";
inline constexpr const char* IdSettingsMenu = "2139";
inline constexpr const char* IdGreatestFiles = "2140";
inline constexpr const char* IdGreatestFolders = "2141";
inline constexpr const char* IdOldestFiles = "2142";
inline constexpr const char* IdNewestFiles = "2143";
inline constexpr const char* IdOldestFolders = "2144";
inline constexpr const char* IdNewestFolders = "2145";
inline constexpr const char* IdSaveAsText = "2149";
inline constexpr const char* IdSaveAsCsv = "2150";
inline constexpr const char* IdSaveAsHtml = "2151";
inline constexpr const char* IdHomePage = "2157";
inline constexpr const char* IdAbout = "2159";
inline constexpr const char* IdExplorer = "2183";
inline constexpr const char* IdColumns = "2187";
inline constexpr const char* IdRefresh = "2188";
inline constexpr const char* IdRemoveFromList = "2189";
inline constexpr const char* IdDelete = "2190";
inline constexpr const char* IdProperties = "2191";
inline constexpr const char* IdExpand = "2192";
inline constexpr const char* IdFullExpand = "2193";
// A format pattern with one %s for the level digit.
inline constexpr const char* IdExpandToLevel = "2194";

// Main window, tool button hints.
inline constexpr const char* IdUp = "2146";
inline constexpr const char* IdBack = "2147";
inline constexpr const char* IdNext = "2148";
inline constexpr const char* IdSaveCurrentReport = "2152";
inline constexpr const char* IdSave = "2153";
inline constexpr const char* IdCopyToClipboard = "2154";
inline constexpr const char* IdNextColorPalette = "2155";
inline constexpr const char* IdNextGradient = "2156";

// Main window, column titles.
inline constexpr const char* IdColDrive = "2160";
inline constexpr const char* IdColSize = "2161";
inline constexpr const char* IdColFree = "2162";
inline constexpr const char* IdColPercentFree = "2163";
inline constexpr const char* IdColName = "2164";
inline constexpr const char* IdColPercent = "2165";
inline constexpr const char* IdColFolder = "2166";
inline constexpr const char* IdColFiles = "2167";
inline constexpr const char* IdColFolders = "2168";
inline constexpr const char* IdColCreated = "2169";
inline constexpr const char* IdColModified = "2170";
inline constexpr const char* IdColLastAccess = "2171";
inline constexpr const char* IdColAttributes = "2172";
inline constexpr const char* IdColOwner = "2173";
inline constexpr const char* IdColCount = "2174";

// Settings dialog.
inline constexpr const char* IdSettingsCaption = "21102";
inline constexpr const char* IdTabReport = "21103";
inline constexpr const char* IdTabChart = "21104";
inline constexpr const char* IdTabLanguage = "21105";
inline constexpr const char* IdReportCountLabel = "21106";
inline constexpr const char* IdOldestNewestFiles = "21107";
inline constexpr const char* IdUseCreationDate = "21108";
inline constexpr const char* IdUseModifyDate = "21109";
inline constexpr const char* IdUseLastAccessDate = "21110";
inline constexpr const char* IdChartOtherLabel = "21111";
inline constexpr const char* IdChartOtherSmall = "21112";
inline constexpr const char* IdChartOtherNone = "21113";
inline constexpr const char* IdLanguageLabel = "21114";

// Filter dialog.
inline constexpr const char* IdFilterCaption = "21115";
inline constexpr const char* IdTabMask = "21116";
inline constexpr const char* IdTabSize = "21117";
inline constexpr const char* IdTabOwner = "21118";
inline constexpr const char* IdDefault = "21119";
inline constexpr const char* IdMaskIncluded = "21120";
inline constexpr const char* IdMaskExcluded = "21121";
inline constexpr const char* IdMaskSample = "21122";
inline constexpr const char* IdSizeAny = "21123";
inline constexpr const char* IdSizeSpecify = "21124";
inline constexpr const char* IdSizeAnd = "21125";
inline constexpr const char* IdOwnerAny = "21126";
inline constexpr const char* IdOwnerSpecify = "21127";

// Full tree report dialog (its Save button uses IdSave).
inline constexpr const char* IdReportTreeCaption = "2180";
inline constexpr const char* IdFormat = "2181";
inline constexpr const char* IdSaveFiles = "2182";

// Status bar: label + " " + value.
inline constexpr const char* IdStatusFolders = "2175";
inline constexpr const char* IdStatusFiles = "2176";
inline constexpr const char* IdStatusFilter = "2177";
inline constexpr const char* IdFilterSet = "2178";
inline constexpr const char* IdFilterNotSet = "2179";

// Messages and report labels.
inline constexpr const char* IdAskDelete = "2195";
inline constexpr const char* IdQuestionCaption = "2196";
// Put before " 1K" and " 1G" in the lowest and highest size range labels.
inline constexpr const char* IdSizeRangeUpTo = "2198";
inline constexpr const char* IdSizeRangeAbove = "2199";
// Put after the hour and a blank in time range labels.
inline constexpr const char* IdHourSuffix = "21100";
inline constexpr const char* IdAskOverwrite = "21101";
// Chart saving; %s stands for the file name.
inline constexpr const char* IdChartNotEncoded = "2321";
inline constexpr const char* IdChartWrongExtension = "2322";

// Desktop shell fallbacks and the program's own properties window.
inline constexpr const char* IdNoProgramForFile = "2301";
inline constexpr const char* IdAskDeletePermanently = "2302";
inline constexpr const char* IdPropName = "2303";
inline constexpr const char* IdPropLocation = "2304";
inline constexpr const char* IdPropSize = "2305";
inline constexpr const char* IdPropOnDisk = "2306";
inline constexpr const char* IdPropContents = "2307";
inline constexpr const char* IdPropCreated = "2308";
inline constexpr const char* IdPropModified = "2309";
inline constexpr const char* IdPropAccessed = "2310";
inline constexpr const char* IdPropAttributes = "2311";
inline constexpr const char* IdPropOwner = "2312";
// Texts of the window beyond the table above. Patterns take their value for
// one %s.
inline constexpr const char* IdSizeFirstNotNumber = "2351";
inline constexpr const char* IdSizeLastNotNumber = "2352";
inline constexpr const char* IdMaskRangeWithoutFirst = "2353";
inline constexpr const char* IdMaskSetNotClosed = "2354";
inline constexpr const char* IdMaskEmptySet = "2355";
inline constexpr const char* IdSelectFolder = "2356";
inline constexpr const char* IdAboutNotice = "2357";
// The treemap: its View entry, and the status text of a folder's gathered
// small items (%s: the folder's path).
inline constexpr const char* IdShowTreemap = "2401";
inline constexpr const char* IdTreemapSmallItems = "2402";
// Scan options, the marks of folders the scan did not enter, and the empty
// treemap. Patterns take their value for one %s.
inline constexpr const char* IdCountLinksOnce = "2411";
inline constexpr const char* IdOneFileSystem = "2412";
inline constexpr const char* IdFolderNotRead = "2413";
inline constexpr const char* IdOtherFileSystem = "2414";
inline constexpr const char* IdFoldersNotRead = "2415";
inline constexpr const char* IdTreemapHint = "2416";
// Titles of the save and open dialogs.
inline constexpr const char* IdExportResultTitle = "2420";
inline constexpr const char* IdImportResultTitle = "2421";
inline constexpr const char* IdSaveReportTitle = "2422";
inline constexpr const char* IdSaveChartTitle = "2423";
// ncdu JSON: the export command and the mark of entries its scan left out.
inline constexpr const char* IdSaveNcduJson = "2441";
inline constexpr const char* IdExcludedWhenScanned = "2442";
// Scans over SSH.
inline constexpr const char* IdScanOverSsh = "2443";
inline constexpr const char* IdSshServer = "2444";
inline constexpr const char* IdSshFolder = "2445";
// Files read from outside: only regular files of a sensible size.
inline constexpr const char* IdNotRegularFile = "2361";
inline constexpr const char* IdFileTooLarge = "2362";
inline constexpr const char* IdSettingsFileKept = "2363";
inline constexpr const char* IdSettingsNotSaved = "2380";
// Comparing with an earlier scan: the Changes report, its columns and states,
// and the history of scans.
inline constexpr const char* IdReportChanges = "2520";
inline constexpr const char* IdColBefore = "2521";
inline constexpr const char* IdColAfter = "2522";
inline constexpr const char* IdColDifference = "2523";
inline constexpr const char* IdColChangePercent = "2524";
inline constexpr const char* IdColState = "2525";
inline constexpr const char* IdChangeNew = "2526";
inline constexpr const char* IdChangeGone = "2527";
inline constexpr const char* IdChangeGrown = "2528";
inline constexpr const char* IdChangeShrunk = "2529";
inline constexpr const char* IdCompareOtherRoot = "2530";
inline constexpr const char* IdKeepHistory = "2535";
inline constexpr const char* IdHistoryNotWritten = "2538";
inline constexpr const char* IdCompareWithFile = "2531";
inline constexpr const char* IdCompareWithLast = "2532";
inline constexpr const char* IdClearBaseline = "2533";
inline constexpr const char* IdColChange = "2534";
inline constexpr const char* IdNoHistory = "2536";
inline constexpr const char* IdComparedWith = "2537";

inline constexpr std::array AllTextIds = {
    IdOk, IdCancel,
    IdMenuScan, IdMenuView, IdMenuReport, IdMenuHelp, IdScanDrive, IdScanFolder, IdStopScan,
    IdFilter, IdExit, IdMenuSize, IdSizeType, IdChartType, IdShowChart, IdShowInfoDisk,
    IdSizeTypeFile, IdSizeTypeAllocated, IdChartBar, IdChartPie, IdReportFiles,
    IdReportExtensions, IdReportOwners, IdReportSizeRange, IdReportTimeRange,
    IdIncludingSubfolder, IdSaveAllScannedFiles, IdSettingsMenu, IdGreatestFiles,
    IdGreatestFolders, IdOldestFiles, IdNewestFiles, IdOldestFolders, IdNewestFolders,
    IdSaveAsText, IdSaveAsCsv, IdSaveAsHtml, IdHomePage, IdAbout, IdExplorer, IdColumns,
    IdRefresh, IdRemoveFromList, IdDelete, IdProperties, IdExpand, IdFullExpand, IdExpandToLevel,
    IdUp, IdBack, IdNext, IdSaveCurrentReport, IdSave, IdCopyToClipboard, IdNextColorPalette,
    IdNextGradient,
    IdColDrive, IdColSize, IdColFree, IdColPercentFree, IdColName, IdColPercent, IdColFolder,
    IdColFiles, IdColFolders, IdColCreated, IdColModified, IdColLastAccess, IdColAttributes,
    IdColOwner, IdColCount,
    IdSettingsCaption, IdTabReport, IdTabChart, IdTabLanguage, IdReportCountLabel,
    IdOldestNewestFiles, IdUseCreationDate, IdUseModifyDate, IdUseLastAccessDate,
    IdChartOtherLabel, IdChartOtherSmall, IdChartOtherNone, IdLanguageLabel,
    IdFilterCaption, IdTabMask, IdTabSize, IdTabOwner, IdDefault, IdMaskIncluded,
    IdMaskExcluded, IdMaskSample, IdSizeAny, IdSizeSpecify, IdSizeAnd, IdOwnerAny,
    IdOwnerSpecify,
    IdReportTreeCaption, IdFormat, IdSaveFiles,
    IdStatusFolders, IdStatusFiles, IdStatusFilter, IdFilterSet, IdFilterNotSet,
    IdAskDelete, IdQuestionCaption, IdSizeRangeUpTo, IdSizeRangeAbove, IdHourSuffix,
    IdAskOverwrite, IdChartNotEncoded, IdChartWrongExtension,
    IdNoProgramForFile, IdAskDeletePermanently, IdPropName, IdPropLocation, IdPropSize, IdPropOnDisk,
    IdPropContents, IdPropCreated, IdPropModified, IdPropAccessed, IdPropAttributes, IdPropOwner,
    IdSizeFirstNotNumber, IdSizeLastNotNumber, IdMaskRangeWithoutFirst, IdMaskSetNotClosed,
    IdMaskEmptySet, IdSelectFolder, IdAboutNotice, IdShowTreemap, IdTreemapSmallItems, IdNotRegularFile,
    IdFileTooLarge, IdSettingsFileKept, IdSettingsNotSaved,
    IdCountLinksOnce, IdOneFileSystem, IdFolderNotRead, IdOtherFileSystem, IdFoldersNotRead, IdTreemapHint,
    IdExportResultTitle, IdImportResultTitle, IdSaveReportTitle, IdSaveChartTitle,
    IdSaveNcduJson, IdExcludedWhenScanned, IdScanOverSsh, IdSshServer, IdSshFolder,
    IdReportChanges, IdColBefore, IdColAfter, IdColDifference, IdColChangePercent, IdColState, IdChangeNew, IdChangeGone, IdChangeGrown, IdChangeShrunk, IdCompareOtherRoot, IdKeepHistory, IdHistoryNotWritten,
    IdCompareWithFile, IdCompareWithLast, IdClearBaseline, IdColChange, IdNoHistory, IdComparedWith,
};

}  // namespace kv
