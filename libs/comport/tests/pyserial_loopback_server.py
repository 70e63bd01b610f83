#!/usr/bin/python3
"""pyserial's own RFC 2217 server (serial.rfc2217.PortManager) in front of a
serial port simulated in Python: a loop-back plug whose bytes come back,
with DTR shown as DSR and CD, and RTS as CTS.

Prints "listening port=N" once it listens on 127.0.0.1, then one line per
setting the client changes ("baudrate=9600", "dtr=True", "purge=input", ...).
Serves one client after another; ends after the time limit.

usage: pyserial_loopback_server.py [TIME_LIMIT_SECONDS]
"""
import select
import socket
import sys
import time

import serial.rfc2217


class LoopbackPort:
    """The attributes PortManager reads and writes on a serial port."""

    REPORTED = ("baudrate", "bytesize", "parity", "stopbits", "dtr", "rts", "rtscts", "xonxoff")

    def __init__(self):
        self.baudrate = 9600
        self.bytesize = 8
        self.parity = "N"
        self.stopbits = 1
        self.xonxoff = False
        self.rtscts = False
        self.dtr = False
        self.rts = False
        self.break_condition = False

    def __setattr__(self, name, value):
        if name in self.REPORTED and getattr(self, name, None) != value and hasattr(self, "break_condition"):
            print("{}={}".format(name, value), flush=True)
        object.__setattr__(self, name, value)

    @property
    def cts(self):
        return self.rts

    @property
    def dsr(self):
        return self.dtr

    @property
    def cd(self):
        return self.dtr

    @property
    def ri(self):
        return False

    def reset_input_buffer(self):
        print("purge=input", flush=True)

    def reset_output_buffer(self):
        print("purge=output", flush=True)


class Connection:
    def __init__(self, sock):
        self.sock = sock

    def write(self, data):
        self.sock.sendall(data)


def serve(client, deadline):
    client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    port = LoopbackPort()
    manager = serial.rfc2217.PortManager(port, Connection(client))
    while time.monotonic() < deadline:
        ready, _, _ = select.select([client], [], [], 0.05)
        if not ready:
            continue
        data = client.recv(4096)
        if not data:
            return
        echoed = b"".join(manager.filter(data))
        if echoed:
            client.sendall(b"".join(manager.escape(echoed)))
        # The example server polls the lines once a second; a loop-back plug
        # changes them the moment the client does.
        manager.check_modem_lines()


def main():
    limit = float(sys.argv[1]) if len(sys.argv) > 1 else 60.0
    deadline = time.monotonic() + limit
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    print("listening port={}".format(server.getsockname()[1]), flush=True)
    while time.monotonic() < deadline:
        ready, _, _ = select.select([server], [], [], 0.1)
        if ready:
            client, _ = server.accept()
            try:
                serve(client, deadline)
            except OSError:
                pass
            client.close()


if __name__ == "__main__":
    main()
