#!/usr/bin/env python3
"""Synthesises the eleven reminder sounds the event editor offers.

Each sound is added up from sine partials with their own envelopes (bells
are inharmonic partials that die away at different rates), so the same
samples come out on every run; noise comes from a fixed-seed generator.
Output: PCM 16-bit mono 22050 Hz WAV files.

Usage: make_sounds.py OUTDIR
"""

import cmath
import math
import os
import sys
import wave
from array import array
from itertools import accumulate, repeat
from operator import add, mul

RATE = 22050
TAU = 2 * math.pi
NYQUIST_SAFE = RATE / 2.2      # above this a partial would fold back
QUIET = 1e-4                   # a partial this faint is dropped


def note(name):
    """'A4' -> 440 Hz, equal temperament; '#' for sharps."""
    steps = {'C': -9, 'D': -7, 'E': -5, 'F': -4, 'G': -2, 'A': 0, 'B': 2}
    semis = steps[name[0]] + (1 if '#' in name else 0)
    octave = int(name[-1])
    return 440.0 * 2 ** ((semis + 12 * (octave - 4)) / 12)


class Track:
    def __init__(self, seconds):
        self.s = [0.0] * int(seconds * RATE)

    def partial(self, start, freq, amp, decay, length=None, attack=0.002,
                glide=None, vibrato=(0.0, 0.0), release=0.02):
        """One sine from `start` seconds: linear attack, exponential decay
        with time constant `decay` (None: held), optional frequency glide
        (a function of time since onset) and vibrato (rate Hz, depth as a
        frequency ratio).  It stops once it has decayed below hearing in
        the mix."""
        s = self.s
        i0 = int(start * RATE)
        end = len(s) if length is None else min(len(s), i0 + int(length * RATE))
        if decay and amp > QUIET:
            end = min(end, i0 + int(decay * math.log(amp / QUIET) * RATE) + 1)
        n = end - i0
        if n <= 0:
            return
        vr, vd = vibrato
        if glide or vd:
            values = []
            phase = 0.0
            for k in range(n):
                t = k / RATE
                f = glide(t) if glide else freq
                if vd:
                    f *= 1.0 + vd * math.sin(TAU * vr * t)
                phase += TAU * f / RATE
                if f > NYQUIST_SAFE:
                    values.append(0.0)
                    continue
                env = amp * math.exp(-t / decay) if decay else amp
                values.append(env * math.sin(phase))
        else:
            # Constant pitch: each sample is the previous one turned and
            # shrunk by one complex factor, which accumulate() does in C.
            step = cmath.exp(complex(-1.0 / (decay * RATE) if decay else 0.0, TAU * freq / RATE))
            values = [z.imag for z in accumulate(repeat(step, n - 1), mul, initial=amp * step)]
        ramp = min(n, max(1, int(attack * RATE)))
        for k in range(ramp):
            values[k] *= k / ramp
        if length is not None:
            tail = min(n, int(release * RATE))
            for k in range(tail):
                values[n - 1 - k] *= k / tail
        s[i0:end] = map(add, s[i0:end], values)

    def voice(self, start, length, contour, harmonics, attack=0.015, late=0.0,
              vibrato=(0.0, 0.0), release=0.03):
        """A held, pitched voice: harmonic h has amplitude harmonics[h-1]
        and follows h times `contour` (Hz as a function of time since
        onset); `late` delays the attack of each higher harmonic, the way
        brass brightens after the first instant."""
        i0 = int(start * RATE)
        n = min(len(self.s), i0 + int(length * RATE)) - i0
        vr, vd = vibrato
        freqs = [contour(k / RATE) * (1.0 + vd * math.sin(TAU * vr * k / RATE)) for k in range(n)]
        phases = list(accumulate(f * (TAU / RATE) for f in freqs))
        top = max(freqs)
        tail = min(n, int(release * RATE))
        for h, amp in enumerate(harmonics, 1):
            if h * top > NYQUIST_SAFE:
                break
            values = [amp * math.sin(h * p) for p in phases]
            ramp = min(n, max(1, int((attack + late * h) * RATE)))
            for k in range(ramp):
                values[k] *= k / ramp
            for k in range(tail):
                values[n - 1 - k] *= k / tail
            self.s[i0:i0 + n] = map(add, self.s[i0:i0 + n], values)

    def bell(self, start, freq, amp, decay, partials):
        """A struck bell or bar: (frequency ratio, relative amplitude,
        relative decay) per partial; the higher ones die away sooner."""
        for ratio, rel, life in partials:
            if freq * ratio < NYQUIST_SAFE:
                self.partial(start, freq * ratio, amp * rel, decay * life, attack=0.0015)

    def noise_burst(self, start, amp, decay, seed, tone=0.0):
        """A click: fixed-seed noise, optionally smoothed (tone near 1 is
        duller)."""
        s = self.s
        state = seed
        prev = 0.0
        i0 = int(start * RATE)
        for i in range(i0, min(len(s), i0 + int(decay * 8 * RATE))):
            state = (state * 1103515245 + 12345) & 0x7fffffff
            x = state / 0x3fffffff - 1.0
            prev = tone * prev + (1.0 - tone) * x
            s[i] += amp * prev * math.exp(-(i - i0) / RATE / decay)

    def write(self, path, peak=0.8):
        n = len(self.s)
        gain = peak * 32767 / (max(map(abs, self.s)) or 1.0)
        fade = int(0.01 * RATE)
        for k in range(fade):
            self.s[n - 1 - k] *= k / fade
        pcm = array('h', [max(-32768, min(32767, round(v * gain))) for v in self.s])
        if sys.byteorder == 'big':
            pcm.byteswap()
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with wave.open(path, 'wb') as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(RATE)
            w.writeframes(pcm.tobytes())


