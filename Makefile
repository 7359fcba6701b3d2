# make run   installs what the build needs, builds the program, and runs the
#            built-in scenario
# make test  installs what the tests need, builds everything, runs every test
# make windows      installs what is missing and cross-builds build-windows/binario.exe
# make test-windows builds for Windows and runs its tests under Wine
# make package      builds both and packs binario-VERSION-win64.zip and a Linux .tar.gz
BUILD ?= build
SCENARIO ?= $(BUILD)/scenario

WINDOWS_BUILD ?= build-windows

.PHONY: all deps configure build run-deps program run test windows test-windows package clean

all: build

deps:
	@.ci/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DBINARIO_WERROR=ON -DBINARIO_TESTS=ON -DBINARIO_BENCH=ON

build: configure
	cmake --build $(BUILD)

# The run needs the program and its window module only: a build folder made
# for it leaves the tests and the benchmarks out, and one made by `make test`
# is used as it is.
run-deps:
	@.ci/install-deps --run

program: run-deps
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) -G Ninja -DBINARIO_WERROR=ON \
	  -DBINARIO_TESTS=OFF -DBINARIO_BENCH=OFF
	cmake --build $(BUILD) --target binario

run: program
	$(BUILD)/binario -C $(SCENARIO)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j2

# Windows: cross-compiled with MinGW-w64, one statically linked binario.exe.
windows:
	@.ci/install-deps --windows
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DBINARIO_WERROR=ON -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
	cmake --build $(WINDOWS_BUILD)

# The tests run under Wine with a prefix of their own in $(WINDOWS_BUILD)
# (the user's own Wine setup is left alone), made without Wine's .NET and
# HTML engines, whose installers would ask on screen and wait.
# .ci/wine-desktop sets up the prefix and starts Wine's desktop before the
# first test and holds it until the last has ended.
WINE_ENV = WINEPREFIX=$(abspath $(WINDOWS_BUILD))/wine WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree=;mshtml="
# Wine's own loader now and then fails a test program as it exits, after
# every test in it passed ("Inconsistency detected by ld.so: dl-fini.c"): a
# failed test runs again, up to three times, so only a fault that repeats
# fails the suite.
test-windows: windows
	$(WINE_ENV) .ci/wine-desktop ctest --test-dir $(WINDOWS_BUILD) --repeat until-pass:3 \
	  --output-on-failure -j2

# The packages users download, in $(BUILD) and $(WINDOWS_BUILD); the zip's
# contents are checked against what the README promises. The VS Code package
# for each platform, carrying that platform's program (editors/vscode/ci.sh,
# Node.js 20), goes into its package.
package: build windows
	BINARIO_SERVER_LINUX_X64=$(BUILD)/binario BINARIO_SERVER_WIN32_X64=$(WINDOWS_BUILD)/binario.exe \
	  editors/vscode/ci.sh
	cd $(BUILD) && cpack
	cd $(WINDOWS_BUILD) && cpack
	.ci/check-package $(WINDOWS_BUILD)/binario-*-win64.zip

clean:
	rm -rf $(BUILD) $(WINDOWS_BUILD) build-sanitize
