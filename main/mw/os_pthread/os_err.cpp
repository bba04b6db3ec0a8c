#include "main/mw/os_pthread/os_err.h"

#include <cstdio>
#include <cstdlib>

void osLogExitCode(const char* file, int line, uint32_t code)
{
    printf("%s,%d\n,exit code = %u", file, line, code);
}

void osAssertFail(const char* expression, const char* file, int line, const char* function)
{
    fflush(stdout);
    fprintf(stderr, "%s:%d: %s: Assertion `%s' failed.\n", file, line, function, expression);
    abort();
}
