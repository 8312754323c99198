// The one place where the GUIDs of the type library get their storage.
#include <initguid.h>

#include "server/server_ids.h"
