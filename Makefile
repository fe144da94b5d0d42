# The two front doors: 'make run' and 'make test'. Both install what this machine lacks first.
# 'make fuzz' runs every fuzz target for FUZZ_SECONDS each (make fuzz FUZZ_SECONDS=60).
# 'make dist' packs the installer and the portable zip into build/dist/.
.PHONY: run test fuzz build dist deps clean

FUZZ_SECONDS ?= 600

run: deps
	scripts/run

test: deps
	scripts/test

fuzz: deps
	FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz

build: deps
	scripts/build

dist: deps
	scripts/dist

deps:
	scripts/install-deps

clean:
	rm -rf build
