// The program's own version, shown in the window as major.minor.build.
#pragma once

namespace zq40 {

inline constexpr int versionMajor = 1;
inline constexpr int versionMinor = 1;
inline constexpr int versionBuild = 1;

} // namespace zq40
