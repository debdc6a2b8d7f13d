// Compiled with the include folders of the profile layer alone: the model
// catalogue sits above it, so this must not compile.
#include "models/model_descriptor.h"
#include "profile/record_type.h"
