# The two front doors: 'make run' and 'make test'. Both install what this machine lacks first.
# 'make fuzz' runs every fuzz target for FUZZ_SECONDS each (make fuzz FUZZ_SECONDS=60).
.PHONY: run test fuzz build deps clean

FUZZ_SECONDS ?= 600

run: deps
	scripts/run

test: deps
	scripts/test

fuzz: deps
	FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz

build: deps
	scripts/build

deps:
	scripts/install-deps

clean:
	rm -rf build
