# The two commands that matter: `make run` and `make test` (see README.md).
# BUILD may point elsewhere (make BUILD=/tmp/b test) to keep several trees apart.
BUILD ?= build
HOST := $(BUILD)/host
WIN := $(BUILD)/win32
JOBS ?= 2
ABS_BUILD := $(abspath $(BUILD))
export KOVA_BUILD_ROOT := $(ABS_BUILD)
# V=1 shows every compiler and CMake line; otherwise they go to $(LOGS).
export V ?= 0
LOGS := $(ABS_BUILD)/logs

.PHONY: all deps host win32 test test-host test-wine run bench screens fuzz release repro clean

all: host win32

deps:
	@bash scripts/install-deps

host: deps
	@bash scripts/step $(LOGS)/host-build.log "building the host tools and native tests ($(HOST))" bash -c '\
	  cmake -S . -B $(HOST) -DCMAKE_BUILD_TYPE=RelWithDebInfo && \
	  cmake --build $(HOST) -j$(JOBS) -- --no-print-directory'

win32: host
	@bash scripts/step $(LOGS)/win32-build.log "building setup.exe and the Wine-hosted tests ($(WIN))" bash -c '\
	  cmake -S . -B $(WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake \
	    -DKOVAPACK=$(abspath $(HOST))/tools/kovapack/kovapack \
	    -DKOVACHANGES=$(abspath $(HOST))/tools/changes/kovachanges && \
	  cmake --build $(WIN) -j$(JOBS) -- --no-print-directory'

test: all
	@bash scripts/run-tests $(ABS_BUILD)

run: all
	@bash scripts/run-setup $(ABS_BUILD)

bench: all
	@bash bench/run $(ABS_BUILD)

screens: all
	@bash scripts/wine-session wine $(WIN)/tests/e2e/e2e_tests.exe --screens $(ABS_BUILD)/screens

fuzz: host
	@bash tests/fuzz/run $(ABS_BUILD) 60

# setup.exe for shipping in $(BUILD)/release, from the product's files in
# PAYLOAD_DIR (default: the demo payload), signed when SIGN_CERT and SIGN_KEY
# are given (README.md). The three reach the script through the environment,
# which keeps paths with blanks whole; it makes relative ones absolute.
export PAYLOAD_DIR SIGN_CERT SIGN_KEY
release: deps
	@bash scripts/release $(ABS_BUILD)

# Two clean builds in different folders give the same setup.exe.
repro: deps
	@bash scripts/repro $(ABS_BUILD)

clean:
	rm -rf $(BUILD)
