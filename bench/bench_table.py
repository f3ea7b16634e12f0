#!/usr/bin/env python3
"""Runs the benchmarks of a release build and prints one table.

usage: bench_table.py BUILD_DIR [SECONDS]

Workload lines read "workload a: 412.3 megapixels/s" (two threads) and
"workload a threads 1: ..." (one thread), so that runs can be compared by
scripts. The default scene runs the real program headless on the generated
content with the retrace wait off (V) for SECONDS (default 8) and reads the
FPS of its exit report; the same frames recorded as a call trace and
replayed give the board's share. With workers the board draws while the
program works, so the split is taken with one thread, where they take turns.
"""
import json
import os
import re
import signal
import subprocess
import sys
import time


def run_json(binary, *arguments, environment=None):
    result = subprocess.run([binary, "--benchmark_format=json", *arguments], check=True,
                            env=environment, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return json.loads(result.stdout)["benchmarks"]


def workload_lines(build):
    lines = []
    units = {"a": ("pixels", 1e6, "megapixels/s"), "b": ("pixels", 1e6, "megapixels/s"),
             "c": ("triangles", 1e6, "million triangles/s"), "d": ("frames", 1, "frames/s")}
    runs = run_json(os.path.join(build, "bin", "bench_workloads"), "--benchmark_min_time=1")
    for entry in runs:
        match = re.match(r"workload_(\w)/threads:(\d+)", entry["name"])
        if not match:
            continue
        letter, threads = match.groups()
        counter, scale, unit = units[letter]
        label = f"workload {letter}" + ("" if threads == "2" else f" threads {threads}")
        precision = 2 if letter == "c" else 1
        lines.append(f"{label}: {entry[counter] / scale:.{precision}f} {unit}")
    return lines


def run_program(build, seconds, extra_environment=None):
    """Runs wildsky headless on the generated content with the retrace wait
    off (V) for a while, ends it with SIGTERM and returns its output."""
    data = os.path.join(build, "data")
    if not os.path.isdir(os.path.join(data, "OBJECTS")):
        subprocess.run([os.path.join(build, "bin", "mkcontent"), data], check=True,
                       stdout=subprocess.DEVNULL)
    environment = {k: v for k, v in os.environ.items()
                   if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER")}
    environment.update(extra_environment or {})
    program = subprocess.Popen([os.path.join(build, "bin", "wildsky")], cwd=data,
                               env=environment, stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    program.stdin.write(b"V")
    program.stdin.flush()
    time.sleep(seconds)
    program.send_signal(signal.SIGTERM)
    output, _ = program.communicate(timeout=60)
    return output


def default_scene_fps(build, seconds, threads=None):
    environment = {"WILDSKY_BOARD_THREADS": str(threads)} if threads else None
    match = re.search(rb"FPS: ([0-9.]+)", run_program(build, seconds, environment))
    if not match:
        sys.exit("bench_table.py: the program printed no exit report")
    return float(match.group(1))


def default_scene_board(build, frames=20):
    """The board alone on the default scene: its frames recorded as a call
    trace and replayed, the fastest of five passes, with two threads and
    with one. Returns (frames/s, megapixels/s) for each."""
    trace = os.path.join(build, "default-scene.trace")
    run_program(build, 3, {"WILDSKY_TRACE": trace, "WILDSKY_TRACE_FRAMES": str(frames)})
    results = []
    try:
        for threads in (2, 1):
            result = subprocess.run([os.path.join(build, "bin", "trace-replay"), trace,
                                     "--threads", str(threads), "--repeat", "5"], check=True,
                                    stdout=subprocess.PIPE)
            match = re.search(rb"([0-9.]+) frames/s, ([0-9.]+) megapixels/s", result.stdout)
            results.append((float(match.group(1)), float(match.group(2))) if match
                           else (0.0, 0.0))
    finally:
        if os.path.exists(trace):
            os.remove(trace)
    return results


def frame_split(build):
    """Milliseconds of the program's own work (lists, transform, sort) and of
    the rest of a whole frame (passes, clipping, the board) on the app
    benchmark's generated scene, with one thread, so that the two take turns
    and add up to the frame."""
    environment = dict(os.environ, WILDSKY_BOARD_THREADS="1")
    runs = {entry["name"]: entry for entry in
            run_json(os.path.join(build, "bin", "bench_app"), "--benchmark_min_time=1",
                     environment=environment)}
    # The frames' own rate counts until the last one is drawn.
    own = 1000.0 / runs["CpuPartOfFrame"]["fps"]
    whole = 1000.0 / runs["WholeFrame"]["fps"]
    return own, max(whole - own, 0.0)


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build-bench")
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 8.0
    lines = workload_lines(build)
    fps = default_scene_fps(build, seconds)
    serial_fps = default_scene_fps(build, seconds, threads=1)
    (board_fps, board_megapixels), (serial_board_fps, _) = default_scene_board(build)
    own, drawing = frame_split(build)
    whole = own + drawing
    print(f"wildsky benchmarks, {os.cpu_count()} hardware threads, 512x384")
    for line in lines:
        print(line)
    print(f"default scene: {fps:.1f} frames/s")
    if board_fps > 0:
        print(f"default scene, board alone (its calls replayed): {board_fps:.1f} frames/s, "
              f"{board_megapixels:.1f} megapixels/s")
    # With workers the board draws while the program works; with one thread
    # the two take turns, so the frame splits into them.
    if serial_fps > 0 and serial_board_fps > 0:
        frame, board = 1000 / serial_fps, 1000 / serial_board_fps
        print(f"default scene split, one thread: {frame:.2f} ms a frame, board {board:.2f} ms, "
              f"program's own work {max(frame - board, 0):.2f} ms")
    print(f"app benchmark scene split, one thread: {whole:.2f} ms a frame, "
          f"program's own work (lists, transform, sort) {own:.2f} ms ({100 * own / whole:.0f}%), "
          f"passes, clipping and board {drawing:.2f} ms ({100 * drawing / whole:.0f}%)")


if __name__ == "__main__":
    main()
