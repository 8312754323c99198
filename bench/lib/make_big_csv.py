"""Writes the 1 GiB CSV file the CSV benchmarks read: rows of 1 to about 120 bytes from a CSV-like alphabet,
one hit ("NEEDLE-81c4e7d2") near the end. Usage: make_big_csv.py FILE [--last-row-without-line-feed]."""
import os
import sys

table = bytearray(b"0123456789,;abcdefghijklmnopqrstuvwxyzABCDEFGHIJ"[i % 48] for i in range(256))
for i in range(0, 4):
    table[i] = 10
block = 1 << 24
open_end = "--last-row-without-line-feed" in sys.argv[2:]
with open(sys.argv[1], "wb") as f:
    for i in range(64):
        data = bytearray(os.urandom(block).translate(bytes(table)))
        if i == 63:
            data[block - 1000:block - 980] = b"\nNEEDLE-81c4e7d2,xy\n"
            if open_end:
                data[block - 30:] = b"\nlast,row,without,line,feed,."
        f.write(data)
