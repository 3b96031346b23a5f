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

// Nothing in the library ends the process. An export that refuses its line (a bad word, "-h", an
// option without its operand, a file it cannot open, no service loop for the board) does nothing
// and returns RUVENT_REFUSED; ruvent_last_call() then says why. mrd's value 0x80000000 reads the
// same, so a caller that must know asks ruvent_last_call().
#define RUVENT_REFUSED (-2147483647 - 1)

enum RuventRefusal {
    RUVENT_CARRIED_OUT = 0,
    RUVENT_BAD_ARGUMENTS = 1,
    RUVENT_FILE_NOT_OPENED = 2,
    RUVENT_NO_SERVICE_LOOP = 3,
};

// What the calling thread's last export call came to. The texts stay valid until the thread's
// next export call.
struct RuventCallOutcome {
    int refusal;          // enum RuventRefusal
    const char* cause;    // one line naming the cause, for a caller's log and box; "" when carried out
    const char* console;  // what a command-line program that exposes the exports prints (help, usage)
    int exitCode;         // -1: such a program goes on; else the code it ends with after this call
};

RUVENT_EXPORT struct RuventCallOutcome ruvent_last_call(void);

#ifdef __cplusplus
}
#endif
