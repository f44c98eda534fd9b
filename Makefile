# Two commands: `make run` starts the window, `make test` runs every test.
# Both install missing Debian packages first and build in ./build.
# Hardening, each in a build folder of its own:
#   make sanitize  every test under AddressSanitizer and UBSan (./build-asan)
#   make fuzz      every fuzz target for FUZZ_SECONDS (default 30) (./build-fuzz)
#   make tidy      clang-tidy over the project's sources (uses ./build)
#   make format-check  every C++ file formatted by the committed .clang-format
BUILD     ?= build
JOBS      ?= $(shell nproc)
WERROR    := $(if $(CI),ON,OFF)
CMAKE_ARGS ?=

ASAN_BUILD   ?= build-asan
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 30
SANITIZE     := -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer

.PHONY: run test deps configure build clean sanitize fuzz tidy format-check

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

sanitize: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANE_BUILD_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS="-O1 $(SANITIZE)" -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)" >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKORVANE_FUZZ=ON >/dev/null
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_JOBS=$(JOBS) fuzz/run $(FUZZ_BUILD)

tidy: build
	scripts/tidy $(BUILD)

format-check: deps
	scripts/format-check

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
