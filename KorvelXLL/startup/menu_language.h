// The menu language that start-up chooses from the host's user-interface language.
#pragma once

namespace korvel::xll {

// While the Russian table is active (MenuLanguage 2), a host whose interface is not Russian gets the
// English table: the tables are swapped and MenuLanguage becomes 1.
void ChooseMenuLanguage();

}  // namespace korvel::xll
