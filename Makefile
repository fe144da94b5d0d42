# The two front doors: 'make run' and 'make test'. Both install what this machine lacks first.
.PHONY: run test build deps clean

run: deps
	scripts/run

test: deps
	scripts/test

build: deps
	scripts/build

deps:
	scripts/install-deps

clean:
	rm -rf build
