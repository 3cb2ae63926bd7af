// Windows has no service of the units: nothing ever holds them for it, and
// the programs open the units themselves.
#include "service_lending.h"

namespace zq40 {

bool borrowUnitsFromService(const std::string&, std::string& why)
{
    why = "this system has no service to lend units";
    return false;
}

} // namespace zq40
