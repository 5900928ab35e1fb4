"""The files resources/generate_assets.py writes, read back with plain struct
parsing, the way Windows reads them from the resources."""

import array
import pathlib
import struct
import subprocess
import sys
import tempfile
import unittest

GENERATOR = pathlib.Path(__file__).resolve().parents[2] / "resources" / "generate_assets.py"


class GeneratedAssets(unittest.TestCase):
    # That a run gives the same files every time, the reproducible build's check sees: they are in the executable.
    @classmethod
    def setUpClass(cls):
        with tempfile.TemporaryDirectory() as folder:
            subprocess.run([sys.executable, str(GENERATOR), folder], check=True)
            cls.files = {p.name: p.read_bytes() for p in pathlib.Path(folder).iterdir()}

    def test_the_files_it_writes(self):
        balls = [f"ball{n}_{kind}.bmp" for n in range(1, 5) for kind in ("large", "small")]
        self.assertEqual(sorted(self.files), [*balls, "bounce.wav", "chime.wav", "zorvane.ico", "zorvane_mail.ico"])

    def test_icons_hold_4bpp_images_of_32_and_16_pixels_with_masks_and_differ(self):
        for data in (self.files["zorvane.ico"], self.files["zorvane_mail.ico"]):
            self.assertEqual(struct.unpack_from("<HHH", data), (0, 1, 2))
            end = 6 + 2 * 16
            for i in range(2):
                entry = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
                width, height, colours, _, planes, bits, length, offset = entry
                self.assertEqual((height, colours, planes, bits, offset), (width, 16, 1, 4, end))
                self.assertEqual(struct.unpack_from("<IiiHHI", data, offset), (40, width, 2 * width, 1, 4, 0))
                self.assertEqual(length, 40 + 64 + (width * 4 + 31) // 32 * 4 * width + (width + 31) // 32 * 4 * width)
                end += length
            self.assertEqual(end, len(data))
            self.assertEqual(sorted([data[6], data[22]]), [16, 32])
        self.assertNotEqual(self.files["zorvane.ico"], self.files["zorvane_mail.ico"])

    def test_balls_are_8_bit_bitmaps_with_a_palette_on_white_in_four_colours(self):
        centres = set()
        for n in range(1, 5):
            for kind, size in (("small", 16), ("large", 32)):
                data = self.files[f"ball{n}_{kind}.bmp"]
                self.assertEqual(struct.unpack_from("<2sI4xI", data), (b"BM", len(data), 14 + 40 + 1024))
                self.assertEqual(struct.unpack_from("<IiiHHI12xI", data, 14), (40, size, size, 1, 8, 0, 256))
                pixels = data[14 + 40 + 1024:]
                colour = lambda index: data[54 + 4 * index:57 + 4 * index]  # noqa: E731 (blue, green, red)
                self.assertEqual(colour(pixels[0]), b"\xff\xff\xff")  # a corner the region cuts away
                centres.add(colour(pixels[size * size // 2 + size // 2]))
        self.assertEqual(len(centres), 4)

    def test_sounds_are_mono_22050_hz_16_bit_of_their_exact_length_and_fade_out(self):
        for name, data_bytes in {"chime.wav": 66398, "bounce.wav": 37782}.items():
            data = self.files[name]
            self.assertEqual((data[:4], data[8:12], struct.unpack_from("<I", data, 4)[0]), (b"RIFF", b"WAVE", len(data) - 8))
            self.assertEqual(struct.unpack_from("<4sIHHIIHH4sI", data, 12),
                             (b"fmt ", 16, 1, 1, 22050, 44100, 2, 16, b"data", data_bytes), name)
            pcm = array.array("h", data[44:44 + data_bytes])
            self.assertTrue(8000 < max(map(abs, pcm)) < 32767, name)  # audible, not clipped
            self.assertLess(abs(pcm[0]) + abs(pcm[-1]), 128, name)      # no click at either end
            tenth = len(pcm) // 10
            self.assertLess(20 * sum(s * s for s in pcm[-tenth:]), sum(s * s for s in pcm[:tenth]), name)
