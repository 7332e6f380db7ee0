#!/usr/bin/env python3
"""Writes the fuzzers' seed files: corpus/sound/ and corpus/picture/.

Small sound files built byte by byte here (MIDI of format 0, 1 and 2 with running status,
tempo changes and sysex; WAVs of several sample formats) and small pictures drawn from
scratch with ImageMagick, plus cut-off copies of some of them. The output is committed;
run this from anywhere to make it again:

    python3 tests/fuzz/make_seeds.py
"""
import math
import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SOUND = os.path.join(HERE, "corpus", "sound")
PICTURE = os.path.join(HERE, "corpus", "picture")
CONVERT = "/usr/bin/convert"  # ImageMagick 6 (Debian package imagemagick)


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# ------------------------------------------------------------------------------- MIDI

def var_len(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def event(delta, *data):
    return var_len(delta) + bytes(data)


def meta(delta, kind, body):
    return var_len(delta) + bytes([0xFF, kind]) + var_len(len(body)) + body


def tempo(delta, micros):
    return meta(delta, 0x51, micros.to_bytes(3, "big"))


def end(delta=0):
    return meta(delta, 0x2F, b"")


def track(*events):
    body = b"".join(events)
    return b"MTrk" + struct.pack(">I", len(body)) + body


def header(fmt, tracks, division, extra=b""):
    body = struct.pack(">HHH", fmt, tracks, division) + extra
    return b"MThd" + struct.pack(">I", len(body)) + body


def running_melody(channel, keys, step):
    """Note-ons under running status, released by note-ons of velocity 0."""
    out = [event(0, 0x90 | channel, keys[0], 96)]
    for i, key in enumerate(keys):
        if i:
            out.append(event(0, key, 90))
        out.append(event(step, key, 0))
    return out


def midi_seeds():
    gm_reset = bytes([0x7E, 0x7F, 0x09, 0x01, 0xF7])
    seeds = {}

    seeds["format0_running_status.mid"] = header(0, 1, 96) + track(
        tempo(0, 500000),
        meta(0, 0x58, bytes([4, 2, 24, 8])),
        event(0, 0xC0, 24),
        *running_melody(0, [60, 62, 64, 65, 67], 48),
        event(0, 0x80, 60, 0),  # a release of a note that is not sounding
        end(24))

    seeds["format1_tempo_changes.mid"] = (
        header(1, 3, 480)
        + track(meta(0, 0x03, b"tempo map"), tempo(0, 600000), tempo(960, 400000),
                tempo(960, 750000), tempo(480, 300000), end(480))
        + track(event(0, 0xF0, len(gm_reset), *gm_reset), event(0, 0xB0, 7, 100), event(0, 0xC0, 0),
                *running_melody(0, [48, 55, 52, 60], 480), end())
        + track(event(0, 0xC9, 0), event(0, 0x99, 36, 110), event(240, 42, 80), event(240, 36, 0),
                event(0, 42, 0), event(0, 0xE0, 0x00, 0x40), event(120, 0xD0, 64), end(120)))

    seeds["format1_sysex_escape.mid"] = (
        header(1, 2, 192)
        + track(tempo(0, 545454), meta(0, 0x59, bytes([0, 0])), end(0))
        + track(event(0, 0xF0, 3, 0x43, 0x12, 0x00), event(0, 0xF7, 2, 0x10, 0xF7),
                event(0, 0x91, 64, 100), event(96, 0xA1, 64, 30), event(96, 0x81, 64, 64),
                event(0, 0xF7, 1, 0xF8), end(10)))

    seeds["format2_two_patterns.mid"] = (
        header(2, 2, 120)
        + track(tempo(0, 1000000), *running_melody(1, [70, 72], 60), end())
        + track(tempo(0, 250000), *running_melody(2, [40, 47, 40], 30), end()))

    seeds["note_left_sounding.mid"] = header(0, 1, 96) + track(
        event(0, 0x90, 60, 100), event(96, 0x90, 64, 100), event(96, 0x80, 64, 0), end(96))

    seeds["no_notes.mid"] = header(0, 1, 96) + track(
        meta(0, 0x01, b"silence"), event(0, 0xB0, 121, 0), end(960))

    seeds["long_header_and_foreign_chunk.mid"] = (
        header(1, 2, 96, extra=b"\x00\x00")
        + track(tempo(0, 500000), end())
        + b"XFIH" + struct.pack(">I", 4) + b"\x01\x02\x03\x04"
        + track(event(0x0FFFFFFF, 0x92, 50, 1), event(0x7F, 0x82, 50, 0),
                end(0)))

    seeds["end_of_track_then_junk.mid"] = header(0, 1, 24) + track(
        event(0, 0x90, 72, 64), event(24, 72, 0), end(), b"\x00\x90\x3C\x40")

    full = seeds["format1_tempo_changes.mid"]
    seeds["format1_tempo_changes_cut_in_track.mid"] = full[: len(full) * 2 // 3]
    seeds["format1_tempo_changes_cut_in_header.mid"] = full[:12]
    return seeds


# -------------------------------------------------------------------------------- WAV

def chunk(tag, body):
    return tag + struct.pack("<I", len(body)) + body + (b"\x00" if len(body) & 1 else b"")


def fmt_body(tag, channels, rate, bits, block=None, extra=b""):
    block = block or channels * bits // 8
    return struct.pack("<HHIIHH", tag, channels, rate, rate * block, block, bits) + extra


def riff(*chunks):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def sine(frames, rate, scale, offset, pack, channels=1):
    out = bytearray()
    for i in range(frames):
        value = int(round(offset + scale * math.sin(2 * math.pi * 440 * i / rate)))
        out += pack(value) * channels
    return bytes(out)


def wav_seeds():
    seeds = {}
    rate = 8000
    frames = 200
    pcm8 = sine(frames, rate, 100, 128, lambda v: struct.pack("<B", v))
    pcm16 = sine(frames, rate, 20000, 0, lambda v: struct.pack("<h", v), channels=2)
    pcm24 = sine(frames // 2, rate, 4000000, 0, lambda v: struct.pack("<i", v)[:3])
    float32 = b"".join(struct.pack("<f", 0.5 * math.sin(2 * math.pi * 440 * i / rate)) for i in range(frames // 2))

    seeds["pcm8_mono.wav"] = riff(chunk(b"fmt ", fmt_body(1, 1, rate, 8)), chunk(b"data", pcm8))
    seeds["pcm16_stereo.wav"] = riff(chunk(b"fmt ", fmt_body(1, 2, rate, 16)), chunk(b"data", pcm16))
    seeds["pcm24_mono_list_chunk.wav"] = riff(
        chunk(b"fmt ", fmt_body(1, 1, rate, 24)),
        chunk(b"LIST", b"INFOINAM" + struct.pack("<I", 5) + b"card\x00"),
        chunk(b"data", pcm24))
    seeds["float32_mono.wav"] = riff(chunk(b"fmt ", fmt_body(3, 1, rate, 32, extra=b"\x00\x00")),
                                     chunk(b"data", float32))
    seeds["mulaw_odd_data.wav"] = riff(chunk(b"fmt ", fmt_body(7, 1, rate, 8)), chunk(b"data", pcm8[:101]))
    extensible = struct.pack("<HHI", 22, 16, 0x4) + b"\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71"
    seeds["extensible_pcm16.wav"] = riff(chunk(b"fmt ", fmt_body(0xFFFE, 1, rate, 16, extra=extensible)),
                                         chunk(b"data", pcm16[: frames * 2]))
    adpcm = struct.pack("<HHIIHH", 0x11, 1, rate, 4055, 256, 4) + struct.pack("<HH", 2, 505)
    seeds["ima_adpcm_header.wav"] = riff(chunk(b"fmt ", adpcm), chunk(b"fact", struct.pack("<I", 505)),
                                         chunk(b"data", bytes(256)))
    full = seeds["pcm16_stereo.wav"]
    seeds["pcm16_stereo_cut_in_data.wav"] = full[: len(full) - 7]
    seeds["data_before_fmt.wav"] = riff(chunk(b"data", pcm8[:16]), chunk(b"fmt ", fmt_body(1, 1, rate, 8)))
    return seeds


# --------------------------------------------------------------------------- pictures

def convert(*args):
    subprocess.run([CONVERT, *args], check=True)


def top_down_bmp(width, height):
    """A 24-bit BMP stored top row first (a negative height), as some tools write it."""
    row = bytearray()
    for x in range(width):
        row += bytes([40 + 10 * x % 200, 120, 200 - 8 * x % 180])
    row += bytes(-len(row) % 4)
    pixels = bytes(row) * height
    info = struct.pack("<IiiHHIIiiII", 40, width, -height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(info) + len(pixels), 0, 0, 14 + len(info)) + info + pixels


def extended_sequential(jpeg):
    """The same JPEG with its baseline frame marker (SOF0) turned into SOF1."""
    pos = 2
    while pos + 4 <= len(jpeg) and jpeg[pos] == 0xFF:
        marker = jpeg[pos + 1]
        if marker == 0xC0:
            return jpeg[: pos + 1] + b"\xc1" + jpeg[pos + 2:]
        if marker == 0xDA:
            break
        pos += 2 + struct.unpack(">H", jpeg[pos + 2: pos + 4])[0]
    raise ValueError("no baseline frame")


def picture_seeds():
    out = lambda name: os.path.join(PICTURE, name)
    strip = ["-strip", "-define", "png:exclude-chunks=date,time"]
    drawn = ["-size", "48x32", "gradient:#0a5c36-#f0d000", "-fill", "#c02020", "-draw", "circle 24,16 24,6"]
    convert(*drawn, *strip, "-quality", "80", out("baseline.jpg"))
    convert(*drawn, *strip, "-quality", "60", "-interlace", "Plane", out("progressive.jpg"))
    convert(*drawn, *strip, "-colorspace", "Gray", "-quality", "70", out("gray.jpg"))
    convert(*drawn, *strip, "-sampling-factor", "2x2", "-quality", "50", "-resize", "37x23!", out("subsampled_odd_size.jpg"))
    convert(*drawn, *strip, "-alpha", "set", "-channel", "A", "-evaluate", "set", "60%", "+channel", out("rgba.png"))
    convert(*drawn, *strip, "-colors", "16", "PNG8:" + out("palette.png"))
    convert(*drawn, *strip, "-interlace", "PNG", "-depth", "16", out("interlaced_16bit.png"))
    convert(*drawn, *strip, "BMP3:" + out("rgb24.bmp"))
    convert(*drawn, *strip, "-colors", "8", "-type", "Palette", "-compress", "RLE", "BMP3:" + out("palette_rle.bmp"))
    write(PICTURE, "top_down.bmp", top_down_bmp(16, 12))
    convert(*drawn, *strip, "-colors", "32", out("picture.gif"))
    convert(*drawn, *strip, "-resize", "16x16!", out("icon.ico"))
    convert(*drawn, *strip, "-resize", "16x12!", "-compress", "none", out("plain.ppm"))
    convert(*drawn, *strip, "-resize", "16x12!", out("raw.pgm"))
    convert(*drawn, *strip, "-resize", "16x12!", "-monochrome", out("mono.pbm"))
    convert(*drawn, *strip, "-resize", "12x8!", "-colors", "4", out("small.xpm"))
    convert(*drawn, *strip, "-resize", "16x8!", "-monochrome", out("mono.xbm"))
    # A chunk claiming 2 GB where the end chunk was: libpng once allocated all of it.
    with open(out("palette.png"), "rb") as f:
        data = f.read()
    write(PICTURE, "palette_chunk_past_end.png", data[:-12] + struct.pack(">I", 0x7FFFFFFF) + b"zTXtx")
    # The baseline picture marked extended sequential (SOF1): coded alike, read row by row alike.
    with open(out("baseline.jpg"), "rb") as f:
        data = f.read()
    write(PICTURE, "extended_sequential.jpg", extended_sequential(data))
    for name, keep in (("baseline.jpg", 0.6), ("extended_sequential.jpg", 0.6), ("progressive.jpg", 0.5),
                       ("rgba.png", 0.7), ("picture.gif", 0.5)):
        with open(out(name), "rb") as f:
            data = f.read()
        stem, ext = os.path.splitext(name)
        write(PICTURE, f"{stem}_cut{ext}", data[: int(len(data) * keep)])


def main():
    os.makedirs(SOUND, exist_ok=True)
    os.makedirs(PICTURE, exist_ok=True)
    for name, data in {**midi_seeds(), **wav_seeds()}.items():
        write(SOUND, name, data)
    picture_seeds()
    for folder in (SOUND, PICTURE):
        names = sorted(os.listdir(folder))
        print(f"{os.path.relpath(folder, HERE)}: {len(names)} files, {sum(os.path.getsize(os.path.join(folder, n)) for n in names)} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
