// The registration pass does not keep the names the host refused yet: the About log lists none.
#include "startup/about.h"

namespace korvel::xll {

std::vector<std::wstring> RefusedRegistrationNames() { return {}; }

}  // namespace korvel::xll
