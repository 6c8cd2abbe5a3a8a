#!/usr/bin/env python3
"""Synthesises the six sounds of the live goal update in resources/sounds/:
short tones, 16-bit mono PCM at 22 050 Hz, written with the standard library.

Run from anywhere: python3 installer/tools/make_sounds.py
"""
import math
import pathlib
import struct
import wave

OUT = pathlib.Path(__file__).resolve().parents[2] / "resources" / "sounds"
RATE = 22050


def tone(freq, seconds, volume=0.5, vibrato=0.0):
    """A sine with a short attack and an exponential decay, so it never clicks."""
    n = int(RATE * seconds)
    out = []
    phase = 0.0
    for i in range(n):
        t = i / RATE
        f = freq * (1 + vibrato * math.sin(2 * math.pi * 28 * t))
        phase += 2 * math.pi * f / RATE
        attack = min(1.0, i / (RATE * 0.008))
        release = min(1.0, (n - i) / (RATE * 0.02))
        decay = math.exp(-3.0 * t / seconds)
        # A little second harmonic makes the tone less thin on small speakers.
        s = math.sin(phase) + 0.25 * math.sin(2 * phase)
        out.append(volume * attack * release * decay * s / 1.25)
    return out


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def write(name, samples):
    path = OUT / name
    with wave.open(str(path), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(max(-1.0, min(1.0, s)) * 32767)) for s in samples))
    print(f"{name}: {path.stat().st_size} bytes")


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    # More rights than before: a rising third.
    write("good.wav", tone(660, 0.12) + tone(880, 0.22))
    # Fewer rights: a falling minor third, lower.
    write("bad.wav", tone(440, 0.12) + tone(370, 0.28))
    # A goal that changes nothing: one neutral beep.
    write("same.wav", tone(587, 0.18, 0.4))
    # Every match right: a major arpeggio up to the octave.
    write("all.wav", tone(523, 0.1) + tone(659, 0.1) + tone(784, 0.1) + tone(1047, 0.35))
    # New game information: a soft double ping.
    write("comment.wav", tone(1175, 0.07, 0.3) + silence(0.05) + tone(1175, 0.09, 0.3))
    # A match has ended: a trilled whistle, three blasts.
    write("end.wav", tone(2100, 0.14, 0.35, 0.03) + silence(0.06) + tone(2100, 0.14, 0.35, 0.03)
          + silence(0.06) + tone(2100, 0.4, 0.35, 0.03))


if __name__ == "__main__":
    main()
