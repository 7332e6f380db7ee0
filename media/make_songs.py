#!/usr/bin/env python3
"""Writes the game's ten background songs as General MIDI files in media/music/.

Every song is a table in songs.toml beside this script: its form (intro, A,
B, A' and an ending, each a row of chords), its parts (instruments), its
tunes (hand-written melody lines), its drum patterns, and a score, the steps
that lay the tunes and the accompaniment (bass lines, comping, arpeggios,
drum grooves) over the form. One arranger (Arranger, below) plays every
table's score with the same building blocks. The Standard MIDI File bytes are
written directly (format 1: a conductor track with tempo, metre and key, then
one track per instrument).

Python 3.11 or later (for tomllib), standard library only. The output is deterministic: the only
randomness is small velocity variation and bass-line choices, drawn from a
generator seeded per song, so running this twice gives identical files.

Usage: python3 media/make_songs.py [output_dir]   (default: media/music)
"""

import functools
import os
import random
import re
import struct
import sys
import tomllib

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


# General MIDI percussion keys (channel 10), by the names the songs use
DRUM_KEYS = dict(
    KICK2=35, KICK=36, STICK=37, SNARE=38, CLAP=39, ESNARE=40,
    TOM_LF=41, HH=42, TOM_HF=43, PEDAL=44, TOM_L=45, OPEN_HH=46, TOM_LM=47, TOM_HM=48,
    CRASH=49, TOM_H=50, RIDE=51, BELL=53, TAMB=54, SPLASH=55, COWBELL=56,
    SHAKER=70, CLAVES=75, WOOD_H=76, WOOD_L=77, TRIANGLE=81, CASTANETS=85,
)
DRUMS = 9  # channel 10

# Drum kits (bank-less program numbers on channel 10, GS layout)
KITS = {"standard": 0, "room": 8, "power": 16, "electronic": 24, "808": 25, "brush": 40}

MAJOR = (0, 2, 4, 5, 7, 9, 11)
MINOR = (0, 2, 3, 5, 7, 8, 10)
HARMONIC = (0, 2, 3, 5, 7, 8, 11)
DORIAN = (0, 2, 3, 5, 7, 9, 10)
SCALES = dict(MAJOR=MAJOR, MINOR=MINOR, HARMONIC=HARMONIC, DORIAN=DORIAN)


def scale(tonic, steps):
    root = note(tonic + "0") % 12
    return {(root + s) % 12 for s in steps}


# ---------------------------------------------------------------------------
# Building blocks the tables name


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


# Guitar chord shapes, low string to high, as sounding pitches.
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


def guitar(chord):
    """The chord as the guitar holds it (GUITAR), as MIDI pitches."""
    return [note(n) for n in GUITAR[chord.name]]


def strums(part, bars, pattern, vel, strum):
    """Rasgueado on the guitar shapes: pattern [(offset, length, down, accent)];
    an up-strum catches only the top four strings."""
    for bar in bars:
        for off, length, down, acc in pattern:
            pitches = guitar(bar.chord_at(off))
            if not down:
                pitches = pitches[-4:]
            part.chord(bar.start + off, length, pitches, vel * acc, strum=strum, down=down)


def figure(part, bars, voicing, orders, step, length, vels):
    """A broken chord each bar, from the bar's first chord: voicing is 'guitar'
    (the top four strings of its shape) or (low, high, notes), a close voicing
    that moves as little as it can; the bar's index picks one of the orders.
    vels: the first note's velocity and the others'."""
    prev = None
    for bar in bars:
        ch = bar.chords[0][2]
        if voicing == "guitar":
            v = guitar(ch)[-4:]
        else:
            low, high, max_notes = voicing
            v = voice(ch, low, high, prev, max_notes=max_notes)
            prev = v
        for k, idx in enumerate(orders[bar.index % len(orders)]):
            part.note(bar.start + k * step, length, v[idx], vels[1] if k else vels[0])


def roots(part, bars, low, pattern):
    """Notes on the chord's root (timpani): pattern [(offset, length, interval
    above the root, velocity)], each at or above low."""
    for bar in bars:
        for off, length, interval, vel in pattern:
            p = in_range(bar.chord_at(off).root + interval, low)
            part.note(bar.start + off, length, p, vel)


def pitch(value):
    """A MIDI pitch: a number (also written as a string), a drum ('KICK'),
    or a note name moved by semitones ('a2', 'f4+1', 'd2-2')."""
    if not isinstance(value, str):
        return value
    if value.isdigit():
        return int(value)
    if value in DRUM_KEYS:
        return DRUM_KEYS[value]
    m = re.fullmatch(r"([a-g][#b]*\d)([+-]\d+)?", value)
    if not m:
        raise ValueError(f"not a pitch: {value!r}")
    return note(m[1]) + int(m[2] or 0)


