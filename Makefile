# make run: build and start the program.  make test: install test needs, build, run every test.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all build run test deps clean bench

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/glomerix

deps:
	./tools/install-deps.sh

test: deps build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench_*; do echo "== $$b"; $$b; done

clean:
	rm -rf $(BUILD)
