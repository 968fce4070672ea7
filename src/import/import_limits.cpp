#include "import/import_limits.h"

namespace keyloft {

std::string TooLargeToImportReason() {
    return "it is larger than " + std::to_string(kMaxImportBytes >> 20) +
           " MiB; import it in parts of that size or less";
}

std::string TooManyRowsReason() {
    return "it holds more than " + std::to_string(kMaxImportRows) +
           " entries; import it in parts of that many or fewer";
}

std::string TooDeepReason(const char* what) {
    return std::string("its ") + what + " is nested more than " + std::to_string(kMaxImportNesting) +
           " levels deep, deeper than any export; the file is damaged or is not an export";
}

}  // namespace keyloft
