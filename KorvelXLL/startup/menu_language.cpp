#include "startup/menu_language.h"

#include "host/auto_wrap.h"
#include "host/host_state.h"
#include "menus/menu_tables.h"
#include "startup/life_cycle.h"

namespace korvel::xll {
namespace {

// The host's language identifiers.
constexpr LONG kRussian = 1049;
// LanguageSettings.LanguageID's kind for the user interface.
constexpr LONG kUserInterfaceLanguage = 2;

}  // namespace

bool IsRussianUI() {
  VARIANT kind;
  VariantInit(&kind);
  kind.vt = VT_I4;
  kind.lVal = kUserInterfaceLanguage;
  OwnedVariant language;
  if (AutoWrapX(L"LanguageSettings.LanguageID", nullptr, 0, &language, false, nullptr, 1, kind) != 0) return false;
  OwnedVariant number;
  if (FAILED(VariantChangeType(&number, &language, 0, VT_I4))) return false;
  return number.lVal == kRussian;
}

void ChooseMenuLanguage() {
  // Once the English table is in, the host is not asked again.
  if (MenuLanguage != 2 || IsRussianUI()) return;
  SwapMenuTables();
  MenuLanguage = 1;
}

}  // namespace korvel::xll
