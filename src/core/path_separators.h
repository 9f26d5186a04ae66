#pragma once
// The characters that part a path's folders on this system; the first one
// joins paths. Windows takes both slashes.
namespace brindle {

#ifdef _WIN32
inline constexpr const char* kPathSeparators = "\\/";
#else
inline constexpr const char* kPathSeparators = "/";
#endif
inline constexpr char kPathSeparator = kPathSeparators[0];

}  // namespace brindle
