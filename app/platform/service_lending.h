// The service (zq40d) holds the units of a venue's PC. The window and
// zq40ctl, finding a unit held by it, ask it to lend them its units: it
// closes them, and takes them back when the borrower's connection ends,
// which is when the borrowing process ends. The service checks that the
// borrower could open the units itself.
#pragma once

#include <string>

namespace zq40 {

// The program name the service runs under, as the system lists holders.
inline constexpr char kServiceProgram[] = "zq40d";

// Where the service listens for borrowers: its name, and the environment
// variable that names another (the tests run services of their own).
inline constexpr char kLendingName[] = "zq40d";
inline constexpr char kLendingNameVariable[] = "ZQ40D_LENDING";

// The lines of the conversation: the borrower says who it is, the service
// answers whether it lent.
inline constexpr char kLendRequest[] = "lend ";
inline constexpr char kLentAnswer[] = "lent";
inline constexpr char kRefusedAnswer[] = "refused ";
inline constexpr int kMaxLendingLine = 256;

// Asks the service for its units on behalf of `program`; true once they are
// closed, false with `why` in words. The units stay lent until this process ends.
bool borrowUnitsFromService(const std::string& program, std::string& why);

} // namespace zq40
