# SPDX-License-Identifier: GPL-3.0-or-later
# The Python module against emulated programmers: what a script sees, the
# errors as Python classes, and the GIL let go while programmers work.
import os
import threading
import time
import zlib

import pytest

import dspprog

CATALOGUE = os.environ["DSPPROG_CATALOGUE"]
SIZE = 131072  # the Am29F010 of code 0120


def open_emulated(tmp_path, name="chip.bin", **options):
    options.setdefault("fast", True)
    return dspprog.open(emulate="0120", chip_file=str(tmp_path / name), catalogue=CATALOGUE,
                        **options)


def pattern(seed):
    return bytes((i * seed + (i >> 8)) & 0xFF for i in range(SIZE))


def test_identify_read_write_verify(tmp_path):
    p = open_emulated(tmp_path)
    chip = p.identify()
    assert (chip.name, chip.code, chip.size) == ("AMD Am29F010", "0120", SIZE)
    assert p.read() == b"\xff" * SIZE

    data = pattern(7)
    p.write(bytearray(data))
    read = p.read()
    assert isinstance(read, bytes) and read == data
    assert (tmp_path / "chip.bin").read_bytes() == data
    assert dspprog.sums(read).crc32 == zlib.crc32(data)
    result = p.verify(data)
    assert result.equal and result.differences == []


def test_a_differing_verify_names_the_addresses(tmp_path):
    p = open_emulated(tmp_path)
    data = bytearray(pattern(3))
    p.write(data)
    for address in (0x1FFFF, 0x10, 0x4000):
        data[address] ^= 0xFF
    result = p.verify(data)
    assert not result.equal
    assert result.differing == 3
    assert result.differences == [0x10, 0x4000, 0x1FFFF]
    assert result.image_sums.crc32 == zlib.crc32(data)


@pytest.mark.parametrize("image,kind", [
    (b"\x00" * (SIZE + 1), dspprog.BadInput),  # larger than the chip, as the CLI refuses it
    (b":10000000ZZ\n", dspprog.BadInput),      # damaged Intel HEX
])
def test_a_bad_image_raises_before_anything_is_written(tmp_path, image, kind):
    p = open_emulated(tmp_path)
    with pytest.raises(kind) as raised:
        p.write(image)
    assert isinstance(raised.value, dspprog.Error)
    assert (tmp_path / "chip.bin").read_bytes() == b"\xff" * SIZE


def test_an_unplugged_programmer_raises_within_a_second(tmp_path):
    p = open_emulated(tmp_path, faults=["unplug@12"], fast=False)
    start = time.monotonic()
    with pytest.raises(dspprog.ProgrammerGone):
        p.read()
    assert time.monotonic() - start < 1.0


def test_log_lines_and_progress_reach_python(tmp_path):
    p = open_emulated(tmp_path)
    lines, progress = [], []
    p.on_log(lines.append)
    p.on_progress(lambda done, total: progress.append((done, total)))
    p.read()
    assert "  Чип определен: AMD Am29F010. Объем: 131072 байт(а)." in lines
    assert progress[0] == (0, 32) and progress[-1] == (32, 32)


def test_four_programmers_in_four_threads_take_the_time_of_one(tmp_path):
    # The emulator's timing model takes a real programmer's time over USB;
    # with the GIL let go, four reads at once take little longer than one.
    programmers = [open_emulated(tmp_path, f"chip{n}.bin", fast=False) for n in range(4)]

    def work(p):
        for _ in range(2):
            p.read()

    def timed(function):
        start = time.monotonic()
        function()
        return time.monotonic() - start

    def four_at_once():
        threads = [threading.Thread(target=work, args=(p,)) for p in programmers]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()

    # A machine busy with other work can delay one measurement; with the GIL
    # held, every attempt would take four times as long.
    attempts = []
    for _ in range(3):
        one, four = timed(lambda: work(programmers[0])), timed(four_at_once)
        attempts.append(f"one: {one:.3f} s, four at once: {four:.3f} s")
        if four < 1.3 * one:
            return
    pytest.fail("; ".join(attempts))


def test_version_and_docstrings():
    assert dspprog.__version__.count(".") == 2
    assert "chip_file" in dspprog.open.__doc__
    assert dspprog.Programmer.write.__doc__
