# Zelmora top-level build.  `make run` starts the program, `make test` runs every test.
# Both install what a fresh Debian 12 machine lacks, configure and build first.

BUILD       ?= build
BUILD_ASAN  ?= build-asan
BUILD_FUZZ  ?= build-fuzz
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 30

DEB_PACKAGES := cmake make g++ pkg-config ca-certificates \
                qt6-base-dev libx11-dev qt6-translations-l10n libqt6svg6 fonts-dejavu-core xdg-utils poppler-utils \
                xvfb xauth openbox xdotool xclip x11-utils sway wtype wl-clipboard qt6-wayland \
                dbus-daemon dbus-bin shared-mime-info python3 \
                libgtest-dev libgmock-dev libbenchmark-dev libssl-dev libargon2-dev zlib1g-dev \
                keepassxc python3-pykeepass \
                clang libclang-rt-14-dev librsvg2-bin appstream desktop-file-utils

# What `make package` needs beyond the build: dpkg-shlibdeps for the dependencies, and the tools
# that check the result.
PACKAGE_DEB_PACKAGES := dpkg-dev lintian appstream desktop-file-utils man-db

CMAKE_FLAGS ?=

.PHONY: all deps configure build run test test-unit test-asan test-fuzz bench package format tidy clean

all: build

deps:
	@./scripts/install-deps $(DEB_PACKAGES)

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Starts Zelmora: a new vault, or `make run ARGS=path/to/vault.zlm`.
run: build
	$(BUILD)/bin/zelmora $(ARGS)

test: test-unit test-asan test-fuzz

test-unit: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 600

# The core (and the CLI over it) once more with address and undefined-behaviour sanitizers.
test-asan: deps
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DZELMORA_GUI=OFF -DZELMORA_BENCH=OFF \
	      -DZELMORA_SANITIZE=ON
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	cd $(BUILD_ASAN) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure -j $(JOBS) --timeout 900

# The vault reader under libFuzzer, started from the seed corpus in tests/data.
test-fuzz: deps
	cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	      -DZELMORA_GUI=OFF -DZELMORA_CLI=OFF -DZELMORA_TESTS=OFF -DZELMORA_BENCH=OFF -DZELMORA_FUZZ=ON
	cmake --build $(BUILD_FUZZ) -j $(JOBS)
	mkdir -p $(BUILD_FUZZ)/corpus
	$(BUILD_FUZZ)/bin/fuzz_vault_reader -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	    -print_final_stats=1 $(BUILD_FUZZ)/corpus tests/data/fuzz-seed

bench: build
	$(BUILD)/bin/zelmora-bench-core
	@if [ -x $(BUILD)/bin/zelmora-bench-list ]; then QT_QPA_PLATFORM=offscreen $(BUILD)/bin/zelmora-bench-list; fi
	@if [ -x $(BUILD)/bin/zelmora-bench-open ]; then QT_QPA_PLATFORM=offscreen $(BUILD)/bin/zelmora-bench-open; fi
	@if [ -x $(BUILD)/bin/zelmora-bench-lock ]; then QT_QPA_PLATFORM=offscreen $(BUILD)/bin/zelmora-bench-lock; fi
	@if [ -x $(BUILD)/bin/zelmora-bench-search ]; then QT_QPA_PLATFORM=offscreen $(BUILD)/bin/zelmora-bench-search; fi
	@if [ -x $(BUILD)/bin/zelmora-bench-kdbx ]; then $(BUILD)/bin/zelmora-bench-kdbx; fi
	$(BUILD)/bin/zelmora-bench-sync

# The Debian package build/zelmora_1.10_amd64.deb, checked with lintian, appstreamcli and
# desktop-file-validate.  Install it with `sudo apt-get install ./build/zelmora_1.10_amd64.deb`.
package: build
	@./scripts/install-deps $(PACKAGE_DEB_PACKAGES)
	rm -f $(BUILD)/zelmora_*.deb
	cd $(BUILD) && cpack --config CPackConfig.cmake
	./packaging/check-layout deb $(BUILD)/zelmora_1.10_amd64.deb $(BUILD) $(BUILD)/package-check
	tests/e2e/desktop-e2e.sh $(BUILD)/package-check/root/usr/bin/zelmora $(BUILD)/package-check/root/usr/bin/zelmora-cli \
	    tests/data/vault/sample_encrypted.zlm

format:
	find src tests bench fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format -i

tidy: configure
	find src -name '*.cpp' | xargs clang-tidy -p $(BUILD) --quiet

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ)
