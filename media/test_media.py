#!/usr/bin/env python3
"""Tests for the song generator, the song checker and the files they made.

Run: python3 media/test_media.py   (or through ctest: media_songs)
"""

import os
import struct
import sys
import tempfile
import unittest
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True

import check_songs  # noqa: E402
import make_songs  # noqa: E402

MUSIC = os.path.join(HERE, "music")


# ---------------------------------------------------------------------------
# A small hand-made SMF writer, independent of make_songs, to feed the checker.

def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append((n & 0x7F) | 0x80)
        n >>= 7
    return bytes(reversed(out))


def track(events, running_status=False):
    """events: [(tick, bytes)] in order; the End of Track is appended by the
    caller as an event (b'\\xff\\x2f\\x00') so tests can misplace or omit it."""
    body = bytearray()
    now = 0
    last_status = None
    for tick, data in events:
        body += vlq(tick - now)
        now = tick
        if running_status and data[0] < 0xF0 and data[0] == last_status:
            body += data[1:]
        else:
            body += data
            last_status = data[0] if data[0] < 0xF0 else None
    return b"MTrk" + struct.pack(">I", len(body)) + bytes(body)


def smf(tracks, fmt=1, division=480):
    return b"MThd" + struct.pack(">IHHH", 6, fmt, len(tracks), division) + b"".join(tracks)


EOT = b"\xff\x2f\x00"


def tempo(bpm):
    return b"\xff\x51\x03" + round(60_000_000 / bpm).to_bytes(3, "big")


def song(seconds=60.0, notes=250, drums=True, tail=0.0, reverb=40, stuck=0, bpm=120):
    """A song of the given shape: notes spread evenly over the length."""
    ppq = 480
    ticks_per_second = ppq * bpm / 60
    total = round(seconds * ticks_per_second)
    conductor = track([(0, tempo(bpm)), (0, EOT)])
    events = [(0, bytes([0xB0, 91, reverb])), (0, bytes([0xC0, 0]))]
    step = total // notes
    for i in range(notes):
        ch = 9 if drums and i % 2 else 0
        on = i * step
        off = total if i == notes - 1 else on + step // 2
        events.append((on, bytes([0x90 | ch, 60, 80])))
        if i >= stuck:
            events.append((off, bytes([0x80 | ch, 60, 0])))
    events.sort(key=lambda e: e[0])
    end = total + round(tail * ticks_per_second)
    events.append((end, EOT))
    return smf([conductor, track(events)])


class CheckerVerdicts(unittest.TestCase):
    """The checker must pass a sound song and name each fault in a bad one."""

    CASES = [
        # name, song arguments, wants drums, expected problem word (None: clean)
        ("sound song", {}, True, None),
        ("at the lower length limit", {"seconds": 40.5}, True, None),
        ("too short", {"seconds": 30}, True, "length"),
        ("too long", {"seconds": 130}, True, "length"),
        ("too few notes", {"notes": 120}, True, "notes"),
        ("no drums where wanted", {"drums": False}, True, "drums"),
        ("no drums, none wanted", {"drums": False}, False, None),
        ("short tail allowed", {"tail": 0.1}, True, None),
        ("long silent tail", {"tail": 1.0}, True, "End of Track"),
        ("note never released", {"stuck": 3}, True, "released"),
        ("reverb too wet", {"reverb": 110}, True, "reverb"),
    ]

    def test_cases(self):
        for name, kwargs, wants_drums, word in self.CASES:
            with self.subTest(name):
                info = check_songs.analyse(song(**kwargs))
                found = check_songs.problems(info, wants_drums)
                if word is None:
                    self.assertEqual(found, [])
                else:
                    self.assertEqual(len(found), 1, found)
                    self.assertIn(word, found[0])


