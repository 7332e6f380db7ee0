#!/usr/bin/env python3
"""Reads the game's songs back and checks that each one is fit to play.

For every song in media/music/ it prints the file format, track count,
tempos, the length in seconds (from the tempo map, up to the last note-off),
the time from the last note-off to the End of Track, the number of notes,
and the channels and programs used. It exits with status 1 if any song is
missing, shorter than 40 s or longer than 120 s, has fewer than 200 notes,
lacks drums where it should have them, has more than 0.2 s of silence after
its last note, leaves a note sounding, or is mixed with too much reverb.

Python 3 standard library only.

Usage: python3 media/check_songs.py [music_dir]   (default: media/music)
"""

import os
import struct
import sys

# Title -> whether the song must have drums on channel 10.
SONGS = {
    "Chill1": True,
    "Champion": True,
    "Champs": True,
    "Easycity": True,
    "inds_01": True,
    "Humanoid": True,
    "Impact": True,
    "Lastday": False,
    "Scopa": True,
    "Sevilana": True,
}

MIN_SECONDS = 40.0
MAX_SECONDS = 120.0
MIN_NOTES = 200
MAX_TAIL = 0.2
MAX_REVERB = 80
DRUM_CHANNEL = 9  # channel 10, counted from zero


class MidiError(Exception):
    pass


def read_vlq(data, pos):
    value = 0
    for _ in range(4):
        if pos >= len(data):
            raise MidiError("variable-length number runs past the end")
        b = data[pos]
        pos += 1
        value = (value << 7) | (b & 0x7F)
        if not b & 0x80:
            return value, pos
    raise MidiError("variable-length number longer than 4 bytes")


