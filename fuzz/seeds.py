#!/usr/bin/env python3
"""Writes the valid seeds of the fuzz corpora (the seed-* files under corpus/)
and the GUID dictionary of the resizer format target. The regress-* files are
inputs that once exposed a fault and are kept as they were found.
Usage: python3 fuzz/seeds.py"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def guid(d1, d2, d3, d4):
    return struct.pack('<IHH', d1, d2, d3) + bytes(d4)


VIDEO_TAIL = [0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71]
GUIDS = {
    'MEDIATYPE_Video': guid(0x73646976, 0x0000, 0x0010, VIDEO_TAIL),
    'MEDIATYPE_Audio': guid(0x73647561, 0x0000, 0x0010, VIDEO_TAIL),
    'MEDIASUBTYPE_RGB24': guid(0xE436EB7D, 0x524F, 0x11CE, [0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70]),
    'MEDIASUBTYPE_RGB32': guid(0xE436EB7E, 0x524F, 0x11CE, [0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70]),
    'MEDIASUBTYPE_Y800': guid(0x30303859, 0x0000, 0x0010, VIDEO_TAIL),
    'MEDIASUBTYPE_YUY2': guid(0x32595559, 0x0000, 0x0010, VIDEO_TAIL),
    'FORMAT_VideoInfo': guid(0x05589F80, 0xC356, 0x11CE, [0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A]),
    'FORMAT_VideoInfo2': guid(0xF72A76A0, 0xEB0A, 0x11D0, [0xAC, 0xE4, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA]),
}

# Table positions in FuzzResizerFormat.cpp.
SUBTYPE_INDEX = {'RGB32': 0, 'RGB24': 1, 'Y800': 2}
BITS = {'RGB32': 32, 'RGB24': 24, 'Y800': 8}
FOURCC_Y800 = 0x30303859


def bitmap_header(width, height, bits, compression):
    stride = (bits * width + 31) // 32 * 4
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, compression, stride * abs(height), 0, 0, 0, 0)


def video_block(form, subtype, width, height):
    rects = struct.pack('<8i', 0, 0, width, abs(height), 0, 0, 0, 0)
    common = rects + struct.pack('<IIq', 0, 0, 333333)
    compression = FOURCC_Y800 if subtype == 'Y800' else 0
    bmi = bitmap_header(width, height, BITS[subtype], compression)
    if form == 1:
        return common + bmi
    return common + struct.pack('<6I', 0, 0, 4, 3, 0, 0) + bmi


def fmt(form, subtype, width, height):
    block = video_block(form, subtype, width, height)
    return bytes([0, SUBTYPE_INDEX[subtype], 0 if form == 1 else 1]) + struct.pack('<H', len(block)) + block


def write(folder, name, data):
    path = os.path.join(HERE, 'corpus', folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def resizer_seeds():
    for form in (1, 2):
        for subtype in ('RGB32', 'RGB24', 'Y800'):
            # Input 6x4 bottom-up, output the same frame top-down (a flip),
            # proposed output 16x3 (a resize); exact sample lengths.
            data = bytes([1]) + fmt(form, subtype, 6, 4) + fmt(1, subtype, 6, -4)
            data += struct.pack('<hh', 16, 3) + bytes([0, 0]) + bytes(range(96)) + bytes([0, 0])
            write('resizer_format', 'seed-vi%d-%s' % (form, subtype.lower()), data)


def raw_seeds():
    # 3x2 float image: rows of 32 bytes; byte 8 (the first pixel) picks the
    # type of the image loaded into: 3 (float).
    pixels = struct.pack('<16f', *[float(i) for i in range(16)])
    pixels = bytes([3]) + pixels[1:]
    write('raw_file', 'seed-float-3x2', struct.pack('<ii', 3, 2) + pixels)
    # 4x2 with first byte 1: loaded into a 24-bit image (rows of 32 bytes too).
    write('raw_file', 'seed-rgb24-4x2', struct.pack('<ii', 4, 2) + bytes([1]) + bytes(range(1, 64)))


def matrix_seeds():
    write('matrix_file', 'seed-binary-2x2', b'\x00' + struct.pack('<ii4d', 2, 2, 1.5, -2.0, 30.0, 4.25))
    write('matrix_file', 'seed-text-2x2', b'\x01' + b'2,2\n1.5,-2\n3e1,4.25\n')


def contour_seeds():
    # The writer's text for the square (0,0) (3,0) (3,3) (0,3).
    write('contour_text', 'seed-square', b'2;4;6;0;-3;-3;2;4;6;0;-3;3;')
    # One coefficient per coordinate, with white space and an exponent.
    write('contour_text', 'seed-point', b' 1;1;2.5e0;0;\n1;1;-1.25;0;')


def com_record(flags, count, roi, probe, width, height, stride, shortening, points, buffer):
    head = struct.pack('<Bh4ihhhhH', flags, count, *roi, probe, width, height, stride, shortening)
    return head + b''.join(struct.pack('<ii', x, y) for x, y in points) + bytes(buffer)


def com_seeds():
    square = [(0, 0), (3, 0), (3, 3), (0, 3)]
    # A square in a ROI and a 4 x 3 grey image in rows of 6 bytes (the last row 4).
    write('com_records', 'seed-square-4x3', com_record(0, 4, (1, 2, 11, 12), 2, 4, 3, 6, 0, square, range(16)))
    # Null points for a positive count; a grey record of kind 1; rows wider than the buffer.
    write('com_records', 'seed-refused', com_record(1 | 12, 2, (0, 0, 0, 0), -1, 8, 8, 8, 0, [(5, 6), (7, 8)],
                                                    range(40)))
    # A shortened buffer size: one byte less than the 2 x 2 image at stride 3 needs.
    write('com_records', 'seed-short-buffer', com_record(2, 1, (0, 0, 1, 1), 0, 2, 2, 3, 4, [(9, -9)], range(5)))


def guid_dictionary():
    lines = ['# GUIDs of the media types the resizer knows, as they lie in memory.']
    for name, value in GUIDS.items():
        lines.append('%s="%s"' % (name.lower(), ''.join('\\x%02X' % b for b in value)))
    lines.append('bitmap_header_size="\\x28\\x00\\x00\\x00"')
    lines.append('fourcc_y800="Y800"')
    with open(os.path.join(HERE, 'dict', 'resizer_format.dict'), 'w') as f:
        f.write('\n'.join(lines) + '\n')


if __name__ == '__main__':
    os.makedirs(os.path.join(HERE, 'dict'), exist_ok=True)
    resizer_seeds()
    raw_seeds()
    matrix_seeds()
    contour_seeds()
    com_seeds()
    guid_dictionary()
