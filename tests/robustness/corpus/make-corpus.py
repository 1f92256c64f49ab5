#!/usr/bin/env python3
"""Writes the hostile state blocks of this folder (run it from anywhere).

The blocks are in the value-tree stream format: a tree is its type as a
zero-terminated string, a compressed count of properties (name string + value),
a compressed count of children and the children; a value is a compressed size,
a marker byte and the payload. A compressed int is a size byte (bit 7 = sign,
bits 0-6 = number of bytes) followed by that many little-endian bytes.
The committed .bin files are what the tests read; this script only documents
how they were made and rewrites them.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
INT_MAX = 0x7FFFFFFF


def cint(value):
    """A compressed int as the framework writes it (smallest width)."""
    if value == 0:
        return b"\x00"
    magnitude = abs(value) & 0xFFFFFFFF
    body = magnitude.to_bytes(4, "little").rstrip(b"\x00")
    return bytes([len(body) | (0x80 if value < 0 else 0)]) + body


def raw_cint(size_byte, body):
    """A compressed int with any size byte and body, valid or not."""
    return bytes([size_byte]) + body


def text(s):
    return s.encode("utf-8") + b"\x00"


def value_double(d):
    return cint(9) + b"\x04" + struct.pack("<d", d)


def value_string(s):
    payload = text(s)
    return cint(len(payload) + 1) + b"\x05" + payload


def value_int(i):
    return cint(5) + b"\x01" + struct.pack("<i", i)


def value_bool(b):
    return cint(1) + (b"\x02" if b else b"\x03")


def value_binary(data):
    return cint(len(data) + 1) + b"\x08" + data


def value_array(elements):
    body = cint(len(elements)) + b"".join(elements)
    return cint(len(body) + 1) + b"\x07" + body


def tree(type_name, properties=(), children=()):
    out = text(type_name) + cint(len(properties))
    for name, value in properties:
        out += text(name) + value
    out += cint(len(children))
    for child in children:
        out += child
    return out


def param(param_id, value=None):
    props = [("id", value_string(param_id))]
    if value is not None:
        props.append(("value", value))
    return tree("PARAM", props)


DEFAULTS = [("depth", 0.0), ("phase", 0.0), ("rate", struct.unpack("<f", struct.pack("<f", 0.01))[0]),
            ("shape", 0.0), ("width", 100.0)]


def default_state():
    return tree("Parameters", (), [param(i, value_double(v)) for i, v in DEFAULTS])


def nested_trees(levels):
    # Each level: type "n", no properties, one child; the innermost has no child.
    return (b"n\x00" + cint(0) + cint(1)) * (levels - 1) + b"n\x00" + cint(0) + cint(0)


def nested_arrays(levels):
    # Array sizes are written before their bodies, so build from the inside out.
    value = value_array([])
    for _ in range(levels - 1):
        value = value_array([value])
    return tree("Parameters", [("deep", value)])


def short_name(i):
    digits = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
    return digits[i // 3844] + digits[(i // 62) % 62] + digits[i % 62]


def densest_names():
    """4,096 distinct names as short as names can be: 127 of one byte, the rest of two."""
    one_byte = [bytes([c]) for c in range(1, 128)]
    two_bytes = [bytes([a, b]) for a in range(1, 128) for b in range(1, 128)]
    return (one_byte + two_bytes)[:4096]


CORPUS = {
    "real-default.bin": default_state(),
    "two-trees-back-to-back.bin": default_state() + tree("Other", (), [param("rate", value_double(5.0))]),
    "zero-first-byte.bin": b"\x00Parameters\x00" + cint(0) + cint(0),
    "huge-child-count.bin": text("Parameters") + cint(0) + cint(INT_MAX) + param("rate", value_double(7.0)),
    "huge-child-count-at-end.bin": text("Parameters") + cint(0) + cint(INT_MAX),
    "huge-property-count.bin": text("Parameters") + cint(INT_MAX),
    "huge-property-count-empty-names.bin": text("Parameters") + cint(INT_MAX) + b"\x00" * 64,
    "huge-binary-size.bin": text("Parameters") + cint(1) + text("blob") + cint(INT_MAX) + b"\x08abcd" + cint(0),
    "huge-string-size.bin": text("Parameters") + cint(1) + text("name") + cint(INT_MAX) + b"\x05abc",
    "huge-array-count.bin": text("Parameters") + cint(1) + text("list") + cint(6) + b"\x07" + cint(INT_MAX),
    "huge-unknown-value-size.bin": text("Parameters") + cint(1) + text("odd") + cint(INT_MAX) + b"\x42" + b"\x01" * 8,
    "deep-tree-nesting.bin": nested_trees(5000),
    "deep-array-nesting.bin": nested_arrays(4000),
    "many-distinct-properties.bin": text("Parameters") + cint(4500)
        + b"".join(text(short_name(i)) + cint(0) for i in range(4500)) + cint(0),
    "many-distinct-children.bin": text("Parameters") + cint(0) + cint(4500)
        + b"".join(tree(short_name(i)) for i in range(4500)),
    "densest-distinct-names.bin": text("Parameters") + cint(4096)
        + b"".join(name + b"\x00" + cint(0) for name in densest_names()) + cint(0),
    "negative-counts.bin": text("Parameters") + cint(-1) + cint(-5) + param("rate", value_double(3.0)),
    "negative-child-count.bin": text("Parameters") + cint(0) + cint(-5) + param("rate", value_double(3.0)),
    "count-size-byte-too-wide.bin": text("Parameters") + raw_cint(0x05, b"\xff" * 5) + cint(1)
        + param("rate", value_double(2.0)),
    "count-int-min.bin": text("Parameters") + cint(0) + raw_cint(0x84, b"\x00\x00\x00\x80"),
    "count-cut-off.bin": text("Parameters") + cint(0) + raw_cint(0x04, b"\xff\xff"),
    "unterminated-type.bin": b"Parameters",
    "unterminated-utf8-string.bin": text("Parameters") + cint(1) + text("s") + cint(INT_MAX) + b"\x05ok\xe2\x82",
    "invalid-utf8-names.bin": b"\xff\xfe\x00" + cint(1) + b"\xc3\x00" + value_int(1) + cint(1)
        + param("depth", value_double(50.0)),
    "non-finite-values.bin": tree("Parameters", (), [
        param("rate", value_double(float("nan"))), param("depth", value_double(float("inf"))),
        param("phase", value_double(float("-inf"))), param("width", value_double(1e300)),
        param("shape", value_double(-1e308))]),
    "non-finite-texts.bin": tree("Parameters", (), [
        param("rate", value_string("nan")), param("depth", value_string("inf")),
        param("phase", value_string("-1e999")), param("width", value_string("1e39"))]),
    "odd-value-types.bin": tree("Parameters", (), [
        param("rate", value_binary(b"\x01\x02")), param("depth", value_array([value_double(50.0)])),
        param("phase", value_bool(True)), param("width", value_int(-7)), param("shape", value_string("Triangle"))]),
    "duplicate-ids.bin": tree("Parameters", (), [param("rate", value_double(4.0)), param("rate", value_double(9.0))]),
    "cut-inside-value.bin": default_state()[:40],
    "unwritable-names.bin": text("Parameters") + cint(2) + b"\x80x\x00" + value_int(1) + text("ok") + value_int(2)
        + cint(2) + b"\xc0\x80PARAM\x00" + cint(2) + text("id") + value_string("rate") + text("value")
        + value_double(5.0) + cint(0) + param("rate", value_double(6.0)),
    "duplicate-names.bin": tree("Parameters", [
        ("a", value_double(1.0)), ("a", value_double(1.0 + 2 ** -60)), ("b", value_int(1)), ("b", value_double(1.0)),
        ("e", value_array([value_int(1)])), ("e", value_array([value_double(1.0)])),
        ("f", value_string("1")), ("f", value_double(1.0)), ("g", value_double(1.0)), ("g", value_string("1"))]),
    "duplicate-empty-binaries.bin": tree("Parameters", [
        ("c", value_binary(b"")), ("c", value_binary(b"")),
        ("d", value_array([value_binary(b"")])), ("d", value_array([value_binary(b"")]))]),
    "unwritable-root-type.bin": b"\x80Parameters\x00" + cint(0) + cint(1) + param("rate", value_double(5.0)),
    "lone-lead-byte-root-type.bin": b"\x80\x00" + cint(2),
    "overlong-nul-root-type.bin": b"\xc0\x80\x00",
    "nan-id.bin": tree("Parameters", (), [tree("PARAM", [("id", value_double(float("nan"))),
                                                         ("value", value_double(5.0))])]),
    "non-string-ids.bin": tree("Parameters", (), [
        tree("PARAM", [("id", value), ("value", value_double(5.0))])
        for value in (value_double(float("inf")), value_double(float("-inf")), value_int(5), value_bool(True),
                      value_array([value_double(float("nan"))]), value_binary(b"rate"))]
        + [param("rate", value_double(7.0))]),
}


def main():
    for name, data in CORPUS.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
    print("wrote %d files to %s" % (len(CORPUS), HERE))


if __name__ == "__main__":
    main()
