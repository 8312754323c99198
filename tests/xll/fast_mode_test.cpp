#include "add_in.h"
