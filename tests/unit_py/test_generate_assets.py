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
    @classmethod
    def setUpClass(cls):
        cls.runs = []
        for _ in range(2):
            folder = tempfile.TemporaryDirectory()
            subprocess.run([sys.executable, str(GENERATOR), folder.name], check=True)
            cls.runs.append({p.name: p.read_bytes() for p in pathlib.Path(folder.name).iterdir()})
            folder.cleanup()
        cls.files = cls.runs[0]

    def test_same_files_on_every_run(self):
        self.assertEqual(sorted(self.files), ["bounce.wav", "chime.wav", "zorvane.ico"])
        self.assertEqual(self.runs[0], self.runs[1])

    def test_icon_holds_4bpp_images_of_32_and_16_pixels_with_masks(self):
        data = self.files["zorvane.ico"]
        self.assertEqual(struct.unpack_from("<HHH", data), (0, 1, 2))
        end = 6 + 2 * 16
        for i in range(2):
            width, height, colours, _, planes, bits, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
            self.assertEqual((height, colours, planes, bits, offset), (width, 16, 1, 4, end))
            self.assertEqual(struct.unpack_from("<IiiHHI", data, offset), (40, width, 2 * width, 1, 4, 0))
            self.assertEqual(length, 40 + 64 + (width * 4 + 31) // 32 * 4 * width + (width + 31) // 32 * 4 * width)
            end += length
        self.assertEqual(end, len(data))
        self.assertEqual(sorted([data[6], data[22]]), [16, 32])

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


if __name__ == "__main__":
    unittest.main()
