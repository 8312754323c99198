// The commands whose code belongs to later work: until it is built, each says so in a warning box and
// stops with -1. Both test programs read this one list; each later piece of work takes its names out.
#pragma once

namespace korvel::test {

inline const char* const kPendingCommands[] = {
    "XLLbuttonFormatCells000",
    "XLLbuttonIncreaseDecimal", "XLLbuttonDecreaseDecimal", "XLLbuttonTracePrecedents", "XLLbuttonTraceDependents",
    "XLLbuttonRemoveArrows", "XLLbuttonTextToNumber", "XLLbuttonTextSpaseToNumber", "XLLbuttonForm",
    "XLLbuttonConditionalFormatToFormat", "XLLbuttonConditionalFormatToFormatAllSheets",
    "XLLbuttonSheets", "XLLbuttonErrors", "XLLbuttonLinks", "XLLbuttonVisibleHiddenName", "XLLbuttonDeleteErrorName",
    "XLLbuttonBreakLinksSheet",
};

}  // namespace korvel::test