class CheckerParsing(unittest.TestCase):
    def test_length_follows_tempo_changes(self):
        # 4 beats at 120 bpm (2 s), then 4 beats at 60 bpm (4 s).
        conductor = track([(0, tempo(120)), (1920, tempo(60)), (1920, EOT)])
        notes = track([(0, b"\x90\x3c\x50"), (3840, b"\x80\x3c\x00"), (3840, EOT)])
        info = check_songs.analyse(smf([conductor, notes]))
        self.assertAlmostEqual(info["seconds"], 6.0, places=6)
        self.assertEqual(info["tempos"], [120.0, 60.0])
        self.assertAlmostEqual(info["tail"], 0.0, places=6)

    def test_running_status_and_zero_velocity_note_off(self):
        events = [(0, b"\xc1\x28")]
        for i in range(5):
            events.append((i * 240, bytes([0x91, 60 + i, 70])))
            events.append((i * 240 + 200, bytes([0x91, 60 + i, 0])))  # note-on, velocity 0
        events.append((1200, EOT))
        data = smf([track(events, running_status=True)], fmt=0)
        info = check_songs.analyse(data)
        self.assertEqual(info["format"], 0)
        self.assertEqual(info["notes"], 5)
        self.assertEqual(info["stuck"], 0)
        self.assertEqual(info["channels"], [1])
        self.assertEqual(info["programs"], {1: [40]})
        # Default tempo 120 bpm: the last note-off at tick 1160 is 1.2083 s.
        self.assertAlmostEqual(info["seconds"], 1160 / 960, places=6)

    def test_broken_files_are_rejected(self):
        good = track([(0, b"\x90\x3c\x50"), (480, b"\x80\x3c\x00"), (480, EOT)])
        no_end = track([(0, b"\x90\x3c\x50"), (480, b"\x80\x3c\x00")])
        cases = [
            ("not a MIDI file", b"RIFF" + bytes(20)),
            ("format 2", smf([good], fmt=2)),
            ("no End of Track", smf([no_end])),
            ("truncated track", smf([good])[:-3]),
            ("SMPTE division", smf([good], division=0xE728)),
        ]
        for name, data in cases:
            with self.subTest(name):
                with self.assertRaises((check_songs.MidiError, IndexError, struct.error)):
                    check_songs.analyse(data)

    def test_song_lookup_ignores_letter_case(self):
        with tempfile.TemporaryDirectory() as d:
            open(os.path.join(d, "CHILL1.MID"), "wb").close()
            self.assertEqual(check_songs.find_song(d, "Chill1"), os.path.join(d, "CHILL1.MID"))
            self.assertIsNone(check_songs.find_song(d, "Scopa"))


# ---------------------------------------------------------------------------
# The generator's building blocks.

