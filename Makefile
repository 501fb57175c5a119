# Everything a fresh Debian machine needs, then the app or the tests.
# CI sets CI=true, which selects the warnings-as-errors preset.
PRESET ?= $(if $(CI),ci,dev)
JOBS ?= $(shell nproc)

.PHONY: run test bench deps configure build clean

run: build
	./build/$(PRESET)/src/vora $(ARGS)

test: build
	ctest --preset $(PRESET) -j $(JOBS)

bench: deps
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	bench/run.sh build/bench

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	cmake --build --preset $(PRESET) -j $(JOBS)

clean:
	rm -rf build
