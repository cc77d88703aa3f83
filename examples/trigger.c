/* A 5 ms trigger code 7 on the data lines, and when it reached the port. */
#include <stdio.h>
#include <zelvane.h>

int main(int argc, char **argv)
{
    zelvane *port;
    uint64_t id;
    int64_t on, off;
    if (zelvane_open(argc > 1 ? argv[1] : NULL, &port) != ZELVANE_OK)
        return fprintf(stderr, "%s\n%s\n", zelvane_error_cause(), zelvane_error_fix()), 1;
    zelvane_pulse(port, 7, 0xFF, 5000000, ZELVANE_AFTER_RESTORE, ZELVANE_BUSY_RAISE, &id);
    zelvane_pulse_wait(port, id, -1, &on, &off);
    printf("trigger 7 on at %lld ns for %lld ns\n", (long long)on, (long long)(off - on));
    return zelvane_close(port) != ZELVANE_OK;
}
