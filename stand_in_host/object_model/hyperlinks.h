// The hyperlinks of a worksheet: Hyperlinks.Add(Anchor, Address, SubAddress, ScreenTip, TextToDisplay) types
// the text into the anchor cell and gives a Hyperlink, whose Follow goes to its sub-address by the host's
// reference syntax.
#pragma once

#include "object_model/host_object.h"

namespace korvel::standin {

// Gives `sheet` the member Hyperlinks, a collection that lives as long as the sheet.
void AttachHyperlinks(HostObject* sheet);
// The Hyperlinks collection of a sheet that has one; null otherwise.
HostCollection* HyperlinksOf(HostObject* sheet);

// A reference within a workbook as the host reads it: "Sheet1!A1", "'My sheet'!$B$2", a quoted name doubling
// each apostrophe it holds ("'O''Brien'!A1"). Gives the sheet's name and the cell (1-based); false for a text
// the host does not read as one cell of a named sheet.
bool ReadSheetReference(const std::wstring& text, std::wstring& sheet, LONG& row, LONG& column);

}  // namespace korvel::standin
