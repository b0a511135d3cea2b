#!/usr/bin/env python3
"""Writes the small seed files for fuzz_bmp, fuzz_mesh and fuzz_folder.

    fuzz/make_binary_seeds.py      (run from anywhere; rewrites the seeds)

Each seed is a well-formed file of one kind the readers handle, kept tiny so
the fuzzer starts from every code path at once.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def bmp(width, height, depth, pixels, palette=()):
    offset = {4: 118, 8: 1078}.get(depth, 54)
    head = bytearray(offset)
    struct.pack_into("<2sIHHI", head, 0, b"BM", offset + len(pixels), 0, 0, offset)
    struct.pack_into("<IiiHHIIiiII", head, 14, 40, width, height, 1, depth, 0,
                     len(pixels), 2835, 2835, 0, 0)
    for k, (b, g, r) in enumerate(palette):
        struct.pack_into("<BBBB", head, 54 + 4 * k, b, g, r, 0)
    return bytes(head) + bytes(pixels)


def chunk(kind, count, payload):
    return struct.pack("<hhI", kind, count, 8 + len(payload)) + payload


def mesh(*chunks):
    body = b"".join(chunks)
    return struct.pack("<hhI", 0, 0, 8 + len(body)) + body


def floats(*values):
    return struct.pack("<%df" % len(values), *values)


def shorts(*values):
    return struct.pack("<%dh" % len(values), *values)


def bmp_seeds():
    grey16 = [(k * 17, k * 17, k * 17) for k in range(16)]
    grey256 = [(k, k, k) for k in range(256)]
    return {
        "4bit_4x4.bmp": bmp(4, 4, 4, bytes([0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF]),
                            grey16),
        "8bit_4x2.bmp": bmp(4, 2, 8, bytes(range(0, 256, 32)), grey256),
        "16bit_2x2.bmp": bmp(2, 2, 16, shorts(0x7C00, 0x03E0, 0x001F, 0x7FFF)),
        "32bit_2x4.bmp": bmp(2, 4, 32, bytes(range(32))),
        "24bit_2x2.bmp": bmp(2, 2, 24, bytes(12)),
    }


def mesh_seeds():
    square = floats(0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0)
    names = b"ome16.bmp\0buki16.bmp\0a\0"
    return {
        "plain.mesh": mesh(chunk(100, 4, square),
                           chunk(101, 2, shorts(0, 1, 2, 2, 1, 3)),
                           chunk(102, 1, shorts(0, 1, 2, 3))),
        "textured.mesh": mesh(chunk(100, 4, square),
                              chunk(103, 4, floats(0, 0, 1, 0, 1, 1, 0, 1)),
                              chunk(106, 3, names),
                              chunk(107, 0, shorts(1)),
                              chunk(104, 1, shorts(0, 1, 2, 2, 1, 0)),
                              chunk(105, 1, shorts(0, 1, 2, 3)),
                              chunk(99, 0, b"skip")),
        "empty.mesh": mesh(),
    }


MODEL = b"""SEC_M_HEAD: 1 IVVV
1  0 0 0 0  0 0 0 0  1 1 1 0
END
SEC_M_OBJ: 1 S
panel.msh
END
SEC_M_BORN: 1 IIVVVV
0 0  0 0 0 0  0 0 0 0  0 0 0 0  0 0 0 0
END
"""

ANIMATION = b"""SEC_ANIM_HEAD: 1 IIII
2 0 1 2
END
SEC_ANIM_SEEK: 2 IIIIV
4 0 1 0  0 0 0 0
2 0 0 1  0 0 0 0
END
SEC_ANIM_DAT: 2 V
0 0 0 0
0 30 0 0
END
"""


def folder_seeds():
    """A whole folder as fuzz_folder reads it: its files joined by a separator."""
    panel = mesh(chunk(100, 4, floats(-0.5, 1, 0, 0.5, 1, 0, 0.5, 0, 0, -0.5, 0, 0)),
                 chunk(102, 2, shorts(0, 1, 2, 3, 3, 2, 1, 0)))
    textures = [bmp(8, 8, 16, shorts(*([colour] * 64))) for colour in (0x7C00, 0x03E0, 0x001F)]
    return {"panel.folder": b"\n%%\n".join([MODEL, ANIMATION, panel] + textures)}


def write_all(folder, seeds):
    path = os.path.join(HERE, "corpus", folder)
    os.makedirs(path, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(path, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    write_all("bmp", bmp_seeds())
    write_all("mesh", mesh_seeds())
    write_all("folder", folder_seeds())
