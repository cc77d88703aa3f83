/* libzelvane: the parallel port's pins from C, shared with every other program on the port. */
#ifndef ZELVANE_H
#define ZELVANE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZELVANE_ABI_VERSION 1

typedef struct zelvane zelvane; /* opaque; safe from several threads */

enum zelvane_status {
    ZELVANE_OK = 0,
    ZELVANE_E_ARGUMENT = -1,    /* bad pin, value, register, handle NULL */
    ZELVANE_E_CLOSED = -2,      /* handle already closed */
    ZELVANE_E_OPEN = -3,        /* port could not be opened */
    ZELVANE_E_ACCESS = -4,      /* an access did not reach the port */
    ZELVANE_E_DIRECTION = -5,   /* output asked of an input pin or vice versa */
    ZELVANE_E_BUSY = -6,        /* a pulse is under way (on_busy = raise) */
    ZELVANE_E_UNSUPPORTED = -7, /* e.g. data-in on an SPP port */
    ZELVANE_E_TIMEOUT = -8,
    ZELVANE_E_NOMEM = -9
};
enum zelvane_register { ZELVANE_DATA = 0, ZELVANE_STATUS = 1, ZELVANE_CONTROL = 2 };
enum zelvane_on_busy { ZELVANE_BUSY_RAISE = 0, ZELVANE_BUSY_QUEUE = 1, ZELVANE_BUSY_DROP = 2 };
#define ZELVANE_AFTER_RESTORE (-1)

typedef struct {
    int pin;
    int level;
    int64_t t_ns; /* CLOCK_MONOTONIC */
} zelvane_edge;

int zelvane_abi_version(void);
int64_t zelvane_now_ns(void); /* CLOCK_MONOTONIC */
const char *zelvane_status_text(int status);
/* This thread's last failed call: what went wrong and how to fix it; "" where nothing is known. */
const char *zelvane_error_cause(void);
const char *zelvane_error_fix(void);

/* port: as ZELVANE_PORT takes it (auto, ppdev:N, /dev/parportN, direct:BASE, sim, ...);
   NULL or "" means $ZELVANE_PORT, else auto. */
int zelvane_open(const char *port, zelvane **out);
/* Puts the data lines out again; a second close gives ZELVANE_E_CLOSED. */
int zelvane_close(zelvane *h);
int zelvane_port_name(zelvane *h, char *buf, int size);
/* "D0", "pin2", "2", "BUSY", "S7", "nACK", ...; case is not significant; -1 where unknown. */
int zelvane_pin_number(const char *name);
int zelvane_read(zelvane *h, int reg, unsigned *value);
/* The data register takes 0..255, the control register 0..15 (its bits 4-7, the port's
   interrupt and direction bits, are the library's: zelvane_set_data_direction). */
int zelvane_write(zelvane *h, int reg, unsigned value);
int zelvane_get_pin(zelvane *h, int pin, int *level);
int zelvane_set_pin(zelvane *h, int pin, int level);
int zelvane_set_data_direction(zelvane *h, int input);
int zelvane_data_direction(zelvane *h, int *input);
/* Returns at once; the handle's thread writes (data & ~mask) | (value & mask), then after
   duration_ns the previous data (after = ZELVANE_AFTER_RESTORE) or after (0..255). */
int zelvane_pulse(zelvane *h, unsigned value, unsigned mask, int64_t duration_ns, int after,
                  int on_busy, uint64_t *id);
/* timeout_ns < 0: forever. t_on_ns, t_off_ns: when each edge reached the port; either may
   be NULL. */
int zelvane_pulse_wait(zelvane *h, uint64_t id, int64_t timeout_ns, int64_t *t_on_ns,
                       int64_t *t_off_ns);
/* Bit p of pins set watches pin p (1..17). */
int zelvane_watch_start(zelvane *h, uint32_t pins, int64_t interval_ns);
int zelvane_watch_next(zelvane *h, zelvane_edge *edge, int64_t timeout_ns);
int zelvane_watch_stop(zelvane *h);
int zelvane_record_start(zelvane *h, const char *path);
int zelvane_record_stop(zelvane *h);

#ifdef __cplusplus
}
#endif

#endif
