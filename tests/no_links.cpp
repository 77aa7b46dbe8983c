// Preloaded, fails link() and linkat() with EPERM, as FAT, exFAT and many network shares do.
#include <cerrno>

extern "C" int link(const char*, const char*) { return errno = EPERM, -1; }
extern "C" int linkat(int, const char*, int, const char*, int) { return errno = EPERM, -1; }