class GeneratorParts(unittest.TestCase):
    def test_variable_length_quantities(self):
        # Values and encodings from the Standard MIDI File description.
        for value, encoded in [(0, "00"), (0x40, "40"), (0x7F, "7f"), (0x80, "8100"),
                               (0x2000, "c000"), (0x3FFF, "ff7f"), (0x4000, "818000"),
                               (0x1FFFFF, "ffff7f"), (0x200000, "81808000"), (0x0FFFFFFF, "ffffff7f")]:
            with self.subTest(value=value):
                self.assertEqual(make_songs.vlq(value).hex(), encoded)
                self.assertEqual(check_songs.read_vlq(bytes.fromhex(encoded), 0), (value, len(encoded) // 2))

    def test_note_names(self):
        for name, number in [("c4", 60), ("a4", 69), ("c#5", 73), ("bb3", 58), ("b3", 59),
                             ("e1", 28), ("f#2", 42), ("cb4", 59)]:
            with self.subTest(name):
                self.assertEqual(make_songs.note(name), number)

    def test_chord_names(self):
        for name, root, pcs, bass in [
            ("C", 0, {0, 4, 7}, 0),
            ("Am7", 9, {9, 0, 4, 7}, 9),
            ("Bbmaj7", 10, {10, 2, 5, 9}, 10),
            ("F#sus4", 6, {6, 11, 1}, 6),
            ("D/F#", 2, {2, 6, 9}, 6),
            ("Edim7", 4, {4, 7, 10, 1}, 4),
            ("G13", 7, {7, 11, 2, 5, 9, 4}, 7),
        ]:
            with self.subTest(name):
                ch = make_songs.Chord(name)
                self.assertEqual((ch.root, ch.pcs(), ch.bass), (root, pcs, bass))

    def test_voicings_stay_in_range_without_half_step_rubs(self):
        for name in ["C", "Dm9", "G13", "Bbmaj7", "Am7", "Gm9", "Cmaj7", "Edim7", "F#sus4"]:
            with self.subTest(name):
                ch = make_songs.Chord(name)
                v = make_songs.voice(ch, 53, 74, rootless=True)
                self.assertTrue(all(53 <= p <= 74 for p in v), v)
                self.assertTrue({p % 12 for p in v} <= ch.pcs(), v)
                self.assertFalse(any(b - a == 1 for a, b in zip(v, v[1:])), v)

    def test_melody_bars_must_fill_the_bar(self):
        notes = make_songs.melody(0, "c5:1 d5:1 r:1 e5:1 | f5:4", 4)
        self.assertEqual([(s, p) for s, _, p, _ in notes], [(0, 72), (1, 74), (3, 76), (4, 77)])
        with self.assertRaises(ValueError):
            make_songs.melody(0, "c5:1 d5:1 | e5:4", 4)
        with self.assertRaises(ValueError):
            make_songs.melody(0, "c5:4 | e5:2", 4)
        self.assertEqual(len(make_songs.melody(0, "c5:4 | e5:2", 4, last_short=True)), 2)

    def test_harmony_avoids_half_steps_against_the_chord(self):
        s = make_songs.Song("t.mid", "t", 100)
        s.form([("A", "F | C | G7 | C")])
        line = make_songs.melody(0, "a4:1 c5:1 d5:1 f5:1 | e5:1 g5:1 c6:2 | "
                                    "b4:1 d5:1 f5:1 a5:1 | c5:4", 4)
        for start, _, pitch, _ in make_songs.harmony(s, line, make_songs.scale("c", make_songs.MAJOR)):
            pcs = s.chord_at(start).pcs()
            with self.subTest(beat=start):
                self.assertFalse(any((pitch - pc) % 12 in (1, 11) for pc in pcs), (start, pitch))

    def test_overlapping_notes_of_one_pitch_are_split(self):
        s = make_songs.Song("t.mid", "t", 120)
        p = s.part("x", 0, 0, 100, jitter=0)
        p.note(0, 2, 60, 80)
        p.note(1, 2, 60, 80)  # restruck before the first is released
        p.note(1, 1, 64, 80)
        p.note(1, 0.5, 64, 90)  # same start: merged, the louder wins
        self.assertEqual(s._clean(p), [(0, 480, 60, 80), (480, 960, 64, 90), (480, 1440, 60, 80)])

    def test_a_table_names_bars_beats_and_pitches(self):
        table = {
            "name": "t", "tempo": 100, "meter": [3, 4], "key": [0, 0], "seed": 1, "level_db": 0.0,
            "form": ["intro: C | G", "A: F | C | G7 | C", "A2: = A"],
            "parts": ["lead: Lead, program 73, volume 90, jitter 0", "drums: Drums, kit room, volume 80"],
            "score": [["note", "lead", "A[2]+1", 1, "c5", 80],
                      ["hits", "drums", "intro A2", [0.5, "KICK", 90], [0.5, "RIDE", 70]]],
        }
        a = make_songs.Arranger(table)
        self.assertEqual([b.chords[0][2].name for b in a._bars("A[1:3] A2[::2]")], ["C", "G7", "F", "G7"])
        self.assertEqual(a._beats("intro A2 A[2]+1 A2-2"), [0.0, 18.0, 13.0, 16.0])
        self.assertEqual(a.song.sections["A2"], (6, 10))
        lead, drums = a.song.parts
        self.assertEqual((lead.channel, lead.program, drums.channel, drums.program), (0, 73, 9, 8))
        self.assertEqual(lead.notes, [[13.0, 1, 72, 80]])
        self.assertEqual(sorted((n[0], n[2]) for n in drums.notes), [(0.0, 36), (0.0, 51), (18.0, 36), (18.0, 51)])
        self.assertEqual([make_songs.pitch(p) for p in ("f4+1", "d2-2", "KICK", "7", 60)], [66, 36, 36, 7, 60])
        for step in (["nothing", "lead"], ["_bars", "A"]):
            with self.subTest(step=step[0]), self.assertRaises(ValueError):
                make_songs.Arranger(dict(table, score=[step]))


# ---------------------------------------------------------------------------
# The committed files.

class CommittedMedia(unittest.TestCase):
    def test_songs_are_what_the_generator_writes(self):
        for make in make_songs.SONGS:
            song = make()
            with self.subTest(song.title):
                with open(os.path.join(MUSIC, song.filename), "rb") as f:
                    self.assertEqual(f.read(), song.render(), "rerun make_songs.py")

    def test_every_song_passes_the_checker(self):
        self.assertEqual(sorted(check_songs.SONGS), sorted(m().title for m in make_songs.SONGS))
        for title, wants_drums in check_songs.SONGS.items():
            with self.subTest(title):
                path = check_songs.find_song(MUSIC, title)
                self.assertIsNotNone(path)
                with open(path, "rb") as f:
                    info = check_songs.analyse(f.read())
                self.assertEqual(check_songs.problems(info, wants_drums), [])
                self.assertEqual(info["format"], 1)

    def test_card_sound_format(self):
        with wave.open(os.path.join(HERE, "carta.wav")) as w:
            self.assertEqual((w.getnchannels(), w.getsampwidth()), (1, 2))
            self.assertIn(w.getframerate(), (22050, 44100))
            frames = w.getnframes()
            self.assertAlmostEqual(frames / w.getframerate(), 0.3, delta=0.02)
            samples = struct.unpack(f"<{frames}h", w.readframes(frames))
        peak = max(abs(x) for x in samples) / 32768
        self.assertAlmostEqual(peak, 10 ** (-3 / 20), delta=0.03)  # about -3 dBFS
        # Faded: it starts and ends at (near) silence, so it cannot click.
        rate = frames / 0.3
        first = samples[:int(0.0003 * rate)]
        last = samples[-int(0.002 * rate):]
        self.assertLess(max(abs(x) for x in first) / 32768, 0.05)
        self.assertLess(max(abs(x) for x in last) / 32768, 0.01)


if __name__ == "__main__":
    unittest.main()
