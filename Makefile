# The README's two commands are `make run` and `make test`. Everything else
# here is a step of theirs or a convenience.
JOBS ?= 2
NATIVE := build
ASAN := build-asan
WIN64 := build-win64
WIN32 := build-win32
FUZZ := build-fuzz

.PHONY: all deps native-configure balls native readme-options asan win64 win32 dist test run run-wine bench bench-x11 bench-x11-4k clean fuzz fuzz-smoke fuzz-long preview fuzz-merge

all: native

deps:
	./scripts/install-deps.sh

# The larger balls are baked by the native build's orbtool (in
# $(NATIVE)/balls); the other builds take them from there.
BALLS := -DORB_BALLS_DIR=$(abspath $(NATIVE))/balls

native-configure: deps
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DORB_WIN64_DIR=$(abspath $(WIN64)) -DORB_WIN32_DIR=$(abspath $(WIN32)) \
	  -DORB_ASAN_DIR=$(abspath $(ASAN))

balls: native-configure
	cmake --build $(NATIVE) --target orb_balls -j $(JOBS)

native: native-configure
	cmake --build $(NATIVE) -j $(JOBS)

asan: balls
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DORB_SANITIZE=ON -DORB_BENCH=OFF $(BALLS)
	cmake --build $(ASAN) -j $(JOBS)

win64: balls
	cmake -S . -B $(WIN64) -DCMAKE_TOOLCHAIN_FILE=$(abspath cmake/mingw-x86_64.cmake) -DCMAKE_BUILD_TYPE=Release $(BALLS)
	cmake --build $(WIN64) -j $(JOBS)

win32: balls
	cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=$(abspath cmake/mingw-i686.cmake) -DCMAKE_BUILD_TYPE=Release $(BALLS)
	cmake --build $(WIN32) -j $(JOBS)

# The release files in dist/: the Windows zip, the Debian package and
# SHA256SUMS (packaging/dist.sh).
dist: win64 win32 native
	cmake --build $(NATIVE) --target dist

# Every test: the fuzz smoke runs, the unit tests (plain and sanitized), and
# the end-to-end runs under Wine and Xvfb, and the checks of the release
# files, which the native test suite drives.
# The full native suite runs last, so its summary closes the output. Wine
# and Xvfb now and then stumble on their own (a refused process start); a
# test that fails gets one more run, so only a failure that repeats is red,
# and the summary names every test that needed the second run.
test: deps
	$(MAKE) --no-print-directory win64 win32 native asan dist
	$(MAKE) --no-print-directory fuzz-smoke
	ctest --test-dir $(ASAN) --output-on-failure -j $(JOBS) -L unit
	./scripts/ctest-retry.sh $(NATIVE) --output-on-failure

# The saver on Linux (x11/orb): in a window over the current DISPLAY, or on a
# private Xvfb over a sample desktop, with a screenshot and a GIF in build/run.
run:
	JOBS=$(JOBS) ORB_BUILD_DIR=$(NATIVE) ./scripts/run.sh

# The Windows saver under Wine: on the current DISPLAY, or on a private Xvfb
# over a sample desktop with a screenshot.
run-wine: win64
	./scripts/run-wine.sh

# The fuzz targets: clang, libFuzzer, ASan and UBSan (fuzz/). The smoke run
# gives each target 30 s and fails on any finding; the long run gives each
# FUZZ_RUNS runs or FUZZ_SECONDS, whichever ends first, at the lowest
# priority, keeping its inputs in build-fuzz/fuzz/corpus; fuzz-merge then
# minimises them into the committed corpus, fuzz/corpus.
FUZZ_SECONDS ?= 3600
FUZZ_RUNS ?= 10000000
fuzz: balls
	cmake -S . -B $(FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DORB_FUZZ=ON -DORB_BENCH=OFF $(BALLS)
	cmake --build $(FUZZ) --target orb_fuzz -j $(JOBS)

fuzz-smoke: fuzz
	ORB_FUZZ_BALLS=$(abspath $(NATIVE))/balls ./fuzz/run.sh $(FUZZ) 30

fuzz-long: fuzz
	nice -n 19 ./fuzz/run.sh $(FUZZ) $(FUZZ_SECONDS) $(FUZZ_RUNS)

fuzz-merge: fuzz
	./fuzz/merge.sh $(FUZZ)

bench: native
	$(NATIVE)/bench/orb_bench

# CPU share of `orb -root` and of XScreenSaver's distort on a 1920x1080 Xvfb.
bench-x11: deps
	JOBS=$(JOBS) ORB_BUILD_DIR=$(NATIVE) ./bench/x11_cpu.sh

# The same on a 3840x2160 screen, for the 128 and the 256 ball.
bench-x11-4k: deps
	JOBS=$(JOBS) ORB_BUILD_DIR=$(NATIVE) ORB_BENCH_SCREEN=3840x2160 ORB_BENCH_SIDES="128 256" \
	  ./bench/x11_cpu.sh

# The README's pictures of the ball over sample desktops (scripts/preview.sh).
preview: deps
	JOBS=$(JOBS) ORB_BUILD_DIR=$(NATIVE) ./scripts/preview.sh

# The README's table of orbtool's options, from orbtool's own help.
readme-options: native-configure
	cmake --build $(NATIVE) --target orbtool_readme_options -j $(JOBS)

clean:
	rm -rf $(NATIVE) $(ASAN) $(WIN64) $(WIN32) $(FUZZ)
