#!/usr/bin/python3
"""The spectra of recordings that extio_host.exe made from the simulated
receiver (CTest fixture extio_host_recordings): the tone lies where the
simulator put it, on an axis of absolute frequency, and the PNG is drawn.

EXTIO_HOST_RECORDINGS names the recordings' folder; KELVO_SIM_HF1_HZ and
KELVO_SIM_TONE_HZ are the tones the recording runs were given.
"""
import json
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "extio_host"))
import power_plot  # noqa: E402

RING_SAMPLES = 16 * 32768  # the simulator's signal repeats every 16 blocks of 32768 samples
NFFT = 16384


def simulated_tone(hz, rate):
    """The simulator rounds a tone to whole cycles per ring (simulator/signal.cpp)."""
    return round(hz / rate * RING_SAMPLES) * rate / RING_SAMPLES


class RecordingSpectrumTest(unittest.TestCase):
    folder = os.environ.get("EXTIO_HOST_RECORDINGS", "")

    def load(self, name):
        meta_path = os.path.join(self.folder, name + ".sigmf-meta")
        meta, samples = power_plot.load(meta_path)
        return meta_path, meta, samples

    def check_recording(self, name, expected_hz, expect_real):
        meta_path, meta, samples = self.load(name)
        rate = float(meta["global"]["core:sample_rate"])
        capture = meta["captures"][0]
        self.assertEqual(meta["global"]["core:datatype"], "cf32_le")
        self.assertEqual(meta["global"]["core:version"], "1.0.0")
        self.assertEqual(capture["core:sample_start"], 0)
        self.assertTrue(capture["core:datetime"].endswith("Z"))
        self.assertEqual(meta["annotations"], [])
        self.assertEqual(os.path.getsize(meta_path[: -len("meta")] + "data") % 8, 0)
        self.assertGreater(len(samples), rate / 2)

        hz, db, freqs, power, real = power_plot.recording_peak(meta, samples, NFFT)
        self.assertEqual(real, expect_real)
        bin_hz = rate / NFFT
        self.assertLessEqual(abs(hz - expected_hz), bin_hz, f"peak at {hz:.1f} Hz, tone at {expected_hz:.1f} Hz")
        self.assertGreater(db - float(sorted(power)[len(power) // 2]), 40, "the tone stands clear of the noise")

        with tempfile.TemporaryDirectory() as folder:
            png = os.path.join(folder, name + ".png")
            self.assertAlmostEqual(power_plot.draw(meta_path, png, NFFT), hz)
            with open(png, "rb") as f:
                self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")
            self.assertGreater(os.path.getsize(png), 10000)
        return meta, rate

    def test_hf1_tone_appears_at_its_own_frequency(self):
        meta_path, meta, _ = self.load("hf1")
        rate = float(meta["global"]["core:sample_rate"])
        self.assertEqual(meta["captures"][0]["core:frequency"], rate / 2, "direct sampling reports LO = rate/2")
        tone = simulated_tone(float(os.environ["KELVO_SIM_HF1_HZ"]), rate)
        self.check_recording("hf1", tone, expect_real=True)

    def test_rf_tone_appears_at_lo_plus_its_offset(self):
        _, meta, _ = self.load("rf")
        rate = float(meta["global"]["core:sample_rate"])
        lo = float(meta["captures"][0]["core:frequency"])
        offset = simulated_tone(float(os.environ["KELVO_SIM_TONE_HZ"]), rate)
        self.assertLess(offset, 0, "a negative offset shows which way the axis runs")
        self.check_recording("rf", lo + offset, expect_real=False)


if __name__ == "__main__":
    unittest.main(verbosity=2)
