// SPDX-License-Identifier: GPL-3.0-or-later
/* Preloaded into dspprog-cli by the close-failure test: fclose() of a file
   whose path begins with DSPPROG_FAIL_CLOSE closes it but reports EIO, as a
   network or FUSE file system may when it could not keep what was written.
   Every other file closes as usual. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int fclose(FILE* stream) {
    static int (*real_fclose)(FILE*);
    if (!real_fclose) real_fclose = (int (*)(FILE*))dlsym(RTLD_NEXT, "fclose");

    int fails = 0;
    const char* target = getenv("DSPPROG_FAIL_CLOSE");
    if (target && stream) {
        char link[64];
        char path[4096];
        snprintf(link, sizeof link, "/proc/self/fd/%d", fileno(stream));
        const ssize_t n = readlink(link, path, sizeof path - 1);
        if (n > 0) {
            path[n] = '\0';
            fails = strncmp(path, target, strlen(target)) == 0;
        }
    }
    const int result = real_fclose(stream);
    if (fails) {
        errno = EIO;
        return EOF;
    }
    return result;
}
