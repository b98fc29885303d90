# The two commands that set everything up: `make demo` and `make test`.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
WINDOWS_BUILD ?= build-windows
FUZZ_SECONDS ?= 60
# WERROR=ON turns compiler warnings into errors, as CI builds (.ci/run).
WERROR ?= OFF
# UNITY=ON compiles each room of src/ as one translation unit: a fresh build in a third
# of the time. UNITY=OFF suits rebuilding often after small edits.
UNITY ?= ON

.PHONY: all deps build program demo test package windows test-windows sanitize fuzz bench bench-upright bench-info bench-hostile clean format format-check

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DFOLIOTURN_TESTS=ON -DFOLIOTURN_WERROR=$(WERROR) -DFOLIOTURN_UNITY=$(UNITY) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# The demo needs only the program: a fresh build directory is set up without the
# tests (make test adds them), and only the program is built.
program:
	@scripts/install-deps.sh --build
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DFOLIOTURN_TESTS=OFF -DFOLIOTURN_UNITY=$(UNITY) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target folioturn

demo: program
	@mkdir -p $(BUILD)/demo
	./$(BUILD)/folioturn -iexamples/sample.pdf -o$(BUILD)/demo/sample-rotated.pdf -podd -r90

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The Debian package, written to $(BUILD)/: only what it holds is built (the
# program, the compressed man page and changelog), never the tests.
package:
	@scripts/install-deps.sh --package
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DFOLIOTURN_TESTS=OFF -DFOLIOTURN_UNITY=$(UNITY) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target folioturn folioturn_package_files
	@cd $(BUILD) && cpack -G DEB >/dev/null
	@ls $(BUILD)/folioturn_*.deb

# folioturn.exe for 64-bit Windows, cross-built with MinGW-w64 and linked statically.
windows:
	@scripts/install-deps.sh --windows
	@cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
	  -DFOLIOTURN_TESTS=OFF -DFOLIOTURN_WERROR=$(WERROR) -DFOLIOTURN_UNITY=$(UNITY) >/dev/null
	@cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target folioturn

# The end-to-end suite against folioturn.exe under wine, and the .bat examples under wine's cmd.
test-windows: build windows
	@scripts/test-windows.sh $(BUILD) $(WINDOWS_BUILD)

sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DFOLIOTURN_SANITIZE=ON -DFOLIOTURN_WERROR=$(WERROR) -DFOLIOTURN_UNITY=$(UNITY) >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@cd $(SANITIZE_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

fuzz:
	@scripts/install-deps.sh --fuzz
	@fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	@scripts/install-deps.sh --bench
	@bench/run.sh $(BUILD)

bench-upright: build
	@scripts/install-deps.sh --bench
	@bench/upright.sh $(BUILD)

bench-info: build
	@scripts/install-deps.sh --bench
	@bench/info.sh $(BUILD)

bench-hostile: build
	@scripts/install-deps.sh --bench
	@bench/hostile.sh $(BUILD)

# The layout of the C++ sources, as .clang-format says: checked, or made so.
format-check:
	@scripts/check-format.sh

format:
	@scripts/check-format.sh --fix

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD)
