#pragma once
// The order of ambiguous numeric dates (3/4/2027) for the user's locale, as the C library names
// it: LC_ALL, else LC_TIME, else LANG.

#include "store/expiry_date.h"

namespace keyloft::cli {

DateOrder DateOrderFromEnvironment();

}  // namespace keyloft::cli
