#!/usr/bin/env python3
"""Calls the application on the session bus, one call at a time over one
connection, until the file STOP exists; each round trip, in microseconds, is
a line of LOG.

    interface_probe.py STOP LOG

The application answers Introspect on its interface thread, so a round trip
lasts at least as long as that thread was busy when the call came. One
connection, kept open, costs each call some tens of microseconds, and a call
is always under way but for a pause of 5 ms between calls (which keeps the
probe's own share of the thread small): a stall longer than that is measured
to within it (a command started per call costs milliseconds itself and
leaves no call under way while it starts).

It speaks the bus's protocol itself (authentication by the user's id,
little-endian messages), so it needs nothing but Python.
"""

import os
import socket
import struct
import sys
import time

METHOD_RETURN, ERROR = 2, 3


def padded(data, boundary):
    return data + b"\0" * (-len(data) % boundary)


class Bus:
    def __init__(self, address):
        transport, _, options = address.partition(":")
        if transport != "unix":
            raise SystemExit(f"interface_probe: no unix socket in {address}")
        keys = dict(option.split("=", 1) for option in options.split(","))
        self.socket = socket.socket(socket.AF_UNIX)
        self.socket.connect(keys["path"] if "path" in keys else "\0" + keys["abstract"])
        uid = str(os.getuid()).encode().hex().encode()
        self.socket.sendall(b"\0AUTH EXTERNAL " + uid + b"\r\n")
        line = b""
        while not line.endswith(b"\r\n"):
            chunk = self.socket.recv(1)
            if not chunk:
                raise SystemExit("interface_probe: the bus closed during authentication")
            line += chunk
        if not line.startswith(b"OK "):
            raise SystemExit(f"interface_probe: the bus refused: {line!r}")
        self.socket.sendall(b"BEGIN\r\n")
        self.serial = 0
        self.pending = b""
        self.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello")

    def read(self, size):
        while len(self.pending) < size:
            chunk = self.socket.recv(65536)
            if not chunk:
                raise SystemExit("interface_probe: the bus closed")
            self.pending += chunk
        data, self.pending = self.pending[:size], self.pending[size:]
        return data

    def call(self, destination, path, interface, member):
        """Calls a method without arguments and waits for its answer."""
        self.serial += 1
        fields = b""
        for code, signature, value in ((1, b"o", path), (2, b"s", interface), (3, b"s", member),
                                       (6, b"s", destination)):
            text = value.encode()
            fields = padded(fields, 8) + bytes([code, 1]) + signature + b"\0"
            fields += struct.pack("<I", len(text)) + text + b"\0"
        header = struct.pack("<cBBBIII", b"l", 1, 0, 1, 0, self.serial, len(fields)) + fields
        self.socket.sendall(padded(header, 8))
        # Signals (the bus's NameAcquired) may come first: skipped.
        while True:
            fixed = self.read(16)
            body, _, fields_size = struct.unpack("<III", fixed[4:16])
            self.read(fields_size + (-fields_size % 8) + body)
            if fixed[1] in (METHOD_RETURN, ERROR):
                return


def main():
    stop, log = sys.argv[1], sys.argv[2]
    bus = Bus(os.environ["DBUS_SESSION_BUS_ADDRESS"])
    with open(log, "a") as out:
        while not os.path.exists(stop):
            started = time.monotonic_ns()
            bus.call("org.tarrenbeck.Sorvant", "/org/tarrenbeck/Sorvant", "org.freedesktop.DBus.Introspectable",
                     "Introspect")
            out.write(f"{(time.monotonic_ns() - started) // 1000}\n")
            out.flush()
            time.sleep(0.005)


if __name__ == "__main__":
    main()
