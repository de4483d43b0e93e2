#!/usr/bin/env python3
"""Writes the document-file fixtures under tests/persistence/data/ (and data/bad/), and the
fuzzer's seed corpus under fuzz/corpus/document_file/: every document, good or bad, written
compactly, and each archive of data/archives/ as its bytes.

The archives are composed here, from the typed-stream rules, independently of the C++
encoder: every number a new object, shared strings / C strings / classes referenced after
their first use, integral floats written as integers. Run it from any folder; it rewrites
the fixtures in place.
"""
import math
import re
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data")
SEEDS = os.path.join(HERE, "..", "..", "..", "fuzz", "corpus", "document_file")

CHAINS = {
    "NSNumber": ["NSNumber", "NSValue", "NSObject"],
    "NSMutableArray": ["NSMutableArray", "NSArray", "NSObject"],
    "NSMutableDictionary": ["NSMutableDictionary", "NSDictionary", "NSObject"],
}


class Archive:
    def __init__(self):
        self.out = bytearray(b"\x04\x0bstreamtyped\x81\xe8\x03")
        self.strings, self.labels, self.next_label = {}, {}, 0

    def int(self, v):
        if -110 <= v <= 127:
            self.out += struct.pack("<b", v)
        elif -32767 <= v <= 32767:
            self.out += b"\x81" + struct.pack("<h", v)
        else:
            self.out += b"\x82" + struct.pack("<i", v)

    def ref(self, index):
        self.int(index - 110)

    def shared(self, s):
        if s in self.strings:
            return self.ref(self.strings[s])
        self.out += b"\x84"
        self.int(len(s))
        self.out += s.encode()
        self.strings[s] = len(self.strings)

    def label(self, key):
        self.labels[key] = self.next_label
        self.next_label += 1

    def cstring(self, s):
        if ("c", s) in self.labels:
            return self.ref(self.labels[("c", s)])
        self.out += b"\x84"
        self.label(("c", s))
        self.shared(s)

    def chain(self, cls):
        for name in CHAINS[cls]:
            if ("k", name) in self.labels:
                return self.ref(self.labels[("k", name)])
            self.out += b"\x84"
            self.label(("k", name))
            self.shared(name)
            self.int(0)
        self.out += b"\x85"

    def float(self, x):
        x = struct.unpack("<f", struct.pack("<f", x))[0]
        k = 0 if (math.isnan(x) or x >= 2147483646.0 or x < -2147483646.0) else int(x)
        if float(k) == x:
            self.int(k)
        else:
            self.out += b"\x83" + struct.pack("<f", x)

    def number(self, kind, value):
        self.out += b"\x84"
        self.label(("o", object()))
        self.chain("NSNumber")
        self.shared("*")
        self.cstring(kind)
        self.shared(kind)
        if kind == "c":
            self.out += bytes([value])
        elif kind == "d":
            self.out += b"\x83" + struct.pack("<d", value)
        elif kind == "f":
            self.float(value)
        else:
            self.int(value)
        self.out += b"\x86"

    def obj(self, value):
        kind, content = value
        if kind in ("i", "q", "f", "d", "c"):
            return self.number(kind, content)
        self.out += b"\x84"
        self.label(("o", object()))
        if kind == "array":
            self.chain("NSMutableArray")
            self.shared("i")
            self.int(len(content))
            for element in content:
                self.shared("@")
                self.obj(element)
        else:
            self.chain("NSMutableDictionary")
            self.shared("i")
            self.int(len(content))
            for key, element in content:
                self.shared("@")
                self.obj(key)
                self.shared("@")
                self.obj(element)
        self.out += b"\x86"


def archive(value):
    a = Archive()
    a.shared("@")
    a.obj(value)
    return bytes(a.out)


def floats(values):
    return ("array", [("f", v) for v in values])


def ints(values):
    return ("array", [("i", v) for v in values])


def chords(mapping):
    return ("dict", [(("i", k), floats(v)) for k, v in sorted(mapping.items())])


def data_text(blob):
    hexed = blob.hex()
    return "<" + " ".join(hexed[i:i + 8] for i in range(0, len(hexed), 8)) + ">"


FULL = [
    ("Kelvara Document Version", "2"),
    ("Kelvara scale ratios", floats([1.0, 1.25, 1.5, 2.0])),
    ("Kelvara overtone types", ("i", 3)),
    ("Kelvara dissonance ratios", floats([1.0, 1.5])),
    ("Kelvara base frequency", ("f", 440.1)),
    ("Kelvara graph x min", ("f", 0.9)),
    ("Kelvara graph x max", ("f", 2.1)),
    ("Kelvara graph y min", ("f", -0.5)),
    ("Kelvara graph y max", ("f", 5.0)),
    ("Kelvara plot justs", ("c", 1)),
    ("Kelvara plot x", ("c", 0)),
    ("Kelvara plot dx", ("c", 1)),
    ("Kelvara step size", ("f", 0.01)),
    ("Kelvara number of overtones", ("i", 12)),
    ("Kelvara Volume", ("i", 100)),
    ("Kelvara midi keys", ints([64, 60])),
    ("Kelvara chords", chords({60: [261.63, 329.63], 64: [329.63, 392.0]})),
]


