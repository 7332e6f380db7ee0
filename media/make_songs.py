#!/usr/bin/env python3
"""Writes the game's ten background songs as General MIDI files in media/music/.

Every song is composed here, in code: chord progressions, hand-written melody
lines and accompaniment patterns, laid out over a form of intro, A, B, A' and
an ending. The Standard MIDI File bytes are written directly (format 1: a
conductor track with tempo, metre and key, then one track per instrument).

Python 3 standard library only. The output is deterministic: the only
randomness is small velocity variation and bass-line choices, drawn from a
generator seeded per song, so running this twice gives identical files.

Usage: python3 media/make_songs.py [output_dir]   (default: media/music)
"""

import os
import random
import struct
import sys

PPQ = 480  # ticks per quarter note

# ---------------------------------------------------------------------------
# Standard MIDI File writing


def vlq(value):
    """Variable-length quantity as used for delta times and meta lengths."""
    if value < 0:
        raise ValueError("negative variable-length quantity")
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append((value & 0x7F) | 0x80)
        value >>= 7
    return bytes(reversed(out))


def meta(kind, data):
    return bytes([0xFF, kind]) + vlq(len(data)) + data


# Event order within one tick: set-up first, then note-offs, controllers,
# and note-ons last, so a repeated note is released before it is struck again.
ORDER_SETUP, ORDER_OFF, ORDER_CC, ORDER_ON = 0, 1, 2, 3


class Track:
    def __init__(self):
        self.events = []  # (tick, order, sequence, bytes)

    def add(self, tick, data, order):
        self.events.append((tick, order, len(self.events), data))

    def chunk(self, end_tick):
        body = bytearray()
        now = 0
        for tick, _, _, data in sorted(self.events):
            if tick > end_tick:
                raise ValueError("event after the end of the song")
            body += vlq(tick - now) + data
            now = tick
        body += vlq(end_tick - now) + meta(0x2F, b"")
        return b"MTrk" + struct.pack(">I", len(body)) + bytes(body)


def smf(tracks, end_tick):
    head = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), PPQ)
    return head + b"".join(t.chunk(end_tick) for t in tracks)


# ---------------------------------------------------------------------------
# Pitches and chords

NOTE_PC = {"c": 0, "d": 2, "e": 4, "f": 5, "g": 7, "a": 9, "b": 11}


def note(name):
    """'c4' -> 60, 'f#5' -> 78, 'bb3' -> 58."""
    name = name.strip().lower()
    pc = NOTE_PC[name[0]]
    i = 1
    while i < len(name) and name[i] in "#b":
        pc += 1 if name[i] == "#" else -1
        i += 1
    return 12 * (int(name[i:]) + 1) + pc


QUALITIES = {
    "": (0, 4, 7),
    "m": (0, 3, 7),
    "5": (0, 7),
    "dim": (0, 3, 6),
    "aug": (0, 4, 8),
    "sus2": (0, 2, 7),
    "sus4": (0, 5, 7),
    "6": (0, 4, 7, 9),
    "m6": (0, 3, 7, 9),
    "7": (0, 4, 7, 10),
    "7sus4": (0, 5, 7, 10),
    "maj7": (0, 4, 7, 11),
    "m7": (0, 3, 7, 10),
    "m7b5": (0, 3, 6, 10),
    "dim7": (0, 3, 6, 9),
    "add9": (0, 4, 7, 14),
    "madd9": (0, 3, 7, 14),
    "9": (0, 4, 7, 10, 14),
    "m9": (0, 3, 7, 10, 14),
    "maj9": (0, 4, 7, 11, 14),
    "13": (0, 4, 7, 10, 14, 21),
}


class Chord:
    def __init__(self, name):
        self.name = name
        body, _, bass = name.partition("/")
        i = 1
        if len(body) > 1 and body[1] in "#b":
            i = 2
        self.root = note(body[:i] + "0") % 12
        self.intervals = QUALITIES[body[i:]]
        self.bass = note(bass + "0") % 12 if bass else self.root

    def pcs(self):
        return {(self.root + i) % 12 for i in self.intervals}

    def interval(self, code):
        """Interval above the root for a chord-tone code: 3, 5, 7, 9."""
        iv = self.intervals
        if code == "3":
            for want in (4, 3, 5, 2):
                if want in iv:
                    return want
        if code == "5":
            for want in (7, 6, 8):
                if want in iv:
                    return want
            return 7
        if code == "7":
            for want in (10, 11, 9):
                if want in iv:
                    return want
            return 12
        if code == "9":
            return 14 if 14 in iv else 12
        raise ValueError(code)


def in_range(pc, low):
    """The lowest pitch at or above low with pitch class pc."""
    return low + (pc - low) % 12


def voice(chord, low, high, prev=None, rootless=False, max_notes=4, only=None):
    """A close voicing of the chord between low and high, chosen to move as
    little as possible from the previous voicing (or to sit mid-range), and
    avoiding half steps between neighbouring notes. only: keep just these
    intervals above the root (mod 12), e.g. (0, 7) for an open fifth."""
    tones = list(chord.intervals)
    if only is not None:
        tones = [t for t in tones if t % 12 in only] or tones
    if rootless and len(tones) > 3:
        tones.remove(0)
    while len(tones) > max_notes:
        if 7 in tones:
            tones.remove(7)
        elif 0 in tones:
            tones.remove(0)
        else:
            tones.pop()
    pcs = sorted({(chord.root + t) % 12 for t in tones}, key=lambda p: (p - chord.root) % 12)
    best = None
    for rot in range(len(pcs)):
        order = pcs[rot:] + pcs[:rot]
        for start in (low, low + 12):
            pitches = []
            p = start - 1
            for pc in order:
                p = in_range(pc, p + 1)
                pitches.append(p)
            if pitches[0] < low or pitches[-1] > high:
                continue
            if prev:
                cost = sum(abs(a - b) for a, b in zip(sorted(prev), pitches))
                cost += abs(len(prev) - len(pitches)) * 3
            else:
                cost = abs(sum(pitches) / len(pitches) - (low + high) / 2)
            cost += 50 * sum(1 for a, b in zip(pitches, pitches[1:]) if b - a == 1)
            if best is None or cost < best[0]:
                best = (cost, pitches)
    if best is None:
        if high - low > 36:
            raise ValueError(f"no voicing for {chord.name} from {low}")
        return voice(chord, low, high + 1, prev, rootless, max_notes, only)
    return best[1]


# ---------------------------------------------------------------------------
# Songs, parts and the form


class Part:
    """One instrument on one MIDI channel (one track in the file)."""

    def __init__(self, song, name, channel, program, volume, pan=64, reverb=40,
                 chorus=0, jitter=3, bank=0):
        self.song = song
        self.name = name
        self.channel = channel
        self.program = program
        self.bank = bank
        self.volume = volume
        self.pan = pan
        self.reverb = reverb
        self.chorus = chorus
        self.jitter = jitter
        self.swing = False
        self.notes = []  # [start_beat, length_beats, pitch, velocity]
        self.controls = []  # (beat, controller, value)

    def note(self, start, length, pitch, vel):
        if self.swing:
            end = swing_time(start + length)
            start = swing_time(start)
            length = end - start
        if not 0 <= pitch <= 127:
            raise ValueError(f"{self.name}: pitch {pitch} out of range")
        self.notes.append([start, length, pitch, vel])

    def chord(self, start, length, pitches, vel, strum=0.0, down=True):
        order = list(pitches) if down else list(reversed(pitches))
        for i, p in enumerate(order):
            t = start + i * strum
            self.note(t, max(length - i * strum, 0.05), p, vel)

    def control(self, beat, controller, value):
        self.controls.append((beat, controller, value))

    def play(self, notes, transpose=0, vel_scale=1.0, art=1.0):
        """Plays notes returned by melody() (or another part's notes)."""
        for start, length, pitch, vel in notes:
            self.note(start, length * art, pitch + transpose, vel * vel_scale)


