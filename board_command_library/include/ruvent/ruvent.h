// The exports of the board command library: each takes one board command line split into words
// (argv[0] the command word) and returns an int.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#define RUVENT_EXPORT __attribute__((visibility("default")))

RUVENT_EXPORT int mwr(int argc, char* argv[]);
RUVENT_EXPORT int mrd(int argc, char* argv[]);
RUVENT_EXPORT int mwrblk(int argc, char* argv[]);
RUVENT_EXPORT int mreset(int argc, char* argv[]);
RUVENT_EXPORT int mquit(int argc, char* argv[]);
RUVENT_EXPORT int mld(int argc, char* argv[]);
RUVENT_EXPORT int mwcmd(int argc, char* argv[]);
RUVENT_EXPORT int mdaemon(int argc, char* argv[]);

#ifdef __cplusplus
}
#endif