def document(entries):
    lines = ["{"]
    for key, value in entries:
        text = value if isinstance(value, str) else data_text(archive(value))
        lines.append('    "%s" = %s;' % (key, text))
    lines.append("}")
    return "\n".join(lines)


def changed(replacements=None, removed=()):
    replacements = replacements or {}
    out = []
    for key, value in FULL:
        if key in removed:
            continue
        out.append((key, replacements.get(key, value)))
    return out


def raw_archive_entry(key, blob):
    """An entry whose data is given as bytes (for malformed archives)."""
    return document(changed()).replace(
        '"%s" = %s;' % (key, data_text(archive(dict(FULL)[key]))),
        '"%s" = %s;' % (key, data_text(blob)))


def write(name, text):
    with open(os.path.join(DATA, name), "w", encoding="ascii") as f:
        f.write(text)
    # The same document without the optional blanks: short enough for the fuzzer's input
    # length limit.
    compact = re.sub(r"<([0-9a-f ]*)>", lambda m: "<" + m.group(1).replace(" ", "") + ">",
                     text.replace("\n    ", "").replace("\n", ""))
    seed = name.replace(".kelvara", "").replace("/", "_")
    with open(os.path.join(SEEDS, seed), "w", encoding="ascii") as f:
        f.write(compact)


def main():
    os.makedirs(os.path.join(DATA, "bad"), exist_ok=True)
    os.makedirs(SEEDS, exist_ok=True)
    write("full.kelvara", document(FULL))
    write("version1_with_plot_dx.kelvara",
          document(changed({"Kelvara Document Version": "1"})))
    write("no_version.kelvara", document(changed(removed=["Kelvara Document Version"])))
    write("version_as_text.kelvara", document(changed({"Kelvara Document Version": '" 17th"'})))
    # Scalars of other number types: a double where a float belongs, an int for a float, a
    # float for an int, a long long for a boolean.
    write("other_number_types.kelvara",
          document(changed({"Kelvara base frequency": ("d", 440.0),
                            "Kelvara graph y max": ("i", 5),
                            "Kelvara number of overtones": ("f", 12.0),
                            "Kelvara plot justs": ("q", 2)})))
    write("without_optional_entries.kelvara",
          document(changed({"Kelvara graph x min": ("f", 1.0), "Kelvara graph x max": ("f", 2.0)},
                           removed=["Kelvara step size", "Kelvara number of overtones"])))

    midi_keys = archive(ints([64, 60]))
    write("bad/not_a_property_list.kelvara", "This is not a Kelvara document.\n")
    write("bad/root_is_an_array.kelvara", "(a, b)")
    write("bad/truncated_blob.kelvara",
          raw_archive_entry("Kelvara midi keys", midi_keys[:-5]))
    # The count byte of the key list (2) raised to 127.
    count_at = midi_keys.index(b"\x84\x01\x69\x02") + 3
    write("bad/count_larger_than_data.kelvara",
          raw_archive_entry("Kelvara midi keys",
                            midi_keys[:count_at] + b"\x7f" + midi_keys[count_at + 1:]))
    write("bad/wrong_class.kelvara",
          document(changed({"Kelvara overtone types": ints([3])})))
    write("bad/eleven_fixed_tones.kelvara",
          document(changed({"Kelvara dissonance ratios": floats([1.0] * 11)})))
    write("bad/zero_step.kelvara", document(changed({"Kelvara step size": ("f", 0.0)})))
    write("bad/range_too_wide_for_step.kelvara",
          document(changed({"Kelvara graph x max": ("f", 4.0)})))
    write("bad/missing_volume.kelvara", document(changed(removed=["Kelvara Volume"])))
    write("bad/zero_fixed_tone.kelvara",
          document(changed({"Kelvara dissonance ratios": floats([1.0, 0.0])})))
    write("bad/timbre_type_6.kelvara", document(changed({"Kelvara overtone types": ("i", 6)})))
    write("bad/fractional_chord_key.kelvara",
          document(changed({"Kelvara chords": ("dict", [(("f", 60.5), floats([1.0]))]),
                            "Kelvara midi keys": ints([60])})))
    write("bad/infinite_ratio.kelvara",
          document(changed({"Kelvara scale ratios": floats([1.0, math.inf])})))
    write("bad/key_listed_twice.kelvara",
          document(changed({"Kelvara midi keys": ints([60, 64, 60])})))
    write("bad/scalar_is_text.kelvara",
          document(changed({"Kelvara Volume": '"100"'})))

    archives = os.path.join(DATA, "archives")
    for name in sorted(os.listdir(archives)):
        with open(os.path.join(archives, name), encoding="ascii") as f:
            blob = bytes.fromhex(re.sub(r"[^0-9a-fA-F]", "", f.read()))
        with open(os.path.join(SEEDS, "archive_" + name.replace(".hex", "")), "wb") as f:
            f.write(blob)


if __name__ == "__main__":
    main()
