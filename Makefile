# The two front doors: 'make run' and 'make test'. Both install what this machine lacks first.
# 'make dist' packs the installer and the portable zip into build/dist/.
.PHONY: run test build dist deps clean

run: deps
	scripts/run

test: deps
	scripts/test

build: deps
	scripts/build

dist: deps
	scripts/dist

deps:
	scripts/install-deps

clean:
	rm -rf build
