# The two commands of the README, and the rest of the daily work.
#   make run    set everything up, build, start Corvane on the bundled example installation
#   make test   set everything up, build twice (plain and with ASan+UBSan), run every test
#   make bench  optimised build, run every benchmark
#   make fuzz   clang build of the fuzz targets, run each for FUZZ_SECONDS
#   make package  optimised build and a Debian package of it (cpack) in build-package
#   make windows  the Qt-free layers, corvane-cli and the core suites cross-built for Windows
#   make windows-test  those suites and corvane-cli.exe checked under Wine in a fresh prefix
SHELL := /bin/bash
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
PACKAGE_BUILD ?= build-package
WINDOWS_BUILD ?= build-windows
FUZZ_SECONDS ?= 30
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")
EXAMPLE := $(CURDIR)/examples
export COMMANDER_PATH ?= $(EXAMPLE)/totalcmd

.PHONY: deps deps-run build build-programs build-asan run test test-plain test-asan test-windows bench fuzz package windows windows-test format clean

deps:
	@bash scripts/install-deps

deps-run:
	@bash scripts/install-deps run

# One configuration of $(BUILD) serves both: `make run` builds only the programs in it,
# `make test` everything, so neither undoes the other's work.
CONFIGURE = cmake -S . -B $(BUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps
	$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS)

# The editor and corvane-cli with their own files: no test, benchmark or fuzzer.
build-programs: deps-run
	$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS) --target corvane_programs

build-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON -DCORVANE_WITH_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)

run: build-programs
	@bash scripts/run-example $(BUILD)/bin $(if $(BAR),$(abspath $(BAR)))

# ctest shows no output of a skipped test: its reason, a line "SKIP: ...", is shown here.
test-plain: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@grep -h '^SKIP:' $(BUILD)/Testing/Temporary/LastTest.log || true

test-asan: build-asan
	cd $(ASAN_BUILD) && ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest --output-on-failure -j $(JOBS)
	@grep -h '^SKIP:' $(ASAN_BUILD)/Testing/Temporary/LastTest.log || true

test: test-plain test-asan test-windows

bench: deps
	cmake -S . -B $(BENCH_BUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Release -DCORVANE_WITH_TESTS=OFF -DCORVANE_WITH_QT=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@for b in $(BENCH_BUILD)/bench/bench_*; do [ -x "$$b" ] || continue; echo "== $$b"; \
	  "$$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true || exit 1; done

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Debug \
	  -DCORVANE_SANITIZE=ON -DCORVANE_FUZZ=ON -DCORVANE_WITH_QT=OFF -DCORVANE_WITH_TESTS=OFF -DCORVANE_WITH_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@bash scripts/run-fuzzers $(FUZZ_BUILD)/fuzz $(FUZZ_SECONDS)

# The package installs below /usr; its dependencies come from the built programs.
package: deps
	cmake -S . -B $(PACKAGE_BUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_INSTALL_PREFIX=/usr -DCORVANE_WITH_TESTS=OFF -DCORVANE_WITH_BENCH=OFF
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack
	@ls $(PACKAGE_BUILD)/*.deb

# MinGW-w64 builds for Windows what has no Qt in it (cmake/toolchain-mingw64.cmake):
# corvane-cli.exe and the core and command-line suites; `make windows-test` runs them under
# Wine in a fresh prefix, then compares corvane-cli.exe with the Linux build's corvane-cli
# (tests/e2e/windows-cli.sh). Suites that examine Wine's view of Windows from Linux
# (dosdevices links, .reg files, Wine's environment rules, the code page of a prefix) run
# on Linux only, and the fuzz seeds are libpng's bytes.
LINUX_ONLY_SUITES := test_environment test_hostfiles test_hostfiles_io test_misk test_registry \
  test_cli_codepage test_fuzz_seeds
WINDOWS_SUITES ?= $(filter-out $(LINUX_ONLY_SUITES),$(basename $(notdir \
  $(wildcard tests/core/test_*.cpp tests/cli/test_*.cpp tests/windows/test_*.cpp))))
# Optimised as the Linux build, without debugging information: the quickest to link.
windows: deps
	cmake -S . -B $(WINDOWS_BUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
	  -DCORVANE_WITH_QT=OFF -DCORVANE_WITH_BENCH=OFF -DCORVANE_FUZZ=OFF
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target corvane-cli $(WINDOWS_SUITES)

windows-test: windows build-programs
	LINUX_BUILD=$(BUILD) bash scripts/run-windows-tests $(WINDOWS_BUILD) $(WINDOWS_SUITES)

# Part of `make test` where the MinGW compiler and Wine are installed; says so where not.
test-windows:
	@if command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null; then \
	  $(MAKE) --no-print-directory windows-test; \
	else echo "SKIP: the Windows suites need MinGW-w64 (g++-mingw-w64-x86-64-posix) and wine64"; fi

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(PACKAGE_BUILD) $(WINDOWS_BUILD)
