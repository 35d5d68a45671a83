#!/usr/bin/env python3
"""Writes the program's own new-mail sound (data/mervantic-new-mail.wav): two soft bell tones,
a fifth apart, played where the desktop's sound theme has no "message-new-email" sound.
Deterministic: the same file every time. Usage: make_new_mail_sound.py <output.wav>"""
import math
import struct
import sys
import wave

RATE = 22050


def tone(frequency, seconds, start, volume):
    samples = []
    for i in range(int(seconds * RATE)):
        t = i / RATE
        envelope = math.exp(-5.0 * t) * min(1.0, t * 200.0)  # a quick attack, a bell's decay
        value = math.sin(2 * math.pi * frequency * t) + 0.3 * math.sin(4 * math.pi * frequency * t)
        samples.append((start + i, volume * envelope * value / 1.3))
    return samples


def main(path):
    length = int(0.75 * RATE)
    mix = [0.0] * length
    for start, value in tone(987.77, 0.6, 0, 0.5) + tone(1318.51, 0.55, int(0.15 * RATE), 0.45):
        if start < length:
            mix[start] += value
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", int(max(-1.0, min(1.0, v)) * 32000)) for v in mix))


if __name__ == "__main__":
    main(sys.argv[1])
