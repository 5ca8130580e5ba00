#!/usr/bin/python3
"""A bench script as test tools write them, through PyVISA's own socket backend, against
merolan-cli serve and the simulated meter: the instrument must read like any SCPI power meter."""

import math
import os
import re
import signal
import subprocess
import sys
import tempfile

import pyvisa

# The factory Low-range calibration: -10 dBm at 1.52486 V, -50 dBm at 0.73998 V.
LOW_HIGH_V, LOW_LOW_V = 1.52486, 0.73998


def level_for(volts):
    return -10 + (volts - LOW_HIGH_V) * 40 / (LOW_HIGH_V - LOW_LOW_V)


def first_line_matching(stream, pattern):
    for line in stream:
        found = re.search(pattern, line)
        if found:
            return found
    raise AssertionError(f"no line matched {pattern!r}")


def main(cli, simulator):
    folder = tempfile.mkdtemp()
    settings = os.path.join(folder, "merolan.dat")
    subprocess.run([cli, "settings", "default", "--file", settings], check=True, capture_output=True)
    # Tables are kept by name beside the settings file; clients choose among them.
    os.mkdir(os.path.join(folder, "tables"))
    with open(os.path.join(folder, "tables", "cable.csv"), "w") as table:
        table.write("1e8,1\n1e9,1\n")
    meter = subprocess.Popen([simulator, "--level", "-29.9"], stdout=subprocess.PIPE, text=True)
    server = None
    try:
        device = first_line_matching(meter.stdout, r"^DEVICE (\S+)").group(1)
        # Port 0: the system picks a free one and the server says which.
        server = subprocess.Popen([cli, "serve", "--port", device, "--settings", settings,
                                   "--listen", "127.0.0.1:0"], stderr=subprocess.PIPE, text=True)
        port = first_line_matching(server.stderr, r"serving .* on 127\.0\.0\.1:(\d+)").group(1)

        manager = pyvisa.ResourceManager("@py")
        address = f"TCPIP::127.0.0.1::{port}::SOCKET"
        inst = manager.open_resource(address, read_termination="\n", write_termination="\n", timeout=10000)

        identity = inst.query("*IDN?").split(",")
        assert len(identity) == 4 and identity[0] == "merolan", identity

        level = float(inst.query("MEAS?"))
        volts = float(inst.query("DIAG:DET:VOLT?"))
        # The voltage comes with seven digits, good for 1e-4 dB.
        assert abs(level - level_for(volts)) < 1e-4, (level, volts)
        assert abs(level + 29.9) < 0.05, level

        inst.write("UNIT:POW W")
        watts = float(inst.query("MEAS?"))
        assert math.isclose(watts, 1e-3 * 10 ** (-29.9 / 10), rel_tol=0.02), watts
        inst.write("UNIT:POW DBM;:SENS:CORR:GAIN2 10")
        assert abs(float(inst.query("MEAS?")) + 19.9) < 0.05
        assert inst.query("SYST:ERR?") == '0,"No error"'

        # The accuracy setup: averaging and frequency answer as set.
        inst.write("SENS:AVER:COUN 4;:SENS:FREQ 433.92 MHZ")
        assert inst.query("SENS:AVER:COUN?;:SENS:AVER?") == "4;1"
        assert float(inst.query("SENS:FREQ?")) == 433.92e6
        assert abs(float(inst.query("MEAS?")) + 19.9) < 0.05

        assert inst.query("SENS:CORR:CSET2:CAT?") == '"cable"'
        inst.write('SENS:CORR:CSET2 "cable"')
        assert inst.query("SENS:CORR:CSET2?;CSET2:STAT?") == '"cable";1'
        assert abs(float(inst.query("MEAS?")) + 18.9) < 0.05
        inst.write('SENS:CORR:CSET2 "../merolan.dat"')
        assert inst.query("SYST:ERR?").startswith('-224,')
        inst.write("SENS:CORR:CSET2:STAT OFF")

        inst.write("BOGUS:HEADER 3")
        assert inst.query("SYST:ERR?") == '-113,"Undefined header"'

        # Two clients at once: each gets a reading of its own.
        other = manager.open_resource(address, read_termination="\n", write_termination="\n", timeout=10000)
        inst.write("MEAS?")
        other.write("MEAS?")
        both = [float(inst.read()), float(other.read())]
        assert all(abs(value + 19.9) < 0.05 for value in both), both
        other.close()
        inst.close()
        manager.close()

        server.send_signal(signal.SIGTERM)
        assert server.wait(timeout=10) == 143
    finally:
        if server and server.poll() is None:
            server.kill()
        meter.terminate()
        meter.wait(timeout=10)
    print("PyVISA session passed")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