# Partials of a church bell (hum, prime, tierce, quint, nominal, ...) and
# of a free bar (tubes and chime rods).
CHURCH_BELL = [(0.5, 0.6, 1.6), (1.0, 1.0, 1.0), (1.19, 0.5, 0.8), (1.5, 0.35, 0.6),
               (2.0, 0.55, 0.5), (2.5, 0.2, 0.35), (3.0, 0.15, 0.25), (4.1, 0.08, 0.18)]
BAR = [(1.0, 1.0, 1.0), (2.76, 0.35, 0.45), (5.40, 0.12, 0.25), (8.93, 0.05, 0.15)]
SMALL_BELL = [(1.0, 1.0, 1.0), (2.32, 0.3, 0.6), (4.25, 0.12, 0.4), (6.63, 0.04, 0.25)]


def alarm():
    # A wind-up alarm clock: the hammer rattles between two small bells,
    # striking each about sixteen times a second, in two long bursts.
    t = Track(2.0)
    for burst in (0.0, 1.0):
        k = 0
        while k * 0.031 < 0.8:
            freq = 1760 if k % 2 else 1570
            t.bell(burst + k * 0.031, freq, 0.6, 0.05, SMALL_BELL)
            k += 1
    return t


def beep():
    # A plain soft beep.
    t = Track(0.5)
    t.partial(0.02, 880, 1.0, None, length=0.36, attack=0.012, release=0.06)
    t.partial(0.02, 1760, 0.12, None, length=0.36, attack=0.012, release=0.06)
    return t


def big_ben():
    # A tower clock: the four-note quarter phrase, then the deep hour bell.
    t = Track(3.0)
    for k, name in enumerate(('G#4', 'F#4', 'E4', 'B3')):
        t.bell(0.02 + 0.42 * k, note(name), 0.55, 0.9, CHURCH_BELL)
    t.bell(1.85, note('E3'), 1.0, 1.4, CHURCH_BELL)
    return t


def chimes():
    # Tubular chimes, a quick rising arpeggio.
    t = Track(2.2)
    for k, name in enumerate(('C6', 'E6', 'G6', 'C7', 'E7')):
        t.bell(0.02 + 0.11 * k, note(name), 0.5, 0.7, BAR)
    return t


def clock():
    # Tick, tock, tick, tock.
    t = Track(2.0)
    for k in range(4):
        start = 0.05 + 0.48 * k
        high = k % 2 == 0
        t.noise_burst(start, 0.5, 0.004, seed=17 + k, tone=0.2 if high else 0.6)
        t.partial(start, 2900 if high else 1700, 0.7, 0.012, attack=0.0005)
        t.partial(start, 4300 if high else 2600, 0.3, 0.007, attack=0.0005)
    return t