# ---------------------------------------------------------------------------
# Reading a song's table


def parse_form(rows):
    """['intro: Am | E7', 'A: ...', 'A2: = A', ...] -> [(name, progression)];
    '= A' repeats section A's chords."""
    sections = []
    for row in rows:
        name, _, progression = row.partition(":")
        progression = progression.strip()
        if progression.startswith("="):
            progression = dict(sections)[progression[1:].strip()]
        sections.append((name.strip(), progression))
    return sections


def parse_part(row):
    """'bass: Synth bass, program 38, volume 88, reverb 15, jitter 0' ->
    ('bass', 'Synth bass', {'program': '38', ...}); a bare word ('swing')
    maps to ''. A part with 'kit NAME' in place of a program plays the drums
    on channel 10; the others take channels 1, 2, ... in their order."""
    key, _, rest = row.partition(":")
    title, *fields = [f.strip() for f in rest.split(",")]
    return key.strip(), title, dict((f.split(" ", 1) + [""])[:2] for f in fields)


# ---------------------------------------------------------------------------
# The arranger: a song's table made into a Song


class Arranger:
    """Lays a song out from its table and plays its score, a list of steps
    written ["method", arguments..., {keyword arguments}]: each runs the
    method of that name here, with the table's part names, section names and
    note names made into parts, bars, beats and pitches.

    Bars: section names, each maybe sliced as a list ('intro A B end[:-1]',
    'A[7::8]'). Beats: a number, or a section's start or one of its bars'
    ('end', 'A[8]'), maybe moved by whole beats ('end+8', 'A2-2'). A step
    that takes beats plays at each of several ('A B A2')."""

    def __init__(self, table):
        self.table = table
        name = table["name"]
        self.song = Song(name + ".mid", name, table["tempo"], tuple(table["meter"]), key=tuple(table["key"]),
                         seed=table["seed"], level_db=table["level_db"])
        self.song.form(parse_form(table["form"]))
        self.parts = {}
        channel = 0
        for row in table["parts"]:
            key, title, fields = parse_part(row)
            if "kit" in fields:
                on, program = DRUMS, KITS[fields.pop("kit")]
            else:
                on, program = channel, int(fields.pop("program"))
                channel += 1
            swing = fields.pop("swing", None) is not None
            volume = int(fields.pop("volume"))
            part = self.song.part(title, on, program, volume, **{k: int(v) for k, v in fields.items()})
            part.swing = swing
            self.parts[key] = part
        self.notes = {}  # tunes laid out once and played by several parts
        for kind, *args in table["score"]:
            kwargs = args.pop() if args and isinstance(args[-1], dict) else {}
            if kind.startswith("_") or not callable(getattr(Arranger, kind, None)):
                raise ValueError(f"{name}: no such step {kind!r}")
            getattr(self, kind)(*args, **kwargs)

    def _bars(self, text):
        out = []
        for item in text.split():
            m = re.fullmatch(r"(\w+)(?:\[(-?\d*):(-?\d*)(?::(\d+))?\])?", item)
            if not m:
                raise ValueError(f"not a run of bars: {item!r}")
            bars = self.song.section(m[1])
            if m[2] is not None:
                bars = bars[slice(*(int(g) if g else None for g in m.group(2, 3, 4)))]
            out.extend(bars)
        return out

    def _beats(self, where):
        if not isinstance(where, str):
            return [where]
        out = []
        for item in where.split():
            m = re.fullmatch(r"([A-Za-z]\w*?)(?:\[(\d+)\])?([+-]\d+)?", item)
            if not m:
                raise ValueError(f"not a beat: {item!r}")
            beat = self.song.section(m[1])[int(m[2])].start if m[2] else self.song.start(m[1])
            out.append(beat + int(m[3]) if m[3] else beat)
        return out

    def _at(self, where):
        (beat,) = self._beats(where)
        return beat

    def _patterns(self, given):
        """A table of patterns by pitch, a name in the table's patterns, or a
        list of those merged in order."""
        if isinstance(given, str):
            return self._patterns(self.table["patterns"][given])
        if isinstance(given, list):
            merged = {}
            for item in given:
                merged.update(self._patterns(item))
            return merged
        return {pitch(k): v for k, v in given.items()}

    # -- tempo and key
    def tempo(self, where, bpm):
        self.song.tempo(self._at(where), bpm)

    def ramp(self, start, end, bpm, steps=8):
        self.song.ramp(self._at(start), self._at(end), bpm, steps=steps)

    def key(self, where, sharps, minor=0):
        self.song.key_change(self._at(where), sharps, minor)

    # -- tunes
    def tune(self, where, line, by=None, name=None, **kwargs):
        """A line of the table's tunes (or one written in the step) from a
        beat: played by a part, kept under a name for others, or both."""
        notes = melody(self._at(where), self.table["tunes"].get(line, line), self.song.bar_len, **kwargs)
        if name:
            self.notes[name] = notes
        if by:
            self.parts[by].play(notes)

    def play(self, part, name, **kwargs):
        self.parts[part].play(self.notes[name], **kwargs)

    def harmony(self, part, name, tonic, mode, below=True, **kwargs):
        line = harmony(self.song, self.notes[name], scale(tonic, SCALES[mode]), below=below)
        self.parts[part].play(line, **kwargs)

    # -- accompaniment
    def pad(self, part, bars, low, high, vel, **kwargs):
        pad(self.parts[part], self._bars(bars), pitch(low), pitch(high), vel, **kwargs)

    def comp(self, part, bars, rhythm, low, high, vel, **kwargs):
        comp(self.parts[part], self._bars(bars), rhythm, pitch(low), pitch(high), vel, **kwargs)

    def bass(self, part, bars, pattern, low, vel):
        if isinstance(pattern, str):
            pattern = sixteenths(pattern)
        bassline(self.parts[part], self.song, self._bars(bars), pattern, pitch(low), vel)

    def walk(self, part, bars, low, high, vel):
        walking(self.parts[part], self.song, self._bars(bars), pitch(low), pitch(high), vel)

    def arp(self, part, bars, step, order, low, high, vel, **kwargs):
        arp(self.parts[part], self._bars(bars), step, order, pitch(low), pitch(high), vel, **kwargs)

    def figure(self, part, bars, voicing, orders, step, length, vels):
        if voicing != "guitar":
            voicing = (pitch(voicing[0]), pitch(voicing[1]), voicing[2])
        figure(self.parts[part], self._bars(bars), voicing, orders, step, length, vels)

    def strums(self, part, bars, pattern, vel, strum):
        strums(self.parts[part], self._bars(bars), pattern, vel, strum)

    def roots(self, part, bars, low, pattern):
        roots(self.parts[part], self._bars(bars), pitch(low), pattern)

    def groove(self, part, bars, patterns, vels=None, dur=0.1, offset=None, length=None, root=None):
        """Patterns over each bar (or over length beats from offset in it),
        velocities from the table's hits unless given; with root, the
        patterns' keys are intervals above the bar's chord root."""
        patterns, vels = self._patterns(patterns), vels or self.table["hits"]
        for bar in self._bars(bars):
            pats = patterns
            if root is not None:
                base = in_range(bar.chords[0][2].root, pitch(root))
                pats = {base + k: v for k, v in patterns.items()}
            if offset is None:
                grid(self.parts[part], bar.start, bar.length, pats, vels, dur)
            else:
                grid(self.parts[part], bar.start + offset, length, pats, vels, dur)

    # -- single notes and chords
    def note(self, part, where, length, p, vel):
        for beat in self._beats(where):
            self.parts[part].note(beat, length, pitch(p), vel)

    def hits(self, part, where, *notes):
        """Drums struck together: notes (length, key, velocity)."""
        for length, key, vel in notes:
            self.note(part, where, length, key, vel)

    def chord(self, part, where, length, pitches, vel, **kwargs):
        if isinstance(pitches, str):  # a guitar shape
            pitches = guitar(Chord(pitches))
        self.parts[part].chord(self._at(where), length, [pitch(p) for p in pitches], vel, **kwargs)

    def voiced(self, part, where, length, name, low, high, vel, under=(), strum=0.0, **kwargs):
        """A chord by name, voiced between low and high, over the notes under."""
        pitches = [pitch(p) for p in under] + voice(Chord(name), pitch(low), pitch(high), **kwargs)
        self.parts[part].chord(self._at(where), length, pitches, vel, strum=strum)

    def roll(self, part, p, where, length, rate, vel_from, vel_to):
        roll(self.parts[part], pitch(p), self._at(where), length, rate, vel_from, vel_to)

    def swell(self, part, start, end, value_from, value_to, steps=16):
        swell(self.parts[part], self._at(start), self._at(end), value_from, value_to, steps=steps)


def arrange(table):
    """The song a table describes, ready to render."""
    return Arranger(table).song


def load_tables(path=os.path.join(os.path.dirname(os.path.abspath(__file__)), "songs.toml")):
    with open(path, "rb") as f:
        return tomllib.load(f)["song"]


SONGS = [functools.partial(arrange, table) for table in load_tables()]


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
