# Two commands: `make run` starts the window, `make test` runs every test.
# Both install missing Debian packages first and build in ./build.
BUILD     ?= build
JOBS      ?= $(shell nproc)
WERROR    := $(if $(CI),ON,OFF)
CMAKE_ARGS ?=

.PHONY: run test deps configure build clean

run: build
	$(BUILD)/src/app/korvane

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DKORVANE_WERROR=$(WERROR) $(CMAKE_ARGS) >/dev/null

build: configure
	cmake --build $(BUILD) -j $(JOBS)

clean:
	rm -rf $(BUILD)
