#!/usr/bin/env python3
"""Send trigger codes as 5 ms pulses, as an EEG experiment does at each stimulus, and print
when each reached the port on the clock LSL stamps with (time.monotonic_ns()).

    python3 examples/trigger.py sim:lab      # or /dev/parport0, ppdev:0, auto
"""

import sys
import time

import zelvane

port_choice = sys.argv[1] if len(sys.argv) > 1 else "sim"
with zelvane.open(port_choice) as port:
    for code in (1, 2, 4, 8):
        pulse = port.pulse(code, 0.005, on_busy="queue")  # returns at once
        time.sleep(0.02)  # the stimulus is shown meanwhile
        pulse.wait()
        print("code %d on at %d ns, lines back after %.3f ms"
              % (code, pulse.t_on_ns, (pulse.t_off_ns - pulse.t_on_ns) / 1e6))
