#include "cli/date_order.h"

#include <cstdlib>

namespace keyloft::cli {

DateOrder DateOrderFromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return DateOrderOfLocaleName(value);
    }
    return DateOrderOfLocaleName("C");
}

}  // namespace keyloft::cli
