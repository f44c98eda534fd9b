# Two commands: `make run` starts the window, `make test` runs every test.
# Both install missing Debian packages first (run only the build set) and
# build in ./build.
#   make package        the Debian package; make package-check unpacks and runs it
# Hardening, each in a build folder of its own:
#   make sanitize  every test under AddressSanitizer and UBSan (./build-asan)
#   make fuzz      every fuzz target for FUZZ_SECONDS (default 30) (./build-fuzz)
#   make tidy      clang-tidy over the project's sources (uses ./build)
#   make format-check  every C++ file formatted by the committed .clang-format
#   make windows-test  the Qt-free libraries, korvane-cli and their tests cross-built
#                  for Windows (MinGW-w64) and run under Wine (./build-windows)
# Every build folder compiles through ccache when it is installed (the build
# and test sets install it); make tidy keeps the clean results of clang-tidy
# per translation unit (scripts/tidy).
BUILD     ?= build
JOBS      ?= $(shell nproc)
WERROR    := $(if $(CI),ON,OFF)
CMAKE_ARGS ?=

# Compiler cache. The launcher is looked up when a folder is configured, after
# install-deps has run, and set empty when ccache is missing so that a folder
# configured with it still builds without it. Paths inside the checkout are
# hashed relative to it (base_dir), so another clone or worktree of the project
# in any folder hits the same entries; debug information names the sources
# relative to the checkout for the same reason (ccache hashes the working
# folder of a -g compile unless its prefix is mapped).
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_MAXSIZE ?= 5G
LAUNCHER   = -DCMAKE_CXX_COMPILER_LAUNCHER=$$(command -v ccache || true) \
	     -DCMAKE_C_COMPILER_LAUNCHER=$$(command -v ccache || true)
DEBUG_MAP := -fdebug-prefix-map=$(CURDIR)=.

# Made once per machine, outside the checkout: pugixml's sources for the
# Windows build and a fresh Wine prefix that each Windows build folder copies.
KORVANE_CACHE ?= $(or $(XDG_CACHE_HOME),$(HOME)/.cache)/korvane

ASAN_BUILD   ?= build-asan
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 30
SANITIZE     := -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer

WIN_BUILD    ?= build-windows
# Tests left out of the Wine run (a ctest -E pattern); none are.
WIN_EXCLUDE  ?= ^$$
WINE_ENV      = WINEPREFIX=$(abspath $(WIN_BUILD))/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE         ?= wine
WINESERVER   ?= wineserver

.PHONY: run test deps deps-build configure build clean sanitize fuzz tidy format-check \
	package package-check windows-test

# The window needs a desktop session; without one Qt would abort.
run: deps-build
	@cmake -S . -B $(BUILD) -G Ninja -DKORVANE_WERROR=$(WERROR) $(LAUNCHER) \
	  -DKORVANE_BUILD_TESTS=OFF -DKORVANE_BUILD_BENCH=OFF $(CMAKE_ARGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target korvane korvane-route korvane-cli
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "make run: 没有图形显示（DISPLAY、WAYLAND_DISPLAY 均未设置），请在桌面会话中运行 / no display: run it in a desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set)" >&2; \
	  exit 1; fi
	$(BUILD)/src/app/korvane

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# What building and running need (make run); everything the checks add.
deps-build:
	@scripts/install-deps build

deps:
	@scripts/install-deps test

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DKORVANE_WERROR=$(WERROR) $(LAUNCHER) \
	  -DKORVANE_BUILD_TESTS=ON -DKORVANE_BUILD_BENCH=ON $(CMAKE_ARGS) >/dev/null

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The Debian package korvane_<version>-1_amd64.deb in $(BUILD), and its check:
# unpacked into a scratch root, the programs run from there, lintian errors fail.
package: build
	cmake --build $(BUILD) --target package

package-check: package
	scripts/package-check $(BUILD)/korvane_*.deb

sanitize: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANE_BUILD_BENCH=OFF $(LAUNCHER) \
	  -DCMAKE_CXX_FLAGS="-O1 $(SANITIZE) $(DEBUG_MAP)" -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)" >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKORVANE_FUZZ=ON $(LAUNCHER) -DCMAKE_CXX_FLAGS="$(DEBUG_MAP)" >/dev/null
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_JOBS=$(JOBS) fuzz/run $(FUZZ_BUILD)

tidy: build
	scripts/tidy $(BUILD)

format-check: deps
	scripts/format-check

# GoogleTest from Debian's sources, pugixml from its Debian source package
# (unpacked once per machine into $(KORVANE_CACHE)/pugixml), and a Wine prefix
# made once per machine and Wine version (wineboot -i) in $(KORVANE_CACHE),
# copied into the build folder so that parallel runs do not share a wineserver.
# A test is tried a second time only when the first try failed, as a Wine
# process now and then fails to start under load.
PUGIXML_SRC  = $(KORVANE_CACHE)/pugixml
windows-test:
	@scripts/install-deps windows
	@if [ ! -f $(PUGIXML_SRC)/src/pugixml.cpp ]; then \
	  mkdir -p $(KORVANE_CACHE) && tmp=$$(mktemp -d $(PUGIXML_SRC).XXXXXX) && cd $$tmp && \
	  apt-get source --download-only -qq pugixml >/dev/null 2>&1 && \
	  mkdir pugixml && tar xzf pugixml_*.orig.tar.gz -C pugixml --strip-components=1 && \
	  rm -rf $(PUGIXML_SRC) && mv -T pugixml $(PUGIXML_SRC) && cd / && rm -rf $$tmp; \
	fi
	@cmake -S . -B $(WIN_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/windows-mingw-w64.cmake \
	  -DKORVANE_BUILD_UI=OFF -DKORVANE_BUILD_BENCH=OFF -DKORVANE_WERROR=$(WERROR) $(LAUNCHER) \
	  -DKORVANE_GTEST_SOURCE=/usr/src/googletest \
	  -DKORVANE_PUGIXML_SOURCE=$(PUGIXML_SRC)/src $(CMAKE_ARGS) >/dev/null
	cmake --build $(WIN_BUILD) -j $(JOBS)
	@if [ ! -f $(WIN_BUILD)/wine-prefix/system.reg ]; then \
	  template=$(KORVANE_CACHE)/wine-prefix-$$($(WINE) --version | tr -c 'A-Za-z0-9.\n-' _); \
	  if [ ! -f $$template/system.reg ]; then \
	    start=$$(date +%s); mkdir -p $(KORVANE_CACHE) && tmp=$$(mktemp -d $$template.XXXXXX) && \
	    WINEPREFIX=$$tmp WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" $(WINE) wineboot -i >/dev/null 2>&1; \
	    WINEPREFIX=$$tmp $(WINESERVER) -w; \
	    if [ -f $$tmp/system.reg ]; then mv -T $$tmp $$template 2>/dev/null || rm -rf $$tmp; \
	    else rm -rf $$tmp; fi; \
	    echo "windows-test: wineboot -i took $$(( $$(date +%s) - start )) s"; fi; \
	  rm -rf $(WIN_BUILD)/wine-prefix && cp -a $$template $(WIN_BUILD)/wine-prefix; fi
	-$(WINE_ENV) $(WINESERVER) -k 2>/dev/null
	cd $(WIN_BUILD) && $(WINE_ENV) ctest --output-on-failure -j $(JOBS) --repeat until-pass:2 -E '$(WIN_EXCLUDE)'; \
	  status=$$?; $(WINE_ENV) $(WINESERVER) -k; exit $$status

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WIN_BUILD)
