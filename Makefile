# The two front doors: 'make run' and 'make test'. Both install what this machine lacks first.
# 'make fuzz' runs every fuzz target for FUZZ_SECONDS each (make fuzz FUZZ_SECONDS=60).
# 'make dist' packs the installers and the portable zips, 32- and 64-bit, and the server's Debian
# package into build/dist/; 'make dist OZL_SERVER_HOST=chat.example.org' packs the Windows
# packages for that server (into build/dist/chat.example.org/).
# 'make longrun' runs the real client under Wine for LONGRUN_CYCLES cycles of message windows,
# notices and re-shaping, and prints the time, the live objects and the memory ('make test' runs 100).
.PHONY: run test fuzz longrun build dist deps clean

FUZZ_SECONDS ?= 600
OZL_SERVER_HOST ?=
LONGRUN_CYCLES ?= 1000

run: deps
	scripts/run

test: deps
	scripts/test

fuzz: deps
	FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz

longrun: deps
	client=$$(scripts/client-build) && scripts/build $$client:win32_tests && \
	OZL_LONGRUN_CYCLES=$(LONGRUN_CYCLES) OZL_FORCE_XVFB=1 OZL_QUIET_XVFB=1 scripts/with-display \
	  scripts/wine-run build/$$client/win32_tests.exe --gtest_filter='LongRunTest.*'

build: deps
	scripts/build

dist: deps
	OZL_SERVER_HOST=$(OZL_SERVER_HOST) scripts/dist

deps:
	scripts/install-deps

clean:
	rm -rf build
