# Glimpo: `make` builds into build/, `make run` starts Glimpo, `make test` runs every test.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all build deps run test deb clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: $(BUILD)/build.ninja
	@cmake --build $(BUILD)

run: deps build
	@scripts/run-glimpo $(BUILD)

test: deps build
	@cd $(BUILD) && ctest --output-on-failure --timeout 600 -j2

deb: deps
	@packaging/build-deb.sh

clean:
	rm -rf $(BUILD)
