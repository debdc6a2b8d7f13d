// Compiled with the include folders of the profile layer alone: what it may see.
#include "profile/record_type.h"
#include "util/utf16.h"