def swing_time(beat):
    """Moves off-beat eighths to the third triplet of the beat."""
    whole = int(beat // 1)
    frac = beat - whole
    if abs(frac - 0.5) < 1e-6:
        return whole + 2 / 3
    return beat


class Bar:
    def __init__(self, index, section, start, length, chords):
        self.index = index
        self.section = section
        self.start = start
        self.length = length
        self.chords = chords  # [(offset, length, Chord)]

    def chord_at(self, offset):
        for off, length, ch in self.chords:
            if off <= offset + 1e-9 < off + length:
                return ch
        return self.chords[-1][2]


class Song:
    def __init__(self, filename, title, bpm, meter=(4, 4), key=(0, 0), seed=1,
                 level_db=0.0):
        self.filename = filename
        self.title = title
        self.meter = meter
        self.keys = [(0.0, key)]  # (beat, (sharps or -flats, 1 if minor))
        self.bar_len = meter[0] * 4 / meter[1]
        self.tempos = [(0.0, bpm)]
        self.parts = []
        self.bars = []
        self.sections = {}
        self.rng = random.Random(seed)
        self.level_db = level_db

    # -- layout
    def form(self, sections):
        """sections: [(name, progression)], a progression being bars split by
        '|', each bar one or more chords ('Am', 'G7:1', ...) sharing the bar."""
        beat = 0.0
        for name, progression in sections:
            first = len(self.bars)
            for text in progression.split("|"):
                names = text.split()
                given = [float(n.split(":")[1]) if ":" in n else None for n in names]
                free = self.bar_len - sum(g for g in given if g)
                n_free = sum(1 for g in given if g is None)
                chords = []
                off = 0.0
                for n, g in zip(names, given):
                    length = g if g else free / n_free
                    chords.append((off, length, Chord(n.split(":")[0])))
                    off += length
                if abs(off - self.bar_len) > 1e-6:
                    raise ValueError(f"{self.title} {name}: bar '{text}' is {off} beats")
                self.bars.append(Bar(len(self.bars), name, beat, self.bar_len, chords))
                beat += self.bar_len
            self.sections[name] = (first, len(self.bars))

    def section(self, *names):
        out = []
        for n in names:
            a, b = self.sections[n]
            out.extend(self.bars[a:b])
        return out

    def start(self, name):
        return self.bars[self.sections[name][0]].start

    def chord_at(self, beat):
        for bar in self.bars:
            if bar.start <= beat + 1e-9 < bar.start + bar.length:
                return bar.chord_at(beat - bar.start)
        return self.bars[-1].chords[-1][2]

    def key_change(self, beat, sharps, minor=0):
        self.keys.append((beat, (sharps, minor)))

    # -- tempo
    def tempo(self, beat, bpm):
        self.tempos.append((beat, bpm))

    def ramp(self, start, end, to_bpm, steps=8):
        """A gradual tempo change (ritardando or accelerando)."""
        from_bpm = [b for t, b in self.tempos if t <= start][-1]
        for i in range(1, steps + 1):
            t = start + (end - start) * (i - 1) / steps
            self.tempo(t, from_bpm + (to_bpm - from_bpm) * i / steps)

    # -- parts
    def part(self, *args, **kwargs):
        p = Part(self, *args, **kwargs)
        self.parts.append(p)
        return p

    # -- output
    def render(self):
        gain = 10 ** (self.level_db / 40.0)  # CC7 acts roughly as 40*log10
        tracks = []
        conductor = Track()
        conductor.add(0, meta(0x03, self.title.encode("ascii")), ORDER_SETUP)
        num, den = self.meter
        clocks = 36 if den == 8 else 24
        conductor.add(0, meta(0x58, bytes([num, den.bit_length() - 1, clocks, 8])), ORDER_SETUP)
        for beat, (sf, minor) in self.keys:
            conductor.add(round(beat * PPQ), meta(0x59, struct.pack(">bB", sf, minor)), ORDER_SETUP)
        for beat, bpm in sorted(self.tempos):
            usec = round(60_000_000 / bpm)
            conductor.add(round(beat * PPQ), meta(0x51, usec.to_bytes(3, "big")), ORDER_SETUP)
        tracks.append(conductor)

        end_tick = 0
        for part in self.parts:
            tr = Track()
            ch = part.channel
            tr.add(0, meta(0x03, part.name.encode("ascii")), ORDER_SETUP)
            setup = [
                bytes([0xB0 | ch, 121, 0]),
                bytes([0xB0 | ch, 0, part.bank]),
                bytes([0xB0 | ch, 32, 0]),
                bytes([0xC0 | ch, part.program]),
                bytes([0xB0 | ch, 7, min(127, round(part.volume * gain))]),
                bytes([0xB0 | ch, 10, part.pan]),
                bytes([0xB0 | ch, 91, part.reverb]),
                bytes([0xB0 | ch, 93, part.chorus]),
            ]
            for data in setup:
                tr.add(0, data, ORDER_SETUP)
            for beat, ctl, value in part.controls:
                if ctl == 7:
                    value = round(value * gain)
                tr.add(round(beat * PPQ), bytes([0xB0 | ch, ctl, max(0, min(127, value))]), ORDER_CC)
            for start, off, pitch, vel in self._clean(part):
                tr.add(start, bytes([0x90 | ch, pitch, vel]), ORDER_ON)
                tr.add(off, bytes([0x80 | ch, pitch, 64]), ORDER_OFF)
                end_tick = max(end_tick, off)
            tracks.append(tr)
        # Every track ends where the last note is released: no silent tail.
        return smf(tracks, end_tick)

    def _clean(self, part):
        """Ticks, velocity variation, and no overlapping notes of one pitch."""
        by_pitch = {}
        for start, length, pitch, vel in sorted(part.notes, key=lambda n: (n[0], n[2])):
            a = max(0, round(start * PPQ))
            b = round((start + length) * PPQ)
            if part.jitter:
                vel += self.rng.randint(-part.jitter, part.jitter)
            vel = max(1, min(127, round(vel)))
            by_pitch.setdefault(pitch, []).append([a, b, vel])
        out = []
        for pitch, notes in by_pitch.items():
            kept = []
            for n in notes:
                if kept and kept[-1][0] == n[0]:
                    kept[-1][1] = max(kept[-1][1], n[1])
                    kept[-1][2] = max(kept[-1][2], n[2])
                    continue
                if kept and kept[-1][1] > n[0]:
                    kept[-1][1] = n[0]
                kept.append(n)
            for a, b, vel in kept:
                if b - a >= 10:
                    out.append((a, b, pitch, vel))
        return sorted(out)


# ---------------------------------------------------------------------------
# Writing lines and patterns


def melody(start, text, bar_len, vel=80, art=0.95, transpose=0, last_short=False):
    """Parses 'e5:1 g5:.5 r:.5 | ...' into notes. Bars are split by '|' and
    each must fill bar_len beats (the last may be shorter if last_short).
    A '!' after a note accents it. Returns [(start, length, pitch, vel)]."""
    notes = []
    beat = start
    bars = [b for b in text.split("|")]
    for i, bar in enumerate(bars):
        total = 0.0
        for token in bar.split():
            accent = token.endswith("!")
            token = token.rstrip("!")
            pitch, length = token.split(":")
            length = float(length)
            if pitch != "r":
                notes.append((beat, length * art, note(pitch) + transpose,
                              vel + (12 if accent else 0)))
            beat += length
            total += length
        short_ok = last_short and i == len(bars) - 1
        if abs(total - bar_len) > 1e-6 and not (short_ok and total < bar_len):
            raise ValueError(f"melody bar {i + 1} '{bar.strip()}' is {total} beats, not {bar_len}")
    return notes


def harmony(song, notes, scale, below=True, vel_scale=0.85, low=0):
    """A second voice a third (or sixth) from the melody, taken from the chord
    under each note. Under a passing note it moves a third along the scale,
    unless that would rub a half step against the chord; then it holds the
    nearest chord tone instead."""
    out = []
    step = -1 if below else 1
    for start, length, pitch, vel in notes:
        pcs = song.chord_at(start).pcs()
        chosen = None
        if pitch % 12 in pcs:
            for dist in (3, 4, 8, 9, 5, 7):
                if (pitch + step * dist) % 12 in pcs:
                    chosen = pitch + step * dist
                    break
        else:
            cand = pitch + step
            count = 0
            while True:
                if cand % 12 in scale:
                    count += 1
                    if count == 2:
                        break
                cand += step
            rubs = any((cand - pc) % 12 in (1, 11) for pc in pcs)
            if not rubs:
                chosen = cand
            else:
                for dist in range(3, 10):
                    if (pitch + step * dist) % 12 in pcs:
                        chosen = pitch + step * dist
                        break
        if chosen is not None and chosen >= low:
            out.append((start, length, chosen, vel * vel_scale))
    return out


def pad(part, bars, low, high, vel, rootless=False, max_notes=4, art=1.0, merge=True, only=None):
    """Holds each chord, tied across bars while the chord stays the same."""
    spans = []
    for bar in bars:
        for off, length, ch in bar.chords:
            t = bar.start + off
            if merge and spans and spans[-1][2].name == ch.name and abs(spans[-1][0] + spans[-1][1] - t) < 1e-6:
                spans[-1][1] += length
            else:
                spans.append([t, length, ch])
    prev = None
    for t, length, ch in spans:
        v = voice(ch, low, high, prev, rootless, max_notes, only)
        part.chord(t, length * art, v, vel)
        prev = v


def comp(part, bars, rhythm, low, high, vel, rootless=False, max_notes=4, strum=0.0):
    """Chords struck on a rhythm: [(offset, length, accent)] within each bar."""
    prev = None
    for bar in bars:
        for off, length, accent in rhythm:
            if off >= bar.length - 1e-9:
                continue
            ch = bar.chord_at(off)
            v = voice(ch, low, high, prev, rootless, max_notes)
            part.chord(bar.start + off, length, v, vel * accent, strum=strum)
            prev = v


def bass_pitch(pc, low):
    return in_range(pc, low)


def bassline(part, song, bars, pattern, low, vel):
    """Bass from a pattern of (offset, length, tone, accent); tone is R (root
    or given bass note), 5, 3, 7, 8 (octave), or A (a half step below the
    next chord's root)."""
    for bar in bars:
        for off, length, tone, accent in pattern:
            if off >= bar.length - 1e-9:
                continue
            ch = bar.chord_at(off)
            root = bass_pitch(ch.root, low)
            if tone == "R":
                p = bass_pitch(ch.bass, low)
            elif tone == "8":
                p = root + 12
            elif tone == "A":
                nxt = song.chord_at(bar.start + off + length)
                p = bass_pitch(nxt.bass, low) - 1
                if p < low:
                    p += 12
            else:
                p = root + ch.interval(tone)
            part.note(bar.start + off, length, p, vel * accent)


def arp(part, bars, step, order, low, high, vel, art=0.9, accent_every=0, max_notes=4):
    """Broken chords: order indexes into the voicing (plus its octave)."""
    prev = None
    for bar in bars:
        n = int(round(bar.length / step))
        for i in range(n):
            off = i * step
            ch = bar.chord_at(off)
            v = voice(ch, low, high, prev, max_notes=max_notes)
            prev = v
            tones = v + [v[0] + 12]
            p = tones[order[i % len(order)] % len(tones)]
            acc = 1.12 if accent_every and i % accent_every == 0 else 1.0
            part.note(bar.start + off, step * art, p, vel * acc)


def grid(part, start, length, patterns, vels, dur=0.1):
    """Drum (or rhythm) patterns as strings, one character per step spread
    evenly over the length: '.' rest, other characters index vels."""
    for pitch, pat in patterns.items():
        pat = pat.replace(" ", "")
        step = length / len(pat)
        for i, c in enumerate(pat):
            if c != ".":
                part.note(start + i * step, dur, pitch, vels[c])


def groove(part, bars, patterns, vels, dur=0.1):
    for bar in bars:
        grid(part, bar.start, bar.length, patterns, vels, dur)


def walking(part, song, bars, low, high, vel):
    """A walking bass: chord roots on the strong beats, chord tones between,
    a chromatic or fifth approach into each new chord."""
    rng = song.rng
    prev = None
    for bar in bars:
        for off, length, ch in bar.chords:
            beats = int(round(length))
            nxt = song.chord_at(bar.start + off + length)
            for b in range(beats):
                t = bar.start + off + b
                if b == 0:
                    target = ch.bass
                    p = nearest(target, prev, low, high)
                elif b == beats - 1:
                    goal = nearest(nxt.bass, p, low, high)
                    choice = rng.random()
                    if choice < 0.45:
                        q = goal - 1
                    elif choice < 0.8:
                        q = goal + 1
                    else:
                        q = goal + 7 if goal + 7 <= high else goal - 5
                    if q == p:
                        q = goal + 2
                    p = q
                else:
                    tones = [(ch.root + ch.interval(c)) % 12 for c in ("3", "5", "7")]
                    cands = sorted({nearest(pc, p, low, high) for pc in tones} - {p},
                                   key=lambda x: abs(x - p))
                    p = cands[0] if rng.random() < 0.7 or len(cands) < 2 else cands[1]
                part.note(t, 0.92, p, vel * (1.06 if b == 0 else 1.0))
                prev = p


def nearest(pc, prev, low, high):
    if prev is None:
        prev = (low + high) // 2
    best = None
    p = in_range(pc, low)
    while p <= high:
        if best is None or abs(p - prev) < abs(best - prev):
            best = p
        p += 12
    return best if best is not None else in_range(pc, low)


def roll(part, pitch, start, length, rate, vel_from, vel_to):
    """A drum or timpani roll with a crescendo or diminuendo."""
    n = int(round(length / rate))
    for i in range(n):
        v = vel_from + (vel_to - vel_from) * i / max(1, n - 1)
        part.note(start + i * rate, rate * 0.9, pitch, v)


# General MIDI percussion keys (channel 10)
KICK2, KICK, STICK, SNARE, CLAP, ESNARE = 35, 36, 37, 38, 39, 40
TOM_LF, HH, TOM_HF, PEDAL, TOM_L, OPEN_HH, TOM_LM, TOM_HM = 41, 42, 43, 44, 45, 46, 47, 48
CRASH, TOM_H, RIDE, BELL, TAMB, SPLASH, COWBELL = 49, 50, 51, 53, 54, 55, 56
SHAKER, CLAVES, WOOD_H, WOOD_L, TRIANGLE, CASTANETS = 70, 75, 76, 77, 81, 85
DRUMS = 9  # channel 10

# Drum kits (bank-less program numbers on channel 10, GS layout)
KIT_STANDARD, KIT_ROOM, KIT_POWER, KIT_ELECTRONIC, KIT_808, KIT_BRUSH = 0, 8, 16, 24, 25, 40

MAJOR = (0, 2, 4, 5, 7, 9, 11)
MINOR = (0, 2, 3, 5, 7, 8, 10)
HARMONIC = (0, 2, 3, 5, 7, 8, 11)
DORIAN = (0, 2, 3, 5, 7, 9, 10)


def scale(tonic, steps):
    root = note(tonic + "0") % 12
    return {(root + s) % 12 for s in steps}


# ---------------------------------------------------------------------------
# The songs


def chill1():
    """Relaxed chill-out: D dorian, 84 bpm, Rhodes, warm pad, flute, vibes."""
    s = Song("Chill1.mid", "Chill1", 84, (4, 4), key=(0, 1), seed=101, level_db=0.9)
    s.form([
        ("intro", "Dm9 | G13 | Dm9 | G13"),
        ("A", "Dm9 | G13 | Dm9 | G13 | Bbmaj7 | C6 | Dm9 | A7sus4"),
        ("B", "Bbmaj7 | C6 | Am7 | Dm9 | Gm9 | C9 | Fmaj7 | A7sus4 A7"),
        ("A2", "Dm9 | G13 | Dm9 | G13 | Bbmaj7 | C6 | Dm9 | A7sus4"),
        ("end", "Bbmaj7 | A7sus4 | Dm9"),
    ])
    L = s.bar_len
    s.ramp(s.start("end") + 4, s.start("end") + 10, 70, steps=6)

    keys = s.part("Rhodes", 0, 4, 78, pan=50, reverb=50, chorus=30)
    pads = s.part("Warm pad", 1, 89, 62, pan=80, reverb=60)
    bass = s.part("Bass", 2, 33, 92, pan=64, reverb=20)
    flute = s.part("Flute", 3, 73, 84, pan=70, reverb=55)
    vibes = s.part("Vibes", 4, 11, 85, pan=44, reverb=55)
    drums = s.part("Drums", DRUMS, KIT_ROOM, 80, reverb=35)

    everything = s.section("intro", "A", "B", "A2", "end")
    # The pad holds open fifths; the Rhodes carries the colour notes.
    pad(pads, everything[:-1], note("a2"), note("a3"), 50, only=(0, 7))
    pad(pads, everything[-1:], note("a2"), note("a3"), 50, only=(0, 7), art=0.75)
    comp(keys, s.section("intro", "A", "B", "A2"),
         [(0, 1.4, 1.0), (1.5, 0.4, 0.7), (2.5, 1.2, 0.85), (3.5, 0.4, 0.65)],
         note("f3"), note("d5"), 56, rootless=True)
    comp(keys, s.section("end")[:2], [(0, 1.8, 1.0), (2, 1.8, 0.8)],
         note("f3"), note("d5"), 54, rootless=True)
    keys.chord(s.start("end") + 8, 3, voice(Chord("Dm9"), note("f3"), note("d5"), rootless=True), 52)

    groove_bass = [(0, 1.4, "R", 1.0), (1.5, 0.45, "R", 0.7), (2, 1.0, "5", 0.85),
                   (3, 0.45, "8", 0.75), (3.5, 0.45, "7", 0.7)]
    bassline(bass, s, s.section("intro")[2:] + s.section("A", "B", "A2"), groove_bass,
             note("d2") - 2, 84)
    bassline(bass, s, s.section("end")[:2], [(0, 1.9, "R", 1.0), (2, 1.9, "5", 0.85)],
             note("d2") - 2, 82)
    bass.note(s.start("end") + 8, 3, note("d2"), 82)

    a_line = ("r:1 a4:.5 c5:.5 e5:1.5 d5:.5 | e5:1 d5:.5 b4:.5 d5:2 | "
              "r:1 a4:.5 c5:.5 f5:1 e5:.5 c5:.5 | d5:3 r:1 | "
              "r:.5 f5:.5 a5:1 g5:.5 f5:.5 d5:1 | e5:1.5 g5:.5 e5:1 c5:1 | "
              "d5:1 e5:.5 f5:.5 a5:1 g5:.5 e5:.5 | e5:2 d5:1 r:1")
    b_line = ("d5:1.5 f5:.5 a5:2 | g5:1 e5:.5 g5:.5 a5:2 | c6:1.5 a5:.5 g5:1 e5:1 | "
              "f5:1 e5:.5 d5:.5 e5:2 | d5:1.5 f5:.5 bb5:1 a5:1 | g5:1 e5:1 d5:.5 e5:.5 g5:1 | "
              "a5:1.5 g5:.5 f5:1 e5:1 | d5:2 c#5:2")
    end_line = "f5:1 e5:1 d5:1 a4:1 | d5:2 e5:2 | d5:3"
    flute.play(melody(s.start("A"), a_line, L, vel=82))
    flute.play(melody(s.start("B"), b_line, L, vel=84))
    # A': the vibes take the tune, the flute answers a third below it.
    a2 = melody(s.start("A2"), a_line, L, vel=86, art=0.9)
    vibes.play(a2, transpose=12)
    flute.play(harmony(s, a2, scale("d", DORIAN)), vel_scale=0.9)
    flute.play(melody(s.start("end"), end_line, L, vel=78, last_short=True))
    vibes.play(melody(s.start("end"), end_line, L, vel=66, last_short=True), transpose=12)

    v = {"X": 92, "x": 74, "o": 54, "g": 36}
    beat = {KICK: "X.....x...x.....", STICK: "....x.......x...",
            HH: "x.o.x.o.x.o.x.og", SHAKER: "gogogogogogogogo"}
    fill = {KICK: "X.....x...x.....", STICK: "....x.......x.x.",
            HH: "x.o.x.o.x.o.....", OPEN_HH: "............x...", SHAKER: "gogogogogogogogo"}
    groove(drums, s.section("intro")[2:], {HH: "x.o.x.o.x.o.x.o.", SHAKER: "gogogogogogogogo"}, v)
    for sec in ("A", "B", "A2"):
        bars = s.section(sec)
        groove(drums, bars[:-1], beat, v)
        groove(drums, bars[-1:], fill, v)
    groove(drums, s.section("end")[:2], {KICK: "X.......x.......", STICK: "....x.......x...",
                                          HH: "x.o.x.o.x.o.x.o."}, v)
    drums.note(s.start("end") + 8, 0.5, KICK, 70)
    drums.note(s.start("end") + 8, 2.5, RIDE, 50)
    return s


def champion():
    """Triumphant anthem: C major lifting to D major, 96 bpm, brass and strings."""
    s = Song("Champion.mid", "Champion", 96, (4, 4), key=(0, 0), seed=202, level_db=-4.0)
    s.form([
        ("intro", "C | F/C | G/C | G7"),
        ("A", "C | G | Am | F | C | G | F G | C"),
        ("B", "F | G | Em | Am | F | C/E | Dm7 G | A7sus4 A7"),
        ("A2", "D | A | Bm | G | D | A | G A | D"),
        ("end", "G | A | D"),
    ])
    L = s.bar_len
    s.key_change(s.start("A2"), 2)
    s.tempo(s.start("A2"), 98)
    s.ramp(s.start("end") + 2, s.start("end") + 9, 80, steps=7)

    trumpet = s.part("Trumpet", 0, 56, 105, pan=60, reverb=50)
    horns = s.part("Horns", 1, 60, 90, pan=76, reverb=55)
    brass = s.part("Brass", 2, 61, 99, pan=48, reverb=50)
    strings = s.part("Strings", 3, 48, 44, pan=84, reverb=60)
    timp = s.part("Timpani", 4, 47, 97, pan=64, reverb=55)
    low = s.part("Low strings", 5, 43, 92, pan=58, reverb=45)
    choir = s.part("Choir", 6, 52, 90, pan=40, reverb=60)
    drums = s.part("Drums", DRUMS, KIT_STANDARD, 101, reverb=45)

    # Intro fanfare over a timpani roll.
    fanfare = ("g4:.75 g4:.25 c5:1 e5:1 g5:1 | a5:1.5 f5:.5 c5:2 | "
               "b4:.75 b4:.25 d5:1 g5:1 f5:1 | f5:1.5 e5:.5 d5:2")
    f = melody(0, fanfare, L, vel=84, art=0.85)
    trumpet.play(f)
    horns.play(harmony(s, f, scale("c", MAJOR)))
    pad(strings, s.section("intro"), note("g3"), note("e5"), 62)
    pad(low, s.section("intro"), note("c2"), note("c3"), 64, max_notes=1)
    roll(timp, note("c2") + 7, 0, 4, 0.125, 40, 72)
    timp.note(4, 1, note("c2") + 5, 70)
    roll(timp, note("g2"), 8, 8, 0.125, 45, 80)
    roll(drums, SNARE, 12, 4, 0.125, 36, 76)

    a_line = ("e4:1 g4:1 c5:1.5 d5:.5 | b4:1.5 a4:.5 g4:2 | a4:1 c5:1 e5:1.5 d5:.5 | "
              "c5:3 r:1 | e5:1.5 d5:.5 c5:1 e5:1 | d5:1.5 b4:.5 g4:2 | "
              "a4:1 c5:1 b4:1 d5:1 | c5:3 r:1")
    b_line = ("f5:1.5 e5:.5 d5:1 c5:1 | d5:1.5 e5:.5 d5:1 b4:1 | e5:1.5 g5:.5 b5:1 g5:1 | "
              "a5:2 e5:2 | f5:1 a5:1 c6:1.5 a5:.5 | g5:2 e5:1 c5:1 | "
              "d5:1 f5:1 b4:1 d5:1 | e5:2 c#5:1 e5:1")
    a = melody(s.start("A"), a_line, L, vel=84)
    trumpet.play(a)
    b = melody(s.start("B"), b_line, L, vel=86)
    trumpet.play(b)
    horns.play(harmony(s, b, scale("c", MAJOR)), vel_scale=0.95)
    # A' a tone higher, horns in harmony, the choir joins.
    a2 = melody(s.start("A2"), a_line, L, vel=90, transpose=2)
    trumpet.play(a2)
    horns.play(harmony(s, a2, scale("d", MAJOR)))
    end_line = "b4:1 d5:1 g5:2 | a5:1.5 g5:.5 e5:1 c#5:1 | d5:4"
    e = melody(s.start("end"), end_line, L, vel=90, art=0.97)
    trumpet.play(e)
    horns.play(harmony(s, e, scale("d", MAJOR)))

    body = s.section("A", "B", "A2", "end")
    pad(strings, s.section("A", "B"), note("g3"), note("e5"), 60)
    pad(strings, s.section("A2", "end"), note("a3"), note("f#5"), 68)
    pad(choir, s.section("A2", "end"), note("a3"), note("d5"), 56, max_notes=3)
    comp(brass, s.section("A"), [(0, 1.8, 1.0), (2, 1.8, 0.85)], note("f3"), note("d5"), 58, max_notes=3)
    stabs = [(0, 0.9, 1.0), (1.5, 0.4, 0.8), (2, 1.4, 0.9), (3.5, 0.45, 0.8)]
    comp(brass, s.section("B", "A2"), stabs, note("f3"), note("d5"), 62, max_notes=3)
    comp(brass, s.section("end")[:2], [(0, 1.9, 1.0), (2, 1.9, 0.9)], note("f3"), note("d5"), 64, max_notes=3)
    brass.chord(s.start("end") + 8, 4, voice(Chord("D"), note("f3"), note("d5"), max_notes=3), 66)

    bassline(low, s, s.section("A", "B"), [(0, 1.9, "R", 1.0), (2, 1.9, "5", 0.9)], note("c2"), 70)
    bassline(low, s, s.section("A2"), [(0, 0.9, "R", 1.0), (1, 0.9, "R", 0.8), (2, 0.9, "5", 0.9),
                                     (3, 0.9, "R", 0.8)], note("c2"), 72)
    bassline(low, s, s.section("end")[:2], [(0, 3.9, "R", 1.0)], note("c2"), 74)
    low.note(s.start("end") + 8, 4, note("d2"), 74)

    for bar in s.section("A", "B", "A2"):
        root = in_range(bar.chords[0][2].root, note("f2"))
        timp.note(bar.start, 0.9, root, 64)
        if bar.section != "A":
            ch = bar.chord_at(2)
            fifth = in_range(ch.root + 7, note("f2"))
            timp.note(bar.start + 2, 0.9, fifth, 56)
    roll(timp, note("a2"), s.start("end") + 4, 4, 0.125, 50, 76)
    roll(timp, note("d2") + 12, s.start("end") + 8, 3.75, 0.125, 78, 50)

    v = {"X": 96, "x": 78, "o": 58, "g": 38}
    half = {KICK: "X.......x.......", SNARE: "........x.......", HH: "x...x...x...x..."}
    full = {KICK: "X.....x.X.......", SNARE: "....x.......x...", HH: "x.x.x.x.x.x.x.x."}
    fill = {KICK: "X.......X.......", SNARE: "....x...xoxoxxxx", HH: "x.x.x.x........."}
    groove(drums, s.section("A")[:-1], half, v)
    groove(drums, s.section("A")[-1:], fill, v)
    groove(drums, s.section("B")[:-1], full, v)
    groove(drums, s.section("B")[-1:], {KICK: "X.......X.......", TOM_HM: "........xo......",
                                        TOM_LM: "..........xo....", TOM_LF: "............xoxo"}, v)
    groove(drums, s.section("A2")[:-1], full, v)
    groove(drums, s.section("A2")[-1:], fill, v)
    for name in ("A", "B", "A2", "end"):
        drums.note(s.start(name), 1.5, CRASH, 84)
    groove(drums, s.section("end")[:2], {KICK: "X...x...X...x...", SNARE: "....x.......x.x."}, v)
    drums.note(s.start("end") + 8, 4, CRASH, 90)
    drums.note(s.start("end") + 8, 1, KICK, 96)
    return s


def champs():
    """Bright sporty march: F major, trio in B flat, 120 bpm in 2/4."""
    s = Song("Champs.mid", "Champs", 120, (2, 4), key=(-1, 0), seed=303, level_db=1.7)
    s.form([
        ("intro", "F | C7 | F | C7"),
        ("A", "F | F | C7 | F | F | Bb | C7 | C7 | F | F | C7 | F | Bb | F/C | C7 | F"),
        ("B", "Bb | Bb | F7 | F7 | F7 | F7 | Bb | Bb | Eb | Eb | Bb | G7 | Cm | F7 | Bb | C7"),
        ("A2", "F | F | C7 | F | F | Bb | C7 | C7 | F | F | C7 | F | Bb | F/C | C7 | F"),
        ("end", "Bb | C7 | F | F"),
    ])
    s.key_change(s.start("B"), -2)
    s.key_change(s.start("A2"), -1)
    L = s.bar_len

    trumpet = s.part("Trumpet", 0, 56, 86, pan=58, reverb=40)
    piccolo = s.part("Piccolo", 1, 72, 78, pan=82, reverb=40)
    horns = s.part("Horns", 2, 60, 72, pan=44, reverb=40)
    tuba = s.part("Tuba", 3, 58, 86, pan=64, reverb=30)
    glock = s.part("Glockenspiel", 4, 9, 104, pan=90, reverb=40)
    clarinet = s.part("Clarinet", 5, 71, 84, pan=70, reverb=40)
    trombone = s.part("Trombone", 6, 57, 72, pan=36, reverb=40)
    drums = s.part("Drums", DRUMS, KIT_STANDARD, 78, reverb=30)

    intro = ("c5:.5 c5:.25 c5:.25 c5:.5 f5:.5 | e5:.5 g5:.5 bb5:.5 g5:.5 | "
             "a5:.5 a5:.25 a5:.25 a5:.5 c6:.5 | bb5:.5 g5:.5 e5:.5 c5:.5")
    i = melody(0, intro, L, vel=82, art=0.8)
    trumpet.play(i)
    trombone.play(harmony(s, i, scale("f", MAJOR)), transpose=-12, vel_scale=0.9)

    a_line = ("c5:.75 a4:.25 c5:.5 f5:.5 | a5:1 f5:.5 c5:.5 | e5:.75 d5:.25 c5:.5 bb4:.5 | "
              "a4:1.5 r:.5 | c5:.75 a4:.25 c5:.5 f5:.5 | d5:1 f5:.5 d5:.5 | "
              "c5:.5 e5:.5 g5:.5 bb5:.5 | g5:1.5 r:.5 | c5:.75 a4:.25 c5:.5 f5:.5 | "
              "a5:1 f5:.5 a5:.5 | g5:.75 e5:.25 c5:.5 e5:.5 | f5:1 c5:1 | "
              "d5:.5 f5:.5 bb5:1 | a5:.75 g5:.25 f5:.5 c5:.5 | bb5:.5 g5:.5 e5:.5 c5:.5 | f5:1.5 r:.5")
    b_line = ("f4:.5 bb4:.5 d5:.5 f5:.5 | d5:1.5 c5:.5 | c5:.5 eb5:.5 a4:.5 c5:.5 | "
              "f5:1.5 r:.5 | eb5:.75 d5:.25 c5:.5 a4:.5 | c5:1 eb5:1 | "
              "d5:.5 f5:.5 bb5:.5 f5:.5 | d5:1.5 r:.5 | g5:1 eb5:.5 bb4:.5 | "
              "g5:.75 f5:.25 eb5:1 | f5:1 d5:.5 bb4:.5 | b4:.5 d5:.5 f5:.5 g5:.5 | "
              "g5:1 eb5:.5 c5:.5 | a5:.75 f5:.25 eb5:.5 c5:.5 | d5:1 bb4:1 | c5:.5 e5:.5 g5:.5 bb5:.5")
    a = melody(s.start("A"), a_line, L, vel=84, art=0.82)
    trumpet.play(a)
    b = melody(s.start("B"), b_line, L, vel=84, art=0.9)
    clarinet.play(b)
    horns.play(harmony(s, b, scale("bb", MAJOR)), vel_scale=0.8)
    a2 = melody(s.start("A2"), a_line, L, vel=86, art=0.82)
    trumpet.play(a2)
    glock.play(a2, transpose=12, vel_scale=0.75, art=0.6)
    trombone.play(harmony(s, a2, scale("f", MAJOR)), transpose=-12, vel_scale=0.8)
    # The piccolo's running counter-line over the reprise.
    prev = None
    for bar in s.section("A2"):
        ch = bar.chords[0][2]
        v = voice(ch, note("c6"), note("c7"), prev, max_notes=3)
        prev = v
        order = [0, 1, 2, 1] if bar.index % 2 else [2, 1, 0, 1]
        for k, idx in enumerate(order):
            piccolo.note(bar.start + k * 0.5, 0.4, v[idx], 62 if k else 70)

    end_line = "d5:1 f5:1 | e5:.5 g5:.5 bb5:1 | a5:.5 c6:.5 a5:.5 f5:.5 | f5:1.5"
    e = melody(s.start("end"), end_line, L, vel=88, art=0.9, last_short=True)
    trumpet.play(e)
    clarinet.play(e, vel_scale=0.8)
    piccolo.play(e, transpose=12, vel_scale=0.7)
    trombone.play(harmony(s, e, scale("f", MAJOR)), transpose=-12, vel_scale=0.85)

    # Oom-pah: tuba on the beats, horns on the off-beats.
    march = s.section("intro", "A", "B", "A2")
    bassline(tuba, s, march, [(0, 0.45, "R", 1.0), (1, 0.45, "5", 0.85)], note("a1"), 80)
    comp(horns, s.section("intro", "A", "A2"), [(0.5, 0.35, 1.0), (1.5, 0.35, 0.9)],
         note("a3"), note("f4") + 1, 56, max_notes=3)
    comp(trombone, s.section("B"), [(0.5, 0.35, 1.0), (1.5, 0.35, 0.9)],
         note("d3"), note("d4"), 54, max_notes=3)
    bassline(tuba, s, s.section("end")[:3], [(0, 0.45, "R", 1.0), (1, 0.45, "5", 0.85)], note("a1"), 82)
    comp(horns, s.section("end")[:3], [(0.5, 0.35, 1.0), (1.5, 0.35, 0.9)], note("a3"), note("f4") + 1, 58, max_notes=3)
    last = s.start("end") + 6
    horns.chord(last, 1.5, voice(Chord("F"), note("a3"), note("f4") + 1, max_notes=3), 66)
    tuba.note(last, 1.5, note("f2"), 84)

    v = {"X": 92, "x": 74, "o": 54, "g": 36}
    cadence = {KICK2: "x...x...", SNARE: "x.ogx.og"}
    roll_bar = {KICK2: "x...x...", SNARE: "xggggggx"}
    groove(drums, s.section("intro"), {SNARE: "x.o.x.o.", KICK2: "x...x..."}, v)
    for name in ("A", "B", "A2"):
        bars = s.section(name)
        for n, bar in enumerate(bars):
            groove(drums, [bar], roll_bar if n % 8 == 7 else cadence, v)
        drums.note(bars[0].start, 1, CRASH, 78)
        drums.note(bars[8].start, 1, CRASH, 70)
    groove(drums, s.section("end")[:3], cadence, v)
    drums.note(last, 1.5, CRASH, 88)
    drums.note(last, 0.5, KICK2, 92)
    return s


def easycity():
    """Easy-going city swing: B flat major, 112 bpm, vibes, muted trumpet, walking bass."""
    s = Song("Easycity.mid", "Easycity", 112, (4, 4), key=(-2, 0), seed=404, level_db=3.9)
    s.form([
        ("intro", "Cm7 F7 | Dm7 G7 | Cm7 F7 | Cm7 F7"),
        ("A", "Bbmaj7 | Gm7 | Cm7 | F7 | Dm7 | G7 | Cm7 F7 | Bbmaj7"),
        ("B", "Eb6 | Edim7 | Bb/F | G7 | Cm7 | F7 | Dm7 G7 | Cm7 F7"),
        ("A2", "Bbmaj7 | Gm7 | Cm7 | F7 | Dm7 | G7 | Cm7 F7 | Bbmaj7"),
        ("end", "Dm7 G7 | Cm7 F7 | Bb6"),
    ])
    L = s.bar_len
    s.ramp(s.start("end") + 4, s.start("end") + 8, 100, steps=4)

    vibes = s.part("Vibes", 0, 11, 82, pan=46, reverb=45)
    mute = s.part("Muted trumpet", 1, 59, 92, pan=74, reverb=45)
    guitar = s.part("Guitar", 2, 26, 79, pan=88, reverb=35)
    piano = s.part("Piano", 3, 0, 93, pan=40, reverb=40)
    bass = s.part("Bass", 4, 32, 68, pan=60, reverb=25)
    drums = s.part("Drums", DRUMS, KIT_BRUSH, 96, reverb=35)
    for p in (vibes, mute, piano):
        p.swing = True

    a_line = ("r:.5 d5:.5 f5:.5 a5:.5 g5:1 f5:1 | f5:1.5 d5:.5 bb4:2 | "
              "r:.5 eb5:.5 g5:.5 bb5:.5 a5:1 g5:1 | f5:1.5 eb5:.5 c5:2 | "
              "r:.5 f5:.5 a5:.5 c6:.5 bb5:1 a5:1 | f5:1.5 d5:.5 b4:2 | "
              "g5:.5 f5:.5 eb5:1 c5:1 a4:1 | bb4:3 r:1")
    b_line = ("g5:1.5 f5:.5 eb5:1 bb4:1 | db5:1.5 bb4:.5 g4:2 | f4:1 bb4:1 d5:1 f5:1 | "
              "g5:1.5 f5:.5 d5:1 b4:1 | c5:.5 eb5:.5 g5:.5 bb5:.5 g5:2 | "
              "a5:1.5 f5:.5 eb5:1 c5:1 | d5:1 f5:1 f5:.5 d5:.5 b4:1 | eb5:1 c5:1 a4:1 c5:1")
    a2_line = ("r:.5 d5:.5 f5:.5 a5:.5 c6:1 bb5:.5 a5:.5 | g5:1.5 f5:.5 d5:2 | "
               "r:.5 eb5:.5 g5:.5 bb5:.5 d6:1 c6:1 | a5:1.5 g5:.5 f5:1 eb5:1 | "
               "r:.5 f5:.5 a5:.5 c6:.5 d6:1 a5:1 | b5:1.5 g5:.5 f5:1 d5:1 | "
               "eb5:.5 g5:.5 bb5:1 a5:1 f5:1 | bb5:3 r:1")
    end_line = "f5:1 d5:1 f5:1 b4:1 | eb5:1 c5:1 a4:1 c5:1 | bb4:3"
    vibes.play(melody(s.start("intro") + 12, "r:2 f4:.5 a4:.5 c5:.5 eb5:.5", L, vel=70, last_short=True))
    vibes.play(melody(s.start("A"), a_line, L, vel=84, art=0.9))
    mute.play(melody(s.start("B"), b_line, L, vel=90, art=0.9))
    mute.play(melody(s.start("A2"), a2_line, L, vel=92, art=0.9))
    e = melody(s.start("end"), end_line, L, vel=88, art=0.95, last_short=True)
    mute.play(e)
    vibes.play(e, transpose=12, vel_scale=0.75)

    walking(bass, s, s.section("intro", "A", "B", "A2", "end")[:-1], note("e1") + 4, note("c3"), 82)
    bass.note(s.start("end") + 8, 3, note("bb1"), 84)

    comp(guitar, s.section("intro", "A", "B", "A2", "end")[:-1],
         [(0, 0.45, 1.0), (1, 0.45, 0.8), (2, 0.45, 0.95), (3, 0.45, 0.8)],
         note("g3"), note("e4"), 52, max_notes=3)
    charleston = [(0, 0.4, 1.0), (1.5, 0.4, 0.85)]
    comp(piano, s.section("intro", "A", "A2"), charleston, note("e4") - 2, note("e5"), 56, rootless=True)
    comp(piano, s.section("B"), [(0.5, 0.4, 0.85), (2, 1.4, 0.95)], note("e4") - 2, note("e5"), 56, rootless=True)
    comp(vibes, s.section("B"), [(0, 1.8, 1.0), (2.5, 1.2, 0.8)], note("f4"), note("f5"), 46, rootless=True)
    comp(piano, s.section("end")[:2], [(0, 0.9, 1.0), (2, 0.9, 0.9)], note("e4") - 2, note("e5"), 54, rootless=True)
    final = voice(Chord("Bb6"), note("d4"), note("d5"))
    piano.chord(s.start("end") + 8, 3, final, 56, strum=0.06)
    guitar.chord(s.start("end") + 8, 3, voice(Chord("Bb6"), note("g3"), note("e4"), max_notes=3), 50, strum=0.05)

    v = {"X": 100, "x": 82, "o": 64, "g": 44}
    swing_beat = {RIDE: "x..x.ox..x.o", PEDAL: "...x.....x..", KICK: "g.....g.....",
                  SNARE: "........g..g"}
    fill = {RIDE: "x..x.ox.....", PEDAL: "...x.....x..", SNARE: "......gogxox", KICK: "g.....g....."}
    groove(drums, s.section("intro"), {RIDE: "x..x.ox..x.o", PEDAL: "...x.....x.."}, v)
    for name in ("A", "B", "A2"):
        bars = s.section(name)
        groove(drums, bars[:-1], swing_beat, v)
        groove(drums, bars[-1:], fill, v)
    groove(drums, s.section("end")[:2], swing_beat, v)
    drums.note(s.start("end") + 8, 3, RIDE, 70)
    drums.note(s.start("end") + 8, 0.5, KICK, 60)
    return s


def sixteenths(pattern, step=0.25, art=0.8):
    """A bass pattern from a step string: R 3 5 7 8 for chord tones, '.' rest."""
    out = []
    for i, c in enumerate(pattern.replace(" ", "")):
        if c != ".":
            out.append((i * step, step * art, c, 1.0 if i % 4 == 0 else 0.82))
    return out


def swell(part, start, end, value_from, value_to, steps=16, controller=11):
    for i in range(steps + 1):
        part.control(start + (end - start) * i / steps, controller,
                     round(value_from + (value_to - value_from) * i / steps))


def inds_01():
    """Industrial/electronic groove: E minor, 116 bpm, sequenced bass, square lead."""
    s = Song("inds_01.mid", "inds_01", 116, (4, 4), key=(1, 1), seed=505, level_db=1.7)
    s.form([
        ("intro", "Em | Em | Cmaj7 | D"),
        ("A", "Em | Em | Cmaj7 | D | Em | Em | Cmaj7 | D"),
        ("B", "Am7 | Bm7 | Cadd9 | D | Am7 | Bm7 | Cadd9 | B7sus4 B7"),
        ("A2", "Em | Em | Cmaj7 | D | Em | Em | Cmaj7 | D"),
        ("end", "Cadd9 | D | Em"),
    ])
    L = s.bar_len

    bass = s.part("Synth bass", 0, 38, 88, pan=64, reverb=15, jitter=0)
    lead = s.part("Square lead", 1, 80, 78, pan=58, reverb=40, chorus=20)
    poly = s.part("Poly pad", 2, 90, 72, pan=80, reverb=50)
    strings = s.part("Synth strings", 3, 50, 62, pan=40, reverb=55)
    clank = s.part("Agogo", 4, 113, 107, pan=96, reverb=45)
    fx = s.part("Reverse cymbal", 5, 119, 79, pan=30, reverb=40)
    drums = s.part("Drums", DRUMS, KIT_ELECTRONIC, 70, reverb=25, jitter=2)

    line = sixteenths("R.R8 .RR. R.8R .R5.")
    bassline(bass, s, s.section("intro", "A", "B", "A2", "end")[:-1], line, note("e1") + 12, 84)
    bass.note(s.start("end") + 8, 2, note("e2"), 86)

    a_line = ("e5:.5 r:.25 g5:.25 r:.25 b5:.5 a5:.25 g5:.5 e5:.5 d5:.5 e5:.5 | b4:1 d5:.5 e5:2.5 | "
              "e5:.5 r:.25 g5:.25 r:.25 b5:.5 c6:.25 b5:.5 g5:.5 e5:.5 g5:.5 | f#5:1 a5:.5 d5:2.5 | "
              "e5:.5 r:.25 g5:.25 r:.25 b5:.5 a5:.25 g5:.5 e5:.5 d5:.5 e5:.5 | b4:1 d5:.5 e5:2.5 | "
              "e5:.5 r:.25 g5:.25 r:.25 b5:.5 c6:.25 b5:.5 g5:.5 e5:.5 g5:.5 | "
              "f#5:.5 a5:.5 d6:1 c6:.5 b5:.5 a5:1")
    b_line = ("c5:1.5 e5:.5 a5:2 | d5:1.5 f#5:.5 b5:2 | e5:1.5 g5:.5 c6:1 b5:1 | a5:3 f#5:1 | "
              "e5:1 a5:1 g5:1 e5:1 | f#5:1 b5:1 a5:1 f#5:1 | g5:1.5 e5:.5 c5:1 e5:1 | e5:2 d#5:2")
    lead.play(melody(s.start("A"), a_line, L, vel=78, art=0.7))
    b = melody(s.start("B"), b_line, L, vel=76, art=0.92)
    strings.play(b)
    lead.play(b, transpose=-12, vel_scale=0.8, art=0.6)
    a2 = melody(s.start("A2"), a_line, L, vel=80, art=0.7)
    lead.play(a2)
    strings.play(harmony(s, a2, scale("e", MINOR)), vel_scale=0.75)
    e = melody(s.start("end"), "e5:1.5 g5:.5 b5:1 c6:1 | a5:1.5 f#5:.5 d5:2 | e5:2", L, vel=78, last_short=True)
    lead.play(e, art=0.9)
    strings.play(e, transpose=-12, vel_scale=0.9)

    # Pad: off-beat stabs in A, held chords in B, swelling in during the intro.
    pad(poly, s.section("intro"), note("e3"), note("d5"), 60)
    swell(poly, 0, 16, 30, 127)
    comp(poly, s.section("A", "A2"), [(0.5, 0.3, 1.0), (1.5, 0.3, 0.85), (2.5, 0.3, 1.0), (3.5, 0.3, 0.85)],
         note("e3"), note("d5"), 60)
    pad(poly, s.section("B"), note("e3"), note("d5"), 56)
    pad(poly, s.section("end"), note("e3"), note("d5"), 58, art=0.9)
    pad(strings, s.section("A2"), note("e3"), note("e4"), 40, only=(0, 7))

    for bar in s.section("A", "B", "A2"):
        root = bar.chords[0][2].root
        p = in_range(root, note("e5"))
        grid(clank, bar.start, L, {p: "....x.......x..x", p + 7: "..........x....."},
             {"x": 56}, dur=0.2)
    fx.note(s.start("A2") - 2, 2, note("c5"), 60)
    fx.note(s.start("end") - 2, 2, note("c5"), 52)

    v = {"X": 96, "x": 78, "o": 58, "g": 40}
    four = {KICK: "X...X...X...X...", HH: "x.o.x.o.x.o.x.o.", OPEN_HH: "..x...x...x...x."}
    beat = {**four, ESNARE: "....x.......x...", CLAP: "....x.......x...", HH: "xoxoxoxoxoxoxoxo"}
    fill = {**beat, ESNARE: "....x.......xoxx", OPEN_HH: "..x...x...x....."}
    intro = s.section("intro")
    groove(drums, intro[:2], {KICK: "X...X...X...X..."}, v)
    groove(drums, intro[2:3], four, v)
    groove(drums, intro[3:], {**four, ESNARE: "............xoxx"}, v)
    for name in ("A", "B", "A2"):
        bars = s.section(name)
        groove(drums, bars[:-1], beat if name != "B" else {**beat, RIDE: "x...x...x...x..."}, v)
        groove(drums, bars[-1:], fill, v)
        drums.note(bars[0].start, 1.5, CRASH, 72)
    groove(drums, s.section("end")[:2], beat, v)
    drums.note(s.start("end") + 8, 2, CRASH, 76)
    drums.note(s.start("end") + 8, 0.5, KICK, 96)
    return s


def humanoid():
    """Robotic synth tune: C minor, 100 bpm, strict sequencer arpeggios and a synth voice."""
    s = Song("Humanoid.mid", "Humanoid", 100, (4, 4), key=(-3, 1), seed=606, level_db=1.8)
    s.form([
        ("intro", "Cm | Cm | Ab | G"),
        ("A", "Cm | Ab | Eb | Bb | Cm | Ab | Fm | G"),
        ("B", "Ab | Bb | Gm | Cm | Ab | Bb | Gsus4 | G"),
        ("A2", "Cm | Ab | Eb | Bb | Cm | Ab | Fm | G"),
        ("end", "Ab | G | Cm"),
    ])
    L = s.bar_len

    seq = s.part("Sequencer", 0, 5, 83, pan=40, reverb=35, jitter=0)
    voice_lead = s.part("Synth voice", 1, 85, 80, pan=64, reverb=45, jitter=0)
    saw = s.part("Saw lead", 2, 81, 58, pan=76, reverb=40, jitter=0)
    bass = s.part("Synth bass", 3, 39, 86, pan=64, reverb=15, jitter=0)
    sweep = s.part("Sweep pad", 4, 95, 66, pan=90, reverb=55, jitter=0)
    tom = s.part("Synth drum", 5, 118, 76, pan=50, reverb=35, jitter=0)
    drums = s.part("Drums", DRUMS, KIT_808, 75, reverb=25, jitter=0)

    arp(seq, s.section("intro", "A", "B", "A2"), 0.25, [0, 1, 2, 3, 4, 3, 2, 1],
        note("c4"), note("c5"), 58, art=0.55, accent_every=4)
    arp(seq, s.section("end")[:2], 0.25, [4, 3, 2, 1, 0, 1, 2, 3], note("c4"), note("c5"), 56, art=0.55,
        accent_every=4)
    seq.chord(s.start("end") + 8, 2, voice(Chord("Cm"), note("c4"), note("c5")), 56)

    a_line = ("g4:1 c5:1 eb5:1 d5:1 | c5:2 ab4:2 | g4:1 bb4:1 eb5:1 f5:1 | d5:3 r:1 | "
              "g4:1 c5:1 eb5:1 g5:1 | eb5:2 c5:2 | c5:1 f5:1 ab5:1 f5:1 | d5:2 b4:2")
    b_line = ("c5:.5 eb5:.5 ab5:1 f5:1 eb5:1 | d5:.5 f5:.5 bb5:1 ab5:1 f5:1 | g5:1.5 f5:.5 d5:2 | "
              "eb5:1 c5:1 g4:2 | ab5:1 f5:1 eb5:1 c5:1 | bb5:1 ab5:1 f5:1 d5:1 | c6:2 g5:2 | "
              "b5:1 g5:1 d5:1 b4:1")
    voice_lead.play(melody(s.start("A"), a_line, L, vel=82, art=0.85))
    saw.play(melody(s.start("B"), b_line, L, vel=74, art=0.6))
    voice_lead.play(melody(s.start("B"), b_line, L, vel=60, art=0.85), transpose=-12)
    a2 = melody(s.start("A2"), a_line, L, vel=82, art=0.85)
    voice_lead.play(a2)
    saw.play(a2, transpose=12, vel_scale=0.75, art=0.5)
    e = melody(s.start("end"), "c5:1 eb5:1 ab5:2 | g5:1 d5:1 b4:2 | c5:2", L, vel=80, last_short=True)
    voice_lead.play(e)

    pad(sweep, s.section("intro")[2:] + s.section("A", "B", "A2", "end")[:-1], note("g3"), note("g4") + 1, 54)
    sweep.chord(s.start("end") + 8, 2, voice(Chord("Cm"), note("g3"), note("g4") + 1), 54)
    eighths = [(i * 0.5, 0.3, "R" if i % 4 != 3 else "8", 1.0 if i % 2 == 0 else 0.8) for i in range(8)]
    bassline(bass, s, s.section("A", "B", "A2", "end")[:-1], eighths, note("c2"), 82)
    bassline(bass, s, s.section("intro")[2:], [(0, 1.8, "R", 1.0), (2, 1.8, "R", 0.9)], note("c2"), 80)
    bass.note(s.start("end") + 8, 2, note("c2"), 84)

    for name in ("A", "B", "A2"):
        last = s.section(name)[-1]
        grid(tom, last.start + 2, 2, {note("c4"): "x...", note("a3"): "..x.", note("f3"): "...x",
                                      note("g3"): ".x.."}, {"x": 70}, dur=0.4)

    v = {"X": 94, "x": 76, "o": 58, "g": 40}
    beat = {KICK: "X.....x.X.......", ESNARE: "....x.......x...", HH: "x.x.x.x.x.x.x.x.",
            COWBELL: "......x.......x."}
    half = {KICK: "X.......X.......", HH: "x.x.x.x.x.x.x.x."}
    fill = {**beat, ESNARE: "....x.......x.xx", CLAP: "............x.x."}
    groove(drums, s.section("intro")[2:], half, v)
    for name in ("A", "B", "A2"):
        bars = s.section(name)
        groove(drums, bars[:-1], beat if name != "B" else {**beat, CLAP: "....x.......x..."}, v)
        groove(drums, bars[-1:], fill, v)
    groove(drums, s.section("end")[:2], half, v)
    drums.note(s.start("end") + 8, 0.5, KICK, 94)
    drums.note(s.start("end") + 8, 0.5, CLAP, 76)
    return s


def impact():
    """Driving, percussive action: G minor, 132 bpm, string ostinato, horns, taiko."""
    s = Song("Impact.mid", "Impact", 132, (4, 4), key=(-2, 1), seed=707, level_db=-5.2)
    s.form([
        ("intro", "Gm | Gm | Gm | D"),
        ("A", "Gm | Gm | Eb | F | Gm | Gm | Eb | D"),
        ("B", "Cm | Gm | Eb | Bb | Cm | Gm | Eb | D"),
        ("A2", "Gm | Gm | Eb | F | Gm | Gm | Eb | D"),
        ("end", "Eb | F | D | Gm"),
    ])
    L = s.bar_len
    s.ramp(s.start("end") + 8, s.start("end") + 12, 112, steps=4)

    ostinato = s.part("Strings", 0, 48, 76, pan=40, reverb=45)
    horns = s.part("Horns", 1, 60, 86, pan=70, reverb=50)
    brass = s.part("Brass", 2, 61, 100, pan=56, reverb=45)
    taiko = s.part("Taiko", 3, 116, 80, pan=64, reverb=40)
    timp = s.part("Timpani", 4, 47, 96, pan=64, reverb=50)
    cello = s.part("Cellos", 5, 42, 95, pan=84, reverb=40)
    violins = s.part("Violins", 6, 49, 99, pan=30, reverb=55)
    drums = s.part("Drums", DRUMS, KIT_POWER, 74, reverb=35)

    driven = s.section("intro", "A", "B", "A2", "end")[:-1]
    arp(ostinato, driven, 0.5, [0, 0, 2, 0, 3, 0, 2, 1], note("g3"), note("g4") + 1, 60,
        art=0.5, accent_every=2, max_notes=3)
    bassline(cello, s, s.section("A", "B", "A2", "end")[:-1],
             [(i * 0.5, 0.4, "R", 1.0 if i % 2 == 0 else 0.8) for i in range(8)], note("g2") - 2, 66)
    bassline(cello, s, s.section("intro")[2:], [(0, 1.8, "R", 1.0), (2, 1.8, "5", 0.9)], note("g2") - 2, 64)

    a_line = ("g4:1.5 d4:.5 g4:1 bb4:1 | d5:3 c5:.5 bb4:.5 | g4:1.5 bb4:.5 eb5:2 | a4:1.5 bb4:.5 c5:2 | "
              "g4:1.5 d4:.5 g4:1 bb4:1 | d5:2 f5:1 d5:1 | eb5:1.5 d5:.5 bb4:2 | a4:2 f#4:2")
    b_line = ("c5:1 eb5:1 g5:2 | f5:1.5 d5:.5 bb4:2 | eb5:1 g5:1 f5:1 eb5:1 | d5:3 r:1 | "
              "c5:1 eb5:1 g5:2 | g5:1.5 f5:.5 d5:2 | eb5:1 d5:1 c5:1 bb4:1 | a4:1 d5:1 f#5:2")
    horns.play(melody(s.start("A"), a_line, L, vel=84))
    b = melody(s.start("B"), b_line, L, vel=86)
    horns.play(b)
    violins.play(harmony(s, b, scale("g", HARMONIC)), transpose=12, vel_scale=0.75)
    a2 = melody(s.start("A2"), a_line, L, vel=88)
    horns.play(a2)
    violins.play(a2, transpose=12, vel_scale=0.85)
    e = melody(s.start("end"), "eb5:1 d5:1 c5:1 bb4:1 | c5:1 d5:1 eb5:1 f5:1 | f#5:2 d5:1 a4:1 | g4:2",
               L, vel=88, last_short=True)
    horns.play(e)
    violins.play(e, transpose=12, vel_scale=0.85)

    stabs = [(0, 0.4, 1.0), (1.5, 0.4, 0.85), (3, 0.4, 0.9)]
    comp(brass, s.section("A", "A2"), stabs, note("bb3"), note("bb4") + 1, 72, max_notes=3)
    comp(brass, s.section("B"), [(0, 1.4, 1.0), (2.5, 1.4, 0.9)], note("bb3"), note("bb4") + 1, 68, max_notes=3)
    comp(brass, s.section("end")[:3], [(0, 0.9, 1.0), (1.5, 0.4, 0.85), (2, 0.9, 0.9), (3, 0.9, 0.9)],
         note("bb3"), note("bb4") + 1, 74, max_notes=3)
    last = s.start("end") + 12
    gm = Chord("Gm")
    brass.chord(last, 2, voice(gm, note("bb3"), note("bb4") + 1, max_notes=3), 68)
    ostinato.chord(last, 2, voice(gm, note("g3"), note("g4") + 1, max_notes=3), 64)
    cello.note(last, 2, note("g2"), 72)
    violins.chord(last, 2, [note("d5"), note("g5")], 60)

    t = {"X": 92, "x": 74, "o": 56}
    low_t, high_t = note("g2"), note("d3")
    intro = s.section("intro")
    for bar in intro:
        grid(taiko, bar.start, L, {low_t: "X..x..X.X.......", high_t: "............x.x."}, t, dur=0.4)
    for bar in s.section("A", "B", "A2", "end")[:-1]:
        grid(taiko, bar.start, L, {low_t: "X.....X.X......."}, t, dur=0.4)
    taiko.note(last, 1, low_t, 96)
    for bar in s.section("B"):
        timp.note(bar.start, 0.9, in_range(bar.chords[0][2].root, note("f2")), 70)
    roll(timp, note("d3"), s.start("A2") - 4, 4, 0.125, 40, 80)
    roll(timp, note("d3"), s.start("end") + 8, 4, 0.125, 48, 84)
    timp.note(last, 1.5, note("g2"), 90)

    v = {"X": 94, "x": 76, "o": 56, "g": 38}
    beat = {KICK: "X..x..X...X..x..", SNARE: "....X.......X...", HH: "x.x.x.x.x.x.x.x."}
    toms = {KICK: "X...X...X...X...", SNARE: "....X.......X...", TOM_LF: "..x...x...x...x.",
            HH: "x...x...x...x..."}
    fill = {KICK: "X.......X.......", SNARE: "x.x.xoxo........", TOM_HM: "........xx......",
            TOM_LM: "..........xx....", TOM_LF: "............xxxx"}
    groove(drums, intro[2:3], {KICK: "X..x..X...X..x.."}, v)
    groove(drums, intro[3:], {KICK: "X.......X.......", SNARE: "........xoxoxxXX"}, v)
    for name in ("A", "B", "A2"):
        bars = s.section(name)
        groove(drums, bars[:-1], toms if name == "B" else beat, v)
        groove(drums, bars[-1:], fill, v)
        drums.note(bars[0].start, 1.5, CRASH, 80)
    groove(drums, s.section("end")[:3], beat, v)
    drums.note(last, 2, CRASH, 86)
    drums.note(last, 0.5, KICK, 96)
    return s


def lastday():
    """Melancholy farewell ballad: B minor, 72 bpm, piano, cello, oboe, violin, strings."""
    s = Song("Lastday.mid", "Lastday", 72, (4, 4), key=(2, 1), seed=808, level_db=4.1)
    s.form([
        ("intro", "Bm | Gmaj7"),
        ("A", "Bm | G | D | A | Bm | G | Em7 | F#sus4 F#"),
        ("B", "G | D/F# | Em | Bm | G | A | F#sus4 | F#"),
        ("A2", "Bm | G | D | A | Bm | G | Em7 | F#sus4 F#"),
        ("end", "G | F#sus4 F# | Bm"),
    ])
    L = s.bar_len
    s.ramp(s.start("end"), s.start("end") + 10, 58, steps=8)

    piano = s.part("Piano", 0, 0, 90, pan=54, reverb=55)
    cello = s.part("Cello", 1, 42, 75, pan=74, reverb=55)
    oboe = s.part("Oboe", 2, 68, 66, pan=44, reverb=55)
    violin = s.part("Violin", 3, 40, 69, pan=36, reverb=60)
    strings = s.part("Strings", 4, 49, 70, pan=90, reverb=65)

    everything = s.section("intro", "A", "B", "A2", "end")
    arp(piano, everything[:-1], 0.5, [0, 1, 2, 3, 2, 1, 2, 1], note("d3") + 2, note("d5"), 60, art=1.5,
        accent_every=4, max_notes=3)
    bassline(piano, s, everything[:-1], [(0, 3.9, "R", 1.0)], note("b1") - 1, 68)
    piano.chord(s.start("end") + 8, 3, [note("b1"), note("f#2"), note("b2")] +
                voice(Chord("Bm"), note("d3") + 2, note("d5"), max_notes=3), 60, strum=0.08)

    a_line = ("b3:1 d4:1 f#4:1.5 e4:.5 | d4:1.5 c#4:.5 b3:2 | a3:1 d4:1 f#4:1 a4:1 | "
              "g4:1.5 f#4:.5 e4:2 | b3:1 d4:1 f#4:1.5 g4:.5 | b4:2 a4:1 g4:1 | "
              "b4:1 a4:1 g4:1 e4:1 | b3:2 a#3:2")
    b_line = ("d5:1.5 e5:.5 d5:1 b4:1 | a4:1.5 b4:.5 a4:1 f#4:1 | g4:1 b4:1 e5:2 | "
              "d5:1.5 c#5:.5 b4:2 | b4:1 d5:1 g5:1.5 f#5:.5 | e5:1.5 c#5:.5 a4:2 | "
              "b4:1 c#5:1 b4:2 | a#4:2 r:1 f#4:1")
    cello.play(melody(s.start("A"), a_line, L, vel=80, art=0.98))
    b = melody(s.start("B"), b_line, L, vel=78, art=0.96)
    oboe.play(b)
    cello.play(harmony(s, b, scale("b", HARMONIC)), transpose=-12, vel_scale=0.8)
    a2 = melody(s.start("A2"), a_line, L, vel=80, art=0.98)
    violin.play(a2, transpose=12)
    cello.play(a2, vel_scale=0.85)
    e = melody(s.start("end"), "b4:1 d5:1 g5:1.5 f#5:.5 | e5:1 c#5:1 a#4:2 | b4:3", L, vel=78, art=1.0,
               last_short=True)
    violin.play(e)
    cello.play(e, transpose=-12, vel_scale=0.85)

    pad(strings, s.section("A", "B", "A2", "end")[:-1], note("f#3"), note("f#4") + 1, 44, max_notes=3)
    strings.chord(s.start("end") + 8, 3, voice(Chord("Bm"), note("f#3"), note("f#4") + 1, max_notes=3), 44)
    swell(strings, s.start("A"), s.start("A") + 8, 60, 127, steps=8)
    return s


def scopa():
    """A tarantella for a card game: A minor with a C major middle, 6/8, accordion and tambourine."""
    s = Song("Scopa.mid", "Scopa", 180, (6, 8), key=(0, 1), seed=909, level_db=4.9)
    s.form([
        ("intro", "Am | E7 | Am | E7"),
        ("A", "Am | Am | E7 | Am | Am | Dm | E7 | Am | Am | Am | Dm | Am | Dm | Am | E7 | Am"),
        ("B", "C | C | G7 | C | C | F | G7 | C | F | C | G7 | C | F | C | G7 | E7"),
        ("A2", "Am | Am | E7 | Am | Am | Dm | E7 | Am | Am | Am | Dm | Am | Dm | Am | E7 | Am"),
        ("end", "Dm | E7 | Am | Am"),
    ])
    L = s.bar_len
    s.ramp(s.start("end"), s.start("end") + 9, 196, steps=6)

    accordion = s.part("Accordion", 0, 21, 80, pan=56, reverb=40)
    violin = s.part("Violin", 1, 40, 74, pan=80, reverb=45)
    guitar = s.part("Guitar", 2, 25, 79, pan=36, reverb=35)
    bass = s.part("Bass", 3, 32, 69, pan=64, reverb=25)
    clarinet = s.part("Clarinet", 4, 71, 69, pan=70, reverb=45)
    drums = s.part("Tambourine", DRUMS, KIT_STANDARD, 76, reverb=35)

    accordion.play(melody(s.start("intro") + 6, "a4:.5 c5:.5 e5:.5 a5:1.5 | g#5:.5 b5:.5 d6:.5 b5:.5 g#5:.5 e5:.5",
                          L, vel=74, art=0.85))
    a_line = ("a4:.5 c5:.5 e5:.5 a5:1 e5:.5 | g#5:.5 a5:.5 b5:.5 c6:1 a5:.5 | "
              "b5:.5 g#5:.5 e5:.5 d5:.5 e5:.5 g#5:.5 | a5:1 e5:.5 c5:1 a4:.5 | "
              "a4:.5 c5:.5 e5:.5 a5:1 e5:.5 | f5:.5 e5:.5 d5:.5 a5:1 f5:.5 | "
              "e5:.5 d5:.5 c5:.5 b4:.5 d5:.5 g#4:.5 | a4:1 r:.5 e5:.5 f5:.5 e5:.5 | "
              "c6:.5 b5:.5 a5:.5 e5:1 a5:.5 | c6:.5 b5:.5 a5:.5 e5:1 c5:.5 | "
              "d5:.5 f5:.5 a5:.5 d6:1 a5:.5 | c6:.5 b5:.5 a5:.5 e5:1.5 | "
              "f5:.5 e5:.5 d5:.5 f5:.5 a5:.5 d6:.5 | c6:.5 b5:.5 a5:.5 e5:.5 c5:.5 a4:.5 | "
              "b4:.5 d5:.5 g#5:.5 b5:1 g#5:.5 | a5:1 r:.5 g5:.5 f5:.5 e5:.5")
    b_line = ("e5:1 g5:.5 c6:1 g5:.5 | e5:1 d5:.5 c5:1.5 | d5:1 f5:.5 b5:1 g5:.5 | c5:1 e5:.5 g5:1.5 | "
              "e5:1 g5:.5 c6:1 g5:.5 | a5:1 g5:.5 f5:1 c5:.5 | b4:1 d5:.5 g5:1 f5:.5 | e5:1.5 r:1.5 | "
              "f5:.5 g5:.5 a5:.5 c6:1 a5:.5 | g5:.5 f5:.5 e5:.5 g5:1 e5:.5 | "
              "d5:.5 e5:.5 f5:.5 b5:1 g5:.5 | c6:1 g5:.5 e5:1.5 | "
              "a5:.5 g5:.5 f5:.5 a5:1 c6:.5 | g5:.5 e5:.5 c5:.5 e5:1 g5:.5 | "
              "f5:.5 d5:.5 b4:.5 d5:1 f5:.5 | e5:.5 g#5:.5 b5:.5 d6:1 b5:.5")
    accordion.play(melody(s.start("A"), a_line, L, vel=80, art=0.85))
    b = melody(s.start("B"), b_line, L, vel=80, art=0.9)
    clarinet.play(b)
    accordion.play(harmony(s, b, scale("c", MAJOR)), vel_scale=0.7, art=0.9)
    a2 = melody(s.start("A2"), a_line, L, vel=82, art=0.85)
    accordion.play(a2)
    violin.play(harmony(s, a2, scale("a", HARMONIC), below=False), vel_scale=0.85)
    end_line = ("f5:.5 a5:.5 d6:.5 a5:.5 f5:.5 d5:.5 | e5:.5 g#5:.5 b5:.5 d6:.5 b5:.5 g#5:.5 | "
                "a5:.5 e5:.5 c5:.5 a4:.5 c5:.5 e5:.5 | a5:1")
    e = melody(s.start("end"), end_line, L, vel=84, art=0.85, last_short=True)
    accordion.play(e)
    violin.play(e, vel_scale=0.8)
    clarinet.play(e, transpose=-12, vel_scale=0.7)

    played = s.section("intro", "A", "B", "A2", "end")[:-1]
    bassline(bass, s, played, [(0, 1.0, "R", 1.0), (1.5, 1.0, "5", 0.85)], note("e1") + 12, 80)
    comp(guitar, played, [(0.5, 0.35, 0.9), (1.0, 0.35, 0.8), (2.0, 0.35, 0.9), (2.5, 0.35, 0.8)],
         note("g3"), note("e4"), 56, max_notes=3)
    last = s.start("end") + 9
    am = Chord("Am")
    guitar.chord(last, 1, voice(am, note("g3"), note("e4"), max_notes=3), 66, strum=0.04)
    bass.note(last, 1, note("a2"), 84)
    accordion.chord(last, 1, voice(am, note("c4"), note("c5")), 64)

    # Tambourine on every eighth in the A parts, only on the beats in B.
    v = {"X": 86, "x": 66, "o": 42}
    groove(drums, s.section("intro")[:2], {TAMB: "X..x.."}, v)
    groove(drums, s.section("intro")[2:] + s.section("A"), {TAMB: "Xooxoo", KICK2: "x..o.."}, v)
    groove(drums, s.section("B"), {TAMB: "X..x.o", KICK2: "x..o.."}, v)
    groove(drums, s.section("A2", "end")[:-1], {TAMB: "Xooxoo", KICK2: "x..o..", TRIANGLE: "...o.."}, v)
    drums.note(last, 1, TAMB, 92)
    drums.note(last, 1, KICK2, 80)
    return s


# Guitar chord shapes for the sevillanas, low string to high, as sounding pitches.
GUITAR = {
    "Am": ("a2", "e3", "a3", "c4", "e4"),
    "G": ("g2", "b2", "d3", "g3", "b3", "g4"),
    "G7": ("g2", "b2", "d3", "g3", "b3", "f4"),
    "F": ("f2", "c3", "f3", "a3", "c4", "f4"),
    "E": ("e2", "b2", "e3", "g#3", "b3", "e4"),
    "E7": ("e2", "b2", "d3", "g#3", "b3", "e4"),
    "Dm": ("d3", "a3", "d4", "f4"),
    "C": ("c3", "e3", "g3", "c4", "e4"),
}


def sevilana():
    """Sevillanas: 3/4, 168 bpm, A minor with the Andalusian cadence, guitar, flute, castanets."""
    s = Song("Sevilana.mid", "Sevilana", 168, (3, 4), key=(0, 1), seed=1010, level_db=2.1)
    andaluz = "Am | G | F | E | Am | G | F | E"
    s.form([
        ("intro", andaluz),
        ("A", "Am | G | F | E | Am | G | F | E | Dm | Am | E7 | Am | Dm | Am | F | E"),
        ("B", "C | G7 | G7 | C | C | G7 | G7 | C | F | C | G7 | C | F | C | F | E"),
        ("A2", "Am | G | F | E | Am | G | F | E | Dm | Am | E7 | Am | Dm | Am | F | E"),
        ("end", "F | E | E | Am"),
    ])
    L = s.bar_len
    s.ramp(s.start("end") + 3, s.start("end") + 9, 150, steps=6)

    guitar = s.part("Guitar", 0, 24, 74, pan=50, reverb=40)
    flute = s.part("Flute", 1, 73, 80, pan=72, reverb=50)
    violin = s.part("Violin", 2, 40, 78, pan=34, reverb=50)
    bass = s.part("Bass", 3, 32, 76, pan=60, reverb=25)
    picado = s.part("Second guitar", 4, 24, 70, pan=86, reverb=40)
    drums = s.part("Castanets", DRUMS, KIT_STANDARD, 99, reverb=35)

    def shape(ch):
        return [note(n) for n in GUITAR[ch.name]]

    # Rasgueado: down-strums on the beats, lighter up-strums on the off-beats.
    strums = [(0, 1.0, True, 1.0), (1, 0.5, True, 0.78), (1.5, 0.5, False, 0.6),
              (2, 0.5, True, 0.82), (2.5, 0.5, False, 0.6)]
    for bar in s.section("intro", "A", "B", "A2", "end")[:-1]:
        for off, length, down, acc in strums:
            pitches = shape(bar.chord_at(off))
            if not down:
                pitches = pitches[-4:]
            guitar.chord(bar.start + off, length, pitches, 66 * acc, strum=0.025, down=down)
    last = s.start("end") + 9
    guitar.chord(last, 2, shape(Chord("Am")), 74, strum=0.05)

    a_line = ("c5:1 e5:1 a5:1 | b5:.5 a5:.5 g5:1 d5:1 | a5:.5 g5:.5 f5:1 c5:1 | g#4:.5 b4:.5 e5:2 | "
              "c5:1 e5:1 a5:1 | b5:.5 a5:.5 g5:1 b5:1 | a5:.5 g5:.5 f5:.5 e5:.5 f5:1 | e5:2 r:1 | "
              "d5:1 f5:1 a5:1 | c6:1 b5:.5 a5:.5 e5:1 | d5:1 g#5:.5 a5:.5 b5:1 | a5:2 r:1 | "
              "f5:1 a5:1 d6:1 | c6:.5 b5:.5 a5:1 e5:1 | f5:.5 e5:.5 d5:.5 c5:.5 a4:1 | e5:3")
    b_line = ("g5:1 e5:1 c5:1 | d5:1.5 f5:.5 d5:1 | b4:1 d5:1 f5:1 | e5:2 r:1 | "
              "g5:1 c6:1 g5:1 | f5:1.5 e5:.5 d5:1 | b4:.5 c5:.5 d5:1 f5:1 | e5:2 c5:1 | "
              "a5:1 c6:1 a5:1 | g5:1.5 e5:.5 c5:1 | d5:.5 e5:.5 f5:1 g5:1 | e5:2 g5:1 | "
              "a5:.5 b5:.5 c6:1 a5:1 | g5:.5 f5:.5 e5:1 c5:1 | a5:.5 g5:.5 f5:.5 e5:.5 d5:1 | "
              "g#5:1.5 f5:.5 e5:1")
    flute.play(melody(s.start("A"), a_line, L, vel=80, art=0.9))
    b = melody(s.start("B"), b_line, L, vel=80, art=0.92)
    violin.play(b)
    a2 = melody(s.start("A2"), a_line, L, vel=82, art=0.9)
    flute.play(a2)
    violin.play(harmony(s, a2, scale("a", HARMONIC)), vel_scale=0.85)
    e = melody(s.start("end"), "a5:.5 g5:.5 f5:1 e5:1 | f5:.5 e5:.5 d5:.5 c5:.5 b4:1 | "
               "g#4:1 b4:1 d5:1 | c5:2", L, vel=82, art=0.95, last_short=True)
    flute.play(e)
    violin.play(harmony(s, e, scale("a", HARMONIC)), vel_scale=0.85)

    # The second guitar picks broken chords under the violin.
    prev = None
    for bar in s.section("B"):
        v = shape(bar.chords[0][2])[-4:]
        for k, idx in enumerate([0, 2, 1, 3, 2, 1]):
            picado.note(bar.start + k * 0.5, 0.45, v[idx], 58 if k else 64)

    bassline(bass, s, s.section("A", "B", "A2", "end")[:-1], [(0, 0.9, "R", 1.0), (2, 0.9, "5", 0.8)],
             note("e2") - 2, 70)
    bass.note(last, 2, note("a2"), 74)

    v = {"X": 90, "x": 72, "o": 54}
    clave = {CASTANETS: "X.ooX...X.o.", CLAP: "....x...x..."}
    groove(drums, s.section("intro")[4:], {CASTANETS: "X...X...X..."}, v)
    for name in ("A", "B", "A2"):
        bars = s.section(name)
        groove(drums, bars[:-1], clave, v)
        groove(drums, bars[-1:], {CASTANETS: "XoooXoooX...", CLAP: "x...x...x..."}, v)
    groove(drums, s.section("end")[:3], clave, v)
    drums.note(last, 0.5, CASTANETS, 96)
    drums.note(last, 0.5, CLAP, 80)
    return s


SONGS = [chill1, champion, champs, easycity, inds_01, humanoid, impact, lastday, scopa, sevilana]


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = argv[1] if len(argv) > 1 else os.path.join(here, "music")
    os.makedirs(out_dir, exist_ok=True)
    for make in SONGS:
        song = make()
        data = song.render()
        path = os.path.join(out_dir, song.filename)
        with open(path, "wb") as f:
            f.write(data)
        print(f"wrote {path} ({len(data)} bytes)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
