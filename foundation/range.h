#pragma once
// Ranges are defined in platform/ because the platform's string services
// answer them too; this header is where the rest of the code finds them.
#include "platform/range.h"
