#!/usr/bin/env python3
"""Writes the binary property lists the tests read back, with Python's plistlib as the
independent writer. Run it from anywhere; it writes beside itself. The expected values are
spelled out again in Tests/Platform/Text/BinaryPropertyListReaderTests.cpp and
Tests/Platform/Defaults/UserDefaultsTests.cpp: change both together."""

import datetime
import os
import plistlib

here = os.path.dirname(os.path.abspath(__file__))


def write(name, value):
    with open(os.path.join(here, name), "wb") as file:
        plistlib.dump(value, file, fmt=plistlib.FMT_BINARY, sort_keys=True)


# Every type, and every width of every length and number field that plistlib writes.
write("every-type.bplist", {
    "ascii": "hello",
    "emptyString": "",
    "longAscii": "a string longer than fifteen characters",
    "unicode": "Grüße, 会议 🎉",
    "Schlüssel": "a key outside ASCII",
    "zero": 0,
    "oneByte": 255,
    "twoBytes": 256,
    "fourBytes": 65536,
    "eightBytes": 4294967296,
    "largest": 2**63 - 1,
    "minusOne": -1,
    "smallest": -(2**63),
    "real": 0.1,
    "tiny": 1.5e-7,
    "yes": True,
    "no": False,
    "data": bytes([0, 1, 2, 255]),
    "emptyData": b"",
    "longData": bytes(range(20)),
    "date": datetime.datetime(2024, 3, 8, 9, 30, 15, 250000),
    "uid": plistlib.UID(7),
    "emptyArray": [],
    "emptyDictionary": {},
    "sixteenElements": list(range(16)),
    "nested": {"inner": ["hello", {"deeper": True}]},
})

# More than 255 objects: object references and offsets two bytes wide.
write("three-hundred-strings.bplist", ["item %d" % i for i in range(300)])

# The shared settings suite as the main application writes it on a desktop whose defaults
# system keeps binary files.
write("shared-settings.bplist", {
    "activeCalendarIdentifiers": ["6D0B0E4C-1A2B-4C3D-8E9F-0A1B2C3D4E5F", "work"],
    "timeOffsetSeconds": 120,
    "includeTravelTime": True,
    "customSnoozeTimes": [3, 10],
    "excludeRules": b'[{"id":"3F2504E0-4F89-11D3-9A0C-0305E82C3301","field":"title","comparison":"contains",'
                    b'"value":"Lunch","isCaseSensitive":false}]',
})

# A number that no 64-bit signed integer holds: refused, not wrapped around.
write("integer-beyond-64-bits.bplist", {"big": 2**64 - 1})