def parse(data):
    """Parses a Standard MIDI File. Returns (format, division, tracks) where
    each track is a list of (tick, kind, payload) with kind one of 'on',
    'off', 'cc', 'program', 'tempo', 'end', 'other'."""
    if data[:4] != b"MThd":
        raise MidiError("no MThd header")
    length = struct.unpack(">I", data[4:8])[0]
    if length < 6:
        raise MidiError("MThd too short")
    fmt, ntrks, division = struct.unpack(">HHH", data[8:14])
    if division & 0x8000:
        raise MidiError("SMPTE time division is not supported")
    if fmt not in (0, 1):
        raise MidiError(f"format {fmt} is not 0 or 1")
    pos = 8 + length
    tracks = []
    while len(tracks) < ntrks:
        if data[pos:pos + 4] != b"MTrk":
            raise MidiError(f"track {len(tracks)}: no MTrk chunk")
        size = struct.unpack(">I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + size]
        if len(body) != size:
            raise MidiError(f"track {len(tracks)}: chunk is cut short")
        tracks.append(parse_track(body, len(tracks)))
        pos += 8 + size
    return fmt, division, tracks


def parse_track(body, index):
    events = []
    pos = 0
    tick = 0
    status = None
    ended = False
    while pos < len(body):
        if ended:
            raise MidiError(f"track {index}: events after End of Track")
        delta, pos = read_vlq(body, pos)
        tick += delta
        b = body[pos]
        if b == 0xFF:
            kind, length = body[pos + 1], None
            length, p = read_vlq(body, pos + 2)
            payload = body[p:p + length]
            pos = p + length
            if kind == 0x2F:
                events.append((tick, "end", None))
                ended = True
            elif kind == 0x51:
                events.append((tick, "tempo", int.from_bytes(payload, "big")))
            else:
                events.append((tick, "other", (kind, payload)))
            continue
        if b in (0xF0, 0xF7):
            length, p = read_vlq(body, pos + 1)
            pos = p + length
            events.append((tick, "other", None))
            continue
        if b & 0x80:
            status = b
            pos += 1
        elif status is None:
            raise MidiError(f"track {index}: data byte without a status")
        kind = status & 0xF0
        ch = status & 0x0F
        size = 1 if kind in (0xC0, 0xD0) else 2
        args = body[pos:pos + size]
        pos += size
        if kind == 0x90 and args[1] > 0:
            events.append((tick, "on", (ch, args[0], args[1])))
        elif kind == 0x80 or kind == 0x90:
            events.append((tick, "off", (ch, args[0])))
        elif kind == 0xB0:
            events.append((tick, "cc", (ch, args[0], args[1])))
        elif kind == 0xC0:
            events.append((tick, "program", (ch, args[0])))
        else:
            events.append((tick, "other", None))
    if not ended:
        raise MidiError(f"track {index}: no End of Track")
    return events


def seconds_at(tick, tempo_map, division):
    """Seconds from the start to tick, following the tempo changes."""
    total = 0.0
    last_tick, usec = 0, 500_000
    for t, u in tempo_map:
        if t >= tick:
            break
        total += (t - last_tick) * usec / division / 1e6
        last_tick, usec = t, u
    return total + (tick - last_tick) * usec / division / 1e6


def analyse(data):
    fmt, division, tracks = parse(data)
    tempo_map = sorted((t, u) for tr in tracks for t, k, u in tr if k == "tempo")
    notes = 0
    last_off = 0
    end = 0
    sounding = {}
    channels = set()
    programs = {}
    drum_notes = 0
    max_reverb = 0
    max_velocity = 0
    volumes = {}
    for tr in tracks:
        for tick, kind, arg in tr:
            if kind == "on":
                ch, key, vel = arg
                notes += 1
                channels.add(ch)
                max_velocity = max(max_velocity, vel)
                if ch == DRUM_CHANNEL:
                    drum_notes += 1
                sounding[(ch, key)] = sounding.get((ch, key), 0) + 1
            elif kind == "off":
                ch, key = arg
                if sounding.get((ch, key)):
                    sounding[(ch, key)] -= 1
                    last_off = max(last_off, tick)
            elif kind == "program":
                ch, prog = arg
                programs.setdefault(ch, set()).add(prog)
            elif kind == "cc" and arg[1] == 91:
                max_reverb = max(max_reverb, arg[2])
            elif kind == "cc" and arg[1] == 7:
                volumes[arg[0]] = max(volumes.get(arg[0], 0), arg[2])
            elif kind == "end":
                end = max(end, tick)
    stuck = sum(sounding.values())
    length = seconds_at(last_off, tempo_map, division)
    tail = seconds_at(end, tempo_map, division) - length
    bpms = []
    for _, u in tempo_map or [(0, 500_000)]:
        bpm = round(60e6 / u, 1)
        if not bpms or bpms[-1] != bpm:
            bpms.append(bpm)
    return {
        "format": fmt,
        "tracks": len(tracks),
        "division": division,
        "tempos": bpms,
        "seconds": length,
        "tail": tail,
        "notes": notes,
        "drum_notes": drum_notes,
        "channels": sorted(channels),
        "programs": {ch: sorted(p) for ch, p in programs.items()},
        "stuck": stuck,
        "max_reverb": max_reverb,
        "max_velocity": max_velocity,
        "volumes": volumes,
    }


def problems(info, wants_drums):
    """What is wrong with a song, as a list of messages (empty if fine)."""
    out = []
    if not MIN_SECONDS <= info["seconds"] <= MAX_SECONDS:
        out.append(f"length {info['seconds']:.1f} s is outside {MIN_SECONDS:.0f}-{MAX_SECONDS:.0f} s")
    if info["notes"] < MIN_NOTES:
        out.append(f"only {info['notes']} notes (want at least {MIN_NOTES})")
    if wants_drums and info["drum_notes"] == 0:
        out.append("no drums on channel 10")
    if info["tail"] > MAX_TAIL:
        out.append(f"{info['tail']:.2f} s from the last note-off to End of Track (max {MAX_TAIL} s)")
    if info["stuck"]:
        out.append(f"{info['stuck']} notes are never released")
    if info["max_reverb"] > MAX_REVERB:
        out.append(f"reverb send {info['max_reverb']} is above {MAX_REVERB}")
    return out


def find_song(folder, title):
    """The song file, matched without regard to letter case, as the game does."""
    want = (title + ".mid").lower()
    for name in sorted(os.listdir(folder)):
        if name.lower() == want:
            return os.path.join(folder, name)
    return None


def describe(title, info):
    progs = " ".join(
        f"ch{ch + 1}:{'/'.join(str(p) for p in info['programs'].get(ch, [0]))}"
        f"(vol {info['volumes'].get(ch, 100)})"
        for ch in info["channels"])
    tempos = info["tempos"]
    tempo_text = f"{tempos[0]:g}" if len(tempos) == 1 else f"{tempos[0]:g} (to {tempos[-1]:g}, {len(tempos)} changes)"
    return (f"{title:<9} format {info['format']}  tracks {info['tracks']:>2}  bpm {tempo_text}\n"
            f"          length {info['seconds']:6.1f} s  tail {info['tail']:.3f} s  "
            f"notes {info['notes']:>5}  drums {info['drum_notes']:>4}  max vel {info['max_velocity']}\n"
            f"          channel:program(CC7) {progs}")


def main(argv):
    folder = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "music")
    failed = 0
    total = 0.0
    for title, wants_drums in SONGS.items():
        path = find_song(folder, title)
        if path is None:
            print(f"{title:<9} MISSING in {folder}")
            failed += 1
            continue
        try:
            with open(path, "rb") as f:
                info = analyse(f.read())
        except (MidiError, IndexError, struct.error) as e:
            print(f"{title:<9} UNREADABLE: {e}")
            failed += 1
            continue
        total += info["seconds"]
        print(describe(title, info))
        for p in problems(info, wants_drums):
            print(f"          FAIL: {p}")
            failed += 1
    print(f"\n{len(SONGS)} songs, {total / 60:.1f} minutes in all, {failed} problem(s)")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
