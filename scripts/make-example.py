#!/usr/bin/env python3
"""Writes the demo ROM examples/demo.smc and its translation table examples/demo.kel.

The ROM is made up from start to end: filler "code" bytes, two pointer tables and two banks of
sentences stored in a coding of the demo's own (capitals at 80-99 hex, small letters at A0-B9,
four letter pairs as one byte each, digits, punctuation, a name placeholder, space at FF and a
terminator 00 after each sentence). None of its bytes is ASCII text, so a plain hex editor's
text search finds nothing, while Orvane finds the sentences through the table.

    python3 scripts/make-example.py            write both files
    python3 scripts/make-example.py --check    exit 1 when the committed files differ
    python3 scripts/make-example.py --out DIR  write both files into DIR
"""

import argparse
import pathlib
import sys

ROM_SIZE = 4096
RECORDS = 255  # entries 1 to 255; entry 0 has no record and always reads as the yen sign
TERMINATOR = 0x0D
MAX_TABLE_FILE = 32767

# Where things lie in the ROM, as byte offsets.
POINTERS = (0x100, 0x120)  # one pointer table per bank
BANKS = (0x400, 0xC00)

SENTENCES = (
    (
        "The lighthouse keeper counts the waves every single night.",
        "Bring the brass key to the old mill before the moon rises.",
        "Welcome, [NAME]! The ferry leaves at dawn.",
        "Nothing is lost that the tide cannot return.",
    ),
    (
        "The miller swears the old mill has a door under the stairs.",
        "Press START to begin your journey, 2 players max.",
    ),
)

# Phrases the README and the example's test search for: each must start a page line early
# enough (not in a line's last two bytes) that the page Find shows holds the whole phrase.
SHOWN_PHRASES = ("Bring the brass key", "the old mill")


def table():
    """The translation of every byte value, as bytes; index 0 is never written."""
    entries = [b""] * 256
    for i in range(26):
        entries[0x80 + i] = bytes([ord("A") + i])
        entries[0xA0 + i] = bytes([ord("a") + i])
    for i, pair in enumerate(("th", "er", "in", "ou")):
        entries[0xC0 + i] = pair.encode("ascii")
    for i in range(10):
        entries[0xE0 + i] = bytes([ord("0") + i])
    for i, mark in enumerate(".,!?'-:"):
        entries[0xF0 + i] = mark.encode("ascii")
    entries[0xFD] = b"[NAME]"
    entries[0xFF] = b" "
    return entries


def encode(text, entries):
    """Text to bytes as Orvane's Find does it: at each place the longest translation that the
    text starts with, and of equal ones the highest byte value."""
    data = text.encode("latin-1")
    out = bytearray()
    while data:
        best = None
        for length in range(1, len(data) + 1):
            for value in range(256):
                if entries[value] and entries[value] == data[:length]:
                    best = (value, length)
        if best is None:
            raise ValueError(f"no translation starts {data!r} in {text!r}")
        out.append(best[0])
        data = data[best[1]:]
    return bytes(out)


def filler(count, seed):
    """Made-up code: bytes 01 to 7F from a linear congruential generator, which the table
    leaves untranslated, so code shows as blank text beside its hex."""
    state = seed
    out = bytearray()
    for _ in range(count):
        state = (state * 1103515245 + 12345) % (1 << 31)
        out.append(1 + (state >> 16) % 0x7F)
    return bytes(out)


def rom(entries):
    image = bytearray(filler(ROM_SIZE, seed=0x5EED))
    for pointers, bank, sentences in zip(POINTERS, BANKS, SENTENCES):
        at = bank
        table_bytes = bytearray()
        for sentence in sentences:
            coded = encode(sentence, entries) + b"\x00"
            image[at:at + len(coded)] = coded
            table_bytes += at.to_bytes(2, "little")
            at += len(coded)
        table_bytes += b"\xff\xff"  # end of the table
        image[pointers:pointers + len(table_bytes)] = table_bytes
    assert len(image) == ROM_SIZE
    return bytes(image)


def table_file(entries):
    out = bytearray()
    for value in range(1, RECORDS + 1):
        if TERMINATOR in entries[value]:
            raise ValueError(f"entry {value:02X} holds a carriage return")
        out += entries[value] + bytes([TERMINATOR])
    if len(out) > MAX_TABLE_FILE:
        raise ValueError("table file too large")
    return bytes(out)


def check_phrases(image, entries):
    for phrase in SHOWN_PHRASES:
        coded = encode(phrase, entries)
        offsets = [at for at in range(len(image)) if image.startswith(coded, at)]
        if not offsets:
            raise ValueError(f"{phrase!r} is not in the ROM")
        for offset in offsets:
            if offset % 16 >= 14:
                raise ValueError(f"{phrase!r} starts at {offset:#x}, too late in its line")
        if phrase.encode("ascii") in image:
            raise ValueError(f"{phrase!r} is in the ROM as ASCII")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", type=pathlib.Path,
                        default=pathlib.Path(__file__).resolve().parent.parent / "examples")
    parser.add_argument("--check", action="store_true",
                        help="compare with the files in the output folder instead of writing")
    args = parser.parse_args()

    entries = table()
    image = rom(entries)
    check_phrases(image, entries)
    files = {"demo.smc": image, "demo.kel": table_file(entries)}

    if args.check:
        stale = [name for name, data in files.items()
                 if not (args.out / name).is_file() or (args.out / name).read_bytes() != data]
        for name in stale:
            print(f"{args.out / name} differs from what {sys.argv[0]} makes", file=sys.stderr)
        return 1 if stale else 0

    args.out.mkdir(parents=True, exist_ok=True)
    for name, data in files.items():
        (args.out / name).write_bytes(data)
        print(f"wrote {args.out / name} ({len(data)} bytes)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
