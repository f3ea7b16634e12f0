# wildsky: `make run` builds and starts the renderer; `make test` runs every test.
# Both first install the Debian packages the build needs (as root), or print
# the one command that installs them.

BUILD      ?= build
SAN_BUILD  ?= build-sanitize
TSAN_BUILD ?= build-threads
FUZZ_BUILD ?= build-fuzz
BENCH_BUILD ?= build-bench
FUZZ_SECONDS ?= 60
FUZZ_TARGET ?= fuzz_load3ds
JOBS ?= $(shell nproc)

PACKAGES := cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libsdl2-dev \
            libstb-dev
# Only `make fuzz` needs clang and its runtime (libFuzzer), only `make bench`
# python3; their targets add them.
FUZZ_PACKAGES := clang libclang-rt-14-dev
BENCH_PACKAGES := python3

.PHONY: all deps build content run test test-sanitize test-threads fuzz bench clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES) $(EXTRA_PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:" $$missing; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "Missing packages. Run:"; \
	    echo "  sudo apt-get update && sudo apt-get install -y" $$missing; \
	    exit 1; \
	  fi; \
	fi

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

content: build
	@if [ -x $(BUILD)/bin/mkcontent ]; then $(BUILD)/bin/mkcontent $(BUILD)/data; \
	else echo "mkcontent is not built yet: no default content"; fi

run: content
	@if [ -x $(BUILD)/bin/wildsky ]; then cd $(BUILD)/data && ../bin/wildsky; \
	else echo "The renderer is not built yet."; fi

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(MAKE) test-sanitize
	$(MAKE) test-threads

test-sanitize: deps
	cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DWILDSKY_SANITIZE=ON -DWILDSKY_BENCH=OFF
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS)

# The tests that draw with worker threads, under ThreadSanitizer.
test-threads: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DWILDSKY_THREAD_SANITIZE=ON -DWILDSKY_BENCH=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target board_tests trace_tests
	TSAN_OPTIONS=halt_on_error=1 $(TSAN_BUILD)/bin/board_tests --gtest_filter='ParallelTest.*'
	TSAN_OPTIONS=halt_on_error=1 $(TSAN_BUILD)/bin/trace_tests \
	  --gtest_filter='TraceReplay.Replay*:ProgramRun.*'

# make fuzz FUZZ_TARGET=fuzz_load3ds FUZZ_SECONDS=1800
# Crashing inputs land in $(FUZZ_BUILD)/artifacts/<target>/. The folders are
# given as absolute paths, since fuzz_program works in a folder of its own.
FUZZ_DIR = $(abspath $(FUZZ_BUILD))
fuzz:
	@$(MAKE) --no-print-directory deps EXTRA_PACKAGES="$(FUZZ_PACKAGES)"
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DWILDSKY_FUZZ=ON -DWILDSKY_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGET)
	mkdir -p $(FUZZ_BUILD)/corpus/$(FUZZ_TARGET) $(FUZZ_BUILD)/seeds/$(FUZZ_TARGET) \
	  $(FUZZ_BUILD)/artifacts/$(FUZZ_TARGET)
	$(FUZZ_DIR)/bin/$(FUZZ_TARGET) -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	  -artifact_prefix=$(FUZZ_DIR)/artifacts/$(FUZZ_TARGET)/ \
	  $(FUZZ_DIR)/corpus/$(FUZZ_TARGET) $(FUZZ_DIR)/seeds/$(FUZZ_TARGET)

# Release build of its own; prints one table (bench/bench_table.py).
bench:
	@$(MAKE) --no-print-directory deps EXTRA_PACKAGES="$(BENCH_PACKAGES)"
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DWILDSKY_BENCH=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target bench_workloads bench_app bench_default_scene wildsky mkcontent trace-replay
	@python3 bench/bench_table.py $(BENCH_BUILD)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD)
