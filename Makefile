# The two commands that matter: `make run` and `make test` (see README.md).
# BUILD may point elsewhere (make BUILD=/tmp/b test) to keep several trees
# apart; it, the checkout and every path below may hold blanks, so each is
# quoted where a shell sees it.
BUILD ?= build
JOBS ?= 2
ABS_BUILD := $(shell realpath -m -s -- '$(BUILD)')
HOST := $(ABS_BUILD)/host
export KOVA_BUILD_ROOT := $(ABS_BUILD)
# V=1 shows every compiler and CMake line; otherwise they go to $(LOGS).
export V ?= 0
LOGS := $(ABS_BUILD)/logs

.PHONY: all deps host win32 win64 test run bench screens fuzz release repro clean

all: host win32 win64

deps:
	@bash scripts/install-deps

host: deps
	@bash scripts/step '$(LOGS)/host-build.log' "building the host tools and native tests ($(BUILD)/host)" bash -c '\
	  cmake -S . -B "$$0" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVA_SHIPPED_CHANGES="$$1/win32/changes.md" && \
	  cmake --build "$$0" -j$(JOBS) -- --no-print-directory' '$(HOST)' '$(ABS_BUILD)'

# The Windows trees: win32 (i686) is what ships, win64 (x86_64) the same
# sources for 64-bit Windows. Both compile on any host; which of them run
# under Wine depends on the host (scripts/run-tests).
win32 win64: host
	@bash scripts/step '$(LOGS)/$@-build.log' "building setup.exe and the Wine-hosted tests for $(if $(filter win32,$@),32-bit Windows,64-bit Windows) ($(BUILD)/$@)" bash -c '\
	  cmake -S . -B "$$0" -DCMAKE_TOOLCHAIN_FILE="$$PWD/cmake/$$1-w64-mingw32.cmake" \
	    -DKOVAPACK="$$2/tools/kovapack/kovapack" \
	    -DKOVACHANGES="$$2/tools/changes/kovachanges" && \
	  cmake --build "$$0" -j$(JOBS) -- --no-print-directory' \
	  '$(ABS_BUILD)/$@' $(if $(filter win32,$@),i686,x86_64) '$(HOST)'

test: all
	@bash scripts/run-tests '$(ABS_BUILD)'

run: all
	@bash scripts/run-setup '$(ABS_BUILD)'

bench: all
	@bash bench/run '$(ABS_BUILD)'

screens: all
	@bash scripts/screens '$(ABS_BUILD)'

fuzz: host
	@bash tests/fuzz/run '$(ABS_BUILD)' 60

# setup.exe for shipping in $(BUILD)/release, from the product's files in
# PAYLOAD_DIR (default: the demo payload), signed when SIGN_CERT and SIGN_KEY
# are given (README.md). The three reach the script through the environment,
# which keeps paths with blanks whole; it makes relative ones absolute.
export PAYLOAD_DIR SIGN_CERT SIGN_KEY
release: deps
	@bash scripts/release '$(ABS_BUILD)'

# Two clean builds in different folders give the same setup.exe.
repro: deps
	@bash scripts/repro '$(ABS_BUILD)'

clean:
	rm -rf '$(ABS_BUILD)'