def cuckoo():
    # Two falling notes, twice.
    t = Track(1.6)
    for start in (0.05, 0.8):
        for offset, freq, length in ((0.0, 720.0, 0.17), (0.22, 576.0, 0.38)):
            glide = (lambda f: (lambda s: f * (1.03 - 0.03 * min(1.0, s / 0.04))))(freq)
            t.partial(start + offset, freq, 1.0, None, length=length, attack=0.02,
                      glide=glide, release=0.08)
            t.partial(start + offset, 2 * freq, 0.08, None, length=length, attack=0.02,
                      release=0.08)
    return t


def doorbell():
    # Ding-dong: two struck bars, a major third apart.
    t = Track(2.4)
    bar = [(1.0, 1.0, 1.0), (3.9, 0.18, 0.3), (9.2, 0.05, 0.12)]
    t.bell(0.02, note('E5'), 1.0, 0.75, bar)
    t.bell(0.62, note('C5'), 1.0, 0.95, bar)
    return t


def mac():
    # A short, bright rolled major chord, like a glass being tapped.
    t = Track(1.3)
    for k, name in enumerate(('F4', 'C5', 'F5', 'A5', 'C6')):
        f = note(name)
        t.partial(0.02 + 0.018 * k, f, 0.5, 0.45, attack=0.004)
        t.partial(0.02 + 0.018 * k, 2 * f, 0.12, 0.2, attack=0.004)
        t.partial(0.02 + 0.018 * k, 3.01 * f, 0.05, 0.1, attack=0.004)
    return t


def phone():
    # A desk phone's electronic ring: two bursts of a fast two-tone
    # warble.
    t = Track(2.4)
    for burst in (0.02, 1.2):
        k = 0
        while k * 0.05 < 0.9:
            freq = 1180 if k % 2 else 940
            t.partial(burst + k * 0.05, freq, 0.8, None, length=0.05, attack=0.002,
                      release=0.004)
            t.partial(burst + k * 0.05, 3 * freq, 0.15, None, length=0.05, attack=0.002,
                      release=0.004)
            k += 1
    return t


def reveille():
    # A bugle call on the open notes G-C-E-G, then back down.
    t = Track(2.3)
    start = 0.02
    brass = [1.0 / n ** 1.1 for n in range(1, 9)]
    for name, length in (('G4', 0.16), ('C5', 0.16), ('E5', 0.16), ('G5', 0.5),
                         ('E5', 0.16), ('C5', 0.75)):
        f = note(name)
        t.voice(start, length - 0.015, lambda s, f=f: f, brass, attack=0.012, late=0.006,
                vibrato=(5.5, 0.004 if length > 0.3 else 0.0))
        start += length
    return t


def rooster():
    # Cock-a-doodle-doo: three short calls and a long one that rises and
    # falls, with a rough, reedy voice.
    t = Track(2.2)
    calls = ((0.03, 0.16, lambda s: 520 + 1100 * s),
             (0.24, 0.13, lambda s: 700 - 200 * s),
             (0.42, 0.16, lambda s: 640 + 900 * s),
             (0.64, 1.05, lambda s: 780 + 160 * math.sin(math.pi * min(1.0, s / 0.7)) - 260 * max(0.0, s - 0.7) / 0.35))
    reedy = [1.0, 0.8, 0.9, 0.5, 0.3, 0.25, 0.15, 0.1, 0.06]
    for start, length, contour in calls:
        t.voice(start, length, contour, reedy, vibrato=(31.0, 0.012), release=0.05)
    return t


SOUNDS = {'Alarm': alarm, 'Beep': beep, 'BigBen': big_ben, 'Chimes': chimes,
          'Clock': clock, 'Cuckoo': cuckoo, 'Doorbl': doorbell, 'Mac': mac,
          'Phone': phone, 'Reville': reveille, 'Rooster': rooster}


def main(out):
    for name, make in SOUNDS.items():
        make().write(os.path.join(out, 'dist', 'sounds', name + '.wav'))


if __name__ == '__main__':
    if len(sys.argv) != 2:
        sys.exit('usage: make_sounds.py OUTDIR')
    main(sys.argv[1])
