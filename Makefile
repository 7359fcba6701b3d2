# make run   installs what is missing, builds, and runs the built-in scenario
# make test  installs what is missing, builds, and runs every test
BUILD ?= build
SCENARIO ?= $(BUILD)/scenario

.PHONY: all deps configure build run test clean

all: build

deps:
	@.ci/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DBINARIO_WERROR=ON

build: configure
	cmake --build $(BUILD)

run: build
	$(BUILD)/binario -C $(SCENARIO)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j2

clean:
	rm -rf $(BUILD) build-sanitize
