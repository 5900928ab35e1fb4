"""Checks the files that resources/generate_assets.py writes for the build.

The files are read back with plain struct parsing, independent of the
generator's own code, the way Windows reads them from the resources.
"""

import array
import os
import pathlib
import struct
import subprocess
import sys
import tempfile
import unittest

GENERATOR = pathlib.Path(__file__).resolve().parents[2] / "resources" / "generate_assets.py"


def run_generator(*args):
    return subprocess.run([sys.executable, str(GENERATOR), *args],
                          capture_output=True, text=True, check=False)


def read_chunks(data):
    """RIFF sub-chunks as {id: payload}, with the word padding skipped."""
    chunks = {}
    pos = 12
    while pos + 8 <= len(data):
        cid, size = struct.unpack_from("<4sI", data, pos)
        chunks[cid] = data[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)
    return chunks


class GeneratedAssets(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory()
        cls.out = os.path.join(cls.temp.name, "not", "yet", "there")
        result = run_generator(cls.out)
        if result.returncode != 0:
            raise AssertionError("generator failed: " + result.stderr)

    @classmethod
    def tearDownClass(cls):
        cls.temp.cleanup()

    def read(self, name):
        return pathlib.Path(self.out, name).read_bytes()


class IconFile(GeneratedAssets):
    def images(self):
        data = self.read("zorvane.ico")
        reserved, kind, count = struct.unpack_from("<HHH", data, 0)
        self.assertEqual((reserved, kind), (0, 1), "not an icon file")
        entries = [struct.unpack_from("<BBBBHHII", data, 6 + 16 * i) for i in range(count)]
        return data, entries

    def test_two_sixteen_colour_images_of_32_and_16_pixels(self):
        _, entries = self.images()
        self.assertEqual(sorted(e[0] for e in entries), [16, 32])
        for width, height, colours, _, planes, bits, _, _ in entries:
            self.assertEqual((width, height, colours, planes, bits), (width, width, 16, 1, 4))

    def test_directory_covers_the_file_without_gaps_or_overlaps(self):
        data, entries = self.images()
        pos = 6 + 16 * len(entries)
        for entry in sorted(entries, key=lambda e: e[7]):
            self.assertEqual(entry[7], pos, "image does not start where the last ended")
            pos += entry[6]
        self.assertEqual(pos, len(data))

    def test_each_image_is_a_4bpp_bitmap_with_an_and_mask(self):
        data, entries = self.images()
        for size, _, _, _, _, _, length, offset in entries:
            with self.subTest(size=size):
                header = struct.unpack_from("<IiiHHI", data, offset)
                self.assertEqual(header, (40, size, 2 * size, 1, 4, 0))
                colour_bytes = ((size * 4 + 31) // 32 * 4) * size
                mask_bytes = ((size + 31) // 32 * 4) * size
                self.assertEqual(length, 40 + 16 * 4 + colour_bytes + mask_bytes)

    def test_mask_leaves_a_picture_on_a_transparent_background(self):
        data, entries = self.images()
        for size, _, _, _, _, _, _, offset in entries:
            with self.subTest(size=size):
                colour_stride = (size * 4 + 31) // 32 * 4
                mask_stride = (size + 31) // 32 * 4
                colours_at = offset + 40 + 64
                mask_at = colours_at + colour_stride * size
                transparent = opaque = 0
                used = set()
                for y in range(size):
                    for x in range(size):
                        byte = data[colours_at + y * colour_stride + x // 2]
                        index = byte >> 4 if x % 2 == 0 else byte & 0x0F
                        if data[mask_at + y * mask_stride + x // 8] & (0x80 >> (x % 8)):
                            transparent += 1
                            # Windows XORs the colour onto the desktop there: it must be black.
                            self.assertEqual(index, 0, "tinted transparent pixel at %d,%d" % (x, y))
                        else:
                            opaque += 1
                            used.add(index)
                self.assertGreater(transparent, size * size // 5)
                self.assertGreater(opaque, size * size // 4)
                self.assertGreaterEqual(len(used), 3, "a blob of one colour, not a picture")


class WaveFiles(GeneratedAssets):
    EXPECTED_DATA_BYTES = {"chime.wav": 66398, "bounce.wav": 37782}

    def parse(self, name):
        data = self.read(name)
        self.assertEqual(data[:4], b"RIFF")
        self.assertEqual(data[8:12], b"WAVE")
        self.assertEqual(struct.unpack_from("<I", data, 4)[0], len(data) - 8)
        return read_chunks(data)

    def samples(self, name):
        pcm = array.array("h", self.parse(name)[b"data"])
        if sys.byteorder == "big":
            pcm.byteswap()
        return pcm

    def test_mono_22050_hz_16_bit_pcm_of_the_exact_length(self):
        for name, data_bytes in self.EXPECTED_DATA_BYTES.items():
            with self.subTest(name=name):
                chunks = self.parse(name)
                self.assertEqual(struct.unpack("<HHIIHH", chunks[b"fmt "]),
                                 (1, 1, 22050, 44100, 2, 16))
                self.assertEqual(len(chunks[b"data"]), data_bytes)

    def test_audible_without_clipping(self):
        for name in self.EXPECTED_DATA_BYTES:
            with self.subTest(name=name):
                pcm = self.samples(name)
                peak = max(abs(s) for s in pcm)
                self.assertGreater(peak, 8000, "too quiet to hear")
                self.assertLess(peak, 32767, "clipped")

    def test_starts_and_ends_at_rest_and_fades(self):
        # A sound that starts or stops away from zero clicks.
        for name in self.EXPECTED_DATA_BYTES:
            with self.subTest(name=name):
                pcm = self.samples(name)
                self.assertLess(abs(pcm[0]), 64)
                self.assertLess(abs(pcm[-1]), 64)
                tenth = len(pcm) // 10
                head = sum(s * s for s in pcm[:tenth])
                tail = sum(s * s for s in pcm[-tenth:])
                self.assertLess(tail * 20, head, "does not die away")


class GeneratorCommand(unittest.TestCase):
    def test_output_is_the_same_on_every_run(self):
        with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
            self.assertEqual(run_generator(a).returncode, 0)
            self.assertEqual(run_generator(b).returncode, 0)
            names = sorted(os.listdir(a))
            self.assertEqual(names, ["bounce.wav", "chime.wav", "zorvane.ico"])
            self.assertEqual(names, sorted(os.listdir(b)))
            for name in names:
                self.assertEqual(pathlib.Path(a, name).read_bytes(),
                                 pathlib.Path(b, name).read_bytes(), name)

    def test_refuses_a_call_without_exactly_one_folder(self):
        self.assertNotEqual(run_generator().returncode, 0)
        with tempfile.TemporaryDirectory() as a:
            self.assertNotEqual(run_generator(a, a).returncode, 0)
            self.assertEqual(os.listdir(a), [])


if __name__ == "__main__":
    unittest.main()
