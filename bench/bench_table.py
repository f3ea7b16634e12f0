#!/usr/bin/env python3
"""Runs the benchmarks of a release build and prints one table.

usage: bench_table.py BUILD_DIR [SECONDS]

Workload lines read "workload a: 412.3 megapixels/s" (two threads) and
"workload a threads 1: ..." (one thread), so that runs can be compared by
scripts. The default scene runs the real program headless on the generated
content with the retrace wait off (V) for SECONDS (default 8) and reads the
FPS of its exit report. Its split runs the program's frames in process from
four points of the camera's turn, records the same frames as a call trace
and replays them, the board alone. With workers the board draws while the
program works, so the split is taken with one thread, where they take turns.
"""
import json
import os
import re
import signal
import subprocess
import sys
import time


# The default scene's split: frames from four points of the camera's turn,
# as bench_default_scene's arguments and frame count have them.
SAMPLE_STARTS = (0, 250, 500, 750)
SAMPLE_FRAMES = 20


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


def default_scene_fps(build, seconds):
    match = re.search(rb"FPS: ([0-9.]+)", run_program(build, seconds))
    if not match:
        sys.exit("bench_table.py: the program printed no exit report")
    return float(match.group(1))


def replay(build, trace, threads):
    """The fastest of five replays: (seconds, megapixels) of the trace."""
    result = subprocess.run([os.path.join(build, "bin", "trace-replay"), trace,
                             "--threads", str(threads), "--repeat", "5"], check=True,
                            stdout=subprocess.PIPE)
    match = re.search(rb"in ([0-9.]+) s: [0-9.]+ frames/s, ([0-9.]+) megapixels/s", result.stdout)
    if not match:
        sys.exit("bench_table.py: trace-replay printed no rate")
    seconds = float(match.group(1))
    return seconds, float(match.group(2)) * seconds


def default_scene_samples(build):
    """SAMPLE_FRAMES frames of the default scene from each of SAMPLE_STARTS,
    with one thread: the program's whole frames in its fastest repetition,
    and the same frames recorded as a call trace and replayed, the board
    alone, with one thread and with two. Returns the seconds of all
    samples as (program, board with one thread, board with two) and the
    megapixels drawn."""
    trace = os.path.join(build, "default-scene.trace")
    environment = dict(os.environ, WILDSKY_BOARD_THREADS="1", WILDSKY_TRACE=trace,
                       WILDSKY_TRACE_FRAMES=str(SAMPLE_FRAMES))
    program = board = board_two = megapixels = 0.0
    try:
        for start in SAMPLE_STARTS:
            runs = run_json(os.path.join(build, "bin", "bench_default_scene"),
                            f"--benchmark_filter=DefaultSceneFrames/{start}/",
                            environment=environment)
            fastest = max(run["fps"] for run in runs if run["run_type"] == "iteration")
            program += SAMPLE_FRAMES / fastest
            seconds, _ = replay(build, trace, 1)
            board += seconds
            seconds, drawn = replay(build, trace, 2)
            board_two += seconds
            megapixels += drawn
    finally:
        if os.path.exists(trace):
            os.remove(trace)
    return (program, board, board_two), megapixels


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
    (program, board, board_two), megapixels = default_scene_samples(build)
    own, drawing = frame_split(build)
    whole = own + drawing
    frames = SAMPLE_FRAMES * len(SAMPLE_STARTS)
    print(f"wildsky benchmarks, {os.cpu_count()} hardware threads, 512x384")
    for line in lines:
        print(line)
    print(f"default scene: {fps:.1f} frames/s")
    print(f"default scene, board alone ({frames} frames along the turn, their calls replayed): "
          f"{frames / board_two:.1f} frames/s, {megapixels / board_two:.1f} megapixels/s")
    # With workers the board draws while the program works; with one thread
    # the two take turns, so the frame splits into them.
    frame_ms, board_ms = 1000 * program / frames, 1000 * board / frames
    print(f"default scene split, one thread, the same frames: {frame_ms:.2f} ms a frame, "
          f"board {board_ms:.2f} ms, program's own work {max(frame_ms - board_ms, 0):.2f} ms")
    print(f"app benchmark scene split, one thread: {whole:.2f} ms a frame, "
          f"program's own work (lists, transform, sort) {own:.2f} ms ({100 * own / whole:.0f}%), "
          f"passes, clipping and board {drawing:.2f} ms ({100 * drawing / whole:.0f}%)")


if __name__ == "__main__":
    main()
