#!/usr/bin/python3
"""Power spectrum of a SigMF recording (cf32_le), drawn as a PNG.

    power_plot.py RECORDING.sigmf-meta [-o OUT.png] [--nfft N] [--max-seconds S]

Averaged Hann-windowed FFTs over half-overlapping segments (Welch), on an
axis of absolute frequency: the capture's centre frequency plus or minus half
the sample rate. The strongest peak is marked. A recording whose Q values are
all zero (the HF direct-sampling inputs, where the plug-in reports LO = rate/2)
is a real signal: its spectrum mirrors about the centre, and the peak is taken
from the lower half, which then spans 0 Hz to rate/2 and holds the input's own
frequencies.
"""
import argparse
import json
import os
import sys

import numpy as np


def load(meta_path, max_seconds=2.0):
    """The meta dictionary and up to max_seconds of samples (complex64)."""
    with open(meta_path, encoding="utf-8") as f:
        meta = json.load(f)
    if meta["global"]["core:datatype"] != "cf32_le":
        raise ValueError("only cf32_le recordings are read")
    data_path = meta_path[: -len(".sigmf-meta")] + ".sigmf-data"
    rate = float(meta["global"]["core:sample_rate"])
    count = os.path.getsize(data_path) // 8
    if max_seconds:
        count = min(count, int(max_seconds * rate))
    samples = np.fromfile(data_path, dtype="<c8", count=count)
    return meta, samples


def power_spectrum(samples, rate, centre, nfft=16384):
    """Frequencies (Hz, absolute, ascending) and mean power per bin (dB full scale)."""
    if len(samples) < nfft:
        raise ValueError(f"{len(samples)} samples are fewer than one FFT of {nfft}")
    window = np.hanning(nfft).astype(np.float32)
    step = nfft // 2
    starts = range(0, len(samples) - nfft + 1, step)
    total = np.zeros(nfft)
    for start in starts:
        spectrum = np.fft.fft(samples[start : start + nfft] * window)
        total += spectrum.real**2 + spectrum.imag**2
    power = np.fft.fftshift(total / len(starts)) / np.sum(window) ** 2
    freqs = centre + (np.arange(nfft) - nfft // 2) * (rate / nfft)
    return freqs, 10 * np.log10(power + 1e-30)


def is_real(samples):
    return not np.any(samples.imag)


def peak_frequency(freqs, power_db, band=None):
    """The strongest bin's frequency, refined by a parabola through its neighbours; band=(low, high) limits the search."""
    keep = np.ones(len(freqs), dtype=bool) if band is None else (freqs >= band[0]) & (freqs < band[1])
    indices = np.flatnonzero(keep)
    k = indices[np.argmax(power_db[keep])]
    offset = 0.0
    if 0 < k < len(freqs) - 1:
        a, b, c = power_db[k - 1], power_db[k], power_db[k + 1]
        if a - 2 * b + c != 0:
            offset = 0.5 * (a - c) / (a - 2 * b + c)
    bin_hz = freqs[1] - freqs[0]
    return float(freqs[k] + offset * bin_hz), float(power_db[k])


def recording_peak(meta, samples, nfft=16384):
    """(peak Hz, peak dB, freqs, power, real) of a loaded recording, as drawn."""
    rate = float(meta["global"]["core:sample_rate"])
    centre = float(meta["captures"][0]["core:frequency"])
    freqs, power = power_spectrum(samples, rate, centre, nfft)
    real = is_real(samples)
    band = (centre - rate / 2, centre) if real else None
    hz, db = peak_frequency(freqs, power, band)
    return hz, db, freqs, power, real


def draw(meta_path, png_path, nfft=16384, max_seconds=2.0):
    """Draws the spectrum into png_path; returns the peak frequency in Hz."""
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    meta, samples = load(meta_path, max_seconds)
    rate = float(meta["global"]["core:sample_rate"])
    centre = float(meta["captures"][0]["core:frequency"])
    hz, db, freqs, power, real = recording_peak(meta, samples, nfft)

    figure, axes = plt.subplots(figsize=(10, 5), dpi=100)
    axes.plot(freqs / 1e6, power, linewidth=0.6)
    axes.plot([hz / 1e6], [db], "rv", markersize=8)
    label = f"{hz / 1e6:.6f} MHz, {db:.1f} dB"
    if real:
        label += f"\n(mirror at {(2 * centre - hz) / 1e6:.6f} MHz)"
    axes.annotate(label, (hz / 1e6, db), textcoords="offset points", xytext=(8, -4), va="top", color="red")
    axes.set_xlim((centre - rate / 2) / 1e6, (centre + rate / 2) / 1e6)
    axes.set_xlabel("frequency (MHz)")
    axes.set_ylabel("power (dB full scale per bin)")
    hw = meta["global"].get("core:hw", "")
    axes.set_title(
        f"{os.path.basename(meta_path)}: {rate / 1e6:g} MS/s, centre {centre / 1e6:.6f} MHz"
        + (f"\n{hw}" if hw else "")
        + f"\n{len(samples)} samples, {nfft}-point FFT ({rate / nfft:.1f} Hz bins), Hann, 50 % overlap"
    )
    axes.grid(True, alpha=0.3)
    figure.tight_layout()
    figure.savefig(png_path)
    plt.close(figure)
    return hz


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("meta", help="the recording's .sigmf-meta file")
    parser.add_argument("-o", "--output", help="PNG to write (default: beside the recording)")
    parser.add_argument("--nfft", type=int, default=16384, help="FFT length (default 16384)")
    parser.add_argument("--max-seconds", type=float, default=2.0, help="seconds of the recording to read (default 2)")
    args = parser.parse_args()
    if not args.meta.endswith(".sigmf-meta"):
        parser.error("give the .sigmf-meta file")
    output = args.output or args.meta[: -len(".sigmf-meta")] + ".png"
    hz = draw(args.meta, output, args.nfft, args.max_seconds)
    print(f"peak at {hz:.1f} Hz; spectrum in {output}")


if __name__ == "__main__":
    sys.exit(main())
